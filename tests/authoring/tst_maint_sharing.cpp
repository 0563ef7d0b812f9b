// Sharing through the authoring window: "Share Test..." writes the selected test to the
// file chosen, "Add a Shared Test..." adds one into another program folder, with the
// question when a test of that name is there already.
#include "maint_helpers.h"
#include "sharing/testarchive.h"
#include "voice/computervoice.h"

#include <QDir>
#include <QFile>

namespace
{
// Opens the select panel of a fresh authoring window.
frmMaint *selectPanel()
{
    frmMaint *w = Maint::open();
    w->pnlStart->btnEdit_Click();
    return w;
}

// Adds file through the window, answering the questions with answers.
frmMaint *addShared(TestEnv &env, const QString &file, const QList<MsgResult> &answers = {})
{
    frmMaint *w = selectPanel();
    env.dialogs.fileAnswers = {file};
    env.dialogs.answers = answers;
    TestUi::click(w->pnlSelectTest->btnAddShared);
    return w;
}

QStringList wordsShown(frmMaint *w, const QString &test)
{
    Maint::select(w->pnlSelectTest->LstTests, test);
    w->pnlSelectTest->btnEditTest_Click();
    const QStringList words = Maint::items(w->pnlWordList->List1);
    w->pnlWordList->btnFinishNewTest_Click();
    w->pnlStart->btnEdit_Click();
    return words;
}
} // namespace

class TestMaintSharing : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void cleanup() { TestUi::closeAllWindows(); }
    void roundTrip();
    void sameName_data();
    void sameName();
    void refusalShowsWhy();
};

// Shared from one program folder, added to another: the words, the computer-voice
// mark and the sentences arrive.
void TestMaintSharing::roundTrip()
{
    QTemporaryDir outside;
    const QString file = outside.path() + u"/For Gran.wordaroo"_s;
    {
        TestEnv env;
        const QString test = env.makeTest(u"Test_Animals"_s, {u"dog"_s});
        QString error;
        QVERIFY2(ComputerVoice::synthesize(u"cat"_s, test + u"/cat.wav"_s, &error), qPrintable(error));
        QVERIFY(QDir(test).mkdir(u".sentences"_s));
        TestEnv::writeWave(test + u"/.sentences/dog.wav"_s);
        frmMaint *w = selectPanel();
        QVERIFY(Maint::select(w->pnlSelectTest->LstTests, u"Test_Animals"_s));
        env.dialogs.fileAnswers = {outside.path() + u"/For Gran"_s}; // the suffix is added
        TestUi::click(w->pnlSelectTest->btnShareTest);

        QVERIFY(env.dialogs.files.first().text.endsWith(u"/Animals.wordaroo"_s)); // the suggested name
        QVERIFY(QFileInfo(file).isFile());
        QCOMPARE(env.dialogs.boxes.first().icon, MsgIcon::Information);
        TestUi::closeAllWindows();
    }
    TestEnv env;
    frmMaint *w = addShared(env, file);

    QVERIFY(env.dialogs.boxes.isEmpty());
    QCOMPARE(Maint::items(w->pnlSelectTest->LstTests), QStringList{u"Test_Animals"_s});
    QCOMPARE(Maint::selected(w->pnlSelectTest->LstTests), u"Test_Animals"_s);
    QCOMPARE(wordsShown(w, u"Test_Animals"_s), QStringList({u"cat"_s, u"dog"_s}));
    const QString dir = env.appDir() + u"Test_Animals/"_s;
    QVERIFY(ComputerVoice::isComputerVoice(dir + u"cat.wav"_s));
    QVERIFY(!ComputerVoice::isComputerVoice(dir + u"dog.wav"_s));
    QVERIFY(QFileInfo(dir + u".sentences/dog.wav"_s).isFile());
}

void TestMaintSharing::sameName_data()
{
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<QStringList>("tests");
    QTest::addColumn<QStringList>("animalsWords");
    QTest::newRow("Yes replaces it") << MsgResult::Yes << QStringList{u"Test_Animals"_s}
                                     << QStringList({u"cat"_s, u"dog"_s});
    QTest::newRow("No adds it as (3), (2) being taken")
        << MsgResult::No << QStringList({u"Test_Animals"_s, u"Test_Animals (2)"_s, u"Test_Animals (3)"_s})
        << QStringList{u"bird"_s};
}

void TestMaintSharing::sameName()
{
    QFETCH(MsgResult, answer);
    QFETCH(QStringList, tests);
    QFETCH(QStringList, animalsWords);
    QTemporaryDir outside;
    TestEnv env;
    const QString shared = env.makeTest(u"Test_Animals"_s, {u"cat"_s, u"dog"_s});
    const QString file = outside.path() + u"/Animals.wordaroo"_s;
    QVERIFY(TestArchive::exportTest(shared, file).ok());
    QDir(shared).removeRecursively();
    env.makeTest(u"Test_Animals"_s, {u"bird"_s});
    if (answer == MsgResult::No)
        env.makeTest(u"Test_Animals (2)"_s, {u"owl"_s});

    frmMaint *w = addShared(env, file, {answer});

    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(env.dialogs.boxes.first().text, u"The test: Animals already exists.\nReplace it with the shared one?"_s);
    QCOMPARE(env.dialogs.boxes.first().buttons, MsgButtons::YesNo);
    QCOMPARE(Maint::items(w->pnlSelectTest->LstTests), tests);
    QCOMPARE(Maint::selected(w->pnlSelectTest->LstTests), tests.last());
    QCOMPARE(wordsShown(w, u"Test_Animals"_s), animalsWords);
    if (answer == MsgResult::No)
        QCOMPARE(wordsShown(w, u"Test_Animals (3)"_s), QStringList({u"cat"_s, u"dog"_s}));
}

// A file that is no shared test: the box says why, and nothing is added.
void TestMaintSharing::refusalShowsWhy()
{
    QTemporaryDir outside;
    TestEnv env;
    const QString file = outside.path() + u"/Animals.wordaroo"_s;
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("not a zip archive") > 0);
    f.close();

    frmMaint *w = addShared(env, file);

    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(env.dialogs.boxes.first().text, TestArchive::inspect(file).message);
    QVERIFY(Maint::items(w->pnlSelectTest->LstTests).isEmpty());
    QCOMPARE(QDir(env.appDir()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

QTEST_MAIN(TestMaintSharing)
#include "tst_maint_sharing.moc"
