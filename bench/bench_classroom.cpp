// The class server, on a private PostgreSQL 15 server this program starts (the tests'
// tests/support/postgres.sh; TLS required, as a school's would):
//   - uploading: 1,000 test runs of 20 words recorded while the machine was offline, from
//     the uploader's start until the server has acknowledged every one;
//   - the start window's part of a start with a class server set, against one without:
//     reading the class settings, making the classroom (its thread, the roster kept on
//     disk), listing the children and remaking the tricky-words test, on the window's
//     thread; median of 30 starts each; target: no more than 10 ms over.
#include "classroom/classdb.h"
#include "classroom/classroom.h"
#include "classroom/classschema.h"
#include "core/platform/appcontext.h"
#include "history/historystore.h"
#include "history/programhistory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

History::TestRun run(int i)
{
    History::TestRun r{QDateTime::currentDateTime(), u"Mia"_s, u"Test_Week %1"_s.arg(i % 30), 80, false, {}};
    for (int w = 0; w < 20; ++w)
        r.words.append({u"word%1"_s.arg(w), u"wrod%1"_s.arg(w), w % 5 != 0, {}});
    return r;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir pg;
    const QString script = QStringLiteral(WORDAROO_SOURCE "/tests/support/postgres.sh");
    if (QProcess::execute(script, {u"start"_s, pg.path()}) != 0)
        return 1;
    QFile urlFile(pg.filePath(u"url"_s));
    urlFile.open(QIODevice::ReadOnly);
    QString extra, why;
    ClassSettings admin = ClassDb::fromUrl(QString::fromUtf8(urlFile.readAll()).trimmed(), &extra, &why);
    ClassDb::open(u"admin"_s, admin, 10);
    {
        QSqlDatabase db = QSqlDatabase::database(u"admin"_s, false);
        why = ClassSchema::setUp(db).why;
    }
    ClassDb::drop(u"admin"_s);
    ClassSettings pupil = admin; // the administrator may do all the pupil may
    QTemporaryDir root;
    ProgramFolder::fix(root.path());
    int status = 0;
    if (!why.isEmpty()) {
        std::printf("set-up failed: %s\n", qPrintable(why));
        status = 1;
    } else {
        const QString dir = root.filePath(u"upload/"_s);
        QDir().mkpath(dir);
        {
            HistoryStore store(dir);
            for (int i = 0; i < 1000; ++i)
                store.recordRun(run(i));
            store.flush();
            QElapsedTimer t;
            t.start();
            Classroom classroom(dir, pupil, nullptr);
            HistoryStore::Outbox outbox(dir);
            while (outbox.count(&why) > 0)
                QThread::msleep(5);
            std::printf("uploading 1,000 waiting runs of 20 words: %.0f ms\n", double(t.nsecsElapsed()) / 1e6);
        }

        std::vector<double> without, with;
        for (int i = 0; i < 30; ++i) {
            for (const bool inClass : {false, true}) {
                const QString d = root.filePath(u"start%1-%2/"_s.arg(i).arg(inClass));
                QDir().mkpath(d);
                HistoryStore store(d);
                store.addChild(u"Mia"_s);
                if (inClass) {
                    pupil.save(d, &why);
                    QFile roster(d + QLatin1StringView(Classroom::RosterFile));
                    roster.open(QIODevice::WriteOnly);
                    roster.write(R"(["Mia"])");
                }
                ProgramHistory history(d, &store);
                QElapsedTimer t;
                t.start();
                if (const ClassSettings s = ClassSettings::load(d); s.isSet())
                    history.setClassLink(std::make_unique<Classroom>(d, s, &store));
                history.setChild(history.children().value(0));
                history.refreshTrickyFolder();
                (inClass ? with : without).push_back(double(t.nsecsElapsed()) / 1e6);
            }
        }
        std::printf("a start's own work on the window's thread, median of 30: %.2f ms without a class server,"
                    " %.2f ms with one (%.2f ms more; target at most 10)\n",
                    median(without), median(with), median(with) - median(without));
    }
    QProcess::execute(script, {u"stop"_s, pg.path()});
    return status;
}
