// The test library rules: which entries list as tests, in which order, and how a
// test folder's file names become its words.
#include "core/platform/appcontext.h"
#include "core/platform/dirsearch.h"
#include "core/platform/testlibrary.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTest>

#include <unistd.h>

class TstTestLibrary : public QObject
{
    Q_OBJECT

    static void touch(const QString &path)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

  private Q_SLOTS:
    void listsFoldersAndFilesIgnoringCase()
    {
        TestEnv env;
        QDir app(env.appDir());
        app.mkdir(QStringLiteral("Test_Animals"));
        app.mkdir(QStringLiteral("TEST_Spring"));
        app.mkdir(QStringLiteral("test_birds"));
        app.mkdir(QStringLiteral(".Test_hidden"));
        app.mkdir(QStringLiteral("Tests")); // no underscore: not a test
        app.mkdir(QStringLiteral("MyTest_x"));
        touch(env.appDir() + QStringLiteral("Test_notes.txt"));
        QCOMPARE(TestLibrary::listTests(env.appDir()),
                 QStringList({QStringLiteral("Test_Animals"), QStringLiteral("test_birds"),
                              QStringLiteral("Test_notes.txt"), QStringLiteral("TEST_Spring")}));
    }

    void listingOrderIgnoresCase()
    {
        TestEnv env;
        QDir app(env.appDir());
        for (const char *n : {"Test_b", "TEST_C", "Test_a", "test_D"})
            app.mkdir(QString::fromLatin1(n));
        QCOMPARE(TestLibrary::listTests(env.appDir()),
                 QStringList({QStringLiteral("Test_a"), QStringLiteral("Test_b"), QStringLiteral("TEST_C"),
                              QStringLiteral("test_D")}));
    }

    void unusualNamesListExactly()
    {
        TestEnv env;
        QDir app(env.appDir());
        const QString spaced = QStringLiteral("Test_  two  words ");
        const QString unicode = QStringLiteral("Test_Bücher_日本");
        const QString longName = QStringLiteral("Test_") + QString(250, QLatin1Char('x'));
        QVERIFY(app.mkdir(spaced));
        QVERIFY(app.mkdir(unicode));
        QVERIFY(app.mkdir(longName));
        const QStringList names = TestLibrary::listTests(env.appDir());
        QCOMPARE(names.size(), 3);
        QVERIFY(names.contains(spaced));
        QVERIFY(names.contains(unicode));
        QVERIFY(names.contains(longName));
    }

    void missingOrUnreadableFolderListsNothing()
    {
        TestEnv env;
        QVERIFY(TestLibrary::listTests(env.appDir() + QStringLiteral("nowhere/")).isEmpty());
        const QString locked = env.appDir() + QStringLiteral("Test_locked");
        QDir().mkdir(locked);
        touch(locked + QStringLiteral("/cat.wav"));
        QFile::setPermissions(locked, QFileDevice::WriteOwner); // no read, no search
        env.context.setTestDir(locked + QLatin1Char('/'));
        const QStringList words = TestLibrary::wordsOf(env.context.TestDir());
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (::geteuid() != 0) // root reads every folder whatever its mode
            QVERIFY(words.isEmpty());
    }

    void wordsFromFileNames_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("plain") << QStringList{QStringLiteral("cat.wav"), QStringLiteral("dog.wav")}
                               << QStringList{QStringLiteral("cat"), QStringLiteral("dog")};
        // A stray upper-case extension is skipped wherever it comes, never empties the test.
        QTest::newRow("upper first") << QStringList{QStringLiteral("Cat.WAV"), QStringLiteral("dog.wav")}
                                     << QStringList{QStringLiteral("dog")};
        QTest::newRow("upper later") << QStringList{QStringLiteral("dog.wav"), QStringLiteral("Cat.WAV")}
                                     << QStringList{QStringLiteral("dog")};
        QTest::newRow("outer spaces trimmed")
            << QStringList{QStringLiteral(" big .wav")} << QStringList{QStringLiteral("big")};
        QTest::newRow("inner spaces kept")
            << QStringList{QStringLiteral("ice cream.wav")} << QStringList{QStringLiteral("ice cream")};
        QTest::newRow("first .wav counts")
            << QStringList{QStringLiteral("my.wav.wav")} << QStringList{QStringLiteral("my")};
        QTest::newRow("bare extension") << QStringList{QStringLiteral(".wav")} << QStringList{QString()};
        QTest::newRow("case kept") << QStringList{QStringLiteral("Monday.wav")}
                                   << QStringList{QStringLiteral("Monday")};
        QTest::newRow("no duplicate check") << QStringList{QStringLiteral("a.wav"), QStringLiteral("a .wav")}
                                            << QStringList{QStringLiteral("a"), QStringLiteral("a")};
    }
    void wordsFromFileNames()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, words);
        QCOMPARE(TestLibrary::wordsFromFileNames(files), words);
    }

    void loadWordListReadsPlainWaveFilesInOrder()
    {
        TestEnv env;
        const QString dir =
            env.makeTest(QStringLiteral("Test_Mixed"), {QStringLiteral("zebra"), QStringLiteral("apple")});
        QDir().mkdir(dir + QStringLiteral("folder.wav")); // folders are not words
        touch(dir + QStringLiteral(".hidden.wav"));       // hidden files are not words
        touch(dir + QStringLiteral("notes.txt"));
        touch(dir + QStringLiteral("Banana.wav"));
        env.context.setTestDir(dir);
        QListWidget list;
        list.addItem(QStringLiteral("stale"));
        Module1::LoadWordList(&list, env.context.TestDir());
        QStringList shown;
        for (int i = 0; i < list.count(); ++i)
            shown << list.item(i)->text();
        QCOMPARE(shown, QStringList({QStringLiteral("apple"), QStringLiteral("Banana"), QStringLiteral("zebra")}));

        env.context.setTestDir(env.appDir() + QStringLiteral("Test_Gone/"));
        Module1::LoadWordList(&list, env.context.TestDir());
        QCOMPARE(list.count(), 0);
    }

    void fillTestListSortsAndClearsWhenEmpty()
    {
        QListWidget list;
        QVERIFY(TestLibrary::fillTestList(
            &list, {QStringLiteral("Test_b"), QStringLiteral("TEST_a"), QStringLiteral("test_C")}));
        QCOMPARE(list.item(0)->text(), QStringLiteral("TEST_a"));
        QCOMPARE(list.item(2)->text(), QStringLiteral("test_C"));
        QCOMPARE(TestLibrary::addSorted(&list, QStringLiteral("Test_B2")), 2);
        // Nothing found: a deleted test must not stay listed.
        QVERIFY(!TestLibrary::fillTestList(&list, {}));
        QCOMPARE(list.count(), 0);
    }

    void unsafeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("safe");
        QTest::newRow("plain") << QStringLiteral("Animals") << true;
        QTest::newRow("spaces") << QStringLiteral("ice cream") << true;
        QTest::newRow("unicode") << QStringLiteral("Bücher") << true;
        QTest::newRow("dots inside") << QStringLiteral("a.b") << true;
        QTest::newRow("parent") << QStringLiteral("..") << false;
        QTest::newRow("self") << QStringLiteral(".") << false;
        QTest::newRow("climb") << QStringLiteral("../x") << false;
        QTest::newRow("slash") << QStringLiteral("a/b") << false;
        QTest::newRow("backslash") << QStringLiteral("a\\b") << false;
        QTest::newRow("tab") << QStringLiteral("a\tb") << false;
        QTest::newRow("newline") << QStringLiteral("a\nb") << false;
        QTest::newRow("too long") << QString(251, QLatin1Char('x')) << false;
        QTest::newRow("longest") << QString(250, QLatin1Char('x')) << true;
    }
    void unsafeNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, safe);
        QCOMPARE(TestLibrary::unsafeNameReason(name).isEmpty(), safe);
    }
};

QTEST_MAIN(TstTestLibrary)
#include "tst_testlibrary.moc"
