// The activity menu: what it shows and where each of its five choices leads.
#include "core/appstate.h"
#include "core/forms.h"
#include "core/layout.h"
#include "shell/frmChoice.h"
#include "shell/frmLogin.h"
#include "shell/placeholder.h"
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
    explicit Activity(const QString &name) : Form(name) { resize(200, 100); }
    bool menuOpenAtShow = false;

  protected:
    void showEvent(QShowEvent *e) override
    {
        menuOpenAtShow = Forms::find(QStringLiteral("frmChoice")) != nullptr;
        Form::showEvent(e);
    }
};

frmChoice *openMenu()
{
    return qobject_cast<frmChoice *>(Forms::show(QStringLiteral("frmChoice")));
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
    void placeholderLeadsBack();
};

void TestActivityMenu::initTestCase()
{
    Shell::registerWindows();
    for (const char *name : {"frmTest", "frmReview", "frmArcadeSelect"}) {
        const QString n = QString::fromLatin1(name);
        Forms::registerFactory(n, [n] { return new Activity(n); });
    }
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
    Shared::TestName = testName;
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
    QTest::addColumn<QString>("target");
    QTest::newRow("Take  Test") << "Command1"
                                << "frmTest";
    QTest::newRow("Study Words") << "Command2"
                                 << "frmReview";
    QTest::newRow("Arcade Alley") << "btnArcade"
                                  << "frmArcadeSelect";
}

void TestActivityMenu::activities()
{
    QFETCH(QString, button);
    QFETCH(QString, target);
    TestEnv env;
    frmChoice *menu = openMenu();
    TestUi::click(TestUi::child<QPushButton>(menu, button));
    TestUi::settle();

    auto *shown = dynamic_cast<Activity *>(Forms::find(target));
    QVERIFY(shown && shown->isVisible());
    QVERIFY(shown->menuOpenAtShow); // shown first, menu unloaded second
    QVERIFY(!Forms::find(QStringLiteral("frmChoice")));
    QVERIFY(!env.ended);
}

void TestActivityMenu::newTestShowsStartWindowAsLeft()
{
    TestEnv env;
    env.makeTest(QStringLiteral("Test_A"), {QStringLiteral("ant")});
    env.makeTest(QStringLiteral("Test_B"), {QStringLiteral("bee")});
    auto *login = qobject_cast<frmLogin *>(Forms::show(QStringLiteral("frmLogin")));
    TestUi::child<QListWidget>(login, QStringLiteral("lstTests"))->setCurrentRow(1);
    login->btnSeeWords_Click();
    const QSize expanded = login->size();
    login->btnOK_Click();
    env.sound.clear();

    frmChoice *menu = Forms::find<frmChoice>(QStringLiteral("frmChoice"));
    QCOMPARE(TestUi::child<QLabel>(menu, QStringLiteral("lblSelect"))->text(),
             QStringLiteral("Selected test is Test_B"));
    menu->Command3_Click();
    TestUi::settle();

    QCOMPARE(Forms::find(QStringLiteral("frmLogin")), login);
    QVERIFY(login->isVisible());
    QCOMPARE(login->size(), expanded);
    QCOMPARE(TestUi::child<QListWidget>(login, QStringLiteral("lstTests"))->currentRow(), 1);
    QVERIFY(env.sound.played().isEmpty()); // no second welcome
    QVERIFY(!Forms::find(QStringLiteral("frmChoice")));
}

void TestActivityMenu::exitEndsAfterUnloading()
{
    TestEnv env;
    Forms::show(QStringLiteral("frmLogin"))->hide();
    frmChoice *menu = openMenu();
    bool menuGoneAtEnd = false;
    Program::setExitHandler([&](int code) {
        menuGoneAtEnd = !Forms::find(QStringLiteral("frmChoice"));
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
    Forms::show(QStringLiteral("frmLogin"))->hide();
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

void TestActivityMenu::placeholderLeadsBack()
{
    // A window no library has registered yet is stood in for, and closing the stand-in
    // hands control back.
    TestEnv env;
    bool back = false;
    Form *f = Shell::showOrPlaceholder(QStringLiteral("frmNotYet"), [&] { back = true; });
    QVERIFY(f && f->isVisible());
    QCOMPARE(Forms::find(QStringLiteral("frmNotYet")), f);
    TestUi::click(TestUi::child<QPushButton>(f, QStringLiteral("btnBack")));
    TestUi::settle();
    QVERIFY(back);
    QVERIFY(!Forms::find(QStringLiteral("frmNotYet")));
}

QTEST_MAIN(TestActivityMenu)
#include "tst_activity_menu.moc"
