// Start-up of the program as a user sees it, against a bare Qt Widgets dialog started
// and timed the same way: from the fork to the start window's map and to its first
// paint, seen from outside through the X server; and the peak resident memory then.
//
// Method. Each start is a new process, started with fork/exec as a desktop starts a
// program: the staged program (wordaroo) in a copy of the staged program folder with
// its 2 sample tests, the same in a copy with 2,000 tests of 20 words each, and the
// baseline (startup_baseline: a dialog with a label, a button and a filled list, linked
// to Qt Widgets only). Nothing runs inside the measured process. This process watches
// the root window (SubstructureNotify: CreateNotify, MapNotify) and puts a DAMAGE
// object on every top-level window as it is made, so it sees each window mapped and
// first drawn into. The window that counts is the child's top-level window titled
// "Wordaroo" (_NET_WM_PID is the child's, WM_NAME the title): the program's start
// window frmLogin, which the user waits for, and the baseline's dialog. The program's
// full-screen background ("Wordaroo!") is mapped before it and not counted; its map
// time is shown apart. Time is taken on the monotonic clock before the fork and as each
// event is read. At the start window's first paint the child's VmHWM is read and the
// child is killed; its processor time to then comes from wait4. The next start waits
// until the X server has destroyed the child's windows, then 150 ms more, so the sound
// and X servers have finished with it. Program and baseline alternate in every round;
// the ratio of each round's pair is the figure other load on the machine affects least.
//
//   bench_startup [runs=9]      with DISPLAY set; a sound server as the program has one
//   WORDAROO_APPDIR=<staged program folder> overrides <build>/Wordaroo;
//   BENCH_STARTUP_EACH=1 prints every start's figures as well.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

namespace
{

long long nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

long statusKb(pid_t pid, const char *key)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    FILE *f = std::fopen(path.c_str(), "r");
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

// The connection to the X server that watches the children's windows.
struct Display {
    xcb_connection_t *c = nullptr;
    xcb_window_t root = 0;
    uint8_t damageNotify = 0;
    xcb_atom_t netWmPid = 0;

    bool open()
    {
        c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c))
            return false;
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_damage_id);
        if (!ext || !ext->present)
            return false;
        damageNotify = ext->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
        auto *atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 11, "_NET_WM_PID"), nullptr);
        if (!atom)
            return false;
        netWmPid = atom->atom;
        free(atom);
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
        return true;
    }

    std::string property(xcb_window_t w, xcb_atom_t atom)
    {
        auto *r =
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
        std::string value;
        if (r) {
            value.assign(static_cast<const char *>(xcb_get_property_value(r)),
                         size_t(xcb_get_property_value_length(r)));
            free(r);
        }
        return value;
    }

    // The child's window the user waits for: its top-level window titled "Wordaroo".
    bool isStartWindow(xcb_window_t w, pid_t pid)
    {
        const std::string p = property(w, netWmPid);
        uint32_t owner = 0;
        if (p.size() == sizeof owner)
            std::memcpy(&owner, p.data(), sizeof owner);
        return owner == uint32_t(pid) && property(w, XCB_ATOM_WM_NAME) == "Wordaroo";
    }
};

struct Run {
    double paintMs = 0;    // the start window's first paint
    double mapMs = 0;      // the start window's MapNotify
    double firstMapMs = 0; // the child's first top-level window mapped (the program's background)
    double cpuMs = 0;      // the child's processor time (user + system) until killed at the paint
    long hwmKb = 0;        // the child's peak resident memory at the paint
};

// Starts exe, waits for its start window's first paint, kills it and waits until the
// X server has destroyed its windows.
bool runOnce(Display &x, const QString &exe, Run &run)
{
    const QByteArray path = QFile::encodeName(exe);
    const long long t0 = nowNs();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        execl(path.constData(), path.constData(), static_cast<char *>(nullptr));
        _exit(127);
    }
    const auto ms = [t0] { return double(nowNs() - t0) / 1e6; };
    std::set<xcb_window_t> windows; // the child's top-level windows not yet destroyed
    xcb_window_t start = 0;
    bool painted = false;
    bool ended = false;
    const long long deadline = t0 + 20'000'000'000LL;
    const auto handle = [&](xcb_generic_event_t *e) {
        const uint8_t type = e->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            auto *ev = reinterpret_cast<xcb_create_notify_event_t *>(e);
            if (ev->parent == x.root) {
                windows.insert(ev->window);
                // Freed by the server with the window.
                xcb_damage_create(x.c, xcb_generate_id(x.c), ev->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                xcb_flush(x.c);
            }
        } else if (type == XCB_MAP_NOTIFY) {
            auto *ev = reinterpret_cast<xcb_map_notify_event_t *>(e);
            if (windows.count(ev->window) && !start) {
                const double t = ms();
                if (run.firstMapMs == 0)
                    run.firstMapMs = t;
                if (x.isStartWindow(ev->window, pid)) {
                    start = ev->window;
                    run.mapMs = t;
                }
            }
        } else if (type == XCB_DESTROY_NOTIFY) {
            windows.erase(reinterpret_cast<xcb_destroy_notify_event_t *>(e)->window);
        } else if (type == x.damageNotify) {
            auto *ev = reinterpret_cast<xcb_damage_notify_event_t *>(e);
            if (start && ev->drawable == start && !painted) {
                run.paintMs = ms();
                painted = true;
            }
        }
        free(e);
    };
    const auto waitForEvents = [&](int timeoutMs) {
        pollfd p{xcb_get_file_descriptor(x.c), POLLIN, 0};
        poll(&p, 1, timeoutMs);
    };
    while (!painted && nowNs() < deadline) {
        if (xcb_generic_event_t *e = xcb_poll_for_event(x.c)) {
            handle(e);
            continue;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            ended = true;
            break;
        }
        waitForEvents(50);
    }
    if (painted)
        run.hwmKb = statusKb(pid, "VmHWM");
    if (!ended)
        kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    // The X server tears the windows down once it sees the connection closed.
    const long long settleBy = nowNs() + 3'000'000'000LL;
    while (!windows.empty() && nowNs() < settleBy) {
        if (xcb_generic_event_t *e = xcb_poll_for_event(x.c))
            handle(e);
        else
            waitForEvents(20);
    }
    if (!painted)
        std::fprintf(stderr, "%s: no first paint of a window titled \"Wordaroo\" within 20 s%s\n", path.constData(),
                     ended ? " (the program ended)" : "");
    return painted;
}

void copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    const QDir src(from);
    for (const QFileInfo &f : src.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + f.fileName();
        if (f.isDir())
            copyFolder(f.filePath(), target);
        else if (!QFileInfo::exists(target) || f.fileName() == QLatin1String("wordaroo") ||
                 f.suffix() == QLatin1String("so")) {
            QFile::remove(target); // the program and its modules are copied anew: they may have been rebuilt
            QFile::copy(f.filePath(), target);
        }
    }
}

// A program folder as a user has it: a copy of the staged one (program, prompts, help,
// sample tests), with `tests` more tests of `words` words each when asked.
QString prepare(const QString &root, const QString &name, const QString &staged, int tests, int words)
{
    const QString dir = root + QLatin1Char('/') + name + QLatin1Char('/');
    copyFolder(staged, dir);
    if (tests > 0 && !QFileInfo::exists(dir + QStringLiteral("complete"))) {
        // Words as hard links to one recording: the start reads names only.
        const QByteArray wave = QFile::encodeName(staged + QStringLiteral("/splash.wav"));
        for (int t = 0; t < tests; ++t) {
            const QString td = dir + QStringLiteral("Test_%1").arg(t, 4, 10, QLatin1Char('0'));
            QDir().mkpath(td);
            for (int w = 0; w < words; ++w) {
                const QByteArray target =
                    QFile::encodeName(td + QStringLiteral("/word%1.wav").arg(w, 2, 10, QLatin1Char('0')));
                if (link(wave.constData(), target.constData()) != 0 && errno != EEXIST)
                    QFile::copy(QFile::decodeName(wave), QFile::decodeName(target));
            }
        }
        QFile mark(dir + QStringLiteral("complete"));
        mark.open(QIODevice::WriteOnly);
    }
    return dir + QStringLiteral("wordaroo");
}

// A new program folder has no history; a run killed at its first paint leaves none,
// but a folder reused from an older bench might.
void forgetHistory(const QString &exe)
{
    const QString dir = QFileInfo(exe).absolutePath() + QLatin1Char('/');
    for (const char *f : {"history.db", "history.db-wal", "history.db-shm"})
        QFile::remove(dir + QLatin1StringView(f));
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
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    QCoreApplication app(argc, argv);
    const QString here = QCoreApplication::applicationDirPath();
    const QString staged = qEnvironmentVariable("WORDAROO_APPDIR", here + QStringLiteral("/../Wordaroo"));
    if (!QFileInfo::exists(staged + QStringLiteral("/wordaroo"))) {
        std::fprintf(stderr, "no staged program at %s/wordaroo (set WORDAROO_APPDIR)\n", qPrintable(staged));
        return 1;
    }
    Display x;
    if (!x.open()) {
        std::fprintf(stderr, "needs an X server with the DAMAGE extension (DISPLAY)\n");
        return 1;
    }
    qunsetenv("QT_QPA_PLATFORM"); // the children show their windows on that X server

    const QString root = QDir::tempPath() + QStringLiteral("/wordaroo-bench-startup");
    const QString two = prepare(root, QStringLiteral("two"), staged, 0, 0);
    const QString many = prepare(root, QStringLiteral("many"), staged, 2000, 20);
    const QString bare = root + QStringLiteral("/two/startup_baseline");
    QFile::remove(bare);
    if (!QFile::copy(here + QStringLiteral("/startup_baseline"), bare)) {
        std::fprintf(stderr, "no %s/startup_baseline\n", qPrintable(here));
        return 1;
    }

    struct Case {
        const char *what;
        QString exe;
        std::vector<Run> runs;
    };
    std::vector<Case> cases = {
        {"bare Qt dialog", bare, {}}, {"program, 2 tests", two, {}}, {"program, 2,000 tests", many, {}}};
    std::printf("%d runs each, program and bare dialog alternating; from the fork; medians (min..max)\n", runs);
    for (Case &c : cases) {
        Run warm; // warms the file cache; not counted
        forgetHistory(c.exe);
        if (!runOnce(x, c.exe, warm))
            return 1;
    }
    const bool verbose = qEnvironmentVariableIsSet("BENCH_STARTUP_EACH"); // every start's figures too
    std::vector<double> paintRatios, mapRatios, cpuRatios;
    for (int i = 0; i < runs; ++i) {
        // Which of the pair starts first alternates, so neither always follows the other.
        const int order[2][3] = {{0, 1, 2}, {1, 0, 2}};
        for (const int k : order[i % 2]) {
            Case &c = cases[size_t(k)];
            usleep(150 * 1000);
            forgetHistory(c.exe);
            Run r;
            if (!runOnce(x, c.exe, r))
                return 1;
            c.runs.push_back(r);
            if (verbose)
                std::printf("  %-21s run %2d: first paint %6.1f ms, mapped %6.1f ms, first window mapped %6.1f ms, "
                            "processor time %5.1f ms\n",
                            c.what, i + 1, r.paintMs, r.mapMs, r.firstMapMs, r.cpuMs);
        }
        paintRatios.push_back(cases[1].runs.back().paintMs / cases[0].runs.back().paintMs);
        mapRatios.push_back(cases[1].runs.back().mapMs / cases[0].runs.back().mapMs);
        cpuRatios.push_back(cases[1].runs.back().cpuMs / cases[0].runs.back().cpuMs);
    }
    for (const Case &c : cases) {
        std::vector<double> paint, map, first, cpu, hwm;
        for (const Run &r : c.runs) {
            paint.push_back(r.paintMs);
            map.push_back(r.mapMs);
            first.push_back(r.firstMapMs);
            cpu.push_back(r.cpuMs);
            hwm.push_back(r.hwmKb / 1024.0);
        }
        std::printf("%-21s first paint %6.1f ms (%.1f..%.1f); mapped %6.1f ms; first window mapped %6.1f ms; "
                    "processor time %6.1f ms; peak resident %.1f MB\n",
                    c.what, median(paint), *std::min_element(paint.begin(), paint.end()),
                    *std::max_element(paint.begin(), paint.end()), median(map), median(first), median(cpu),
                    median(hwm));
    }
    std::vector<double> sorted = paintRatios;
    std::sort(sorted.begin(), sorted.end());
    const double ratio = median(paintRatios);
    std::printf("program (2 tests) / bare dialog, median of %d per-run ratios: first paint %.2f (%.2f..%.2f), "
                "mapped %.2f, processor time %.2f [target 1.25: %s]\n",
                runs, ratio, sorted.front(), sorted.back(), median(mapRatios), median(cpuRatios),
                ratio <= 1.25 ? "met" : "MISSED");
    return 0;
}
