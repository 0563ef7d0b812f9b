// Sharing through the authoring window: "Share Test..." writes the selected test to the
// file chosen, "Add a Shared Test..." adds one into another program folder, with the
// question when a test of that name is there already.
#include "maint_helpers.h"
#include "sharing/testarchive.h"
#include "voice/computervoice.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

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
    void trickyWordsNameNotTaken();
    void oneNormalForm_data();
    void oneNormalForm();
    void fullDiskNamed();
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

    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(env.dialogs.boxes.first().text, u"Test_Animals was added with 2 words."_s);
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
    QTest::addColumn<QString>("added"); // what the last box says; empty: no second box
    QTest::newRow("Yes replaces it") << MsgResult::Yes << QStringList{u"Test_Animals"_s}
                                     << QStringList({u"cat"_s, u"dog"_s}) << u"Test_Animals was added with 2 words."_s;
    QTest::newRow("No adds it as (3), (2) being taken")
        << MsgResult::No << QStringList({u"Test_Animals"_s, u"Test_Animals (2)"_s, u"Test_Animals (3)"_s})
        << QStringList{u"bird"_s} << u"Test_Animals (3) was added with 2 words."_s;
    QTest::newRow("Cancel adds nothing") << MsgResult::Cancel << QStringList({u"Test_Animals"_s, u"Test_Animals (2)"_s})
                                         << QStringList{u"bird"_s} << QString();
}

void TestMaintSharing::sameName()
{
    QFETCH(MsgResult, answer);
    QFETCH(QStringList, tests);
    QFETCH(QStringList, animalsWords);
    QFETCH(QString, added);
    QTemporaryDir outside;
    TestEnv env;
    const QString shared = env.makeTest(u"Test_Animals"_s, {u"cat"_s, u"dog"_s});
    const QString file = outside.path() + u"/Animals.wordaroo"_s;
    QVERIFY(TestArchive::exportTest(shared, file).ok());
    QDir(shared).removeRecursively();
    env.makeTest(u"Test_Animals"_s, {u"bird"_s});
    if (answer != MsgResult::Yes)
        env.makeTest(u"Test_Animals (2)"_s, {u"owl"_s});

    frmMaint *w = addShared(env, file, {answer});

    QCOMPARE(env.dialogs.boxes.size(), added.isEmpty() ? 1 : 2);
    QCOMPARE(env.dialogs.boxes.first().text, u"The test: Animals already exists.\nReplace it with the shared one?"_s);
    QCOMPARE(env.dialogs.boxes.first().buttons, MsgButtons::YesNoCancel);
    if (!added.isEmpty())
        QCOMPARE(env.dialogs.boxes.last().text, added);
    QCOMPARE(Maint::items(w->pnlSelectTest->LstTests), tests);
    if (!added.isEmpty())
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

// A shared test named Tricky Words never takes the name of the test Wordaroo makes.
void TestMaintSharing::trickyWordsNameNotTaken()
{
    QTemporaryDir outside;
    TestEnv env;
    const QString shared = env.makeTest(u"Test_Tricky Words"_s, {u"cat"_s});
    const QString file = outside.path() + u"/Tricky.wordaroo"_s;
    QVERIFY(TestArchive::exportTest(shared, file).ok());
    QDir(shared).removeRecursively();

    frmMaint *w = addShared(env, file);

    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(Maint::items(w->pnlSelectTest->LstTests), QStringList{u"Test_Tricky Words (2)"_s});
}

// "café" typed with a ready-made "é" or with "e" and a combining accent is one word; a
// test holding both files (made by hand) is not shared, since adding it would fail.
void TestMaintSharing::oneNormalForm_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("typed twice") << u"typed"_s;
    QTest::newRow("pasted list") << u"pasted"_s;
    QTest::newRow("two files made by hand") << u"by hand"_s;
}

void TestMaintSharing::oneNormalForm()
{
    QFETCH(QString, how);
    const QString composed = u"caf\u00e9"_s, decomposed = u"cafe\u0301"_s;
    QTemporaryDir outside;
    const QString file = outside.path() + u"/Cafe.wordaroo"_s;
    TestEnv env;
    const bool byHand = how == u"by hand"_s;
    env.makeTest(u"Test_Cafe"_s, byHand ? QStringList{composed, decomposed} : QStringList{});
    frmMaint *w = selectPanel();
    w->pnlSelectTest->btnEditTest_Click();
    w->pnlWordLists->txtWordList->setPlainText(decomposed + u'\n' + composed);
    for (const QString &word : {decomposed, composed}) {
        w->pnlTypeWord->txtWord->setText(word);
        if (how == u"typed"_s)
            w->pnlTypeWord->btnComputerVoice_Click();
    }
    if (how == u"pasted"_s)
        w->pnlWordLists->btnAddTheseWords_Click();
    QCOMPARE(Maint::items(w->pnlWordList->List1).size(), byHand ? 2 : 1);
    w->pnlWordList->btnFinishNewTest_Click();
    w->pnlStart->btnEdit_Click();
    env.dialogs.boxes.clear();
    env.dialogs.fileAnswers = {file};
    TestUi::click(w->pnlSelectTest->btnShareTest);
    QCOMPARE(QFileInfo::exists(file), !byHand);
    QVERIFY2(byHand ? env.dialogs.boxes.last().text.contains(u"twice"_s)
                    : TestArchive::importInto(file, env.appDir(), u"Test_Back"_s).ok(),
             qPrintable(env.dialogs.boxes.last().text));
}

// A disk that refuses the file mid-way gives the system's reason. A file size limit stands
// in for a full disk: the system then says "File too large", not "No space left on device".
void TestMaintSharing::fullDiskNamed()
{
    TestEnv env;
    QVERIFY(ComputerVoice::synthesize(u"elephant"_s, env.makeTest(u"Test_Animals"_s, {}) + u"/elephant.wav"_s, {}));
    frmMaint *w = selectPanel();
    env.dialogs.fileAnswers = {env.appDir() + u"A.wordaroo"_s};
    rlimit saved{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    TestUi::click(w->pnlSelectTest->btnShareTest);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &saved) == 0);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY2(env.dialogs.boxes.last().text.endsWith(QString::fromLocal8Bit(std::strerror(EFBIG)) + u'.'),
             qPrintable(env.dialogs.boxes.last().text));
    QCOMPARE(QDir(env.appDir()).entryList(QDir::Files | QDir::Hidden).filter(u"ordaroo"_s), QStringList());
}

QTEST_MAIN(TestMaintSharing)
#include "tst_maint_sharing.moc"
