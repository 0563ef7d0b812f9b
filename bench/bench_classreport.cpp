// The whole class in the progress panel, on a private PostgreSQL 15 server this program
// starts (the tests' tests/support/postgres.sh, TLS required): 30 children with 200 runs
// of 15 words each, two class tests assigned to everyone. Timed: reading the class as the
// teacher (a connection of its own, as the panel makes), working the report out and
// filling the panel's table and lists; median of 15 opens; target: under 150 ms.
#include "authoring/classreportview.h"
#include "classroom/classdb.h"
#include "classroom/classschema.h"
#include "classroom/classtests.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{
constexpr int Children = 30, Runs = 200, Words = 15, Opens = 15;

bool exec(const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(QSqlDatabase::database(u"admin"_s, false));
    bool done = values.isEmpty() && q.exec(sql);
    if (!values.isEmpty()) {
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        done = q.exec();
    }
    if (done)
        return true;
    std::printf("failed: %s\n", qPrintable(ClassDb::reason(q.lastError())));
    return false;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir pg;
    const QString script = QStringLiteral(WORDAROO_SOURCE "/tests/support/postgres.sh");
    if (QProcess::execute(script, {u"start"_s, pg.path()}) != 0)
        return 1;
    QFile urlFile(pg.filePath(u"url"_s));
    urlFile.open(QIODevice::ReadOnly);
    QString extra, why;
    const ClassSettings admin = ClassDb::fromUrl(QString::fromUtf8(urlFile.readAll()).trimmed(), &extra, &why);
    why = ClassDb::open(u"admin"_s, admin, 10);
    bool ok = why.isEmpty();
    if (ok) {
        QSqlDatabase db = QSqlDatabase::database(u"admin"_s, false);
        why = ClassSchema::setUp(db).why;
        ok = why.isEmpty() && exec(u"ALTER ROLE wordaroo_teacher PASSWORD 'bench'"_s);
    }
    const qint64 start = QDateTime::currentMSecsSinceEpoch() - qint64(Runs) * 3'600'000;
    for (const char *test : {"Week 1", "Week 2"})
        ok = ok &&
             exec(u"INSERT INTO wordaroo.class_tests (name, archive) VALUES (?, '')"_s, {QString::fromLatin1(test)});
    for (int c = 0; ok && c < Children; ++c) {
        const QString child = u"Child %1"_s.arg(c, 2, 10, QChar(u'0'));
        ok = exec(u"INSERT INTO wordaroo.children VALUES (?)"_s, {child}) &&
             exec(u"INSERT INTO wordaroo.assignments (test, child, due) SELECT name, ?, current_date FROM "
                  "wordaroo.class_tests"_s,
                  {child});
        QJsonArray batch;
        for (int r = 0; r < Runs; ++r) {
            const QString test = u"Test_Week %1"_s.arg(r % 40);
            QJsonArray words;
            for (int w = 0; w < Words; ++w) {
                const bool right = (r + w + c) % 6 != 0;
                const QString word = u"word%1"_s.arg((r % 40) * Words + w);
                words.append(QJsonObject{
                    {u"t"_s, test}, {u"w"_s, word}, {u"a"_s, right ? word : word + u"x"_s}, {u"r"_s, right}});
            }
            batch.append(QJsonObject{{u"uid"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                     {u"kind"_s, u"run"_s},
                                     {u"at"_s, start + qint64(r) * 3'600'000},
                                     {u"child"_s, child},
                                     {u"test"_s, test},
                                     {u"percent"_s, 80},
                                     {u"stopped"_s, false},
                                     {u"words"_s, words}});
        }
        ok = ok && exec(u"SELECT wordaroo.add_results(?::jsonb)"_s,
                        {QString::fromUtf8(QJsonDocument(batch).toJson(QJsonDocument::Compact))});
    }
    ok = ok && exec(u"ANALYZE"_s);
    ClassDb::drop(u"admin"_s);
    int status = ok ? 0 : 1;
    if (ok) {
        ClassReportView view(nullptr);
        view.resize(640, 360);
        view.show();
        std::vector<double> ms;
        std::size_t answers = 0;
        for (int i = 0; i < Opens; ++i) {
            QElapsedTimer t;
            t.start();
            const ClassTests::ReportInput in = ClassTests::readReport(admin, u"bench"_s, &why);
            const double readMs = double(t.nsecsElapsed()) / 1e6;
            const ClassTests::Report report = ClassTests::buildReport(in, QDate::currentDate());
            const double builtMs = double(t.nsecsElapsed()) / 1e6;
            view.setReport(report);
            if (qEnvironmentVariableIsSet("BENCH_SPLIT"))
                std::printf("read %.1f, built %.1f\n", readMs, builtMs);
            QCoreApplication::processEvents();
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
            answers = std::size_t(in.missing.size());
            if (!why.isEmpty())
                break;
        }
        std::sort(ms.begin(), ms.end());
        if (!why.isEmpty()) {
            std::printf("failed: %s\n", qPrintable(why));
            status = 1;
        } else {
            std::printf("the whole class (%d children, %d runs each, %zu words missed by a child): median %.1f ms, "
                        "fastest %.1f, "
                        "slowest %.1f over %d opens (target: under 150 ms)\n",
                        Children, Runs, answers, ms[ms.size() / 2], ms.front(), ms.back(), Opens);
        }
    }
    if (qEnvironmentVariableIsSet("BENCH_KEEP_SERVER")) // to look at its plans with psql
        std::printf("server kept: %s\n", qPrintable(pg.path())), pg.setAutoRemove(false);
    else
        QProcess::execute(script, {u"stop"_s, pg.path()});
    return status;
}
