// Writes test runs into the history of a program folder until it is killed, printing
// "<writer> <run>" on stdout once each run is committed. Run k of writer w is the test
// "Test_<w>_<k>" with 1 + k % 7 words, so a reader can tell a whole run from a torn one.
#include "history/historystore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    HistoryStore store(QString::fromLocal8Bit(argv[1]));
    const QString writer = QString::fromLocal8Bit(argv[2]);
    for (int k = 0;; ++k) {
        History::TestRun run{
            QDateTime::currentDateTime(), {}, QStringLiteral("Test_%1_%2").arg(writer).arg(k), 0, false, {}};
        for (int i = 0; i <= k % 7; ++i)
            run.words.append({QStringLiteral("w%1").arg(i), QStringLiteral("a%1").arg(k), i % 2 == 0, {}});
        store.recordRun(run);
        if (store.flush()) {
            std::printf("%s %d\n", argv[2], k);
            std::fflush(stdout);
        }
    }
}
