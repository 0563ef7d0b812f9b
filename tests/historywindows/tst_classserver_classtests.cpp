// The class's tests against the real class server: what the teacher publishes, changes and
// withdraws on one machine is what another machine holds, a family's own test untouched;
// the start window's tests to do and the whole class's table come from known runs.
#include "classroom/testserver.h"

#include "authoring/classreportview.h"
#include "authoring/frmMaint.h"
#include "authoring/progressreport.h"
#include "authoring/register.h"
#include "classroom/classroom.h"
#include "classroom/classtests.h"
#include "history/historystore.h"
#include "shell/frmLogin.h"
#include "shell/register.h"
#include "testsupport.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>

class TestClassTests : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void machineFollowsTheClass_data();
    void machineFollowsTheClass();
    void toDoAndClassTable();
    void cleanup() { TestUi::closeAllWindows(); }
};

using namespace Qt::StringLiterals;

namespace
{
// A zip archive holding "manifest.json" and "../outside.wav".
constexpr const char *EscapingZip =
    "504b0304140000000000d4168a5d43bfa6a302000000020000000d0000006d616e69666573742e6a736f6e7b7d504b0304140000000000d416"
    "8a5d5ca2970604000000040000000e0000002e2e2f6f7574736964652e77617652494646504b01021403140000000000d4168a5d43bfa6a302"
    "000000020000000d00000000000000000000008001000000006d616e69666573742e6a736f6e504b01021403140000000000d4168a5d5ca297"
    "0604000000040000000e000000000000000000000080012d0000002e2e2f6f7574736964652e776176504b0506000000000200020077000000"
    "5d0000000000";

// The test folders of dir as "folder: word word ...", with "*" after a class test's folder.
QStringList holdings(const QString &dir)
{
    QStringList out;
    for (const QString &f : QDir(dir).entryList({QStringLiteral("Test_*")}, QDir::Dirs, QDir::Name)) {
        QStringList words = QDir(dir + f).entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name);
        words.replaceInStrings(QStringLiteral(".wav"), QString());
        out << f + (ClassTests::fetchedName(dir, f).isEmpty() ? QString() : QStringLiteral("*")) +
                   QStringLiteral(": ") + words.join(QLatin1Char(' '));
    }
    return out;
}

ClassTests::SyncOutcome syncAs(const ClassSettings &pupil, const QString &dir)
{
    const QString name = QStringLiteral("test-sync");
    ClassTests::SyncOutcome out;
    out.why = ClassDb::open(name, pupil, 5);
    if (out.why.isEmpty())
        out = ClassTests::sync(name, dir);
    ClassDb::drop(name);
    return out;
}

// Results as a machine sends them: {child, test, percent, [word, typed, right]...}.
QString addRuns(const TestServer &server, const QList<std::tuple<QString, QString, int, QStringList>> &runs)
{
    QJsonArray batch;
    for (const auto &[child, test, percent, answers] : runs) {
        QJsonArray words;
        for (int i = 0; i + 2 < answers.size(); i += 3)
            words.append(QJsonObject{{QStringLiteral("t"), test},
                                     {QStringLiteral("w"), answers[i]},
                                     {QStringLiteral("a"), answers[i + 1]},
                                     {QStringLiteral("r"), answers[i + 2] == QStringLiteral("right")}});
        batch.append(QJsonObject{{QStringLiteral("uid"), QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                 {QStringLiteral("kind"), QStringLiteral("run")},
                                 {QStringLiteral("at"), QDateTime::currentMSecsSinceEpoch()},
                                 {QStringLiteral("child"), child},
                                 {QStringLiteral("test"), test},
                                 {QStringLiteral("percent"), percent},
                                 {QStringLiteral("stopped"), false},
                                 {QStringLiteral("words"), words}});
    }
    QString sql = QStringLiteral("SELECT wordaroo.add_results('%1'::jsonb)")
                      .arg(QString::fromUtf8(QJsonDocument(batch).toJson(QJsonDocument::Compact)));
    return server.adminExec(sql);
}
} // namespace

void TestClassTests::machineFollowsTheClass_data()
{
    QTest::addColumn<bool>("localFirst"); // machine B holds a test of the same name first
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("onB");

    const QString week = QStringLiteral("Test_Week 3");
    QTest::newRow("published") << false << QStringList{u"publish"_s} << QStringList{week + u"*: cat dog"_s};
    QTest::newRow("changed") << false << QStringList{u"publish"_s, u"sync"_s, u"change"_s}
                             << QStringList{week + u"*: cat dog fox"_s};
    QTest::newRow("withdrawn") << false << QStringList{u"publish"_s, u"sync"_s, u"withdraw"_s} << QStringList{};
    QTest::newRow("same name as B's own")
        << true << QStringList{u"publish"_s} << QStringList{week + u": own"_s, week + u" (class)*: cat dog"_s};
    QTest::newRow("withdrawn beside B's own")
        << true << QStringList{u"publish"_s, u"sync"_s, u"withdraw"_s} << QStringList{week + u": own"_s};
    QTest::newRow("damaged archive on the server") << false << QStringList{u"damage"_s} << QStringList{};
    QTest::newRow("archive reaching outside") << false << QStringList{u"escape"_s} << QStringList{};
}

void TestClassTests::machineFollowsTheClass()
{
    QFETCH(bool, localFirst);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, onB);
    TestServer server;
    QCOMPARE(server.make(), QString());
    TestEnv env;
    const QString a = env.appDir() + u"A/"_s, b = env.appDir() + u"B/"_s;
    QVERIFY(QDir().mkpath(a) && QDir().mkpath(b));
    const QString week = QStringLiteral("Test_Week 3");
    env.makeTest(u"A/"_s + week, {u"cat"_s, u"dog"_s});
    if (localFirst)
        env.makeTest(u"B/"_s + week, {u"own"_s});
    const QString pw = server.teacher.password;
    for (const QString &step : steps) {
        if (step == u"publish"_s) {
            QCOMPARE(ClassTests::publish(server.pupil, pw, a, week), QString());
        } else if (step == u"change"_s) {
            TestEnv::writeWave(a + week + u"/fox.wav"_s);
            QCOMPARE(ClassTests::publish(server.pupil, pw, a, week), QString());
        } else if (step == u"withdraw"_s) {
            QCOMPARE(ClassTests::withdraw(server.pupil, pw, a, week), QString());
        } else if (step == u"sync"_s) {
            QCOMPARE(syncAs(server.pupil, b).why, QString());
        } else {
            // Bytes of no archive, or a zip with an entry climbing out of the program folder.
            const QString bytes = step == u"damage"_s ? u"'\\x504b0304deadbeef'"_s
                                                      : u"decode('%1', 'hex')"_s.arg(QLatin1StringView(EscapingZip));
            QCOMPARE(server.adminExec(
                         u"INSERT INTO wordaroo.class_tests (name, archive) VALUES ('Week 3', %1)"_s.arg(bytes)),
                     QString());
        }
    }
    const ClassTests::SyncOutcome last = syncAs(server.pupil, b);
    QCOMPARE(last.why, QString());
    QCOMPARE(holdings(b), onB);
    QCOMPARE(last.refused.size(), steps.contains(u"damage"_s) || steps.contains(u"escape"_s) ? 1 : 0);
    // Nothing written beside the machine's folders, and the teacher's folder kept as it was.
    QCOMPARE(QDir(env.appDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList({u"A"_s, u"B"_s}));
    if (steps.contains(u"publish"_s))
        QCOMPARE(holdings(a).size(), 1);
    // A class test is not the pupil machine's to change.
    if (!onB.isEmpty() && onB.last().contains(u"*"_s))
        QCOMPARE(syncAs(server.pupil, b).changed(), false);
}

void TestClassTests::toDoAndClassTable()
{
    TestServer server;
    QCOMPARE(server.make(), QString());
    TestEnv env;
    // The teacher's machine is folder A; this program folder is machine B.
    const QString week = QStringLiteral("Test_Week 3"), a = env.appDir() + u"A/"_s;
    env.makeTest(u"A/"_s + week, {u"cat"_s, u"dog"_s});
    for (const char *child : {"Ada", "Ben", "Cleo"})
        QCOMPARE(server.adminExec(u"INSERT INTO wordaroo.children VALUES ('%1')"_s.arg(QLatin1StringView(child))),
                 QString());
    const QString pw = server.teacher.password;
    const QDate today = QDate::currentDate();
    QCOMPARE(ClassTests::publish(server.pupil, pw, a, week), QString());
    env.makeTest(u"A/Test_Week 2"_s, {u"sun"_s});
    QCOMPARE(ClassTests::publish(server.pupil, pw, a, u"Test_Week 2"_s), QString());
    QCOMPARE(ClassTests::assign(server.pupil, pw, u"Week 3"_s, {u"Ada"_s, u"Ben"_s}, today.addDays(2)), QString());
    QCOMPARE(ClassTests::assign(server.pupil, pw, u"Week 2"_s, {u"Ben"_s}, today.addDays(-1)), QString());
    // Ada takes Week 3 on another machine (as its class copy); nobody finishes Week 2.
    QCOMPARE(
        addRuns(server,
                {{u"Ada"_s, week + u" (class)"_s, 50, {u"cat"_s, u"kat"_s, u"wrong"_s, u"dog"_s, u"dog"_s, u"right"_s}},
                 {u"Cleo"_s, u"Test_Own"_s, 0, {u"cat"_s, u"catt"_s, u"wrong"_s}}}),
        QString());

    // The start window of a machine in the class: Ben has both to do, Ada nothing.
    HistoryStore store(env.appDir());
    env.history.install(&store);
    Classroom::join(env.context, server.pupil);
    Shell::registerWindows();
    auto *login = qobject_cast<frmLogin *>(Forms::show(Windows::Login));
    QVERIFY(login);
    QVERIFY(ClassTestSync::start(env.context));
    // The class's tests arrive after the first frame and are listed.
    auto *tests = TestUi::child<QListWidget>(login, u"lstTests"_s);
    QTRY_COMPARE_WITH_TIMEOUT(tests->count(), 2, 10000);
    QCOMPARE(ClassTests::fetchedName(env.appDir(), week), u"Week 3"_s);
    auto *cbo = TestUi::child<QComboBox>(login, u"cboChild"_s);
    auto *label = TestUi::child<QLabel>(login, u"lblToDo"_s);
    QTRY_COMPARE_WITH_TIMEOUT(cbo->count(), 3, 10000);
    cbo->setCurrentText(u"Ben"_s);
    Q_EMIT cbo->activated(cbo->currentIndex());
    const QString dueDay = QLocale(QLocale::English).dayName(today.addDays(2).dayOfWeek());
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), u"To do: Test_Week 2, overdue; Test_Week 3, due "_s + dueDay, 10000);
    QVERIFY(label->isVisible());
    if (const QString shots = qEnvironmentVariable("WORDAROO_SHOTS"); !shots.isEmpty())
        login->grab().save(shots + u"/todo.png"_s);
    cbo->setCurrentText(u"Ada"_s);
    Q_EMIT cbo->activated(cbo->currentIndex());
    QTRY_VERIFY_WITH_TIMEOUT(!label->isVisible(), 10000);

    // The whole class, as the teacher opens it in the progress panel: done with the score,
    // not done, overdue; the words the class missed, by how many children.
    Authoring::registerWindows();
    auto *maint = qobject_cast<frmMaint *>(Forms::show(Windows::Maint));
    QVERIFY(maint);
    maint->showPage(MaintPage::Progress);
    ProgressReport *panel = maint->pnlProgress;
    env.dialogs.inputAnswers << pw;
    panel->cboChild->setCurrentIndex(panel->cboChild->findText(ProgressReport::WholeClass));
    panel->cboChild_Click();
    QVERIFY(panel->viwClass->isVisible());
    if (const QString shots = qEnvironmentVariable("WORDAROO_SHOTS"); !shots.isEmpty())
        maint->grab().save(shots + u"/class.png"_s);
    const ClassTests::Report &r = panel->viwClass->report();
    QCOMPARE(r.tests, QStringList({u"Week 2"_s, u"Week 3"_s}));
    QStringList table;
    for (int c = 0; c < r.children.size(); ++c) {
        QStringList row{r.children[c]};
        for (const auto &cell : r.cells[c])
            row << ClassTests::Report::cellText(cell);
        table << row.join(u"|"_s);
    }
    QCOMPARE(table, QStringList({u"Ada||done, 50%"_s, u"Ben|overdue|not done"_s, u"Cleo||"_s}));
    QCOMPARE(r.missed.size(), 1);
    QCOMPARE(r.missed[0].word, u"cat"_s);
    QCOMPARE(r.missed[0].children, 2);
    QCOMPARE(r.missed[0].spellings, QStringList({u"catt"_s, u"kat"_s}));
    QCOMPARE(r.tricky.value(u"Ada"_s).size(), 1);
    TestUi::closeAllWindows();
    env.history.setClassLink(nullptr); // before the store it sends from
}

QTEST_MAIN(TestClassTests)
#include "tst_classserver_classtests.moc"
