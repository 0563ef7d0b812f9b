// The authoring window's panel flow: which panel is shown, which button ENTER
// presses, and that hidden panels take no input.
#include "maint_helpers.h"

#include "core/appstate.h"
#include "core/mmcontrol.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>

using namespace Maint;
using namespace Qt::StringLiterals;

// Stands in for the start window: counts its relistings.
class StubLogin final : public Form
{
    Q_OBJECT
public:
    StubLogin() : Form(QStringLiteral("frmLogin")) {}
    int loads = 0;
    Q_INVOKABLE void LoadTests() { ++loads; }
};

class tst_MaintPanels : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadState();
    void enterWalksAWordThrough();
    void enterOnEditedTestAndEmptyPanels();
    void transitions_data();
    void transitions();
    void hiddenPanelsTakeNoInput();
    void exitAndCloseBoxReturnToStart_data();
    void exitAndCloseBoxReturnToStart();
    void help();
};

void tst_MaintPanels::loadState()
{
    TestEnv env;
    env.makeTest(QStringLiteral("Test_Birds"), {QStringLiteral("owl")});
    env.makeTest(QStringLiteral("Test_animals"), {QStringLiteral("cat")});
    frmMaint *w = open();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("Wordaroo Configuration"));
    QCOMPARE(w->client->size(), QSize(Twips::px(5460), Twips::px(3720)));
    QCOMPARE(w->minimumSize(), w->maximumSize());
    QCOMPARE(shownPanel(w), QStringLiteral("pnlStart"));
    QCOMPARE(w->pnlOptions->x(), Twips::px(-20000));
    QCOMPARE(w->pnlRecord->x(), Twips::px(-30000));
    // No ENTER button of its own: ENTER presses the focused button, the first one.
    QCOMPARE(enterName(w), QStringLiteral("btnMake"));
    // Listed in order ignoring case, nothing selected.
    QCOMPARE(items(w->LstTests), (QStringList{QStringLiteral("Test_animals"), QStringLiteral("Test_Birds")}));
    QVERIFY(w->LstTests->selectedItems().isEmpty());
    QCOMPARE(w->MMControl1->DeviceType, QStringLiteral("WaveAudio"));
    QVERIFY(w->MMControl1->Wait);
    QVERIFY(!w->MMControl1->Notify);
    QVERIFY(!w->MMControl1->Shareable);
    QCOMPARE(w->txtPassword->maxLength(), 254);
}

// Name, word, then ENTER four times: start, stop, save, next word.
void tst_MaintPanels::enterWalksAWordThrough()
{
    TestEnv env;
    frmMaint *w = open();
    TestUi::click(w->btnMake);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlNewName"));
    QCOMPARE(enterName(w), QStringLiteral("btnNewNext"));
    type(w, QStringLiteral("Spring"));
    enter(w);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlTypeWord"));
    QCOMPARE(enterName(w), QStringLiteral("btnRecordWord"));
    QCOMPARE(Shared::TestDir, env.appDir() + QStringLiteral("Test_Spring/"));
    QVERIFY(QFileInfo(env.appDir() + QStringLiteral("Test_Spring")).isDir());
    QVERIFY(items(w->LstTests).contains(QStringLiteral("Test_Spring")));

    type(w, QStringLiteral("tulip"));
    enter(w);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlRecord"));
    QCOMPARE(w->lblWordToRecord->text(), QStringLiteral("tulip"));
    QCOMPARE(w->btnBeginRecord->text(), frmMaint::BeginCaption);

    enter(w);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlRecord"));
    QCOMPARE(w->btnBeginRecord->text(), frmMaint::StopCaption);
    QCOMPARE(w->btnBeginRecord->palette().color(QPalette::Button), QColor(255, 128, 128));
    QCOMPARE(w->lblRecording->text(), QStringLiteral("Recording Now....Press ENTER to Stop Recording"));
    QCOMPARE(enterName(w), QStringLiteral("btnBeginRecord"));
    QVERIFY(w->pbLevel->isVisible());
    QVERIFY(w->lblElapsed->isVisible());
    QVERIFY(w->tmrLevel->isActive());

    enter(w);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlReviewSound"));
    QCOMPARE(enterName(w), QStringLiteral("btnSaveWord"));
    QCOMPARE(w->btnBeginRecord->text(), frmMaint::BeginCaption);
    QCOMPARE(w->btnBeginRecord->palette().color(QPalette::Button), QColor(128, 255, 128));
    QCOMPARE(w->lblRecording->text(), QStringLiteral("When ready press ENTER to begin Recording"));
    QVERIFY(!w->tmrLevel->isActive());
    QVERIFY(!w->pbLevel->isVisibleTo(w->pnlRecord));

    enter(w);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlWordList"));
    QCOMPARE(enterName(w), QStringLiteral("btnAddWord"));
    QCOMPARE(items(w->List1), QStringList{QStringLiteral("tulip")});
    QCOMPARE(w->txtWord->text(), QString());
    const QString file = env.appDir() + QStringLiteral("Test_Spring/tulip.wav");
    QVERIFY(QFileInfo::exists(file));
    // The load set wait on for the first command only.
    QCOMPARE(env.sound.lines(), (QStringList{QStringLiteral("Close (wait)"), QStringLiteral("Open ") + file,
                                             QStringLiteral("Record"), QStringLiteral("Stop"), QStringLiteral("Prev"),
                                             QStringLiteral("Save")}));
    QVERIFY(w->MMControl1->RecordMode);
    QVERIFY(w->MMControl1->UpdateEnabled);

    enter(w);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlTypeWord"));
}

// Edit Test leads to the word list, where ENTER adds a word; the select and start
// panels have no ENTER button.
void tst_MaintPanels::enterOnEditedTestAndEmptyPanels()
{
    TestEnv env;
    env.makeTest(QStringLiteral("Test_Fruit"), {QStringLiteral("apple"), QStringLiteral("pear")});
    frmMaint *w = open();
    TestUi::click(w->btnEdit);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlSelectTest"));
    QCOMPARE(selected(w->LstTests), QStringLiteral("Test_Fruit"));
    QCOMPARE(enterName(w), QString());
    enter(w);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlSelectTest"));
    QVERIFY(env.dialogs.boxes.isEmpty());

    TestUi::click(w->btnEditTest);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlWordList"));
    QCOMPARE(items(w->List1), (QStringList{QStringLiteral("apple"), QStringLiteral("pear")}));
    QCOMPARE(Shared::TestDir, env.appDir() + QStringLiteral("Test_Fruit/"));
    w->List1->setFocus();
    enter(w);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlTypeWord"));

    // Options: ENTER saves and returns to a start panel without ENTER button.
    delete w;
    w = open();
    TestUi::click(w->btnOptions);
    QCOMPARE(enterName(w), QStringLiteral("btnSaveOptions"));
    enter(w);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlStart"));
    QVERIFY(QFileInfo::exists(env.appDir() + QStringLiteral("spell.ini")));
    QCOMPARE(enterName(w), QString());
    enter(w);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlStart"));
}

// Rows of the flow that could go wrong, each from a fresh window: the handlers
// to press, the panel reached and its ENTER button.
void tst_MaintPanels::transitions_data()
{
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("enterButton");
    QTest::newRow("make, empty name") << QStringList{u"btnMake"_s, u"btnNewNext"_s} << u"pnlNewName"_s << u"btnNewNext"_s;
    QTest::newRow("edit, cancel") << QStringList{u"btnEdit"_s, u"btnCancelSelect"_s} << u"pnlStart"_s << u""_s;
    // No ENTER button of its own: ENTER presses the button that has the focus.
    QTest::newRow("edit, delete refused") << QStringList{u"btnEdit"_s, u"btnDeleteTest"_s} << u"pnlSelectTest"_s
                                          << u"btnDeleteTest"_s;
    QTest::newRow("edit test, finish") << QStringList{u"btnEdit"_s, u"btnEditTest"_s, u"btnFinishNewTest"_s} << u"pnlStart"_s
                                        << u""_s;
    QTest::newRow("delete word refused") << QStringList{u"btnEdit"_s, u"btnEditTest"_s, u"btnDelWord"_s} << u"pnlWordList"_s
                                         << u"btnAddWord"_s;
    QTest::newRow("add, empty word") << QStringList{u"btnEdit"_s, u"btnEditTest"_s, u"btnAddWord"_s, u"btnRecordWord"_s}
                                     << u"pnlTypeWord"_s << u"btnRecordWord"_s;
    QTest::newRow("record again from review")
        << QStringList{u"btnEdit"_s, u"btnEditTest"_s, u"btnAddWord"_s, u"+kiwi"_s, u"btnRecordWord"_s, u"btnBeginRecord"_s,
                       u"btnBeginRecord"_s, u"btnReRecord"_s}
        << u"pnlRecord"_s << u"btnBeginRecord"_s;
    QTest::newRow("listen keeps save") << QStringList{u"btnEdit"_s, u"btnEditTest"_s, u"btnAddWord"_s, u"+kiwi"_s,
                                                      u"btnRecordWord"_s, u"btnBeginRecord"_s, u"btnBeginRecord"_s,
                                                      u"btnListen"_s}
                                       << u"pnlReviewSound"_s << u"btnSaveWord"_s;
    QTest::newRow("options cancel") << QStringList{u"btnOptions"_s, u"btnCancelOptions"_s} << u"pnlStart"_s << u""_s;
}

void tst_MaintPanels::transitions()
{
    QFETCH(QStringList, presses);
    QFETCH(QString, panel);
    QFETCH(QString, enterButton);
    TestEnv env;
    env.makeTest(QStringLiteral("Test_Fruit"), {QStringLiteral("apple")});
    frmMaint *w = open();
    for (const QString &p : presses) {
        if (p.startsWith(QLatin1Char('+'))) {
            w->txtWord->setText(p.mid(1));
            continue;
        }
        auto *b = TestUi::child<QPushButton>(w, p);
        QVERIFY(b);
        QVERIFY2(b->isVisible(), qPrintable(p));
        TestUi::click(b);
    }
    QCOMPARE(shownPanel(w), panel);
    QCOMPARE(enterName(w), enterButton);
}

void tst_MaintPanels::hiddenPanelsTakeNoInput()
{
    TestEnv env;
    env.makeTest(QStringLiteral("Test_Fruit"), {QStringLiteral("apple")});
    frmMaint *w = open();
    w->txtNewName->setText(QStringLiteral("kept"));
    // On the start panel: word list keys, ENTER and typing reach nothing hidden.
    for (const int k : {Qt::Key_A, Qt::Key_D, Qt::Key_R, Qt::Key_F}) {
        QTest::keyClick(keyTarget(w), Qt::Key(k), Qt::AltModifier);
        TestUi::settle(150); // an access key clicks after a short delay
    }
    type(w, QStringLiteral("xyz"));
    QCOMPARE(shownPanel(w), QStringLiteral("pnlStart"));
    QCOMPARE(w->txtNewName->text(), QStringLiteral("kept"));
    QCOMPARE(w->txtWord->text(), QString());
    QVERIFY(env.dialogs.boxes.isEmpty());
    QVERIFY(env.sound.log.isEmpty());

    // The same access key works once its panel is shown.
    w->btnEdit_Click();
    select(w->LstTests, QStringLiteral("Test_Fruit"));
    w->btnEditTest_Click();
    QTest::keyClick(keyTarget(w), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(shownPanel(w), QStringLiteral("pnlTypeWord"));
    // Typing reaches the shown panel's box, never the hidden name box.
    type(w, QStringLiteral("plum"));
    QCOMPARE(w->txtWord->text(), QStringLiteral("plum"));
    QCOMPARE(w->txtNewName->text(), QStringLiteral("kept"));
    // Back on the word list's access keys: hidden now.
    QTest::keyClick(keyTarget(w), Qt::Key_F, Qt::AltModifier);
    TestUi::settle(150);
    QCOMPARE(shownPanel(w), QStringLiteral("pnlTypeWord"));
}

void tst_MaintPanels::exitAndCloseBoxReturnToStart_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Exit") << false;
    QTest::newRow("close box") << true;
}

void tst_MaintPanels::exitAndCloseBoxReturnToStart()
{
    QFETCH(bool, closeBox);
    TestEnv env;
    Forms::registerFactory(QStringLiteral("frmLogin"), [] { return new StubLogin; });
    auto *login = qobject_cast<StubLogin *>(Forms::load(QStringLiteral("frmLogin")));
    QVERIFY(login);
    frmMaint *w = open();
    login->hide();
    QSignalSpy gone(w, &QObject::destroyed);
    w->btnMake_Click(); // from any panel
    if (closeBox)
        w->close();
    else
        w->btnExit_Click();
    TestUi::settle();
    QCOMPARE(gone.count(), 1);
    QCOMPARE(login->loads, 1);
    QVERIFY(login->isVisible());
    QVERIFY(!Forms::find(QStringLiteral("frmMaint")));
}

void tst_MaintPanels::help()
{
    TestEnv env;
    frmMaint *w = open();
    w->btnOptions_Click();
    QCOMPARE(w->mnuHelp->text(), QStringLiteral("&Help"));
    QVERIFY(w->menuBar->actions().contains(w->mnuHelp));
    w->mnuHelp->trigger();
    QCOMPARE(env.dialogs.helpOpened, QStringList{QStringLiteral("Spell.HLP")});
    QCOMPARE(shownPanel(w), QStringLiteral("pnlOptions"));
    QCOMPARE(enterName(w), QStringLiteral("btnSaveOptions"));
}

QTEST_MAIN(tst_MaintPanels)
#include "tst_maint_panels.moc"
