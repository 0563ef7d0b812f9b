// The tricky-words folder: made from the due words' recordings, remade, removed, never
// led through a link, and never taken from the user when a test of theirs has its name.
#include "core/platform/testlibrary.h"
#include "history/trickyfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_TrickyFolder : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir, m_outside;
    QString app() const { return m_dir.path() + u'/'; }
    QString tricky() const { return TrickyFolder::path(app()); }

    static void write(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Every file under dir with its contents.
    static QStringList contents(const QString &dir)
    {
        QStringList out;
        QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << it.next() + u'=' + QString::fromUtf8(read(it.filePath()));
        out.sort();
        return out;
    }
    static Tricky::Word due(const QString &test, const QString &word, int minute)
    {
        return {test, word, {}, QDateTime(QDate(2024, 5, 1), QTime(8, minute))};
    }

  private Q_SLOTS:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        write(app() + u"Test_Animals/cat.wav"_s, "animals cat");
        write(app() + u"Test_Animals/dog.wav"_s, "animals dog");
        write(app() + u"Test_Animals/.sentences/cat.wav"_s, "the cat sat");
        write(app() + u"Test_Pets/dog.wav"_s, "pets dog");
        write(app() + u"Test_Pets/.sentences/dog.wav"_s, "the dog ran");
    }

    void madeFromTheDueWords()
    {
        const QList<Tricky::Word> words = {due(u"Test_Animals"_s, u"cat"_s, 1), due(u"Test_Pets"_s, u"dog"_s, 5),
                                           due(u"Test_Animals"_s, u"dog"_s, 2), due(u"Test_Pets"_s, u"fish"_s, 3)};
        QCOMPARE(TrickyFolder::rebuild(app(), words), QString());
        // fish has no recording; dog comes from the test where it was missed last
        QCOMPARE(TestLibrary::wordsOf(tricky()), (QStringList{u"cat"_s, u"dog"_s}));
        QCOMPARE(read(tricky() + u"dog.wav"_s), QByteArray("pets dog"));
        QCOMPARE(read(tricky() + u".sentences/cat.wav"_s), QByteArray("the cat sat"));
        QCOMPARE(read(tricky() + u".sentences/dog.wav"_s), QByteArray("the dog ran"));
        const QHash<QString, QString> origins{{u"cat"_s, u"Test_Animals"_s}, {u"dog"_s, u"Test_Pets"_s}};
        QCOMPARE(TrickyFolder::origins(app()), origins);
        QVERIFY(TestLibrary::listTests(app()).contains(QLatin1StringView(Tricky::FolderName)));

        // remade with fewer words, then removed when nothing is due
        QCOMPARE(TrickyFolder::rebuild(app(), {due(u"Test_Animals"_s, u"dog"_s, 9)}), QString());
        QCOMPARE(TestLibrary::wordsOf(tricky()), QStringList{u"dog"_s});
        QCOMPARE(read(tricky() + u"dog.wav"_s), QByteArray("animals dog"));
        QVERIFY(!QFileInfo::exists(tricky() + u".sentences/cat.wav"_s));
        QCOMPARE(TrickyFolder::rebuild(app(), {}), QString());
        QVERIFY(!QFileInfo::exists(tricky()));
        QCOMPARE(QDir(app()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{u"Test_Animals"_s, u"Test_Pets"_s})); // no temporary folder left behind
        QVERIFY(TrickyFolder::origins(app()).isEmpty());
    }

    void linksAreNotFollowed()
    {
        const QString out = m_outside.path() + u'/';
        write(out + u"secret.wav"_s, "outside");
        write(out + u"Test_Far/owl.wav"_s, "far owl");
        QVERIFY(QFile::link(out + u"secret.wav"_s, app() + u"Test_Animals/bee.wav"_s));
        QVERIFY(QFile::link(out + u"Test_Far"_s, app() + u"Test_Far"_s));
        const QList<Tricky::Word> words = {due(u"Test_Animals"_s, u"bee"_s, 1), due(u"Test_Far"_s, u"owl"_s, 1),
                                           due(u"Test_Animals"_s, u"cat"_s, 1), due(u"../outside"_s, u"x"_s, 1)};
        QCOMPARE(TrickyFolder::rebuild(app(), words), QString());
        QVERIFY(!QFileInfo(tricky().chopped(1)).isSymLink());
        QCOMPARE(TestLibrary::wordsOf(tricky()), QStringList{u"cat"_s});
        QCOMPARE(read(out + u"secret.wav"_s), QByteArray("outside")); // the outside folder is untouched
        QCOMPARE(read(out + u"Test_Far/owl.wav"_s), QByteArray("far owl"));
    }

    // files: what is at the folder's name ("name=contents"; "" an empty folder, "->" a link)
    void usersOwnFolderNeverTouched_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("ours");
        QTest::newRow("made by hand") << QStringList{u"owl.wav=mine"_s} << false;
        QTest::newRow("named in the authoring window") << QStringList{u""_s} << false;
        QTest::newRow("a link") << QStringList{u"->"_s} << false;
        QTest::newRow("a copied one added to")
            << QStringList{u".origins=cat\tTest_Animals\n"_s, u"cat.wav=x"_s, u"owl.wav=mine"_s} << false;
        QTest::newRow("made before the mark")
            << QStringList{u".origins=cat\tTest_Animals\n"_s, u"cat.wav=x"_s, u".sentences/cat.wav=y"_s} << true;
    }
    void usersOwnFolderNeverTouched()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, ours);
        QVERIFY(QDir().mkpath(m_outside.path() + u"/mine"_s));
        for (const QString &f : files) {
            if (f == u"->"_s) {
                QVERIFY(QFile::link(m_outside.path() + u"/mine"_s, tricky().chopped(1)));
                continue;
            }
            QVERIFY(QDir().mkpath(tricky()));
            if (!f.isEmpty())
                write(tricky() + f.section(u'=', 0, 0), f.section(u'=', 1).toUtf8());
        }
        const QStringList before = contents(tricky());
        QCOMPARE(TrickyFolder::owner(app()) == TrickyFolder::Owner::Wordaroo, ours);
        for (const QList<Tricky::Word> &words : {QList{due(u"Test_Animals"_s, u"dog"_s, 1)}, QList<Tricky::Word>{}})
            QCOMPARE(TrickyFolder::rebuild(app(), words), ours ? QString() : TrickyFolder::UsersOwnTest);
        QCOMPARE(contents(tricky()) == before, !ours);
        QCOMPARE(QFileInfo(tricky().chopped(1)).isSymLink(), files == QStringList{u"->"_s});
    }
};

QTEST_GUILESS_MAIN(tst_TrickyFolder)
#include "tst_trickyfolder.moc"
