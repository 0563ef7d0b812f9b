// The activity menu: what it shows and where each of its choices leads.
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "core/ui/layout.h"
#include "shell/frmChoice.h"
#include "shell/frmLogin.h"
#include "shell/register.h"
#include "testsupport.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
// Stands in for an activity window of another library; notes whether the menu was
// still open when it was shown.
class Activity final : public Form
{
  public:
    explicit Activity(Windows::Id id) : Form(id) { resize(200, 100); }
    bool menuOpenAtShow = false;

  protected:
    void showEvent(QShowEvent *e) override
    {
        menuOpenAtShow = Forms::find(Windows::Choice) != nullptr;
        Form::showEvent(e);
    }
};

frmChoice *openMenu()
{
    return qobject_cast<frmChoice *>(Forms::show(Windows::Choice));
}
} // namespace

class TestActivityMenu : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void label_data();
    void label();
    void buttons();
    void activities_data();
    void activities();
    void newTestShowsStartWindowAsLeft();
    void exitEndsAfterUnloading();
    void closeBoxIsExit();
    void professor();
};

void TestActivityMenu::initTestCase()
{
    Shell::registerWindows();
    for (Windows::Id id : {Windows::Test, Windows::Review, Windows::ArcadeSelect, Windows::Practice})
        Forms::registerFactory(id, [id] { return new Activity(id); });
}

void TestActivityMenu::label_data()
{
    QTest::addColumn<QString>("testName");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a test") << "Test_Animals"
                            << "Selected test is Test_Animals";
    QTest::newRow("no test") << ""
                             << "Selected test is ";
}

void TestActivityMenu::label()
{
    QFETCH(QString, testName);
    QFETCH(QString, shown);
    TestEnv env;
    env.context.selectTest(testName);
    frmChoice *menu = openMenu();
    QCOMPARE(menu->windowTitle(), QStringLiteral("Your Choice"));
    QCOMPARE(TestUi::child<QLabel>(menu, QStringLiteral("lblSelect"))->text(), shown);
}

void TestActivityMenu::buttons()
{
    TestEnv env;
    frmChoice *menu = openMenu();
    const QList<QPair<QString, QString>> row = {{u"Command2"_s, u"Study Words"_s},
                                                {u"Command1"_s, u"Take  Test"_s},
                                                {u"Command3"_s, u"New Test"_s},
                                                {u"btnArcade"_s, u"Arcade Alley"_s},
                                                {u"Command4"_s, u"Exit"_s}};
    int right = 0;
    for (const auto &[name, caption] : row) {
        auto *b = TestUi::child<QPushButton>(menu, name);
        QVERIFY(b);
        QCOMPARE(b->text(), caption);
        QVERIFY(!b->toolTip().isEmpty());
        QVERIFY(!b->icon().isNull());
        QCOMPARE(b->y(), Twips::px(420));
        // One row, left to right, side by side, inside the window.
        QVERIFY(b->x() >= right);
        right = b->x() + b->width();
        QVERIFY(right <= menu->width());
    }
    QCOMPARE(TestUi::child<QPushButton>(menu, QStringLiteral("Command1"))->toolTip(),
             QStringLiteral("Click on this button to take a test of the spelling words."));
}

void TestActivityMenu::activities_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("target");
    QTest::newRow("Take  Test") << "Command1" << int(Windows::Test);
    QTest::newRow("Study Words") << "Command2" << int(Windows::Review);
    QTest::newRow("Arcade Alley") << "btnArcade" << int(Windows::ArcadeSelect);
    QTest::newRow("Look, Cover, Write, Check") << "btnPractice" << int(Windows::Practice);
}

void TestActivityMenu::activities()
{
    QFETCH(QString, button);
    QFETCH(int, target);
    TestEnv env;
    frmChoice *menu = openMenu();
    TestUi::click(TestUi::child<QPushButton>(menu, button));
    TestUi::settle();

    auto *shown = dynamic_cast<Activity *>(Forms::find(Windows::Id(target)));
    QVERIFY(shown && shown->isVisible());
    QVERIFY(shown->menuOpenAtShow); // shown first, menu unloaded second
    QVERIFY(!Forms::find(Windows::Choice));
    QVERIFY(!env.ended);
}

void TestActivityMenu::newTestShowsStartWindowAsLeft()
{
    TestEnv env;
    env.makeTest(QStringLiteral("Test_A"), {QStringLiteral("ant")});
    env.makeTest(QStringLiteral("Test_B"), {QStringLiteral("bee")});
    auto *login = qobject_cast<frmLogin *>(Forms::show(Windows::Login));
    TestUi::child<QListWidget>(login, QStringLiteral("lstTests"))->setCurrentRow(1);
    login->btnSeeWords_Click();
    const QSize expanded = login->size();
    login->btnOK_Click();
    env.sound.clear();

    frmChoice *menu = Forms::find<frmChoice>(Windows::Choice);
    QCOMPARE(TestUi::child<QLabel>(menu, QStringLiteral("lblSelect"))->text(),
             QStringLiteral("Selected test is Test_B"));
    menu->Command3_Click();
    TestUi::settle();

    QCOMPARE(Forms::find(Windows::Login), login);
    QVERIFY(login->isVisible());
    QCOMPARE(login->size(), expanded);
    QCOMPARE(TestUi::child<QListWidget>(login, QStringLiteral("lstTests"))->currentRow(), 1);
    QVERIFY(env.sound.played().isEmpty()); // no second welcome
    QVERIFY(!Forms::find(Windows::Choice));
}

void TestActivityMenu::exitEndsAfterUnloading()
{
    TestEnv env;
    Forms::show(Windows::Login)->hide();
    frmChoice *menu = openMenu();
    bool menuGoneAtEnd = false;
    Program::setExitHandler([&](int code) {
        menuGoneAtEnd = !Forms::find(Windows::Choice);
        env.ended = true;
        env.exitCode = code;
    });
    TestUi::click(TestUi::child<QPushButton>(menu, QStringLiteral("Command4")));
    QVERIFY(env.ended);
    QCOMPARE(env.exitCode, 0);
    QVERIFY(menuGoneAtEnd);
    QVERIFY(Forms::loaded().isEmpty());
}

void TestActivityMenu::closeBoxIsExit()
{
    TestEnv env;
    Forms::show(Windows::Login)->hide();
    frmChoice *menu = openMenu();
    menu->close();
    QVERIFY(env.ended);
    QCOMPARE(env.exitCode, 0);
    QVERIFY(Forms::loaded().isEmpty());
}

void TestActivityMenu::professor()
{
    TestEnv env;
    frmChoice *menu = openMenu();
    env.sound.clear();
    QTest::mouseClick(TestUi::child<QWidget>(menu, QStringLiteral("picProf")), Qt::LeftButton);
    QCOMPARE(env.sound.played(), QStringList{env.appDir() + QStringLiteral("learnwords.wav")});
}

QTEST_MAIN(TestActivityMenu)
#include "tst_activity_menu.moc"
