// Two copies of a writer killed with SIGKILL at random moments, 50 times: the file stays
// sound and every run reported committed is there whole.
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_Kill : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void killDuringWrites()
    {
        QTemporaryDir dir;
        QSet<QString> committed;
        QRandomGenerator rnd(13);
        for (int round = 0; round < 50; ++round) {
            QProcess writers[2];
            for (int w = 0; w < 2; ++w)
                writers[w].start(QStringLiteral(HISTORY_WRITER), {dir.path() + u'/', u"%1-%2"_s.arg(round).arg(w)});
            QVERIFY(writers[0].waitForReadyRead(20000)); // writing has begun
            QTest::qSleep(int(rnd.bounded(30)));
            for (QProcess &p : writers) {
                p.kill();
                QVERIFY(p.waitForFinished(5000));
                QCOMPARE(p.exitStatus(), QProcess::CrashExit);
                for (const QByteArray &line : p.readAllStandardOutput().split('\n'))
                    if (!line.isEmpty())
                        committed.insert(u"Test_"_s + QString::fromLatin1(line).replace(u' ', u'_'));
            }

            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
            db.setDatabaseName(dir.path() + u"/history.db"_s);
            QVERIFY(db.open());
            {
                QSqlQuery q(db);
                QVERIFY(q.exec(u"PRAGMA integrity_check"_s) && q.next());
                QCOMPARE(q.value(0).toString(), u"ok"_s);
                // every run in the file is whole: its words as its writer made them
                QVERIFY(q.exec(u"SELECT r.test, count(w.run), sum(w.answer = 'a' || substr(r.test, 1 + length("
                               "rtrim(r.test, '0123456789')))) FROM runs r LEFT JOIN run_words w ON w.run = r.id"
                               " GROUP BY r.id"_s));
                QSet<QString> found;
                while (q.next()) {
                    const QString test = q.value(0).toString();
                    const int words = 1 + test.section(u'_', -1).toInt() % 7;
                    QCOMPARE(q.value(1).toInt(), words);
                    QCOMPARE(q.value(2).toInt(), words);
                    found.insert(test);
                }
                QVERIFY(found.contains(committed));
                QVERIFY(committed.size() > round);
            }
            db.close();
            db = {};
            QSqlDatabase::removeDatabase(u"check"_s);
        }
        qInfo("%d runs reported committed, all found whole", int(committed.size()));
    }
};

QTEST_GUILESS_MAIN(tst_Kill)
#include "tst_kill.moc"
