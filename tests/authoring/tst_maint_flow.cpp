// The authoring window's panel flow and word recording: which panel is shown, what
// ENTER presses, what hidden panels refuse, and the device commands sent.
#include "maint_helpers.h"

#include "authoring/authoringsession.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "voice/computervoice.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPlainTextEdit>

using namespace Maint;

// Stands in for the start window: counts its relistings.
class StubLogin final : public Form
{
    Q_OBJECT
  public:
    explicit StubLogin(AppContext &context) : Form(Windows::Login)
    {
        connect(&context.catalogue, &TestCatalogue::changed, this, [this] { ++loads; });
    }
    int loads = 0;
};

class tst_MaintFlow : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void enterWalksAWordThrough();
    void transitions_data();
    void transitions();
    void focusedButtonAnswersEnter();
    void enterInSentenceBoxUsesComputerVoice();
    void hiddenPanelsTakeNoInput();
    void exitAndCloseBoxReturnToStart_data();
    void exitAndCloseBoxReturnToStart();
    void typedWord_data();
    void typedWord();
    void reRecordMovesTheWordToTheEnd();
    void deleteWord_data();
    void deleteWord();
    void listenWaitsAndFailedSaveStays();
    void saveWithNothingRecordedSaysSo();
};

// A fresh window, a name and a word, then ENTER through record, stop, save and on.
void tst_MaintFlow::enterWalksAWordThrough()
{
    TestEnv env;
    env.makeTest(u"Test_Birds"_s, {u"owl"_s});
    env.makeTest(u"Test_animals"_s, {u"cat"_s});
    frmMaint *w = open();
    QCOMPARE(w->windowTitle(), u"Wordaroo Configuration"_s);
    QCOMPARE(w->client->size(), QSize(Twips::px(5460), Twips::px(3720)));
    QCOMPARE(shownPanel(w), u"pnlStart"_s);
    QCOMPARE(items(w->pnlSelectTest->LstTests), (QStringList{u"Test_animals"_s, u"Test_Birds"_s}));
    QVERIFY(w->pnlSelectTest->LstTests->selectedItems().isEmpty());
    QVERIFY(w->MMControl1->Wait); // the window's first command waits
    // The start panel has no ENTER button: ENTER presses the focused (first) button.
    QCOMPARE(enterName(w), u"btnMake"_s);

    enter(w);
    QCOMPARE(shownPanel(w), u"pnlNewName"_s);
    type(w, u"Spring"_s);
    enter(w);
    QCOMPARE(shownPanel(w), u"pnlTypeWord"_s);
    QCOMPARE(env.context.TestDir(), env.appDir() + u"Test_Spring/"_s);
    QVERIFY(items(w->pnlSelectTest->LstTests).contains(u"Test_Spring"_s));
    type(w, u"tulip"_s);
    enter(w);
    QCOMPARE(shownPanel(w), u"pnlRecord"_s);
    QCOMPARE(w->pnlRecord->lblWordToRecord->text(), u"tulip"_s);

    enter(w);
    QCOMPARE(w->pnlRecord->btnBeginRecord->text(), u"Stop Recording"_s);
    QCOMPARE(w->pnlRecord->btnBeginRecord->palette().color(QPalette::Button), QColor(255, 128, 128));
    QCOMPARE(w->pnlRecord->lblRecording->text(), u"Recording Now....Press ENTER to Stop Recording"_s);
    QVERIFY(w->pnlRecord->pbLevel->isVisible() && w->pnlRecord->lblElapsed->isVisible() &&
            w->pnlRecord->tmrLevel->isActive());
    w->pnlRecord->tmrLevel_Timer(); // the test device hears silence
    QCOMPARE(w->pnlRecord->lblElapsed->text(), u"Recorded: 0:00.0"_s);

    enter(w);
    QCOMPARE(shownPanel(w), u"pnlReviewSound"_s);
    QCOMPARE(w->pnlRecord->btnBeginRecord->text(), u"Begin Recording Now"_s);
    QCOMPARE(w->pnlRecord->btnBeginRecord->palette().color(QPalette::Button), QColor(128, 255, 128));
    QCOMPARE(w->pnlRecord->lblRecording->text(), u"When ready press ENTER to begin Recording"_s);
    QVERIFY(!w->pnlRecord->tmrLevel->isActive() && !w->pnlRecord->pbLevel->isVisibleTo(w->pnlRecord));

    enter(w);
    QCOMPARE(shownPanel(w), u"pnlWordList"_s);
    QCOMPARE(items(w->pnlWordList->List1), QStringList{u"tulip"_s});
    QCOMPARE(w->pnlTypeWord->txtWord->text(), QString());
    const QString file = env.appDir() + u"Test_Spring/tulip.wav"_s;
    QVERIFY(QFileInfo(file).isFile());
    // The load's wait applies to the first command only.
    QCOMPARE(env.sound.lines(),
             (QStringList{u"Close (wait)"_s, u"Open "_s + file, u"Record"_s, u"Stop"_s, u"Prev"_s, u"Save"_s}));
    QVERIFY(w->MMControl1->RecordMode && w->MMControl1->UpdateEnabled);
    enter(w);
    QCOMPARE(shownPanel(w), u"pnlTypeWord"_s);
}

// Rows that could go wrong, each from a fresh window: the buttons clicked ("+x"
// types x as the word), the panel reached and what ENTER presses there.
void tst_MaintFlow::transitions_data()
{
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("enterButton");
    const QStringList toReview{u"btnEdit"_s,       u"btnEditTest"_s,    u"btnAddWord"_s,    u"+kiwi"_s,
                               u"btnRecordWord"_s, u"btnBeginRecord"_s, u"btnBeginRecord"_s};
    QTest::newRow("empty name") << QStringList{u"btnMake"_s, u"btnNewNext"_s} << u"pnlNewName"_s << u"btnNewNext"_s;
    QTest::newRow("edit test") << QStringList{u"btnEdit"_s, u"btnEditTest"_s} << u"pnlWordList"_s << u"btnAddWord"_s;
    QTest::newRow("cancel select") << QStringList{u"btnEdit"_s, u"btnCancelSelect"_s} << u"pnlStart"_s << QString();
    QTest::newRow("delete answered no") << QStringList{u"btnEdit"_s, u"btnDeleteTest"_s} << u"pnlSelectTest"_s
                                        << u"btnDeleteTest"_s; // no ENTER button: the focused one
    QTest::newRow("finish") << QStringList{u"btnEdit"_s, u"btnEditTest"_s, u"btnFinishNewTest"_s} << u"pnlStart"_s
                            << QString();
    QTest::newRow("delete word, none selected")
        << QStringList{u"btnEdit"_s, u"btnEditTest"_s, u"btnDelWord"_s} << u"pnlWordList"_s
        << u"btnDelWord"_s; // the clicked button keeps the focus and answers ENTER
    QTest::newRow("empty word") << QStringList{u"btnEdit"_s, u"btnEditTest"_s, u"btnAddWord"_s, u"btnRecordWord"_s}
                                << u"pnlTypeWord"_s << u"btnRecordWord"_s;
    QTest::newRow("record again") << toReview + QStringList{u"btnReRecord"_s} << u"pnlRecord"_s << u"btnBeginRecord"_s;
    QTest::newRow("listen") << toReview + QStringList{u"btnListen"_s} << u"pnlReviewSound"_s << u"btnListen"_s;
    QTest::newRow("options") << QStringList{u"btnOptions"_s} << u"pnlOptions"_s << u"btnSaveOptions"_s;
    QTest::newRow("options cancel") << QStringList{u"btnOptions"_s, u"btnCancelOptions"_s} << u"pnlStart"_s
                                    << QString();
    QTest::newRow("help") << QStringList{u"btnOptions"_s, u"mnuHelp"_s} << u"pnlOptions"_s << u"btnSaveOptions"_s;
}

void tst_MaintFlow::transitions()
{
    QFETCH(QStringList, presses);
    QFETCH(QString, panel);
    QFETCH(QString, enterButton);
    TestEnv env;
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s});
    frmMaint *w = open();
    for (const QString &p : presses) {
        if (p.startsWith(u'+')) {
            w->pnlTypeWord->txtWord->setText(p.mid(1));
        } else if (p == u"mnuHelp"_s) {
            w->mnuHelp->trigger();
            QCOMPARE(env.dialogs.helpOpened, QStringList{u"Spell.HLP"_s});
        } else {
            auto *b = TestUi::child<QPushButton>(w, p);
            QVERIFY2(b && b->isVisible(), qPrintable(p));
            TestUi::click(b);
        }
    }
    QCOMPARE(shownPanel(w), panel);
    // What ENTER would press: the default button if it is on screen.
    QPushButton *b = w->enterButton();
    QCOMPARE(b && b->isVisible() ? b->objectName() : QString(), enterButton);
}

// ENTER on a focused button presses it, whatever the panel's own ENTER button is.
void tst_MaintFlow::focusedButtonAnswersEnter()
{
    TestEnv env;
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s});
    frmMaint *w = open();
    for (const QString &p : {u"btnEdit"_s, u"btnEditTest"_s, u"btnTypeList"_s})
        TestUi::click(TestUi::child<QPushButton>(w, p));
    w->pnlWordLists->txtWordList->setPlainText(u"owl"_s);
    w->pnlWordLists->btnAddTheseWords->setFocus();
    QTest::keyClick(w->pnlWordLists->btnAddTheseWords, Qt::Key_Return);
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"apple"_s, u"owl"_s}));
}

// ENTER in the box of a typed sentence says it with the computer voice, as the button
// beside it does; the microphone is not started.
void tst_MaintFlow::enterInSentenceBoxUsesComputerVoice()
{
    TestEnv env;
    frmMaint *w = open();
    makeTest(w, u"Sounds"_s);
    w->session->setWord(u"there"_s); // as "Add a Sentence" leaves it
    w->session->setTake(AuthoringSession::Take::Sentence);
    w->showPage(MaintPage::Record);
    QTest::keyClicks(w->pnlRecord->txtSentence, u"Put it over there."_s);
    QTest::keyClick(w->pnlRecord->txtSentence, Qt::Key_Return);
    QVERIFY(!env.sound.lines().contains(u"Record"_s));
    QVERIFY(ComputerVoice::isComputerVoice(env.context.TestDir() + u".sentences/there.wav"_s));
    QCOMPARE(shownPanel(w), u"pnlWordList"_s);
}

void tst_MaintFlow::hiddenPanelsTakeNoInput()
{
    TestEnv env;
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s});
    frmMaint *w = open();
    w->pnlNewName->txtNewName->setText(u"kept"_s);
    // The word list's access keys and typing reach nothing from the start panel.
    for (const int k : {Qt::Key_A, Qt::Key_D, Qt::Key_R, Qt::Key_F}) {
        QTest::keyClick(keyTarget(w), Qt::Key(k), Qt::AltModifier);
        TestUi::settle(150); // an access key clicks after a short delay
    }
    type(w, u"xyz"_s);
    QCOMPARE(shownPanel(w), u"pnlStart"_s);
    QCOMPARE(w->pnlNewName->txtNewName->text(), u"kept"_s);
    QVERIFY(env.dialogs.boxes.isEmpty() && env.sound.log.isEmpty());

    // Shown, the word list answers its access key; typing then reaches txtWord only.
    w->pnlStart->btnEdit_Click();
    w->pnlSelectTest->btnEditTest_Click();
    QTest::keyClick(keyTarget(w), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(shownPanel(w), u"pnlTypeWord"_s);
    type(w, u"plum"_s);
    QCOMPARE(w->pnlTypeWord->txtWord->text(), u"plum"_s);
    QCOMPARE(w->pnlNewName->txtNewName->text(), u"kept"_s);

    // The select panel has no ENTER button: the word list's (now hidden) Add Word,
    // which was the last one, is not pressed.
    w->pnlTypeWord->btnRecordWord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlReviewSound->btnSaveWord_Click();
    w->pnlWordList->btnFinishNewTest_Click();
    w->pnlStart->btnEdit_Click();
    enter(w);
    QCOMPARE(shownPanel(w), u"pnlSelectTest"_s);
}

void tst_MaintFlow::exitAndCloseBoxReturnToStart_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Exit") << false;
    QTest::newRow("close box") << true;
}

void tst_MaintFlow::exitAndCloseBoxReturnToStart()
{
    QFETCH(bool, closeBox);
    TestEnv env;
    Forms::registerFactory(Windows::Login, [](AppContext &ctx) { return new StubLogin(ctx); });
    auto *login = qobject_cast<StubLogin *>(Forms::load(Windows::Login));
    frmMaint *w = open();
    w->pnlStart->btnMake_Click();
    closeBox ? void(w->close()) : w->pnlStart->btnExit_Click();
    TestUi::settle();
    QVERIFY(!Forms::find(Windows::Maint));
    QCOMPARE(login->loads, 1);
    QVERIFY(login->isVisible());
}

// typed text; the word accepted ("" refused); start of the message; txtWord after.
void tst_MaintFlow::typedWord_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("textAfter");
    const QString refused = u"cannot be recorded as a file."_s;
    QTest::newRow("trimmed") << u"  fig "_s << u"fig"_s << QString() << u"fig"_s;
    QTest::newRow("case differs") << u"Apple"_s << u"Apple"_s << QString() << u"Apple"_s;
    QTest::newRow("empty") << u"   "_s << QString() << u"A typed word is needed before recording."_s << QString();
    QTest::newRow("listed") << u" apple "_s << QString() << u"This word has already been recorded."_s << u"apple"_s;
    QTest::newRow("parent") << u"../../zqx"_s << QString() << refused << u"../../zqx"_s;
    QTest::newRow("separator") << u" a/zqx"_s << QString() << refused << u" a/zqx"_s;
    QTest::newRow("dot dot") << u".."_s << QString() << refused << u".."_s;
    QTest::newRow("hidden") << u".zqx"_s << QString() << refused << u".zqx"_s;
    QTest::newRow("holds .wav") << u"zqx.wav"_s << QString() << refused << u"zqx.wav"_s;
    QTest::newRow("control") << u"zq\u0007x"_s << QString() << refused << u"zq\u0007x"_s;
    QTest::newRow("too long") << QString(251, u'z') << QString() << refused << QString(251, u'z');
}

void tst_MaintFlow::typedWord()
{
    QFETCH(QString, typed);
    QFETCH(QString, word);
    QFETCH(QString, message);
    QFETCH(QString, textAfter);
    TestEnv env;
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s});
    frmMaint *w = open();
    w->pnlStart->btnEdit_Click();
    w->pnlSelectTest->btnEditTest_Click();
    w->pnlWordList->btnAddWord_Click();
    const QStringList before = snapshot(env.appDir());
    w->pnlTypeWord->txtWord->setText(typed);
    w->pnlTypeWord->btnRecordWord_Click();
    QCOMPARE(w->pnlTypeWord->txtWord->text(), textAfter);
    if (!word.isEmpty()) {
        QVERIFY(env.dialogs.boxes.isEmpty());
        QCOMPARE(w->pnlRecord->lblWordToRecord->text(), word);
        QCOMPARE(shownPanel(w), u"pnlRecord"_s);
        w->pnlRecord->btnBeginRecord_Click();
        w->pnlRecord->btnBeginRecord_Click();
        w->pnlReviewSound->btnSaveWord_Click();
        QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"apple"_s, word}));
        const QStringList onDisk = TestLibrary::wordsOf(env.context.TestDir());
        QVERIFY(onDisk.size() == 2 && onDisk.contains(word));
        return;
    }
    QCOMPARE(env.dialogs.boxes.size(), 1);
    const ScriptedDialogs::Box box = env.dialogs.boxes.first();
    QVERIFY2(box.text.startsWith(message) || box.text.section(u'\n', 0, 0).endsWith(message), qPrintable(box.text));
    QCOMPARE(box.icon, typed.trimmed().isEmpty() ? MsgIcon::None : MsgIcon::Information);
    QCOMPARE(box.title, u"Wordaroo"_s);
    QCOMPARE(shownPanel(w), u"pnlTypeWord"_s);
    QCOMPARE(w->pnlTypeWord->txtWord->hasSelectedText(), message.startsWith(u"This word"_s));
    QVERIFY(env.sound.log.isEmpty()); // refused before recording
    QCOMPARE(snapshot(env.appDir()), before);
}

void tst_MaintFlow::reRecordMovesTheWordToTheEnd()
{
    TestEnv env;
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s, u"banana"_s, u"cherry"_s});
    frmMaint *w = open();
    w->pnlStart->btnEdit_Click();
    w->pnlSelectTest->btnEditTest_Click();
    select(w->pnlWordList->List1, u"apple"_s);
    w->pnlWordList->btnReRecordWord_Click(); // answered No
    QCOMPARE(env.dialogs.boxes.value(0).text, u"Record apple again?"_s);
    QCOMPARE(env.dialogs.boxes.value(0).title, u"Re-Record?"_s);
    QCOMPARE(shownPanel(w), u"pnlWordList"_s);
    QCOMPARE(w->pnlWordList->List1->count(), 3);

    env.dialogs.answers = {MsgResult::Yes};
    w->pnlWordList->btnReRecordWord_Click();
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"banana"_s, u"cherry"_s}));
    QCOMPARE(shownPanel(w), u"pnlRecord"_s);
    QCOMPARE(w->pnlRecord->lblWordToRecord->text(), u"apple"_s);
    // Recorded twice (once again from the review), listed once, at the end.
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlReviewSound->btnReRecord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlReviewSound->btnSaveWord_Click();
    QCOMPARE(items(w->pnlWordList->List1), (QStringList{u"banana"_s, u"cherry"_s, u"apple"_s}));
    QCOMPARE(env.sound.lines().value(1), u"Open "_s + env.context.TestDir() + u"apple.wav"_s);
}

void tst_MaintFlow::deleteWord_data()
{
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<bool>("fileThere");
    QTest::newRow("yes") << MsgResult::Yes << true;
    QTest::newRow("no") << MsgResult::No << true;
    QTest::newRow("file already gone") << MsgResult::Yes << false;
}

void tst_MaintFlow::deleteWord()
{
    QFETCH(MsgResult, answer);
    QFETCH(bool, fileThere);
    TestEnv env;
    const QString dir = env.makeTest(u"Test_Fruit"_s, {u"apple"_s, u"banana"_s});
    frmMaint *w = open();
    w->pnlStart->btnEdit_Click();
    w->pnlSelectTest->btnEditTest_Click();
    if (!fileThere)
        QFile::remove(dir + u"banana.wav"_s);
    w->pnlTypeWord->txtWord->setText(u"left over"_s);
    select(w->pnlWordList->List1, u"banana"_s);
    env.dialogs.answers = {answer};
    w->pnlWordList->btnDelWord_Click();
    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(env.dialogs.boxes.first().text, u"Are you sure you want to delete\n\nbanana"_s);
    QCOMPARE(env.dialogs.boxes.first().title, u"Delete Word?"_s);
    const QStringList listed =
        answer == MsgResult::Yes ? QStringList{u"apple"_s} : QStringList{u"apple"_s, u"banana"_s};
    QCOMPARE(items(w->pnlWordList->List1), listed);
    QCOMPARE(env.sound.lines(), answer == MsgResult::Yes ? QStringList{u"Close (wait)"_s} : QStringList());
    QCOMPARE(QFileInfo::exists(dir + u"banana.wav"_s), answer == MsgResult::No);
    QVERIFY(QFileInfo::exists(dir + u"apple.wav"_s));
    // A missing file ends the operation before the word box is cleared.
    QCOMPARE(w->pnlTypeWord->txtWord->text(), answer == MsgResult::Yes && fileThere ? QString() : u"left over"_s);
}

// Listen returns when the word has played; a save that writes nothing is reported
// and keeps the review, without listing the word.
void tst_MaintFlow::listenWaitsAndFailedSaveStays()
{
    TestEnv env;
    frmMaint *w = open();
    makeTest(w, u"Fruit"_s);
    w->pnlTypeWord->txtWord->setText(u"kiwi"_s);
    w->pnlTypeWord->btnRecordWord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    env.sound.clear();
    env.sound.setDuration(env.context.TestDir() + u"kiwi.wav"_s, 300);
    QElapsedTimer t;
    t.start();
    w->pnlReviewSound->btnListen_Click();
    QVERIFY(t.elapsed() >= 250);
    QCOMPARE(env.sound.lines(), (QStringList{u"Play (wait)"_s, u"Prev"_s}));

    QVERIFY(QDir(env.context.TestDir()).removeRecursively());
    w->pnlReviewSound->btnSaveWord_Click();
    QCOMPARE(env.dialogs.boxes.size(), 1);
    QVERIFY(env.dialogs.boxes.first().text.startsWith(u"The recording of \"kiwi\" could not be saved."_s));
    QCOMPARE(shownPanel(w), u"pnlReviewSound"_s);
    QCOMPARE(enterName(w), u"btnSaveWord"_s);
    QCOMPARE(w->pnlWordList->List1->count(), 0);
    QVERIFY(QDir().mkpath(env.context.TestDir()));
    w->pnlReviewSound->btnSaveWord_Click();
    QCOMPARE(items(w->pnlWordList->List1), QStringList{u"kiwi"_s});
}

// With no sound server or microphone nothing reaches the device: Save Word says so,
// saves nothing and keeps the review; a recording that does arrive is saved.
void tst_MaintFlow::saveWithNothingRecordedSaysSo()
{
    TestEnv env;
    env.sound.setRecordsNothing(true);
    frmMaint *w = open();
    makeTest(w, u"Fruit"_s);
    w->pnlTypeWord->txtWord->setText(u"kiwi"_s);
    w->pnlTypeWord->btnRecordWord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    env.sound.clear();
    enter(w);
    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(env.dialogs.boxes.first().text,
             u"Nothing was recorded.\nCheck that a microphone is connected and switched on."_s);
    QCOMPARE(env.dialogs.boxes.first().icon, MsgIcon::Information);
    QCOMPARE(shownPanel(w), u"pnlReviewSound"_s);
    QCOMPARE(enterName(w), u"btnSaveWord"_s);
    QCOMPARE(w->pnlWordList->List1->count(), 0);
    QVERIFY(env.sound.lines().isEmpty()); // no Save sent
    QVERIFY(!QFile::exists(env.context.TestDir() + u"kiwi.wav"_s));

    env.sound.setRecordsNothing(false);
    w->pnlReviewSound->btnReRecord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlRecord->btnBeginRecord_Click();
    w->pnlReviewSound->btnSaveWord_Click();
    QCOMPARE(items(w->pnlWordList->List1), QStringList{u"kiwi"_s});
    QVERIFY(QFile::exists(env.context.TestDir() + u"kiwi.wav"_s));
}

QTEST_MAIN(tst_MaintFlow)
#include "tst_maint_flow.moc"
