// Start-up time and memory of the program: from the start of a new process to the
// start window on screen with its test list filled, and the peak resident memory at
// that moment, on a program folder with the 2 sample tests and on one with 2,000
// tests of 20 words each. Targets: within 300 ms and under 60 MB with 2 tests.
//
// Method. Each run is a new process: a copy of this executable placed in the program
// folder being measured (the program folder is the executable's own folder), started
// with fork/exec. The child runs App::run, the very function main() runs, with an
// observer that watches for the first paint of the start window's test list with
// entries in it; the time is taken on the monotonic clock before the fork and at that
// first paint. The peak resident memory is the child's VmHWM at the same moment.
// Beside it, in the same run and interleaved with it, the same measure of a bare Qt
// dialog holding a filled list: the ratio of the two is the figure that other load on
// the machine affects least. Every start waits 150 ms for the previous one's process
// to be cleared away by the sound and X servers. The program reaches the sound server
// only after that first paint (its sound engine holds plays until then).
//
//   bench_startup [runs=7]      with DISPLAY set (xcb), or QT_QPA_PLATFORM=offscreen
//   WORDAROO_APPDIR=<staged program folder> overrides <build>/Wordaroo.
#include "app/app.h"
#include "core/platform/forms.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QListWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

long long nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

long statusKb(const char *key)
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long value = -1;
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, n) == 0 && line[n] == ':') {
            value = std::strtol(line + n + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return value;
}

// When the child had its QApplication, and when its start window was loaded (lists filled).
long long appNs = 0;
long long loadedNs = 0;

// Reports the first paint of the test list with entries, then ends the process at once
// (the measurement is taken; tearing down would only add noise).
class FirstPaint final : public QObject
{
  public:
    explicit FirstPaint(QListWidget *list) : m_list(list) {}

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_list->count() > 0 && m_list->window()->isVisible() && !m_done) {
            m_done = true;
            // After this paint has been drawn and handed to the window system.
            QTimer::singleShot(0, [this] {
                std::printf("shown_ns=%lld hwm_kb=%ld rss_kb=%ld tests=%d app_ns=%lld loaded_ns=%lld\n", nowNs(),
                            statusKb("VmHWM"), statusKb("VmRSS"), m_list->count(), appNs, loadedNs);
                std::fflush(stdout);
                _exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QListWidget *m_list;
    bool m_done = false;
};

// The child: the program's own start-up (App::run, exactly what main() runs), watched.
int child(int argc, char **argv)
{
    appNs = nowNs();
    App::setStartObserver([](Form *login) {
        loadedNs = nowNs();
        auto *list = login->findChild<QListWidget *>(QStringLiteral("lstTests"));
        if (!list) {
            std::fprintf(stderr, "no start window with a test list\n");
            _exit(2);
        }
        list->viewport()->installEventFilter(new FirstPaint(list));
        QTimer::singleShot(20000, [] {
            std::fprintf(stderr, "the start window was not shown within 20 s\n");
            _exit(3);
        });
    });
    return App::run(argc, argv);
}

// The baseline, measured in the same run: a bare Qt dialog with a filled list, the
// least a Qt Widgets program does to show a window with a list on it.
int bareChild(int argc, char **argv)
{
    appNs = nowNs();
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Wordaroo"));
    auto *list = new QListWidget(&dialog);
    list->addItems({QStringLiteral("Test_Animals"), QStringLiteral("Test_Colours")});
    dialog.resize(453, 447);
    list->setGeometry(10, 10, 200, 300);
    loadedNs = nowNs();
    FirstPaint watcher(list);
    list->viewport()->installEventFilter(&watcher);
    dialog.show();
    return QApplication::exec();
}

struct Run {
    double ms = 0;
    double appMs = 0;    // to the QApplication made
    double loadedMs = 0; // to the start window loaded, its lists filled
    double cpuMs = 0;    // processor time the child used (user + system), less affected by other load
    long hwmKb = 0;
    long rssKb = 0;
    int tests = 0;
};

bool runOnce(const QString &exe, const char *mode, Run &run)
{
    int out[2];
    if (pipe(out) != 0)
        return false;
    const QByteArray path = QFile::encodeName(exe);
    const long long t0 = nowNs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        execl(path.constData(), path.constData(), mode, static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0)
        text.append(buf, size_t(n));
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    long long shown = 0;
    long long app = 0;
    long long loaded = 0;
    if (std::sscanf(text.c_str(), "shown_ns=%lld hwm_kb=%ld rss_kb=%ld tests=%d app_ns=%lld loaded_ns=%lld", &shown,
                    &run.hwmKb, &run.rssKb, &run.tests, &app, &loaded) != 6)
        return false;
    run.ms = double(shown - t0) / 1e6;
    run.appMs = double(app - t0) / 1e6;
    run.loadedMs = double(loaded - t0) / 1e6;
    return true;
}

bool copyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

// A program folder: this executable, the prompts and help of the staged folder, and tests.
QString prepare(const QString &root, const QString &name, const QString &staged, int tests, int words)
{
    const QString dir = root + QLatin1Char('/') + name + QLatin1Char('/');
    QDir().mkpath(dir);
    const QDir from(staged);
    for (const QString &f : from.entryList({QStringLiteral("*.wav"), QStringLiteral("Spell.HLP")}, QDir::Files))
        if (!QFileInfo::exists(dir + f))
            copyFile(from.filePath(f), dir + f);
    if (tests == 0) {
        // The sample tests as staged.
        for (const QString &t : from.entryList({QStringLiteral("Test_*")}, QDir::Dirs)) {
            QDir().mkpath(dir + t);
            const QDir td(from.filePath(t));
            for (const QString &w : td.entryList({QStringLiteral("*.wav")}, QDir::Files))
                if (!QFileInfo::exists(dir + t + QLatin1Char('/') + w))
                    copyFile(td.filePath(w), dir + t + QLatin1Char('/') + w);
        }
    } else if (!QFileInfo::exists(dir + QStringLiteral("complete"))) {
        // Many tests whose words are hard links to one recording: the listing reads names.
        const QByteArray wave = QFile::encodeName(from.filePath(QStringLiteral("splash.wav")));
        for (int t = 0; t < tests; ++t) {
            const QString td = dir + QStringLiteral("Test_%1").arg(t, 4, 10, QLatin1Char('0'));
            QDir().mkpath(td);
            for (int w = 0; w < words; ++w) {
                const QByteArray target =
                    QFile::encodeName(td + QStringLiteral("/word%1.wav").arg(w, 2, 10, QLatin1Char('0')));
                if (link(wave.constData(), target.constData()) != 0 && errno != EEXIST)
                    copyFile(from.filePath(QStringLiteral("splash.wav")), QFile::decodeName(target));
            }
        }
        QFile mark(dir + QStringLiteral("complete"));
        mark.open(QIODevice::WriteOnly);
    }
    // A history left by an earlier run would be opened at start; a new folder has none.
    for (const char *f : {"history.db", "history.db-wal", "history.db-shm"})
        QFile::remove(dir + QLatin1StringView(f));
    copyFile(QCoreApplication::applicationFilePath(), dir + QStringLiteral("wordaroo_bench"));
    return dir + QStringLiteral("wordaroo_bench");
}

// Each start begins on a settled machine: the sound server and the X server have
// finished with the previous run's process (whose streams and windows they tear down
// after it ends), as they have when a child starts the program.
void settle()
{
    usleep(150 * 1000);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return child(1, argv);
    if (argc > 1 && std::strcmp(argv[1], "--bare") == 0)
        return bareChild(1, argv);

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    QString staged;
    QString root;
    {
        QCoreApplication app(argc, argv);
        staged = qEnvironmentVariable("WORDAROO_APPDIR",
                                      QCoreApplication::applicationDirPath() + QStringLiteral("/../Wordaroo"));
        if (!QFileInfo::exists(staged + QStringLiteral("/Welcome.wav"))) {
            std::fprintf(stderr, "no staged program folder at %s (set WORDAROO_APPDIR)\n", qPrintable(staged));
            return 1;
        }
        root = QDir::tempPath() + QStringLiteral("/wordaroo-bench-startup");
        const QString two = prepare(root, QStringLiteral("two"), staged, 0, 0);
        const QString many = prepare(root, QStringLiteral("many"), staged, 2000, 20);
        std::printf("platform: %s; %d runs each, program and bare dialog interleaved; medians (min..max)\n",
                    qgetenv("QT_QPA_PLATFORM").isEmpty() ? "xcb" : qgetenv("QT_QPA_PLATFORM").constData(), runs);
        struct Case {
            const char *what;
            QString exe;
            const char *mode;
            std::vector<Run> runs;
        };
        std::vector<Case> cases = {{"bare Qt dialog", two, "--bare", {}},
                                   {"2 tests", two, "--child", {}},
                                   {"2,000 tests of 20 words", many, "--child", {}}};
        for (Case &c : cases) {
            Run warm;
            runOnce(c.exe, c.mode, warm); // warms the file cache; not counted
        }
        std::vector<double> ratios;
        for (int i = 0; i < runs; ++i) {
            for (Case &c : cases) {
                settle();
                Run r;
                if (!runOnce(c.exe, c.mode, r)) {
                    std::fprintf(stderr, "%s: run %d did not report\n", c.what, i + 1);
                    return 1;
                }
                c.runs.push_back(r);
            }
            ratios.push_back(cases[1].runs.back().ms / cases[0].runs.back().ms);
        }
        for (const Case &c : cases) {
            std::vector<double> ms, hwm, loadedMs, cpuMs;
            for (const Run &r : c.runs) {
                ms.push_back(r.ms);
                loadedMs.push_back(r.loadedMs);
                cpuMs.push_back(r.cpuMs);
                hwm.push_back(r.hwmKb / 1024.0);
            }
            std::printf("%-26s shown (%d listed): %7.1f ms (%.1f..%.1f); processor time %.1f ms; window loaded at "
                        "%.1f ms; peak resident %.1f MB\n",
                        c.what, c.runs.back().tests, median(ms), *std::min_element(ms.begin(), ms.end()),
                        *std::max_element(ms.begin(), ms.end()), median(cpuMs), median(loadedMs), median(hwm));
        }
        const double ratio = median(ratios);
        std::printf("start window (2 tests) / bare dialog: median of %d per-run ratios %.2f [target 1.25: %s]\n", runs,
                    ratio, ratio <= 1.25 ? "met" : "MISSED");
    }
    return 0;
}
