// The fault test's machine: the real history and uploader in a process of its own, which
// records runs until its history holds COUNT of them (so a start after a kill goes on where
// the file ends), then waits until the class server has acknowledged every one.
// Usage: class_recorder APPDIR COUNT PAUSE_MS
#include "classroom/classroom.h"
#include "core/platform/appcontext.h"
#include "history/historystore.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QString appDir = QString::fromLocal8Bit(argv[1]);
    const int count = std::atoi(argv[2]), pauseMs = std::atoi(argv[3]);
    ProgramFolder::fix(appDir);
    HistoryStore store(appDir);
    Classroom classroom(appDir, ClassSettings::load(appDir), &store);
    qsizetype recorded = 0;
    for (const History::ScoreLine &line : store.scores(QString()))
        recorded += line.points.size();
    for (qsizetype i = recorded; i < count; ++i) {
        History::TestRun run{QDateTime::currentDateTime(),
                             {},
                             appDir.section(QLatin1Char('/'), -2, -2),
                             int(i % 101),
                             false,
                             {{QStringLiteral("cat"), QStringLiteral("kat"), false, {}}}};
        store.recordRun(run);
        classroom.resultsRecorded();
        QThread::msleep(pauseMs);
    }
    store.flush();
    HistoryStore::Outbox outbox(appDir);
    QString why;
    for (int i = 0; i < 1200; ++i) {
        if (outbox.count(&why) == 0 && why.isEmpty())
            return 0;
        QThread::msleep(100);
    }
    std::fprintf(stderr, "results still waiting: %lld\n", static_cast<long long>(outbox.count(&why)));
    return 1;
}
