// The class server against the real PostgreSQL server: its roles' rights, the roster,
// joining a machine through the options, and a child's results followed to another machine.
#include "authoring/classserverpanel.h"
#include "authoring/frmMaint.h"
#include "authoring/optionspanel.h"
#include "authoring/progressreport.h"
#include "authoring/register.h"
#include "authoring/startpanel.h"
#include "classroom/classroom.h"
#include "history/historystore.h"
#include "shell/register.h"
#include "testserver.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TestClassServer : public QObject
{
    Q_OBJECT
    TestServer server;

  private Q_SLOTS:
    void initTestCase()
    {
        Authoring::registerWindows();
        Shell::registerWindows();
        QCOMPARE(server.make(), QString());
        QSqlDatabase db;
        QCOMPARE(ClassDb::open(u"again"_s, server.admin, 10), QString());
        db = QSqlDatabase::database(u"again"_s, false);
        const ClassSchema::Outcome again = ClassSchema::setUp(db);
        db = QSqlDatabase();
        ClassDb::drop(u"again"_s);
        QCOMPARE(again.why, QString());
        QCOMPARE(again.fromVersion, ClassSchema::Version);
    }
    void cleanup() { TestUi::closeAllWindows(); }

    void pupilIsRefused_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("read results") << u"SELECT * FROM wordaroo.results"_s;
        QTest::newRow("add a result by hand") << u"INSERT INTO wordaroo.results (uid, kind, at, child, test)"
                                                 " VALUES (gen_random_uuid(), 'run', now(), 'Ann', 'Test_A')"_s;
        QTest::newRow("change results") << u"UPDATE wordaroo.results SET percent = 100"_s;
        QTest::newRow("delete results") << u"DELETE FROM wordaroo.results"_s;
        QTest::newRow("change the roster") << u"UPDATE wordaroo.children SET name = 'x'"_s;
        QTest::newRow("delete the roster") << u"DELETE FROM wordaroo.children"_s;
        QTest::newRow("delete tests") << u"DELETE FROM wordaroo.class_tests"_s;
        QTest::newRow("read assignments") << u"SELECT * FROM wordaroo.assignments"_s;
        QTest::newRow("change assignments") << u"UPDATE wordaroo.assignments SET due = now()"_s;
    }
    void pupilIsRefused()
    {
        QFETCH(QString, sql);
        const QString refused = TestServer::exec(server.pupil, sql);
        qInfo("%s -> %s", qPrintable(sql), qPrintable(refused));
        QVERIFY2(refused.contains(u"permission denied"_s), qPrintable(refused));
    }

    void namesRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("quotes") << u"O'Brien \"Bob\"; --"_s;
        QTest::newRow("markup") << u"<b>Ann</b> &amp; <script>"_s;
        QTest::newRow("200 letters") << QString(200, u'é');
    }
    void namesRoundTrip()
    {
        QFETCH(QString, name);
        QCOMPARE(Classroom::changeRoster(server.pupil, server.teacher.password, name, {}), QString());
        QTemporaryDir dir;
        Classroom pupil(dir.path() + u'/', server.pupil, nullptr);
        QTRY_VERIFY(pupil.roster().contains(name));
    }

    // A machine joins through the options, its child's run reaches the server, and the
    // child's tricky words follow them to a second machine.
    void joinAndFollowTheChild()
    {
        TestEnv env;
        HistoryStore store(env.appDir());
        env.history.install(&store);
        auto *m = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        m->pnlStart->btnOptions->click();
        m->pnlOptions->btnClassServer->click();
        ClassServerPanel *p = m->pnlClassServer;
        QVERIFY(p->isVisible());
        p->txtServer->setText(server.pupil.server);
        p->txtPort->setText(QString::number(server.pupil.port));
        p->txtDatabase->setText(server.pupil.database);
        p->txtClassPassword->setText(u"wrong"_s);
        p->btnConnect->click();
        QVERIFY(env.dialogs.boxes.last().text.startsWith(u"Could not reach the class server: "_s));
        p->txtClassPassword->setText(server.pupil.password);
        p->btnConnect->click();
        QCOMPARE(env.dialogs.boxes.last().text,
                 u"Connected to the class %1 on %2."_s.arg(server.pupil.database, server.pupil.server));
        for (const auto &box : env.dialogs.boxes)
            QVERIFY(!box.text.contains(server.pupil.password));
        struct stat st {
        };
        QCOMPARE(::stat(QFile::encodeName(env.appDir() + u"class.ini"_s).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);

        // The roster: the teacher's password is asked once.
        env.dialogs.inputAnswers = {u"Mia"_s, server.teacher.password, u"Max"_s};
        m->pnlOptions->btnAddChild->click();
        m->pnlOptions->btnAddChild->click();
        QCOMPARE(env.dialogs.prompts.size(), 3);
        QCOMPARE(env.dialogs.prompts[1].text, u"Please enter the teacher's password for the class server:"_s);
        QTRY_VERIFY(env.history.children().contains(u"Max"_s) && env.history.children().contains(u"Mia"_s));
        env.makePrompts();
        auto *cbo = TestUi::child<QComboBox>(Forms::show(Windows::Login), u"cboChild"_s);
        QCOMPARE(cbo->count(), env.history.children().size());
        QVERIFY(cbo->findText(u"Mia"_s) >= 0);

        // Mia misses "cat" on this machine; another machine of the class finds it tricky.
        store.recordRun(
            {QDateTime::currentDateTime(), u"Mia"_s, u"Test_Animals"_s, 0, false, {{u"cat"_s, u"kat"_s, false, {}}}});
        env.history.classLink()->resultsRecorded();
        QTRY_COMPARE_WITH_TIMEOUT(store.unsentCount(), 0, 10000);
        QTemporaryDir b;
        HistoryStore storeB(b.path() + u'/');
        ProgramHistory historyB(b.path() + u'/', &storeB);
        historyB.setClassLink(std::make_unique<Classroom>(b.path() + u'/', server.pupil, &storeB));
        QVERIFY(historyB.trickyDue(u"Mia"_s).isEmpty()); // nothing of its own, the server asked
        QTRY_COMPARE(historyB.trickyDue(u"Mia"_s).size(), 1);
        QCOMPARE(historyB.trickyDue(u"Mia"_s).first().word, u"cat"_s);
        qInfo("machine B's tricky words for Mia: %s (%s)", qPrintable(historyB.trickyDue(u"Mia"_s).first().word),
              qPrintable(historyB.trickyDue(u"Mia"_s).first().test));
        env.history.setClassLink(nullptr); // before the store it is hooked to
    }

    // Results the server has not taken are counted in the adult's report.
    void reportCountsWaitingResults()
    {
        TestEnv env;
        HistoryStore store(env.appDir());
        env.history.install(&store);
        ClassSettings unreachable = server.pupil;
        unreachable.password = u"wrong"_s;
        env.history.setClassLink(std::make_unique<Classroom>(env.appDir(), unreachable, &store));
        for (int i = 0; i < 2; ++i)
            store.recordGame({QDateTime::currentDateTime(), {}, u"Test_A"_s, u"rain"_s, 7});
        auto *m = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
        m->pnlStart->btnProgress->click();
        QVERIFY(m->pnlProgress->lblStatus->text().contains(u"2 results are waiting to be sent to the class server."_s));
        env.history.setClassLink(nullptr);
    }
};

QTEST_MAIN(TestClassServer)
#include "tst_classserver.moc"
