// The start window through its real controls: start-up, choosing a test, the word
// list toggle, OK, the one-time greeting, the configuration password and the end.
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "oddfiles.h"
#include "shell/frmLogin.h"
#include "shell/register.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>

#include <memory>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{
QStringList texts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// The start window as the program opens it.
frmLogin *openStartWindow()
{
    return qobject_cast<frmLogin *>(Forms::show(Windows::Login));
}

// Whether a control lies (at least partly) inside its window's visible width.
bool insideWindow(QWidget *control)
{
    const QPoint left = control->mapTo(control->window(), QPoint(0, 0));
    return left.x() < control->window()->width();
}

void writeIni(const QByteArray &content)
{
    QFile f(ProgramFolder::path() + QStringLiteral("spell.ini"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray utf16(bool le, const QString &text)
{
    QStringEncoder encoder(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return (le ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF")) + QByteArray(encoder(text));
}

// The authoring window as the start window sees it: on closing it says the tests
// changed and shows the start window again.
class StubMaint final : public Form
{
  public:
    explicit StubMaint(AppContext &context) : Form(Windows::Maint), m_ctx(context) {}

  protected:
    void Form_Unload(bool &) override
    {
        Q_EMIT m_ctx.catalogue.changed();
        Forms::find(Windows::Login)->show();
    }

  private:
    AppContext &m_ctx;
};

// A window whose unload handler tells when it runs.
class Watcher final : public Form
{
  public:
    explicit Watcher(bool *unloaded) : Form(QStringLiteral("frmWatcher")), m_unloaded(unloaded) {}

  protected:
    void Form_Unload(bool &) override { *m_unloaded = true; }

  private:
    bool *m_unloaded;
};
} // namespace

class TestStartWindow : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase()
    {
        Shell::registerWindows();
        Forms::registerFactory(Windows::Maint, [](AppContext &ctx) { return new StubMaint(ctx); });
    }
    void startUp();
    void choosingATest();
    void seeWordsToggle();
    void okHandsOverAndCancelsGreeting();
    void enterPressesOK();
    void greetingOnlyWhenVisibleAndOnce();
    void greetingAfterFourSeconds();
    void noTests_data();
    void noTests();
    void passwordGate_data();
    void passwordGate();
    void passwordGateClosedOnUnreadableSettings_data();
    void passwordGateClosedOnUnreadableSettings();
    void authoringReturnsToStartWindow();
    void helpAndProfessor();
    void closingEndsProgram();
};

void TestStartWindow::startUp()
{
    TestEnv env;
    env.makeTest(QStringLiteral("Test_zoo"), {QStringLiteral("zebra")});
    env.makeTest(QStringLiteral("Test_Animals"), {QStringLiteral("cat"), QStringLiteral("dog")});
    env.makeTest(QStringLiteral("Test_birds"), {QStringLiteral("owl")});

    // What the world looks like when the welcome starts playing.
    bool sawWelcome = false, backgroundUp = false;
    int listedAtWelcome = -1;
    MMControl::setObserver([&](const MMControl &c, const QString &command) {
        if (command.compare(QLatin1String("Play"), Qt::CaseInsensitive) == 0 &&
            c.FileName == env.appDir() + QStringLiteral("Welcome.wav")) {
            sawWelcome = true;
            Form *back = Forms::find(Windows::Back);
            backgroundUp = back && back->isVisible();
            auto *list = Forms::find(Windows::Login)->findChild<QListWidget *>(QStringLiteral("lstTests"));
            listedAtWelcome = list ? list->count() : -1;
        }
    });
    frmLogin *login = openStartWindow();
    MMControl::setObserver({});
    QVERIFY(login);

    QVERIFY(sawWelcome);
    QVERIFY(backgroundUp);
    QCOMPARE(listedAtWelcome, 0);

    // The start window is the first loaded window, the background the second.
    QCOMPARE(Forms::loaded().value(0), login);
    QCOMPARE(Forms::loaded().value(1)->objectName(), QStringLiteral("frmBack"));
    QCOMPARE(login->windowTitle(), QStringLiteral("Wordaroo"));

    auto *tests = TestUi::child<QListWidget>(login, QStringLiteral("lstTests"));
    auto *words = TestUi::child<QListWidget>(login, QStringLiteral("lstWords"));
    QCOMPARE(texts(tests), (QStringList{u"Test_Animals"_s, u"Test_birds"_s, u"Test_zoo"_s}));
    QCOMPARE(tests->currentRow(), 0);
    QVERIFY(tests->item(0)->isSelected());
    QCOMPARE(env.context.TestName(), QStringLiteral("Test_Animals"));
    QCOMPARE(env.context.TestDir(), env.appDir() + QStringLiteral("Test_Animals/"));
    QCOMPARE(texts(words), (QStringList{u"cat"_s, u"dog"_s}));

    // Collapsed: the word list is filled but lies beyond the window's edge.
    QVERIFY(!login->isExpanded());
    QVERIFY(!insideWindow(words));

    auto *timer = login->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 4000);

    QCOMPARE(login->findChild<QAction *>(QStringLiteral("mnuCreate"))->text(), QStringLiteral("Create &Tests"));
    QCOMPARE(login->findChild<QAction *>(QStringLiteral("mnuHelp"))->text(), QStringLiteral("&Help"));
}

void TestStartWindow::choosingATest()
{
    TestEnv env;
    env.makeTest(QStringLiteral("Test_A"), {QStringLiteral("ant")});
    env.makeTest(QStringLiteral("Test_B"), {QStringLiteral("bee"), QStringLiteral("bat")});
    frmLogin *login = openStartWindow();
    auto *tests = TestUi::child<QListWidget>(login, QStringLiteral("lstTests"));
    auto *words = TestUi::child<QListWidget>(login, QStringLiteral("lstWords"));

    QTest::mouseClick(tests->viewport(), Qt::LeftButton, {}, tests->visualItemRect(tests->item(1)).center());
    QCOMPARE(env.context.TestName(), QStringLiteral("Test_B"));
    QCOMPARE(env.context.TestDir(), env.appDir() + QStringLiteral("Test_B/"));
    QCOMPARE(texts(words), (QStringList{u"bat"_s, u"bee"_s}));

    TestUi::key(tests, Qt::Key_Up);
    QCOMPARE(env.context.TestName(), QStringLiteral("Test_A"));
    QCOMPARE(texts(words), QStringList{u"ant"_s});
}

void TestStartWindow::seeWordsToggle()
{
    TestEnv env;
    env.makeTest(QStringLiteral("Test_A"), {QStringLiteral("ant")});
    frmLogin *login = openStartWindow();
    auto *see = TestUi::child<QPushButton>(login, QStringLiteral("btnSeeWords"));
    auto *words = TestUi::child<QListWidget>(login, QStringLiteral("lstWords"));
    const QSize collapsed = login->size();
    QCOMPARE(see->text(), QStringLiteral("See Test Words >>"));

    TestUi::click(see);
    QCOMPARE(see->text(), QStringLiteral("Hide Test Words <<"));
    QVERIFY(login->width() > collapsed.width());
    QCOMPARE(login->height(), collapsed.height());
    // The whole word list is seen when expanded.
    QVERIFY(words->mapTo(login, QPoint(words->width(), 0)).x() <= login->width());
    // The two widths differ by the outer sizes' difference, 9000 - 6800 twips.
    QCOMPARE(login->width() - collapsed.width(), Twips::px(9000 - 6800));

    TestUi::click(see);
    QCOMPARE(see->text(), QStringLiteral("See Test Words >>"));
    QCOMPARE(login->size(), collapsed);
    QVERIFY(!insideWindow(words));

    // The toggle reads its own caption: anything but the exact "See" caption collapses.
    TestUi::click(see);
    see->setText(QStringLiteral("See Test Words"));
    TestUi::click(see);
    QCOMPARE(login->size(), collapsed);
    QCOMPARE(see->text(), QStringLiteral("See Test Words >>"));
}

void TestStartWindow::okHandsOverAndCancelsGreeting()
{
    TestEnv env;
    env.makeTest(QStringLiteral("Test_A"), {QStringLiteral("ant")});
    env.makeTest(QStringLiteral("Test_B"), {QStringLiteral("bee")});
    frmLogin *login = openStartWindow();
    TestUi::child<QListWidget>(login, QStringLiteral("lstTests"))->setCurrentRow(1);
    env.sound.clear();

    TestUi::click(TestUi::child<QPushButton>(login, QStringLiteral("btnOK")));
    // The welcome is cut off first.
    QCOMPARE(env.sound.lines().value(0), QStringLiteral("Close"));
    QCOMPARE(env.context.TestName(), QStringLiteral("Test_B"));
    Form *menu = Forms::find(Windows::Choice);
    QVERIFY(menu && menu->isVisible());
    QVERIFY(!login->isVisible());
    QCOMPARE(Forms::find(Windows::Login), login); // hidden, still loaded

    // The greeting's tick comes after OK: the hidden window stays silent.
    env.sound.clear();
    login->Timer1_Timer();
    QVERIFY(env.sound.played().isEmpty());
    QVERIFY(!login->findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
}

void TestStartWindow::enterPressesOK()
{
    TestEnv env;
    env.makeTest(QStringLiteral("Test_A"), {QStringLiteral("ant")});
    frmLogin *login = openStartWindow();
    auto *tests = TestUi::child<QListWidget>(login, QStringLiteral("lstTests"));
    tests->setFocus();
    TestUi::key(tests, Qt::Key_Return);
    QVERIFY(Forms::find(Windows::Choice));
    QVERIFY(!login->isVisible());
}

void TestStartWindow::greetingOnlyWhenVisibleAndOnce()
{
    TestEnv env;
    frmLogin *login = openStartWindow();
    auto *timer = login->findChild<QTimer *>(QStringLiteral("Timer1"));
    env.sound.clear();

    login->Timer1_Timer();
    QCOMPARE(env.sound.played(), QStringList{env.appDir() + QStringLiteral("helloprof.wav")});
    QVERIFY(!timer->isActive());

    // Shown again later (as by "New Test"): no second greeting, no welcome.
    env.sound.clear();
    login->hide();
    Forms::show(Windows::Login);
    QTest::qWait(50);
    QVERIFY(!timer->isActive());
    QVERIFY(env.sound.played().isEmpty());
}

void TestStartWindow::greetingAfterFourSeconds()
{
    TestEnv env;
    QElapsedTimer clock;
    clock.start();
    frmLogin *login = openStartWindow();
    const QString hello = env.appDir() + QStringLiteral("helloprof.wav");
    QTRY_VERIFY_WITH_TIMEOUT(env.sound.played().contains(hello), 6000);
    QVERIFY(clock.elapsed() >= 3900);
    QVERIFY(!login->findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
}

void TestStartWindow::noTests_data()
{
    QTest::addColumn<bool>("hadTests");
    QTest::newRow("none at start-up") << false;
    QTest::newRow("last test deleted") << true;
}

void TestStartWindow::noTests()
{
    QFETCH(bool, hadTests);
    TestEnv env;
    env.makePrompts(); // wave files in AppDir are no test's words
    if (hadTests)
        env.makeTest(QStringLiteral("Test_Gone"), {QStringLiteral("ghost")});
    frmLogin *login = openStartWindow();
    auto *tests = TestUi::child<QListWidget>(login, QStringLiteral("lstTests"));
    auto *words = TestUi::child<QListWidget>(login, QStringLiteral("lstWords"));
    if (hadTests) {
        QCOMPARE(words->count(), 1);
        QVERIFY(QDir(env.appDir() + QStringLiteral("Test_Gone")).removeRecursively());
        QVERIFY(QMetaObject::invokeMethod(login, "LoadTests"));
    }
    QCOMPARE(tests->count(), 0);
    QVERIFY(tests->selectedItems().isEmpty());
    QCOMPARE(words->count(), 0);
    QCOMPARE(env.context.TestName(), QString());
    QCOMPARE(env.context.TestDir(), env.appDir() + QLatin1Char('/'));

    // OK still leads on, to a menu naming no test.
    TestUi::click(TestUi::child<QPushButton>(login, QStringLiteral("btnOK")));
    Form *menu = Forms::find(Windows::Choice);
    QVERIFY(menu);
    QCOMPARE(TestUi::child<QLabel>(menu, QStringLiteral("lblSelect"))->text(), QStringLiteral("Selected test is "));
}

void TestStartWindow::passwordGate_data()
{
    QTest::addColumn<QByteArray>("ini"); // empty: no settings file at all
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("opens");

    const QByteArray secret = "[SETTINGS]\nProtect=True\nTheWord=Secret\n";
    const QByteArray noWord = "[SETTINGS]\nProtect=True\n";
    QTest::newRow("no settings file") << QByteArray() << QStringList() << false << true;
    QTest::newRow("Protect missing") << QByteArray("[SETTINGS]\nTheWord=Secret\n") << QStringList() << false << true;
    QTest::newRow("Protect false") << QByteArray("[SETTINGS]\nProtect=false\nTheWord=Secret\n") << QStringList()
                                   << false << true;
    QTest::newRow("Protect true in lower case")
        << QByteArray("[SETTINGS]\nProtect=true\nTheWord=Secret\n") << QStringList() << false << true;
    QTest::newRow("right password") << secret << QStringList{u"Secret"_s} << true << true;
    QTest::newRow("password case differs") << secret << QStringList{u"secret"_s} << true << false;
    QTest::newRow("password cancelled") << secret << QStringList() << true << false;
    QTest::newRow("no TheWord, cancelled") << noWord << QStringList() << true << true;
    QTest::newRow("no TheWord, something typed") << noWord << QStringList{u"x"_s} << true << false;
    // Every text form of the same file asks, and knows the password.
    const QString crlf = u"[SETTINGS]\r\nProtect=True\r\nTheWord=Secret\r\n"_s;
    QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + secret << QStringList{u"Secret"_s} << true << true;
    QTest::newRow("byte-order mark, wrong") << "\xEF\xBB\xBF" + secret << QStringList{u"secret"_s} << true << false;
    QTest::newRow("CRLF") << crlf.toUtf8() << QStringList{u"Secret"_s} << true << true;
    QTest::newRow("CR only") << QByteArray("[SETTINGS]\rProtect=True\rTheWord=Secret\r") << QStringList{u"Secret"_s}
                             << true << true;
    QTest::newRow("UTF-16LE") << utf16(true, crlf) << QStringList{u"Secret"_s} << true << true;
    QTest::newRow("UTF-16BE, wrong") << utf16(false, crlf) << QStringList{u"Secret "_s} << true << false;
}

void TestStartWindow::passwordGate()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, typed);
    QFETCH(bool, asked);
    QFETCH(bool, opens);
    TestEnv env;
    if (!ini.isEmpty())
        writeIni(ini);
    env.dialogs.inputAnswers = typed;
    frmLogin *login = openStartWindow();

    login->findChild<QAction *>(QStringLiteral("mnuCreate"))->trigger();

    QCOMPARE(env.dialogs.prompts.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(env.dialogs.prompts.first().text, QStringLiteral("Please enter configuration password:"));
        QCOMPARE(env.dialogs.prompts.first().title, QStringLiteral("PASSWORD"));
    }
    Form *maint = Forms::find(Windows::Maint);
    QCOMPARE(maint != nullptr, opens);
    QCOMPARE(login->isVisible(), !opens);
    if (opens) {
        QVERIFY(maint->isVisible());
        QVERIFY(env.dialogs.boxes.isEmpty());
    } else {
        QCOMPARE(env.dialogs.boxes.size(), 1);
        const ScriptedDialogs::Box &box = env.dialogs.boxes.first();
        QCOMPARE(box.text, QStringLiteral("SORRY!\nThe password you typed is incorrect."));
        QCOMPARE(box.title, QStringLiteral("Incorrect Password"));
        QCOMPARE(box.icon, MsgIcon::Information);
        QCOMPARE(box.buttons, MsgButtons::Ok);
    }
}

// A settings file that is there but cannot be read keeps the authoring window shut.
void TestStartWindow::passwordGateClosedOnUnreadableSettings_data()
{
    QTest::addColumn<int>("shape"); // an OddFile shape, or -1: a protected file nobody may read
    QTest::newRow("unreadable") << -1;
    QTest::newRow("FIFO") << int(OddFile::Fifo);
    QTest::newRow("folder") << int(OddFile::Folder);
    QTest::newRow("link") << int(OddFile::LinkOutside);
    QTest::newRow("too big") << int(OddFile::JustTooBig);
    QTest::newRow("100 MB") << int(OddFile::Sparse100MB);
    QTest::newRow("broken UTF-16") << int(OddFile::BadUtf16);
}

void TestStartWindow::passwordGateClosedOnUnreadableSettings()
{
    QFETCH(int, shape);
    TestEnv env;
    const QString ini = env.appDir() + u"spell.ini"_s;
    std::unique_ptr<OddFile> odd;
    if (shape < 0) {
        if (::geteuid() == 0)
            QSKIP("root reads any file; the other rows cover the closed gate");
        writeIni("[SETTINGS]\nProtect=True\nTheWord=Secret\n");
        QVERIFY(QFile::setPermissions(ini, {}));
    } else {
        odd = std::make_unique<OddFile>(ini, OddFile::Shape(shape));
        QVERIFY(odd->ok());
    }
    frmLogin *login = openStartWindow();
    login->findChild<QAction *>(u"mnuCreate"_s)->trigger();

    QVERIFY(env.dialogs.prompts.isEmpty());
    QVERIFY(!Forms::find(Windows::Maint));
    QVERIFY(login->isVisible());
    QCOMPARE(env.dialogs.boxes.size(), 1);
    const ScriptedDialogs::Box &box = env.dialogs.boxes.first();
    const QString lead = u"The settings file could not be read, so the configuration password cannot be checked.\n"_s;
    QVERIFY2(box.text.startsWith(lead) && box.text.mid(lead.size()).contains(ini), qPrintable(box.text));
    QCOMPARE(box.icon, MsgIcon::Exclamation);
    QCOMPARE(box.buttons, MsgButtons::Ok);
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestStartWindow::authoringReturnsToStartWindow()
{
    TestEnv env;
    env.makeTest(QStringLiteral("Test_B"), {QStringLiteral("bee")});
    frmLogin *login = openStartWindow();
    login->mnuCreate_Click();
    Form *maint = Forms::find(Windows::Maint);
    QVERIFY(maint && maint->isVisible());
    QVERIFY(!login->isVisible());

    env.makeTest(QStringLiteral("Test_A"), {QStringLiteral("ant")});
    maint->close();
    TestUi::settle();
    QVERIFY(!Forms::find(Windows::Maint));
    QVERIFY(login->isVisible());
    QCOMPARE(texts(TestUi::child<QListWidget>(login, QStringLiteral("lstTests"))),
             (QStringList{u"Test_A"_s, u"Test_B"_s}));
    QCOMPARE(env.context.TestName(), QStringLiteral("Test_B")); // still there: still chosen
    QVERIFY(!env.ended);
}

void TestStartWindow::helpAndProfessor()
{
    TestEnv env;
    frmLogin *login = openStartWindow();
    login->findChild<QAction *>(QStringLiteral("mnuHelp"))->trigger();
    QCOMPARE(env.dialogs.helpOpened, QStringList{u"Spell.HLP"_s});

    env.sound.clear();
    QTest::mouseClick(TestUi::child<QWidget>(login, QStringLiteral("Picture1")), Qt::LeftButton);
    QCOMPARE(env.sound.played(), QStringList{env.appDir() + QStringLiteral("logindir.wav")});
}

void TestStartWindow::closingEndsProgram()
{
    TestEnv env;
    frmLogin *login = openStartWindow();
    TestUi::click(TestUi::child<QPushButton>(login, QStringLiteral("btnOK")));
    bool otherUnloaded = false;
    auto *other = new Watcher(&otherUnloaded);
    other->show();

    login->close();
    QVERIFY(env.ended);
    QCOMPARE(env.exitCode, 0);
    QVERIFY(Forms::loaded().isEmpty());
    QVERIFY(!otherUnloaded);
}

QTEST_MAIN(TestStartWindow)
#include "tst_start_window.moc"
