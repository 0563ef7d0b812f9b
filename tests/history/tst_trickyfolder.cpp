// The tricky-words folder: made from the due words' recordings, remade, removed, and never
// led through a link.
#include "core/platform/testlibrary.h"
#include "history/trickyfolder.h"

#include <QDir>
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
        // an old tricky folder that is a link to a folder outside
        QVERIFY(QFile::link(out, app() + u"Test_Tricky Words"_s));
        const QList<Tricky::Word> words = {due(u"Test_Animals"_s, u"bee"_s, 1), due(u"Test_Far"_s, u"owl"_s, 1),
                                           due(u"Test_Animals"_s, u"cat"_s, 1), due(u"../outside"_s, u"x"_s, 1)};
        QCOMPARE(TrickyFolder::rebuild(app(), words), QString());
        QVERIFY(!QFileInfo(tricky().chopped(1)).isSymLink());
        QCOMPARE(TestLibrary::wordsOf(tricky()), QStringList{u"cat"_s});
        QCOMPARE(read(out + u"secret.wav"_s), QByteArray("outside")); // the outside folder is untouched
        QCOMPARE(read(out + u"Test_Far/owl.wav"_s), QByteArray("far owl"));
    }
};

QTEST_GUILESS_MAIN(tst_TrickyFolder)
#include "tst_trickyfolder.moc"
