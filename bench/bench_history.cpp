// Speed of the history file, in a temporary program folder on the real disk:
//   - a test run recorded (20 words), 1,000 times on an empty history and 1,000 times on one
//     of 10,000 runs: the time recordRun takes on the caller's (user-interface) thread, and
//     the time until the run is committed by the store's writer thread; median, 99th
//     percentile and the slowest; target: nothing over 5 ms on the caller's thread;
//   - addChild, which writes on the caller's thread (the adult's options panel);
//   - the same statements through a bare connection with synchronous=NORMAL and =FULL, to
//     show what waiting for the disk on every commit would cost;
//   - the report for one child who took all of 10,000 runs (scores, ten most-missed words,
//     tricky words due), from a store just opened and warm; target: under 100 ms.
//
//   bench_history [repetitions of the report, default 20]
#include "history/historystore.h"
#include "historyruns.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
const QDateTime Start(QDate(2023, 1, 1), QTime(9, 0));

struct Figures {
    double median, p99, max;
};

Figures figures(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[v.size() * 99 / 100], v.back()};
}

void print(const char *what, const Figures &f)
{
    std::printf("%-52s median %7.3f ms  p99 %7.3f ms  max %7.3f ms\n", what, f.median, f.p99, f.max);
}

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The time recordRun takes on the calling thread (and the processor time it uses there),
// and the time until the run is in the file (recordRun + flush: the writer thread's
// transaction, seen from outside).
void timeWrites(HistoryStore &store, int from, int count, QRandomGenerator &rnd)
{
    std::vector<double> call, cpu, written;
    for (int i = from; i < from + count; ++i) {
        const History::TestRun run = syntheticRun(Start, i, u"Ann"_s, rnd);
        const double cpu0 = threadCpuMs();
        QElapsedTimer t;
        t.start();
        store.recordRun(run);
        call.push_back(t.nsecsElapsed() / 1e6);
        cpu.push_back(threadCpuMs() - cpu0);
        if (!store.flush())
            std::printf("write failed: %s\n", qPrintable(store.status()));
        written.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("runs %d..%d:\n", from + 1, from + count);
    print("  recordRun on the caller's thread", figures(call));
    print("  of it: processor time", figures(cpu));
    print("  until in the file (recordRun + flush)", figures(written));
}

// The store's statements for one run, on a bare connection with the given synchronous mode.
Figures timeBare(const QString &dir, const char *sync, QRandomGenerator &rnd)
{
    std::vector<double> ms;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"bare"_s);
        db.setDatabaseName(dir + u"/bare.db"_s);
        db.open();
        QSqlQuery q(db);
        q.exec(u"PRAGMA journal_mode=WAL"_s);
        q.exec(u"PRAGMA synchronous="_s + QLatin1StringView(sync));
        q.exec(u"CREATE TABLE IF NOT EXISTS runs (id INTEGER PRIMARY KEY, at TEXT, child INTEGER, test TEXT,"
               " percent INTEGER, stopped INTEGER)"_s);
        q.exec(u"CREATE TABLE IF NOT EXISTS run_words (run INTEGER, position INTEGER, test TEXT, word TEXT,"
               " answer TEXT, right INTEGER, PRIMARY KEY (run, position)) WITHOUT ROWID"_s);
        for (int i = 0; i < 1000; ++i) {
            const History::TestRun r = syntheticRun(Start, i, {}, rnd);
            QElapsedTimer t;
            t.start();
            q.exec(u"BEGIN IMMEDIATE"_s);
            q.prepare(u"INSERT INTO runs (at, child, test, percent, stopped) VALUES (?, NULL, ?, ?, 0)"_s);
            q.addBindValue(r.when.toString(Qt::ISODateWithMs));
            q.addBindValue(r.test);
            q.addBindValue(r.percent);
            q.exec();
            const QVariant id = q.lastInsertId();
            q.prepare(u"INSERT INTO run_words VALUES (?, ?, ?, ?, ?, ?)"_s);
            for (int w = 0; w < r.words.size(); ++w) {
                for (const QVariant &v : {id, QVariant(w), QVariant(r.test), QVariant(r.words[w].word),
                                          QVariant(r.words[w].answer), QVariant(r.words[w].right)})
                    q.addBindValue(v);
                q.exec();
            }
            q.exec(u"COMMIT"_s);
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    QSqlDatabase::removeDatabase(u"bare"_s);
    QFile::remove(dir + u"/bare.db"_s);
    return figures(ms);
}

double timeReport(const HistoryStore &store, QDate today, int *sizes)
{
    QElapsedTimer t;
    t.start();
    const auto lines = store.scores(u"Ann"_s);
    const auto missed = store.mostMissed(u"Ann"_s);
    const auto due = store.trickyDue(u"Ann"_s, today);
    const double ms = t.nsecsElapsed() / 1e6;
    int points = 0;
    for (const auto &l : lines)
        points += int(l.points.size());
    sizes[0] = points;
    sizes[1] = int(missed.size());
    sizes[2] = int(due.size());
    return ms;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int reps = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    QTemporaryDir dir; // on this machine /tmp is the disk itself, not memory
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("BENCH_HISTORY_KEEP"));
    std::printf("history in %s\n", qPrintable(dir.path()));
    const QString appDir = dir.path() + u'/';
    QRandomGenerator rnd(7);

    print("bare connection, synchronous=NORMAL", timeBare(dir.path(), "NORMAL", rnd));
    print("bare connection, synchronous=FULL", timeBare(dir.path(), "FULL", rnd));
    {
        HistoryStore store(appDir);
        store.addChild(u"Ann"_s);
        std::vector<double> adds;
        for (int i = 0; i < 100; ++i) {
            QElapsedTimer t;
            t.start();
            store.addChild(u"Child %1"_s.arg(i));
            adds.push_back(t.nsecsElapsed() / 1e6);
        }
        print("addChild on the caller's thread, 100 children", figures(adds));
        timeWrites(store, 0, 1000, rnd);
        for (int i = 1000; i < 9000; ++i)
            store.recordRun(syntheticRun(Start, i, u"Ann"_s, rnd));
        store.flush();
        timeWrites(store, 9000, 1000, rnd);
    }

    const QDate today = Start.addSecs(qint64(10000) * 8640).date();
    int sizes[3] = {};
    QElapsedTimer open;
    open.start();
    HistoryStore store(appDir);
    const double opening = open.nsecsElapsed() / 1e6;
    const double first = timeReport(store, today, sizes);
    std::printf("report, 10,000 runs of one child: open %.1f ms, first report %.1f ms (%d points, %d missed words, "
                "%d due)\n",
                opening, first, sizes[0], sizes[1], sizes[2]);
    std::vector<double> ms;
    for (int i = 0; i < reps; ++i)
        ms.push_back(timeReport(store, today, sizes));
    print("report (scores + most missed + tricky due)", figures(ms));
    for (const auto &[name, fn] : std::initializer_list<std::pair<const char *, std::function<void()>>>{
             {"  of it: scores", [&] { store.scores(u"Ann"_s); }},
             {"  of it: mostMissed", [&] { store.mostMissed(u"Ann"_s); }},
             {"  of it: trickyDue", [&] { store.trickyDue(u"Ann"_s, today); }},
         }) {
        std::vector<double> part;
        for (int i = 0; i < reps; ++i) {
            QElapsedTimer t;
            t.start();
            fn();
            part.push_back(t.nsecsElapsed() / 1e6);
        }
        print(name, figures(part));
    }
    QElapsedTimer csv;
    csv.start();
    store.exportCsv(appDir + u"runs.csv"_s);
    std::printf("exportCsv, 200,000 lines: %.0f ms\n", csv.nsecsElapsed() / 1e6);
    return 0;
}
