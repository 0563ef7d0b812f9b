// Recording words in the authoring window: the word checks, the device commands,
// recording again, deleting, and a failed save.
#include "maint_helpers.h"

#include "core/appstate.h"
#include "core/mmcontrol.h"
#include "core/testlibrary.h"

#include <QElapsedTimer>
#include <QFile>

using namespace Maint;
using namespace Qt::StringLiterals;

class tst_MaintWords : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void typedWord_data();
    void typedWord();
    void recordAgainFromReview();
    void listenWaitsForTheEnd();
    void reRecordListedWord_data();
    void reRecordListedWord();
    void deleteWord_data();
    void deleteWord();
    void failedSaveKeepsTheReview();
    void levelMeterFollowsTheDevice();

private:
    // A window on the word list of Test_Fruit (apple, banana, cherry).
    static frmMaint *onFruit(TestEnv &env);
};

frmMaint *tst_MaintWords::onFruit(TestEnv &env)
{
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s, u"banana"_s, u"cherry"_s});
    frmMaint *w = open();
    w->btnEdit_Click();
    select(w->LstTests, u"Test_Fruit"_s);
    w->btnEditTest_Click();
    env.sound.clear();
    return w;
}

// typed text; accepted word ("" refused); message's first line; txtWord after.
void tst_MaintWords::typedWord_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("textAfter");
    const QString cannot = u"cannot be recorded as a file."_s;
    QTest::newRow("trimmed") << u"  fig "_s << u"fig"_s << QString() << u"fig"_s;
    QTest::newRow("case differs") << u"Apple"_s << u"Apple"_s << QString() << u"Apple"_s;
    QTest::newRow("inner blank") << u"ice cream"_s << u"ice cream"_s << QString() << u"ice cream"_s;
    QTest::newRow("empty") << u"   "_s << QString() << u"A typed word is needed before recording."_s << QString();
    QTest::newRow("listed") << u" apple "_s << QString() << u"This word has already been recorded."_s
                            << u"apple"_s;
    QTest::newRow("parent") << u"../../zqx"_s << QString() << cannot << u"../../zqx"_s;
    QTest::newRow("separator") << u" a/zqx"_s << QString() << cannot << u" a/zqx"_s;
    QTest::newRow("dot dot") << u".."_s << QString() << cannot << u".."_s;
    QTest::newRow("hidden") << u".zqx"_s << QString() << cannot << u".zqx"_s;
    QTest::newRow("holds .wav") << u"zqx.wav"_s << QString() << cannot << u"zqx.wav"_s;
    QTest::newRow("control") << u"zq\u0007x"_s << QString() << cannot << u"zq\u0007x"_s;
    QTest::newRow("too long") << QString(251, u'z') << QString() << cannot << QString(251, u'z');
}

void tst_MaintWords::typedWord()
{
    QFETCH(QString, typed);
    QFETCH(QString, word);
    QFETCH(QString, message);
    QFETCH(QString, textAfter);
    TestEnv env;
    frmMaint *w = onFruit(env);
    const QStringList before = snapshot(env.appDir());
    w->btnAddWord_Click();
    w->txtWord->setText(typed);
    w->btnRecordWord_Click();
    QCOMPARE(w->txtWord->text(), textAfter);
    if (word.isEmpty()) {
        QCOMPARE(env.dialogs.boxes.size(), 1);
        const ScriptedDialogs::Box box = env.dialogs.boxes.first();
        QVERIFY2(box.text.section(u'\n', 0, 0).contains(message), qPrintable(box.text));
        QCOMPARE(box.icon, typed.trimmed().isEmpty() ? MsgIcon::None : MsgIcon::Information);
        QCOMPARE(box.title, u"Wordaroo"_s);
        QCOMPARE(shownPanel(w), u"pnlTypeWord"_s);
        QCOMPARE(enterName(w), u"btnRecordWord"_s);
        QCOMPARE(w->txtWord->hasSelectedText(), message.startsWith(u"This word"_s));
        // Refused before recording: the device is not touched, nothing is written.
        QVERIFY(env.sound.log.isEmpty());
        QCOMPARE(snapshot(env.appDir()), before);
        return;
    }
    QVERIFY(env.dialogs.boxes.isEmpty());
    QCOMPARE(w->lblWordToRecord->text(), word);
    QCOMPARE(shownPanel(w), u"pnlRecord"_s);
    QCOMPARE(enterName(w), u"btnBeginRecord"_s);
    w->btnBeginRecord_Click();
    w->btnBeginRecord_Click();
    w->btnSaveWord_Click();
    QCOMPARE(items(w->List1), (QStringList{u"apple"_s, u"banana"_s, u"cherry"_s, word}));
    QVERIFY(QFileInfo(env.appDir() + u"Test_Fruit/"_s + word + u".wav"_s).isFile());
    QCOMPARE(TestLibrary::wordsOf(Shared::TestDir).size(), 4);
}

// Record, stop, record again, stop, save: the device records into the same file
// again, and the word is listed once.
void tst_MaintWords::recordAgainFromReview()
{
    TestEnv env;
    frmMaint *w = onFruit(env);
    w->btnAddWord_Click();
    w->txtWord->setText(u"kiwi"_s);
    w->btnRecordWord_Click();
    w->btnBeginRecord_Click();
    w->btnBeginRecord_Click();
    w->btnReRecord_Click();
    QCOMPARE(shownPanel(w), u"pnlRecord"_s);
    QCOMPARE(w->lblRecording->text(), u"When ready press ENTER to begin Recording"_s);
    QCOMPARE(w->btnBeginRecord->text(), frmMaint::BeginCaption);
    w->btnBeginRecord_Click();
    w->btnBeginRecord_Click();
    w->btnSaveWord_Click();
    const QString file = Shared::TestDir + u"kiwi.wav"_s;
    const QStringList once{u"Close"_s, u"Open "_s + file, u"Record"_s, u"Stop"_s, u"Prev"_s};
    QStringList first = once;
    first[0] = u"Close (wait)"_s; // the load set wait on for the first command only
    QCOMPARE(env.sound.lines(), first + once + QStringList{u"Save"_s});
    QCOMPARE(items(w->List1).count(u"kiwi"_s), 1);
}

void tst_MaintWords::listenWaitsForTheEnd()
{
    TestEnv env;
    frmMaint *w = onFruit(env);
    w->btnAddWord_Click();
    w->txtWord->setText(u"kiwi"_s);
    w->btnRecordWord_Click();
    w->btnBeginRecord_Click();
    w->btnBeginRecord_Click();
    env.sound.clear();
    env.sound.setDuration(Shared::TestDir + u"kiwi.wav"_s, 300);
    QElapsedTimer t;
    t.start();
    w->btnListen_Click();
    QVERIFY2(t.elapsed() >= 250, "Listen returns when the word has been played");
    QCOMPARE(env.sound.lines(), (QStringList{u"Play (wait)"_s, u"Prev"_s}));
    QCOMPARE(shownPanel(w), u"pnlReviewSound"_s);
    QCOMPARE(enterName(w), u"btnSaveWord"_s);
}

void tst_MaintWords::reRecordListedWord_data()
{
    QTest::addColumn<MsgResult>("answer");
    QTest::newRow("yes") << MsgResult::Yes;
    QTest::newRow("no") << MsgResult::No;
}

// Recording a listed word again moves it to the end of the list.
void tst_MaintWords::reRecordListedWord()
{
    QFETCH(MsgResult, answer);
    TestEnv env;
    frmMaint *w = onFruit(env);
    select(w->List1, u"apple"_s);
    env.dialogs.answers = {answer};
    w->btnReRecordWord_Click();
    const ScriptedDialogs::Box box = env.dialogs.boxes.value(0);
    QCOMPARE(box.text, u"Record apple again?"_s);
    QCOMPARE(box.title, u"Re-Record?"_s);
    QCOMPARE(box.icon, MsgIcon::Question);
    if (answer == MsgResult::No) {
        QCOMPARE(items(w->List1), (QStringList{u"apple"_s, u"banana"_s, u"cherry"_s}));
        QCOMPARE(shownPanel(w), u"pnlWordList"_s);
        return;
    }
    QCOMPARE(items(w->List1), (QStringList{u"banana"_s, u"cherry"_s}));
    QCOMPARE(shownPanel(w), u"pnlRecord"_s);
    QCOMPARE(enterName(w), u"btnBeginRecord"_s);
    QCOMPARE(w->lblWordToRecord->text(), u"apple"_s);
    w->btnBeginRecord_Click();
    w->btnBeginRecord_Click();
    w->btnSaveWord_Click();
    QCOMPARE(items(w->List1), (QStringList{u"banana"_s, u"cherry"_s, u"apple"_s}));
    QCOMPARE(env.sound.lines().value(1), u"Open "_s + Shared::TestDir + u"apple.wav"_s);
}

void tst_MaintWords::deleteWord_data()
{
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<bool>("fileThere");
    QTest::newRow("yes") << MsgResult::Yes << true;
    QTest::newRow("no") << MsgResult::No << true;
    QTest::newRow("file already gone") << MsgResult::Yes << false;
}

void tst_MaintWords::deleteWord()
{
    QFETCH(MsgResult, answer);
    QFETCH(bool, fileThere);
    TestEnv env;
    frmMaint *w = onFruit(env);
    const QString file = Shared::TestDir + u"banana.wav"_s;
    if (!fileThere)
        QFile::remove(file);
    w->txtWord->setText(u"left over"_s);
    select(w->List1, u"banana"_s);
    env.dialogs.answers = {answer};
    w->btnDelWord_Click();
    const ScriptedDialogs::Box box = env.dialogs.boxes.value(0);
    QCOMPARE(box.text, u"Are you sure you want to delete\n\nbanana"_s);
    QCOMPARE(box.title, u"Delete Word?"_s);
    QCOMPARE(box.buttons, MsgButtons::YesNo);
    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(shownPanel(w), u"pnlWordList"_s);
    QCOMPARE(enterName(w), u"btnAddWord"_s);
    if (answer == MsgResult::No) {
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(w->List1->count(), 3);
        QVERIFY(env.sound.log.isEmpty());
        return;
    }
    QCOMPARE(items(w->List1), (QStringList{u"apple"_s, u"cherry"_s}));
    QCOMPARE(env.sound.lines(), QStringList{u"Close (wait)"_s});
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(QFileInfo::exists(Shared::TestDir + u"apple.wav"_s));
    // A missing file ends the operation before the word box is cleared.
    QCOMPARE(w->txtWord->text(), fileThere ? QString() : u"left over"_s);
}

// A save that writes nothing (the test folder went away) is reported, and the word
// is not listed as if it had been saved.
void tst_MaintWords::failedSaveKeepsTheReview()
{
    TestEnv env;
    frmMaint *w = onFruit(env);
    w->btnAddWord_Click();
    w->txtWord->setText(u"kiwi"_s);
    w->btnRecordWord_Click();
    w->btnBeginRecord_Click();
    w->btnBeginRecord_Click();
    QVERIFY(QDir(Shared::TestDir).removeRecursively());
    w->btnSaveWord_Click();
    QCOMPARE(env.dialogs.boxes.size(), 1);
    QVERIFY(env.dialogs.boxes.first().text.startsWith(u"The recording of \"kiwi\" could not be saved."_s));
    QCOMPARE(shownPanel(w), u"pnlReviewSound"_s);
    QCOMPARE(enterName(w), u"btnSaveWord"_s);
    QCOMPARE(items(w->List1), (QStringList{u"apple"_s, u"banana"_s, u"cherry"_s}));
    QCOMPARE(w->txtWord->text(), u"kiwi"_s);
    // Once the folder is back, saving again works.
    QVERIFY(QDir().mkpath(Shared::TestDir));
    w->btnSaveWord_Click();
    QCOMPARE(shownPanel(w), u"pnlWordList"_s);
    QCOMPARE(items(w->List1).last(), u"kiwi"_s);
}

// The meter runs only while recording and reads the device.
void tst_MaintWords::levelMeterFollowsTheDevice()
{
    TestEnv env;
    frmMaint *w = onFruit(env);
    w->btnAddWord_Click();
    w->txtWord->setText(u"kiwi"_s);
    w->btnRecordWord_Click();
    QVERIFY(!w->pbLevel->isVisibleTo(w->pnlRecord));
    QVERIFY(!w->tmrLevel->isActive());
    w->btnBeginRecord_Click();
    QVERIFY(w->pbLevel->isVisible());
    QVERIFY(w->tmrLevel->isActive());
    w->tmrLevel_Timer(); // the test device hears silence
    QCOMPARE(w->pbLevel->value(), 0);
    QCOMPARE(w->lblElapsed->text(), u"Recorded: 0:00.0"_s);
    w->btnBeginRecord_Click();
    QVERIFY(!w->tmrLevel->isActive());
    QVERIFY(!w->pbLevel->isVisibleTo(w->pnlRecord));
    QVERIFY(!w->lblElapsed->isVisibleTo(w->pnlRecord));
}

QTEST_MAIN(tst_MaintWords)
#include "tst_maint_words.moc"
