// Thirty machines record 100 runs each while the class server is stopped and started
// twice and one machine is killed and started again: the server holds every run once.
#include "testserver.h"

#include "core/platform/appcontext.h"

#include <QTemporaryDir>

#include <csignal>

class TestClassServerFault : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void everyRunArrivesOnce();
};

void TestClassServerFault::everyRunArrivesOnce()
{
    TestServer server;
    QCOMPARE(server.make(), QString());
    constexpr int Machines = 30, Runs = 100;
    QTemporaryDir root;
    ProgramFolder::fix(root.path());
    QList<QString> dirs;
    std::vector<std::unique_ptr<QProcess>> machines;
    const auto start = [&](int i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QStringLiteral(CLASS_RECORDER), {dirs[i], QString::number(Runs), QStringLiteral("60")});
        QVERIFY(p->waitForStarted());
        machines[i] = std::move(p);
    };
    machines.resize(Machines);
    for (int i = 0; i < Machines; ++i) {
        dirs << root.filePath(QStringLiteral("machine%1/").arg(i));
        QVERIFY(QDir().mkpath(dirs[i]));
        QString why;
        QVERIFY2(server.pupil.save(dirs[i], &why), qPrintable(why));
        start(i);
    }
    QTest::qWait(1000);
    QVERIFY(TestServer::control("halt"));
    QTest::qWait(1500);
    QVERIFY(TestServer::control("resume"));
    QTest::qWait(500);
    QVERIFY(machines[0]->processId() > 0);
    ::kill(pid_t(machines[0]->processId()), SIGKILL);
    QVERIFY(machines[0]->waitForFinished());
    start(0);
    QTest::qWait(500);
    QVERIFY(TestServer::control("halt"));
    QTest::qWait(1500);
    QVERIFY(TestServer::control("resume"));
    for (auto &p : machines) {
        QVERIFY(p->state() == QProcess::NotRunning || p->waitForFinished(100'000));
        QCOMPARE(p->exitCode(), 0);
    }

    QVariant total, distinct, tests;
    QCOMPARE(server.adminExec(QStringLiteral("SELECT count(*) FROM wordaroo.results"), &total), QString());
    QCOMPARE(server.adminExec(QStringLiteral("SELECT count(DISTINCT uid) FROM wordaroo.results"), &distinct),
             QString());
    QCOMPARE(server.adminExec(QStringLiteral("SELECT count(*) FROM (SELECT test FROM wordaroo.results GROUP BY test"
                                             " HAVING count(*) = %1) AS whole")
                                  .arg(Runs),
                              &tests),
             QString());
    qInfo("server: %lld runs, %lld distinct, %lld machines with exactly %d", total.toLongLong(), distinct.toLongLong(),
          tests.toLongLong(), Runs);
    QCOMPARE(total.toInt(), Machines * Runs);
    QCOMPARE(distinct.toInt(), Machines * Runs);
    QCOMPARE(tests.toInt(), Machines);
    for (const QString &dir : dirs) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(dir + QStringLiteral("history.db"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("ok"));
        QVERIFY(q.exec(QStringLiteral("SELECT count(*), sum(sent) FROM runs")) && q.next());
        QCOMPARE(q.value(0).toInt(), Runs);
        QCOMPARE(q.value(1).toInt(), Runs);
        q = QSqlQuery();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
    }
}

QTEST_GUILESS_MAIN(TestClassServerFault)
#include "tst_classserver_fault.moc"
