// Making and deleting tests in the authoring window: the name checks and what
// deletion may touch.
#include "maint_helpers.h"

#include "core/appstate.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Maint;
using namespace Qt::StringLiterals;

class tst_MaintTests : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newName_data();
    void newName();
    void madeTestIsListedAtOnce();
    void deleteTest_data();
    void deleteTest();
    void deleteNeverFollowsLinks();
    void deleteStopsAtSubFolder();
    void deleteLastTest();
};

// typed name, made folder ("" when refused), first line of the message ("" none).
void tst_MaintTests::newName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    const QString required = u"A test name is required for creating a new spelling test."_s;
    const QString cannot = u"cannot be used."_s;
    QTest::newRow("trimmed") << u"  Zoo Animals "_s << u"Test_Zoo Animals"_s << QString();
    QTest::newRow("case differs") << u"fruit"_s << u"Test_fruit"_s << QString();
    QTest::newRow("empty") << QString() << QString() << required;
    QTest::newRow("blanks") << u"   "_s << QString() << required;
    QTest::newRow("listed exactly") << u" Fruit"_s << QString() << u"The test: Fruit already exists."_s;
    QTest::newRow("on disk, not listed") << u"Late"_s << QString() << u"not listed as a test."_s;
    QTest::newRow("parent") << u"../zqx"_s << QString() << cannot;
    QTest::newRow("separator") << u"a/zqx"_s << QString() << cannot;
    QTest::newRow("backslash") << u"..\\zqx"_s << QString() << cannot;
    QTest::newRow("dot") << u"."_s << QString() << cannot;
    QTest::newRow("dot dot") << u".."_s << QString() << cannot;
    QTest::newRow("tab inside") << u"zq\tx"_s << QString() << cannot;
    QTest::newRow("newline") << u"zqx\n"_s << QString() << cannot;
    QTest::newRow("too long") << QString(251, u'z') << QString() << cannot;
    QTest::newRow("longest") << QString(250, u'z') << u"Test_"_s + QString(250, u'z') << QString();
}

void tst_MaintTests::newName()
{
    QFETCH(QString, typed);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    TestEnv env;
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s});
    frmMaint *w = open();
    // A folder made after the window listed the tests.
    QDir().mkpath(env.appDir() + u"Test_Late"_s);
    const QStringList before = snapshot(env.appDir());

    makeTest(w, typed);
    if (folder.isEmpty()) {
        QCOMPARE(env.dialogs.boxes.size(), 1);
        const ScriptedDialogs::Box box = env.dialogs.boxes.first();
        QVERIFY2(box.text.section(u'\n', 0, 0).contains(message), qPrintable(box.text));
        QCOMPARE(box.icon, MsgIcon::Information);
        QCOMPARE(box.buttons, MsgButtons::Ok);
        QCOMPARE(box.title, u"Wordaroo"_s);
        QCOMPARE(shownPanel(w), u"pnlNewName"_s);
        QCOMPARE(enterName(w), u"btnNewNext"_s);
        QCOMPARE(w->txtNewName->text(), typed);
        QCOMPARE(snapshot(env.appDir()), before);
        QCOMPARE(items(w->LstTests), (QStringList{u"Test_Fruit"_s}));
        QVERIFY(Shared::TestDir.isEmpty());
    } else {
        QVERIFY(env.dialogs.boxes.isEmpty());
        QVERIFY(QFileInfo(env.appDir() + folder).isDir());
        QCOMPARE(Shared::TestDir, env.appDir() + folder + u'/');
        QVERIFY(items(w->LstTests).contains(folder));
        QVERIFY(w->List1->count() == 0);
        QCOMPARE(shownPanel(w), u"pnlTypeWord"_s);
    }
}

// A test made in this window counts as listed at once; List1 starts empty even
// after another test was edited.
void tst_MaintTests::madeTestIsListedAtOnce()
{
    TestEnv env;
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s});
    frmMaint *w = open();
    w->btnEdit_Click();
    w->btnEditTest_Click();
    QCOMPARE(items(w->List1), (QStringList{u"apple"_s}));
    w->btnFinishNewTest_Click();
    makeTest(w, u"Birds"_s);
    QCOMPARE(items(w->LstTests), (QStringList{u"Test_Birds"_s, u"Test_Fruit"_s}));
    QCOMPARE(w->List1->count(), 0);
    recordWord(w, u"owl"_s);
    w->btnFinishNewTest_Click();
    makeTest(w, u"Birds"_s);
    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(env.dialogs.boxes.first().text, u"The test: Birds already exists.\nPlease try a different name."_s);
}

void tst_MaintTests::deleteTest_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<QStringList>("listedAfter");
    // "Test_Fruit " (trailing blank) is shown trimmed but is itself the one deleted.
    QTest::newRow("yes") << u"Test_Fruit "_s << MsgResult::Yes << QStringList{u"Test_Fruit"_s, u"Test_Zoo"_s};
    QTest::newRow("no") << u"Test_Fruit "_s << MsgResult::No
                        << QStringList{u"Test_Fruit"_s, u"Test_Fruit "_s, u"Test_Zoo"_s};
    QTest::newRow("stale entry") << u"Test_Gone"_s << MsgResult::Yes << QStringList{u"Test_Fruit"_s, u"Test_Fruit "_s, u"Test_Zoo"_s};
}

void tst_MaintTests::deleteTest()
{
    QFETCH(QString, entry);
    QFETCH(MsgResult, answer);
    QFETCH(QStringList, listedAfter);
    TestEnv env;
    env.makeTest(u"Test_Fruit"_s, {u"apple"_s});
    env.makeTest(u"Test_Fruit "_s, {u"pear"_s, u"plum"_s});
    env.makeTest(u"Test_Zoo"_s, {});
    env.makeTest(u"Test_Gone"_s, {u"x"_s});
    frmMaint *w = open();
    QDir(env.appDir() + u"Test_Gone"_s).removeRecursively();
    w->btnEdit_Click(); // relists: the stale entry stays until then
    if (entry == u"Test_Gone"_s)
        w->LstTests->addItem(entry);
    QVERIFY(select(w->LstTests, entry));
    env.dialogs.answers = {answer};
    w->btnDeleteTest_Click();

    QCOMPARE(env.dialogs.boxes.size(), 1);
    const ScriptedDialogs::Box box = env.dialogs.boxes.first();
    QCOMPARE(box.text, u"Are you sure you want to delete\n\n"_s + entry.trimmed());
    QCOMPARE(box.title, u"Delete Test"_s);
    QCOMPARE(box.buttons, MsgButtons::YesNo);
    QCOMPARE(box.icon, MsgIcon::Question);
    QCOMPARE(items(w->LstTests), listedAfter);
    QCOMPARE(shownPanel(w), u"pnlSelectTest"_s);
    QCOMPARE(QFileInfo::exists(env.appDir() + entry), answer == MsgResult::No);
    QVERIFY(QFileInfo(env.appDir() + u"Test_Fruit/apple.wav"_s).isFile());
    if (answer == MsgResult::Yes) {
        QCOMPARE(env.sound.lines().value(0).section(u' ', 0, 0), u"Close"_s);
        QCOMPARE(QDir::currentPath() + u'/', env.appDir());
        QCOMPARE(selected(w->LstTests), listedAfter.first());
    } else {
        QVERIFY(env.sound.log.isEmpty());
    }
}

// A test that is a link, or holds links, loses only the links: what they point to
// outside the program folder stays.
void tst_MaintTests::deleteNeverFollowsLinks()
{
    TestEnv env;
    QTemporaryDir outside;
    TestEnv::writeWave(outside.filePath(u"keep.wav"_s));
    QVERIFY(QFile::link(outside.path(), env.appDir() + u"Test_Linked"_s));
    const QString holder = env.makeTest(u"Test_Holder"_s, {u"cat"_s});
    QVERIFY(QFile::link(outside.filePath(u"keep.wav"_s), holder + u"dog.wav"_s));
    QVERIFY(QFile::link(outside.path(), holder + u"dir.wav"_s));
    frmMaint *w = open();
    w->btnEdit_Click();
    for (const QString &entry : {u"Test_Linked"_s, u"Test_Holder"_s}) {
        QVERIFY(select(w->LstTests, entry));
        env.dialogs.answers = {MsgResult::Yes};
        w->btnDeleteTest_Click();
    }
    QCOMPARE(env.dialogs.boxes.size(), 2); // the two confirmations, no failure
    QVERIFY(!QFileInfo(env.appDir() + u"Test_Linked"_s).isSymLink());
    QVERIFY(!QFileInfo::exists(env.appDir() + u"Test_Holder"_s));
    QVERIFY(QFileInfo(outside.filePath(u"keep.wav"_s)).isFile());
    QCOMPARE(items(w->LstTests), QStringList());
}

void tst_MaintTests::deleteStopsAtSubFolder()
{
    TestEnv env;
    const QString dir = env.makeTest(u"Test_Nested"_s, {u"cat"_s});
    QDir().mkpath(dir + u"inner"_s);
    TestEnv::writeWave(dir + u"inner/deep.wav"_s);
    frmMaint *w = open();
    w->btnEdit_Click();
    env.dialogs.answers = {MsgResult::Yes};
    w->btnDeleteTest_Click();
    QCOMPARE(env.dialogs.boxes.size(), 2);
    const ScriptedDialogs::Box report = env.dialogs.boxes.last();
    QVERIFY2(report.text.contains(u"was not deleted"_s) && report.text.contains(u"inner"_s), qPrintable(report.text));
    QVERIFY(QFileInfo(dir + u"cat.wav"_s).isFile());
    QVERIFY(QFileInfo(dir + u"inner/deep.wav"_s).isFile());
    QCOMPARE(items(w->LstTests), (QStringList{u"Test_Nested"_s}));
    // The window goes on: the test can still be edited.
    w->btnEditTest_Click();
    QCOMPARE(items(w->List1), (QStringList{u"cat"_s}));
}

// With the last test gone, nothing deleted stays listed.
void tst_MaintTests::deleteLastTest()
{
    TestEnv env;
    env.makeTest(u"Test_Only"_s, {u"a"_s, u"b"_s});
    frmMaint *w = open();
    w->btnEdit_Click();
    env.dialogs.answers = {MsgResult::Yes};
    w->btnDeleteTest_Click();
    QVERIFY(!QFileInfo::exists(env.appDir() + u"Test_Only"_s));
    QCOMPARE(w->LstTests->count(), 0);
    // Nothing selected: Edit and Delete do nothing.
    w->btnEditTest_Click();
    w->btnDeleteTest_Click();
    QCOMPARE(shownPanel(w), u"pnlSelectTest"_s);
    QCOMPARE(env.dialogs.boxes.size(), 1);
}

QTEST_MAIN(tst_MaintTests)
#include "tst_maint_tests.moc"
