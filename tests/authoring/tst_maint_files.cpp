// What the authoring window writes: test folders made and deleted, and the options
// in the settings file, end to end with the start window's password gate.
#include "maint_helpers.h"

#include "core/platform/modinifiles.h"
#include "oddfiles.h"
#include "shell/register.h"

#include <QAction>
#include <QTemporaryDir>

using namespace Maint;

namespace
{
QString setting(const TestEnv &env, const QString &key)
{
    return modINIfiles::GetSetting(env.appDir() + u"spell.ini"_s, key, u"<missing>"_s);
}
void store(const TestEnv &env, const QString &key, const QString &value)
{
    modINIfiles::WriteSetting(env.appDir() + u"spell.ini"_s, key, value);
}
} // namespace

class tst_MaintFiles : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void newName_data();
    void newName();
    void deleteTest_data();
    void deleteTest();
    void deleteNeverFollowsLinks();
    void deleteStopsAtSubFolder();
    void optionsShowStored_data();
    void optionsShowStored();
    void optionsSave_data();
    void optionsSave();
    void optionsKeepTheirBoxes();
    void optionsNeverWriteThroughALink();
    void passwordGateEndToEnd();
};

// typed name; folder made ("" refused); text in the message's first line.
void tst_MaintFiles::newName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    const QString required = u"A test name is required for creating a new spelling test."_s;
    const QString cannot = u"cannot be used."_s;
    QTest::newRow("trimmed") << u"  Zoo Animals "_s << u"Test_Zoo Animals"_s << QString();
    QTest::newRow("case differs") << u"fruit"_s << u"Test_fruit"_s << QString();
    QTest::newRow("longest") << QString(250, u'z') << u"Test_"_s + QString(250, u'z') << QString();
    QTest::newRow("blanks") << u"   "_s << QString() << required;
    QTest::newRow("listed") << u" Fruit"_s << QString() << u"The test: Fruit already exists."_s;
    QTest::newRow("made earlier") << u"Birds"_s << QString() << u"The test: Birds already exists."_s;
    QTest::newRow("on disk, not listed") << u"Late"_s << QString() << u"not listed as a test."_s;
    QTest::newRow("parent") << u"../zqx"_s << QString() << cannot;
    QTest::newRow("separator") << u"a/zqx"_s << QString() << cannot;
    QTest::newRow("backslash") << u"..\\zqx"_s << QString() << cannot;
    QTest::newRow("dot") << u"."_s << QString() << cannot;
    QTest::newRow("dot dot") << u".."_s << QString() << cannot;
    QTest::newRow("newline") << u"zqx\n"_s << QString() << cannot;
    QTest::newRow("too long") << QString(251, u'z') << QString() << cannot;
}

void tst_MaintFiles::newName()
{
    QFETCH(QString, typed);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    TestEnv env;
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s});
    frmMaint *w = open();
    QDir().mkpath(env.appDir() + u"Test_Late"_s); // made after the window listed the tests
    if (typed == u"Birds"_s) {                    // made in this window, then typed again
        makeTest(w, typed);
        recordWord(w, u"owl"_s);
        w->pnlWordList->btnFinishNewTest_Click();
    }
    const QStringList listed = items(w->pnlSelectTest->LstTests);
    const QStringList before = snapshot(env.appDir());

    makeTest(w, typed);
    if (!folder.isEmpty()) {
        QVERIFY(env.dialogs.boxes.isEmpty());
        QVERIFY(QFileInfo(env.appDir() + folder).isDir());
        QCOMPARE(env.context.TestDir(), env.appDir() + folder + u'/');
        QVERIFY(items(w->pnlSelectTest->LstTests).contains(folder));
        QCOMPARE(shownPanel(w), u"pnlTypeWord"_s);
        return;
    }
    QCOMPARE(env.dialogs.boxes.size(), 1);
    const ScriptedDialogs::Box box = env.dialogs.boxes.first();
    QVERIFY2(box.text.section(u'\n', 0, 0).contains(message), qPrintable(box.text));
    QCOMPARE(box.icon, MsgIcon::Information);
    QCOMPARE(box.buttons, MsgButtons::Ok);
    QCOMPARE(box.title, u"Wordaroo"_s);
    QCOMPARE(shownPanel(w), u"pnlNewName"_s);
    QCOMPARE(w->enterButton(), w->pnlNewName->btnNewNext);
    QCOMPARE(w->pnlNewName->txtNewName->text(), typed);
    QCOMPARE(snapshot(env.appDir()), before);
    QCOMPARE(items(w->pnlSelectTest->LstTests), listed);
}

void tst_MaintFiles::deleteTest_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<QStringList>("listedAfter");
    // "Test_Fruit " (trailing blank) is shown trimmed, but it is the one deleted.
    QTest::newRow("yes") << u"Test_Fruit "_s << MsgResult::Yes << QStringList{u"Test_Fruit"_s, u"Test_Zoo"_s};
    QTest::newRow("no") << u"Test_Fruit "_s << MsgResult::No
                        << QStringList{u"Test_Fruit"_s, u"Test_Fruit "_s, u"Test_Zoo"_s};
    QTest::newRow("empty folder") << u"Test_Zoo"_s << MsgResult::Yes << QStringList{u"Test_Fruit"_s, u"Test_Fruit "_s};
}

void tst_MaintFiles::deleteTest()
{
    QFETCH(QString, entry);
    QFETCH(MsgResult, answer);
    QFETCH(QStringList, listedAfter);
    TestEnv env;
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s});
    env.makeTest(u"Test_Fruit "_s, {u"pear"_s, u"plum"_s});
    env.makeTest(u"Test_Zoo"_s, {});
    frmMaint *w = open();
    w->pnlStart->btnEdit_Click();
    QCOMPARE(selected(w->pnlSelectTest->LstTests), u"Test_Fruit"_s);
    QVERIFY(select(w->pnlSelectTest->LstTests, entry));
    env.dialogs.answers = {answer};
    w->pnlSelectTest->btnDeleteTest_Click();
    QCOMPARE(env.dialogs.boxes.size(), 1);
    const ScriptedDialogs::Box box = env.dialogs.boxes.first();
    QCOMPARE(box.text, u"Are you sure you want to delete\n\n"_s + entry.trimmed());
    QCOMPARE(box.title, u"Delete Test"_s);
    QCOMPARE(box.buttons, MsgButtons::YesNo);
    QCOMPARE(box.icon, MsgIcon::Question);
    QCOMPARE(items(w->pnlSelectTest->LstTests), listedAfter);
    QCOMPARE(QFileInfo::exists(env.appDir() + entry), answer == MsgResult::No);
    QVERIFY(QFileInfo(env.appDir() + u"Test_Fruit/apple.wav"_s).isFile());
    QCOMPARE(shownPanel(w), u"pnlSelectTest"_s);
    if (answer == MsgResult::Yes) {
        QCOMPARE(env.sound.lines(), QStringList{u"Close (wait)"_s}); // nothing held open
        QCOMPARE(QDir::currentPath() + u'/', env.appDir());
        QCOMPARE(selected(w->pnlSelectTest->LstTests), listedAfter.first());
    }
}

// A test that is a link, or holds links, loses only the links: what they point to
// stays. With the last test gone, nothing stays listed.
void tst_MaintFiles::deleteNeverFollowsLinks()
{
    TestEnv env;
    QTemporaryDir outside;
    TestEnv::writeWave(outside.filePath(u"keep.wav"_s));
    QVERIFY(QFile::link(outside.path(), env.appDir() + u"Test_Linked"_s));
    const QString holder = env.makeTest(u"Test_Holder"_s, {u"cat"_s});
    QVERIFY(QFile::link(outside.filePath(u"keep.wav"_s), holder + u"dog.wav"_s));
    QVERIFY(QFile::link(outside.path(), holder + u"dir.wav"_s));
    frmMaint *w = open();
    w->pnlStart->btnEdit_Click();
    for (const QString &entry : {u"Test_Linked"_s, u"Test_Holder"_s}) {
        QVERIFY(select(w->pnlSelectTest->LstTests, entry));
        env.dialogs.answers = {MsgResult::Yes};
        w->pnlSelectTest->btnDeleteTest_Click();
    }
    QCOMPARE(env.dialogs.boxes.size(), 2); // the confirmations, no failure
    QVERIFY(!QFileInfo(env.appDir() + u"Test_Linked"_s).isSymLink());
    QVERIFY(!QFileInfo::exists(env.appDir() + u"Test_Holder"_s));
    QVERIFY(QFileInfo(outside.filePath(u"keep.wav"_s)).isFile());
    QCOMPARE(w->pnlSelectTest->LstTests->count(), 0);
    w->pnlSelectTest->btnEditTest_Click(); // nothing selected: nothing happens
    QCOMPARE(shownPanel(w), u"pnlSelectTest"_s);
}

// A sub-folder stops the deletion before anything is deleted, and says so.
void tst_MaintFiles::deleteStopsAtSubFolder()
{
    TestEnv env;
    const QString dir = env.makeTest(u"Test_Nested"_s, {u"cat"_s});
    QDir().mkpath(dir + u"inner"_s);
    frmMaint *w = open();
    w->pnlStart->btnEdit_Click();
    env.dialogs.answers = {MsgResult::Yes};
    w->pnlSelectTest->btnDeleteTest_Click();
    QCOMPARE(env.dialogs.boxes.size(), 2);
    const QString report = env.dialogs.boxes.last().text;
    QVERIFY2(report.contains(u"was not deleted"_s) && report.contains(u"inner"_s), qPrintable(report));
    QVERIFY(QFileInfo(dir + u"cat.wav"_s).isFile());
    QCOMPARE(items(w->pnlSelectTest->LstTests), QStringList{u"Test_Nested"_s});
    w->pnlSelectTest->btnEditTest_Click(); // the window goes on
    QCOMPARE(items(w->pnlWordList->List1), QStringList{u"cat"_s});
}

void tst_MaintFiles::optionsShowStored_data()
{
    QTest::addColumn<QString>("protect"); // "" = no settings file
    QTest::addColumn<bool>("checked");
    QTest::newRow("no file") << QString() << false;
    QTest::newRow("True") << u"True"_s << true;
    QTest::newRow("true") << u"true"_s << false;
    QTest::newRow("TRUE") << u"TRUE"_s << false;
    QTest::newRow("false") << u"false"_s << false;
}

void tst_MaintFiles::optionsShowStored()
{
    QFETCH(QString, protect);
    QFETCH(bool, checked);
    TestEnv env;
    if (!protect.isEmpty()) {
        store(env, u"Protect"_s, protect);
        store(env, u"TheWord"_s, u"Sesame Open"_s);
    }
    frmMaint *w = open();
    TestUi::click(w->pnlStart->btnOptions);
    QCOMPARE(shownPanel(w), u"pnlOptions"_s);
    QCOMPARE(w->pnlOptions->chkPassword->isChecked(), checked);
    QCOMPARE(w->pnlOptions->txtPassword->text(), checked ? u"Sesame Open"_s : QString());
}

// Checked writes both keys, exactly as typed; unchecked writes "false" and keeps
// the old password. ENTER saves.
void tst_MaintFiles::optionsSave_data()
{
    QTest::addColumn<bool>("check");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("protect");
    QTest::addColumn<QString>("theWord");
    QTest::newRow("checked") << true << u"Ab c"_s << u"True"_s << u"Ab c"_s;
    QTest::newRow("checked, empty") << true << QString() << u"True"_s << QString();
    QTest::newRow("outer blanks") << true << u" Ab c "_s << u"True"_s << u" Ab c "_s;
    QTest::newRow("in quotes") << true << u"'Ab'"_s << u"True"_s << u"'Ab'"_s;
    QTest::newRow("too long for the file") << true << QString(300, u'k') << u"True"_s << QString(254, u'k');
    QTest::newRow("unchecked") << false << u"new"_s << u"false"_s << u"old"_s;
}

void tst_MaintFiles::optionsSave()
{
    QFETCH(bool, check);
    QFETCH(QString, typed);
    QFETCH(QString, protect);
    QFETCH(QString, theWord);
    TestEnv env;
    store(env, u"Protect"_s, u"True"_s);
    store(env, u"TheWord"_s, u"old"_s);
    frmMaint *w = open();
    TestUi::click(w->pnlStart->btnOptions);
    QCOMPARE(w->pnlOptions->txtPassword->text(), u"old"_s);
    w->pnlOptions->chkPassword->setChecked(check);
    w->pnlOptions->txtPassword->setFocus();
    w->pnlOptions->txtPassword->clear();
    type(w, typed);
    enter(w);
    QCOMPARE(shownPanel(w), u"pnlStart"_s);
    QCOMPARE(setting(env, u"Protect"_s), protect);
    QCOMPARE(setting(env, u"TheWord"_s), theWord);
    // What the box shows is what the start window will compare with.
    if (check)
        QCOMPARE(w->pnlOptions->txtPassword->text(), theWord);
}

// Cancel writes nothing; the boxes keep their text for the window's life; a new
// window starts empty while protection is off.
void tst_MaintFiles::optionsKeepTheirBoxes()
{
    TestEnv env;
    frmMaint *w = open();
    w->pnlStart->btnOptions_Click();
    w->pnlOptions->chkPassword->setChecked(true);
    w->pnlOptions->txtPassword->setText(u"typed"_s);
    w->pnlOptions->btnCancelOptions_Click();
    QVERIFY(!QFileInfo::exists(env.appDir() + u"spell.ini"_s));
    w->pnlStart->btnOptions_Click();
    QVERIFY(w->pnlOptions->chkPassword->isChecked());
    w->pnlOptions->btnSaveOptions_Click();
    w->pnlStart->btnOptions_Click();
    w->pnlOptions->chkPassword->setChecked(false);
    w->pnlOptions->btnSaveOptions_Click();
    w->pnlStart->btnOptions_Click();
    QCOMPARE(w->pnlOptions->txtPassword->text(), u"typed"_s);
    delete w;
    w = open();
    w->pnlStart->btnOptions_Click();
    QVERIFY(!w->pnlOptions->chkPassword->isChecked());
    QCOMPARE(w->pnlOptions->txtPassword->text(), QString());
    w->pnlOptions->chkPassword->setChecked(true);
    w->pnlOptions->btnSaveOptions_Click();
    QCOMPARE(setting(env, u"TheWord"_s), QString());
}

// "Save Options" on a settings file that links elsewhere: one error box, the link
// and its target untouched, and the panel closes as after any save.
void tst_MaintFiles::optionsNeverWriteThroughALink()
{
    TestEnv env;
    const OddFile link(env.appDir() + u"spell.ini"_s, OddFile::LinkOutside);
    QVERIFY(link.ok());
    const QByteArray before = link.state();
    frmMaint *w = open();
    w->pnlStart->btnOptions_Click();
    QCOMPARE(env.dialogs.boxes.size(), 1); // reading it is refused too
    w->pnlOptions->chkPassword->setChecked(true);
    w->pnlOptions->txtPassword->setText(u"pw"_s);
    TestUi::click(w->pnlOptions->btnSaveOptions);
    QCOMPARE(shownPanel(w), u"pnlStart"_s);
    QCOMPARE(env.dialogs.boxes.size(), 2);
    QVERIFY(env.dialogs.boxes[1].text.startsWith(u"WriteSetting: \n"_s));
    QVERIFY(env.dialogs.boxes[1].text.contains(u"is a symbolic link, not a plain file."_s));
    QCOMPARE(link.state(), before);
    QFile target(link.outsideTarget());
    QVERIFY(target.open(QIODevice::ReadOnly));
    QCOMPARE(target.readAll(), OddFile::OutsideContents);
}

// Set a password here, leave, come back through the start window: a wrong answer
// is refused, the right one lets in, and protection off lets in without asking.
void tst_MaintFiles::passwordGateEndToEnd()
{
    TestEnv env;
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s});
    Shell::registerWindows();
    Authoring::registerWindows();
    Form *login = Forms::show(Windows::Login);
    QVERIFY(login);
    auto *create = login->findChild<QAction *>(u"mnuCreate"_s);
    QVERIFY(create);

    create->trigger();
    auto *w = Forms::find<frmMaint>(Windows::Maint);
    QVERIFY(w && !login->isVisible() && env.dialogs.prompts.isEmpty());
    w->pnlStart->btnOptions_Click();
    w->pnlOptions->chkPassword->setChecked(true);
    w->pnlOptions->txtPassword->setText(u"Kanga Roo"_s);
    w->pnlOptions->btnSaveOptions_Click();
    makeTest(w, u"Birds"_s);
    w->pnlStart->btnExit_Click();
    TestUi::settle();
    QVERIFY(login->isVisible());
    QCOMPARE(items(login->findChild<QListWidget *>(u"lstTests"_s)), (QStringList{u"Test_Birds"_s, u"Test_Fruit"_s}));

    env.dialogs.inputAnswers = {u"kanga roo"_s};
    create->trigger();
    QCOMPARE(env.dialogs.boxes.last().title, u"Incorrect Password"_s);
    QVERIFY(!Forms::find(Windows::Maint));

    env.dialogs.inputAnswers = {u"Kanga Roo"_s};
    create->trigger();
    w = Forms::find<frmMaint>(Windows::Maint);
    QVERIFY(w);
    w->pnlStart->btnOptions_Click();
    QCOMPARE(w->pnlOptions->txtPassword->text(), u"Kanga Roo"_s);
    w->pnlOptions->chkPassword->setChecked(false);
    w->pnlOptions->btnSaveOptions_Click();
    w->close();
    TestUi::settle();

    create->trigger();
    QCOMPARE(env.dialogs.prompts.size(), 2); // not asked a third time
    QVERIFY(Forms::find(Windows::Maint));
    QCOMPARE(setting(env, u"TheWord"_s), u"Kanga Roo"_s);
    QVERIFY(!env.ended);
}

QTEST_MAIN(tst_MaintFiles)
#include "tst_maint_files.moc"
