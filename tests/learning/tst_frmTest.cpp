// The spelling test window driven through its real controls, with the test sound
// engine logging every command sent to the window's multimedia control.
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/layout.h"
#include "core/ui/lettercompare.h"
#include "core/ui/widgets.h"
#include "history/historystore.h"
#include "history/programhistory.h"
#include "learning/frmTest.h"
#include "learning/register.h"
#include "testsupport.h"

#include <QAccessible>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace
{
// Stands in for the activity menu: counts how often one is made.
class StubMenu final : public Form
{
  public:
    StubMenu() : Form(Windows::Choice) { ++made; }
    static inline int made = 0;
};

// The rows a list shows, as the child reads them.
QStringList items(const QAbstractItemView *list)
{
    QStringList out;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        out << list->model()->index(i, 0).data().toString();
    return out;
}
} // namespace

class TestTestWindow : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void init();
    void wholeRunCommandSequence();
    void startPromptBlocks();
    void timerStartsOnce();
    void answers_data();
    void answers();
    void missingWord_data();
    void missingWord();
    void repeatWord();
    void oneWordTest();
    void emptyTest_data();
    void emptyTest();
    void stopTest_data();
    void stopTest();
    void scoreShown_data();
    void scoreShown();
    void missedWordsReplay();
    void wrongRowComparesLetters();
    void nothingAcceptedAfterResults();
    void leaving_data();
    void leaving();
    void closedDuringStartPrompt();

  private:
    frmTest *open(const QStringList &words);
    void answer(const QString &text);

    std::unique_ptr<TestEnv> env;
    frmTest *w = nullptr;
    QString dir;
};

void TestTestWindow::initTestCase()
{
    Forms::registerFactory(Windows::Choice, [] { return new StubMenu; });
    Learning::registerWindows();
}

void TestTestWindow::init()
{
    env.reset();
    env = std::make_unique<TestEnv>();
    StubMenu::made = 0;
    w = nullptr;
}

frmTest *TestTestWindow::open(const QStringList &words)
{
    env->makePrompts();
    dir = env->makeTest(QStringLiteral("Test_Words"), words);
    env->context.selectTest(QStringLiteral("Test_Words"));
    w = qobject_cast<frmTest *>(Forms::show(Windows::Test));
    return w;
}

void TestTestWindow::answer(const QString &text)
{
    QTest::keyClicks(w->txtWord, text);
    QTest::keyClick(w->txtWord, Qt::Key_Return);
}

void TestTestWindow::wholeRunCommandSequence()
{
    QVERIFY(open({u"ant"_s, u"bee"_s}));
    QCOMPARE(w->windowTitle(), QStringLiteral("Test"));
    QCOMPARE(w->width(), Twips::px(6400));
    QCOMPARE(w->pnlTest->x(), Twips::px(15));
    QVERIFY(w->btnNext->isDefault());
    QVERIFY(env->sound.log.isEmpty());

    w->Timer1_Timer();
    const QString app = env->appDir();
    QCOMPARE(env->sound.lines(), (QStringList{u"Open "_s + app + u"starttest.wav (wait)"_s, u"Play (wait)"_s,
                                              u"Close"_s, u"Open "_s + dir + u"ant.wav"_s, u"Play"_s}));
    QCOMPARE(w->lblProgress->text(), QStringLiteral("Word 1 of 2"));
    QCOMPARE(w->focusWidget(), w->txtWord);

    env->sound.clear();
    answer(QStringLiteral("ant"));
    QCOMPARE(env->sound.lines(), (QStringList{u"Close"_s, u"Open "_s + dir + u"bee.wav"_s, u"Play"_s}));
    QCOMPARE(w->lblProgress->text(), QStringLiteral("Word 2 of 2"));
    QVERIFY(w->txtWord->text().isEmpty());

    // The reaction cuts the finish prompt off.
    env->sound.setDuration(app + u"finishtest.wav"_s, 5000);
    env->sound.clear();
    answer(QStringLiteral("bea"));
    QCOMPARE(env->sound.lines(), (QStringList{u"Close"_s, u"Open "_s + app + u"finishtest.wav"_s, u"Play"_s, u"Close"_s,
                                              u"Open "_s + app + u"brrrr.wav"_s, u"Play"_s}));
    QVERIFY(!w->MMControl1->isPlaying());
    QVERIFY(w->resultsShown());
    QVERIFY(!Panels::isShown(w->pnlTest));
    QCOMPARE(w->pnlTest->x(), Twips::px(-30000));
    QVERIFY(Panels::isShown(w->pnlResults));
    QCOMPARE(w->width(), Twips::px(8500));
    QCOMPARE(items(w->lstYours), (QStringList{u"ant"_s, u"bea  XXX"_s}));
    QCOMPARE(w->lblScore->text(), QStringLiteral("You scored a 50%"));
}

void TestTestWindow::startPromptBlocks()
{
    QVERIFY(open({u"ant"_s}));
    env->sound.setDuration(env->appDir() + u"starttest.wav"_s, 300);
    qsizetype logDuringPrompt = -1;
    QTimer::singleShot(100, this, [&] { logDuringPrompt = env->sound.log.size(); });
    QElapsedTimer clock;
    clock.start();
    w->Timer1_Timer();
    QVERIFY(clock.elapsed() >= 280);
    QCOMPARE(logDuringPrompt, 2); // the word was not asked before the prompt ended
    QCOMPARE(env->sound.played().last(), dir + u"ant.wav"_s);
}

void TestTestWindow::timerStartsOnce()
{
    QVERIFY(open({u"ant"_s}));
    QVERIFY(w->Timer1->isActive());
    QCOMPARE(w->Timer1->interval(), 1000);
    QVERIFY(w->Timer1->isSingleShot());
    QTRY_COMPARE_WITH_TIMEOUT(env->sound.played().size(), 2, 3000);
    QVERIFY(!w->Timer1->isActive());
    w->Timer1_Timer(); // a stray second tick starts nothing
    QCOMPARE(env->sound.played().size(), 2);
}

void TestTestWindow::answers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("recorded"); // empty: nothing recorded
    QTest::newRow("nothing") << u""_s << u""_s;
    QTest::newRow("only spaces") << u"    "_s << u""_s;
    QTest::newRow("outer spaces") << u"  ant   "_s << u"ant"_s;
    QTest::newRow("inner space kept") << u" a nt "_s << u"a nt"_s;
}

void TestTestWindow::answers()
{
    QFETCH(QString, typed);
    QFETCH(QString, recorded);
    QVERIFY(open({u"ant"_s, u"bee"_s}));
    w->Timer1_Timer();
    env->sound.clear();
    answer(typed);
    if (recorded.isEmpty()) {
        QCOMPARE(env->sound.lines(),
                 (QStringList{u"Close"_s, u"Open "_s + env->appDir() + u"noword.wav (wait)"_s, u"Play"_s}));
        QVERIFY(items(w->lstTries).isEmpty());
        QCOMPARE(w->run().wordIndex(), 0);
        QCOMPARE(w->lblProgress->text(), QStringLiteral("Word 1 of 2"));
        QCOMPARE(w->focusWidget(), w->txtWord);
    } else {
        QCOMPARE(items(w->lstTries), QStringList{recorded});
        QCOMPARE(w->run().wordIndex(), 1);
        QCOMPARE(env->sound.played(), QStringList{dir + u"bee.wav"_s});
    }
}

void TestTestWindow::missingWord_data()
{
    QTest::addColumn<int>("missing"); // 0-based
    QTest::addColumn<bool>("asFolder");
    QTest::newRow("first word deleted") << 0 << false;
    QTest::newRow("second word deleted") << 1 << false;
    QTest::newRow("second word is a folder") << 1 << true;
}

void TestTestWindow::missingWord()
{
    QFETCH(int, missing);
    QFETCH(bool, asFolder);
    const QStringList words{u"ant"_s, u"bee"_s, u"cat"_s};
    QVERIFY(open(words));
    const QString path = dir + words.at(missing) + u".wav"_s;
    QVERIFY(QFile::remove(path));
    if (asFolder)
        QVERIFY(QDir().mkdir(path));

    w->Timer1_Timer();
    for (int i = 0; i < missing; ++i)
        answer(words.at(i));
    QCOMPARE(env->dialogs.boxes.size(), 1);
    const ScriptedDialogs::Box box = env->dialogs.boxes.first();
    QCOMPARE(box.text, u"Missing Sound File for the word: "_s + words.at(missing));
    QCOMPARE(box.buttons, MsgButtons::Ok);
    QCOMPARE(box.icon, MsgIcon::None);
    QCOMPARE(box.title, QStringLiteral("Wordaroo"));
    QVERIFY(!env->sound.played().contains(path));
    // The progress line still names the word before.
    QCOMPARE(w->lblProgress->text(),
             missing == 0 ? QStringLiteral("Word 1") : QStringLiteral("Word %1 of 3").arg(missing));

    // The next answer belongs to the missing word, and the run moves on.
    answer(words.at(missing));
    QCOMPARE(items(w->lstTries).at(missing), words.at(missing));
    QCOMPARE(w->lblProgress->text(), QStringLiteral("Word %1 of 3").arg(missing + 2));
    QCOMPARE(env->sound.played().last(), dir + words.at(missing + 1) + u".wav"_s);
}

void TestTestWindow::repeatWord()
{
    QVERIFY(open({u"ant"_s, u"bee"_s}));
    w->Timer1_Timer();
    w->lblProgress->setText(QStringLiteral("stale"));
    env->sound.clear();
    TestUi::click(w->btnRepeat);
    QCOMPARE(env->sound.lines(), (QStringList{u"Close"_s, u"Open "_s + dir + u"ant.wav"_s, u"Play"_s}));
    QCOMPARE(w->lblProgress->text(), QStringLiteral("Word 1 of 2"));
    QVERIFY(items(w->lstTries).isEmpty());
    QCOMPARE(w->run().wordIndex(), 0);

    // Repeating a missing word shows the message again.
    QVERIFY(QFile::remove(dir + u"ant.wav"_s));
    TestUi::click(w->btnRepeat);
    QCOMPARE(env->dialogs.boxes.size(), 1);
}

void TestTestWindow::oneWordTest()
{
    QVERIFY(open({u"ant"_s}));
    w->Timer1_Timer();
    answer(QStringLiteral("ANT"));
    QVERIFY(w->resultsShown());
    QCOMPARE(items(w->lstYours), QStringList{u"ANT"_s});
    QCOMPARE(w->lblScore->text(), QStringLiteral("You scored a 100%"));
    QVERIFY(!w->picSmile->isHidden());
    QCOMPARE(env->sound.played().last(), env->appDir() + u"whoopie.wav"_s);
}

void TestTestWindow::emptyTest_data()
{
    QTest::addColumn<bool>("stopped");
    QTest::newRow("an answer typed") << false;
    QTest::newRow("Stop Test") << true;
}

// A test with no words scores nothing: it says so, plays no reaction and records no run.
void TestTestWindow::emptyTest()
{
    QFETCH(bool, stopped);
    HistoryStore store(env->appDir());
    env->history.install(&store);
    QCOMPARE(store.addChild(u"Ann"_s), QString());
    env->history.setChild(u"Ann"_s);
    QVERIFY(open({}));
    w->Timer1_Timer();
    QCOMPARE(env->dialogs.boxes.size(), 1);
    QCOMPARE(env->dialogs.boxes.first().text, QStringLiteral("Missing Sound File for the word: "));
    QCOMPARE(w->lblProgress->text(), QStringLiteral("Word 1"));

    env->sound.clear();
    if (stopped)
        TestUi::click(w->btnStopTest);
    else
        answer(QStringLiteral("zebra"));
    QVERIFY(w->resultsShown());
    // At most the finish prompt: no score, no reaction, no smiley.
    QCOMPARE(env->sound.played(), stopped ? QStringList() : QStringList{env->appDir() + u"finishtest.wav"_s});
    QCOMPARE(w->lblScore->text(), QStringLiteral("This test has no words yet."));
    QVERIFY(w->picSmile->isHidden());
    QCOMPARE(items(w->lstYours), stopped ? QStringList() : QStringList{u"zebra"_s});
    QVERIFY(store.flush());
    QVERIFY(store.scores(u"Ann"_s).isEmpty());
    env->history.install(nullptr);
}

void TestTestWindow::stopTest_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("score");
    QTest::newRow("before any answer") << QStringList{} << QStringList(5, u"   XXX"_s) << u"You scored a 0%"_s;
    QTest::newRow("after 2 answers") << QStringList{u"ant"_s, u"bee"_s}
                                     << QStringList{u"ant"_s, u"bee"_s, u"   XXX"_s, u"   XXX"_s, u"   XXX"_s}
                                     << u"You scored a 40%"_s;
}

void TestTestWindow::stopTest()
{
    QFETCH(QStringList, typed);
    QFETCH(QStringList, rows);
    QFETCH(QString, score);
    QVERIFY(open({u"ant"_s, u"bee"_s, u"cat"_s, u"dog"_s, u"emu"_s}));
    QSignalSpy finished(w, &frmTest::runFinished);
    w->Timer1_Timer();
    for (const QString &t : typed)
        answer(t);
    env->sound.clear();
    TestUi::click(w->btnStopTest);
    QVERIFY(w->resultsShown());
    // The stopped run is told once, as scored.
    QCOMPARE(finished.count(), 1);
    const auto run = finished.first().first().value<TestRun>();
    QVERIFY(run.stoppedEarly());
    QCOMPARE(run.answers(), typed);
    QCOMPARE(run.rows(), rows);
    QCOMPARE(run.missedWords().size(), 5 - typed.size());
    QVERIFY(Panels::isShown(w->pnlResults));
    QCOMPARE(items(w->lstYours), rows);
    QCOMPARE(w->lblScore->text(), score);
    // No finish prompt: straight to the reaction.
    QCOMPARE(env->sound.lines(), (QStringList{u"Close"_s, u"Open "_s + env->appDir() + u"brrrr.wav"_s, u"Play"_s}));
}

void TestTestWindow::scoreShown_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("score");
    QTest::addColumn<QString>("sound");
    QTest::addColumn<bool>("smiley");
    QTest::newRow("2 of 3") << QStringList{u"Ant"_s, u"b ee"_s, u"CAT"_s}
                            << QStringList{u"Ant"_s, u"b ee  XXX"_s, u"CAT"_s} << u"You scored a 66%"_s
                            << u"brrrr.wav"_s << false;
    QTest::newRow("all right, any case") << QStringList{u"ANT"_s, u"bee"_s, u"Cat"_s}
                                         << QStringList{u"ANT"_s, u"bee"_s, u"Cat"_s} << u"You scored a 100%"_s
                                         << u"whoopie.wav"_s << true;
}

void TestTestWindow::scoreShown()
{
    QFETCH(QStringList, typed);
    QFETCH(QStringList, rows);
    QFETCH(QString, score);
    QFETCH(QString, sound);
    QFETCH(bool, smiley);
    QVERIFY(open({u"ant"_s, u"bee"_s, u"cat"_s}));
    w->Timer1_Timer();
    for (const QString &t : typed)
        answer(t);
    QCOMPARE(items(w->lstCorrect), (QStringList{u"ant"_s, u"bee"_s, u"cat"_s}));
    QCOMPARE(items(w->lstYours), rows);
    QCOMPARE(w->lblScore->text(), score);
    QCOMPARE(env->sound.played().last(), env->appDir() + sound);
    QCOMPARE(!w->picSmile->isHidden(), smiley);
}

void TestTestWindow::missedWordsReplay()
{
    QVERIFY(open({u"a"_s, u"bee"_s, u"cat"_s, u"dog"_s}));
    w->Timer1_Timer();
    for (const QString &t : {u"A"_s, u"be"_s, u"cat"_s, u"dgo"_s})
        answer(t);
    QCOMPARE(items(w->lstYours), (QStringList{u"A"_s, u"be  XXX"_s, u"cat"_s, u"dgo  XXX"_s}));

    env->sound.clear();
    TestUi::click(w->btnHearMissedWords);
    QCOMPARE(env->sound.lines(), (QStringList{u"Close"_s, u"Open "_s + dir + u"bee.wav (wait)"_s, u"Play (wait)"_s,
                                              u"Close"_s, u"Open "_s + dir + u"dog.wav (wait)"_s, u"Play (wait)"_s}));
    // Pressed again: the same words, marks not doubled.
    env->sound.clear();
    TestUi::click(w->btnHearMissedWords);
    QCOMPARE(env->sound.played(), (QStringList{dir + u"bee.wav"_s, dir + u"dog.wav"_s}));
    QCOMPARE(items(w->lstYours).at(1), QStringLiteral("be  XXX"));
}

void TestTestWindow::wrongRowComparesLetters()
{
    QVERIFY(open({u"because"_s, u"cat"_s}));
    w->Timer1_Timer();
    answer(u"becuase"_s);
    answer(u"cat"_s);
    QVERIFY(w->resultsShown());
    const auto clickRow = [this](int row) {
        const QRect at = w->lstYours->visualRect(w->lstYours->model()->index(row, 0));
        QTest::mouseClick(w->lstYours->viewport(), Qt::LeftButton, {}, at.center());
    };
    // The wrong row: where it went wrong, in letters and in words for a screen reader.
    clickRow(0);
    QVERIFY(w->lblCompare->isVisible());
    QAccessibleInterface *said = QAccessible::queryAccessibleInterface(w->lblCompare);
    QVERIFY(said);
    QCOMPARE(said->text(QAccessible::Description), u"you wrote becuase: the a and the u are swapped"_s);
    // A right row shows nothing.
    clickRow(1);
    QVERIFY(!w->lblCompare->isVisible());
}

void TestTestWindow::nothingAcceptedAfterResults()
{
    QVERIFY(open({u"ant"_s, u"bee"_s}));
    QSignalSpy finished(w, &frmTest::runFinished);
    w->Timer1_Timer();
    answer(QStringLiteral("ant"));
    answer(QStringLiteral("bee"));
    QVERIFY(w->resultsShown());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().value<TestRun>().percent(), 100);
    const QStringList rows = items(w->lstYours);
    env->sound.clear();

    QTest::keyClicks(w->txtWord, QStringLiteral("cat"));
    QVERIFY(w->txtWord->text().isEmpty());
    QTest::keyClick(w->txtWord, Qt::Key_Return);
    QTest::keyClick(w, Qt::Key_Return);
    QTest::keyClick(w->lstYours, Qt::Key_Return);
    TestUi::click(w->btnNext);
    TestUi::click(w->btnStopTest);
    TestUi::click(w->btnRepeat);
    w->btnNext_Click();
    w->btnStopTest_Click();
    w->Timer1_Timer();

    QCOMPARE(items(w->lstTries), (QStringList{u"ant"_s, u"bee"_s}));
    QCOMPARE(items(w->lstYours), rows);
    QCOMPARE(finished.count(), 1); // scored once only
    QVERIFY(env->sound.log.isEmpty());
    QVERIFY(!w->txtWord->isEnabled() || !w->txtWord->isVisible());
    QVERIFY(w->focusWidget() != w->txtWord);
}

void TestTestWindow::leaving_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("Exit Test Results") << true;
    QTest::newRow("close box") << false;
}

void TestTestWindow::leaving()
{
    QFETCH(bool, byButton);
    QVERIFY(open({u"ant"_s}));
    QPointer<frmTest> window = w;
    w->Timer1_Timer();
    answer(QStringLiteral("ant"));
    if (byButton)
        TestUi::click(w->btnExitResults);
    else
        w->close();
    TestUi::settle();
    QVERIFY(!window);
    QVERIFY(!Forms::find(Windows::Test));
    QVERIFY(Forms::find(Windows::Choice));
    QVERIFY(Forms::find(Windows::Choice)->isVisible());
    QCOMPARE(StubMenu::made, 1);
}

void TestTestWindow::closedDuringStartPrompt()
{
    QVERIFY(open({u"ant"_s}));
    env->sound.setDuration(env->appDir() + u"starttest.wav"_s, 3000);
    QPointer<frmTest> window = w;
    QTimer::singleShot(50, w, [this] { w->close(); });
    QElapsedTimer clock;
    clock.start();
    w->Timer1_Timer();
    QVERIFY(clock.elapsed() < 2000); // the prompt stopped with the window
    QVERIFY(!env->sound.played().contains(dir + u"ant.wav"_s));
    QVERIFY(env->dialogs.boxes.isEmpty());
    TestUi::settle();
    QVERIFY(!window);
    QVERIFY(Forms::find(Windows::Choice));
}

QTEST_MAIN(TestTestWindow)
#include "tst_frmTest.moc"
