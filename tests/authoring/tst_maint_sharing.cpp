// Sharing through the authoring window: "Share Test..." writes the selected test to the
// file chosen, "Add a Shared Test..." adds one into another program folder, with the
// question when a test of that name is there already.
#include "maint_helpers.h"
#include "sharing/testarchive.h"
#include "voice/computervoice.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>

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
    w->btnEdit_Click();
    return w;
}

// Adds file through the window, answering the questions with answers.
frmMaint *addShared(TestEnv &env, const QString &file, const QList<MsgResult> &answers = {})
{
    frmMaint *w = selectPanel();
    env.dialogs.fileAnswers = {file};
    env.dialogs.answers = answers;
    TestUi::click(w->btnAddShared);
    return w;
}

QStringList wordsShown(frmMaint *w, const QString &test)
{
    Maint::select(w->LstTests, test);
    w->btnEditTest_Click();
    const QStringList words = Maint::items(w->List1);
    w->btnFinishNewTest_Click();
    w->btnEdit_Click();
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
        QVERIFY(Maint::select(w->LstTests, u"Test_Animals"_s));
        env.dialogs.fileAnswers = {outside.path() + u"/For Gran"_s}; // the suffix is added
        TestUi::click(w->btnShareTest);

        QVERIFY(env.dialogs.files.first().text.endsWith(u"/Animals.wordaroo"_s)); // the suggested name
        QVERIFY(QFileInfo(file).isFile());
        QCOMPARE(env.dialogs.boxes.first().icon, MsgIcon::Information);
        TestUi::closeAllWindows();
    }
    TestEnv env;
    frmMaint *w = addShared(env, file);

    QVERIFY(env.dialogs.boxes.isEmpty());
    QCOMPARE(Maint::items(w->LstTests), QStringList{u"Test_Animals"_s});
    QCOMPARE(Maint::selected(w->LstTests), u"Test_Animals"_s);
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
    QCOMPARE(Maint::items(w->LstTests), tests);
    QCOMPARE(Maint::selected(w->LstTests), tests.last());
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
    QVERIFY(Maint::items(w->LstTests).isEmpty());
    QCOMPARE(QDir(env.appDir()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

// "café" typed with a ready-made "é" and with "e" and a combining accent is one word; a
// test holding both files (made by hand) is not shared, since adding it would fail.
void TestMaintSharing::oneNormalForm_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("shared");
    QTest::newRow("typed twice") << u"typed"_s << true;
    QTest::newRow("pasted list") << u"pasted"_s << true;
    QTest::newRow("two files made by hand") << u"by hand"_s << false;
}

void TestMaintSharing::oneNormalForm()
{
    QFETCH(QString, how);
    QFETCH(bool, shared);
    const QString composed = u"caf\u00e9"_s, decomposed = u"cafe\u0301"_s;
    QTemporaryDir outside;
    TestEnv env;
    const QString dir =
        env.makeTest(u"Test_Cafe"_s, how == u"by hand"_s ? QStringList{composed, decomposed} : QStringList{u"tea"_s});
    frmMaint *w = selectPanel();
    QVERIFY(Maint::select(w->LstTests, u"Test_Cafe"_s));
    if (how != u"by hand"_s) {
        w->btnEditTest_Click();
        if (how == u"typed"_s) {
            for (const QString &word : {decomposed, composed}) {
                w->btnAddWord_Click();
                w->txtWord->setText(word);
                w->btnComputerVoice_Click();
            }
            QCOMPARE(env.dialogs.boxes.size(), 1); // the second: already recorded
        } else {
            w->btnTypeList_Click();
            w->txtWordList->setPlainText(decomposed + u'\n' + composed);
            w->btnAddTheseWords_Click();
        }
        QCOMPARE(Maint::items(w->List1), (QStringList{u"tea"_s, composed}));
        w->btnFinishNewTest_Click();
        w->btnEdit_Click();
        QVERIFY(Maint::select(w->LstTests, u"Test_Cafe"_s));
    }
    env.dialogs.boxes.clear();
    const QString file = outside.path() + u"/Cafe.wordaroo"_s;
    env.dialogs.fileAnswers = {file};
    TestUi::click(w->btnShareTest);

    QCOMPARE(env.dialogs.boxes.size(), 1);
    QCOMPARE(env.dialogs.boxes.first().icon, shared ? MsgIcon::Information : MsgIcon::Exclamation);
    QCOMPARE(QFileInfo::exists(file), shared);
    if (shared)
        QCOMPARE(TestArchive::importInto(file, outside.path(), u"Test_Cafe"_s).message, QString());
    else
        QVERIFY2(env.dialogs.boxes.first().text.contains(u"twice"_s), qPrintable(env.dialogs.boxes.first().text));
    QCOMPARE(QDir(outside.path()).entryList(QDir::Files | QDir::Hidden).size(), shared ? 1 : 0);
}

// A disk that refuses the file mid-way: the box gives the system's reason. The file size
// limit stands in for a full disk (the system answers "File too large" instead of "No
// space left on device"), and the old file at the name is kept.
void TestMaintSharing::fullDiskNamed()
{
    QTemporaryDir outside;
    TestEnv env;
    const QString test = env.makeTest(u"Test_Animals"_s, {});
    QVERIFY(ComputerVoice::synthesize(u"elephant"_s, test + u"/elephant.wav"_s, nullptr));
    const QString file = outside.path() + u"/Animals.wordaroo"_s;
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    frmMaint *w = selectPanel();
    QVERIFY(Maint::select(w->LstTests, u"Test_Animals"_s));
    env.dialogs.fileAnswers = {file};

    rlimit saved{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    TestUi::click(w->btnShareTest);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &saved) == 0);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(env.dialogs.boxes.size(), 1);
    const QString text = env.dialogs.boxes.first().text;
    QVERIFY2(text.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(text));
    QVERIFY(old.open(QIODevice::ReadOnly) && old.readAll() == "old");
    QCOMPARE(QDir(outside.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Animals.wordaroo"_s});
}

QTEST_MAIN(TestMaintSharing)
#include "tst_maint_sharing.moc"
