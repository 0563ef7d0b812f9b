// Speed of the computer voice on a whole list: ComputerVoice::makeWords saving 40 typical
// spelling words into a fresh test folder, as "Add These Words" does. The first word of
// the process is timed apart (it starts the synthesizer); then 5 runs of the 40 words,
// each into its own folder, and their median; the processor time of each run beside it
// (it varies less with other load on a shared machine). Target: 40 words in under 3 s.
//
//   bench_voice [runs]
#include "core/platform/appcontext.h"
#include "voice/computervoice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

int main(int argc, char **argv)
{
    const QStringList words = QStringLiteral("their there because beautiful friend believe separate necessary "
                                             "rhythm February library island knight thought through though "
                                             "enough bought caught daughter neighbour weird receive achieve "
                                             "piece peace whole hole which witch weather whether accident "
                                             "actually address answer appear arrive breath breathe")
                                  .split(QLatin1Char(' '));
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    QTemporaryDir root;
    ProgramFolder::fix(root.path()); // word files are written only inside the program folder
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!ComputerVoice::synthesize(QStringLiteral("first"), root.filePath(QStringLiteral("first.wav")), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("first word (starts the voice): %.1f ms\n", double(timer.nsecsElapsed()) / 1e6);

    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        const QString testDir = root.filePath(QStringLiteral("Test_%1/").arg(run));
        QDir().mkpath(testDir);
        timer.restart();
        const std::clock_t cpu = std::clock();
        const ComputerVoice::Batch batch = ComputerVoice::makeWords(testDir, words);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        const double cpuMs = 1000.0 * double(std::clock() - cpu) / CLOCKS_PER_SEC;
        if (batch.saved.size() != words.size()) {
            std::fprintf(stderr, "only %lld of %lld words saved\n", qlonglong(batch.saved.size()),
                         qlonglong(words.size()));
            return 1;
        }
        std::printf("run %d: %lld words in %.1f ms (processor time %.1f ms)\n", run + 1, qlonglong(words.size()),
                    ms.back(), cpuMs);
    }
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::printf("median of %d runs: %.1f ms for %lld words (%.1f ms a word); target 3000 ms: %s\n", runs, median,
                qlonglong(words.size()), median / double(words.size()), median < 3000 ? "met" : "missed");
    return median < 3000 ? 0 : 1;
}
