// Sharing a test as one file: a round trip between two program folders, and every kind
// of hostile or broken archive refused with the program folder left exactly as it was.
// The archives are written here with libarchive's writer; two are then patched where
// the writer cannot go (a device entry, a size header that lies).
#include "sharing/testarchive.h"
#include "testsupport.h"

#include "core/platform/testlibrary.h"
#include "voice/computervoice.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <csignal>
#include <cstring>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <utime.h>

using namespace TestArchive;
Q_DECLARE_METATYPE(TestArchive::Problem)

namespace
{
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// A short wave file, marked as the synthesizer marks its own when mark is given.
QByteArray wave(int ms = 20, const char *mark = nullptr)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("w.wav")));
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(path.constData(), SFM_WRITE, &info);
    if (mark)
        sf_set_string(f, SF_STR_SOFTWARE, mark);
    std::vector<short> samples(size_t(22050 * ms / 1000), 3000);
    sf_write_short(f, samples.data(), sf_count_t(samples.size()));
    sf_close(f);
    return readAll(QFile::decodeName(path));
}

QString softwareOf(const QString &path)
{
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f || info.frames <= 0)
        return QStringLiteral("<no sound>");
    const char *s = sf_get_string(f, SF_STR_SOFTWARE);
    const QString software = s ? QString::fromUtf8(s) : QString();
    sf_close(f);
    return software;
}

struct Item {
    Item(QByteArray n, QByteArray d, int t = AE_IFREG, QByteArray l = {}, int r = 1)
        : name(std::move(n)), data(std::move(d)), type(t), link(std::move(l)), repeat(r)
    {
    }
    QByteArray name;
    QByteArray data;
    int type;
    QByteArray link; // symlink target, or the hard link's other name
    int repeat;      // data written this many times
};

QByteArray manifest(const QStringList &files, int version = 1)
{
    QByteArray words;
    for (const QString &f : files)
        words += (words.isEmpty() ? "" : ",") +
                 QStringLiteral(R"({"word":"%1","file":"%2","computerVoice":false})").arg(f.chopped(4), f).toUtf8();
    return QStringLiteral(R"({"formatVersion":%1,"name":"Shared","program":"1.0","words":[)").arg(version).toUtf8() +
           words + "]}";
}

QByteArray zip(const QList<Item> &items)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("z.zip"));
    archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_open_filename(a, QFile::encodeName(path).constData());
    for (const Item &it : items) {
        archive_entry *e = archive_entry_new();
        archive_entry_set_pathname_utf8(e, it.name.constData());
        archive_entry_set_filetype(e, it.type);
        archive_entry_set_perm(e, 0644);
        if (it.type == AE_IFLNK)
            archive_entry_set_symlink(e, it.link.constData());
        else if (!it.link.isEmpty())
            archive_entry_set_hardlink(e, it.link.constData());
        archive_entry_set_size(e, it.type == AE_IFREG && it.link.isEmpty() ? it.data.size() * it.repeat : 0);
        archive_write_header(a, e);
        for (int i = 0; i < it.repeat; ++i)
            archive_write_data(a, it.data.constData(), size_t(it.data.size()));
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
    return readAll(path);
}

// Overwrites a 32-bit field of entry name's central directory record (and, with a
// local offset, of its local header too).
QByteArray patched(QByteArray z, const QByteArray &name, int central, quint32 value, int local = -1)
{
    const auto patch = [&](const char *sig, int nameLengthAt, int nameAt, int offset) {
        for (qsizetype at = z.indexOf(sig); offset >= 0 && at >= 0; at = z.indexOf(sig, at + 4)) {
            const int nameLength = quint8(z[at + nameLengthAt]) | quint8(z[at + nameLengthAt + 1]) << 8;
            if (z.mid(at + nameAt, nameLength) == name)
                for (int i = 0; i < 4; ++i)
                    z[at + offset + i] = char(value >> (8 * i));
        }
    };
    patch("PK\x01\x02", 28, 46, central);
    patch("PK\x03\x04", 26, 30, local);
    return z;
}

// Every entry under dir, hidden ones included, with its size: what a refusal must not change.
QStringList snapshot(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo &f = it.fileInfo();
        out << it.filePath().mid(dir.size()) +
                   (f.isDir() ? QStringLiteral("/") : QStringLiteral(" ") + QString::number(f.size()));
    }
    out.sort();
    return out;
}
} // namespace

class TestArchiveTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_work;
    QString m_app; // a program folder with one test in it

    QString file(const QString &name, const QByteArray &data)
    {
        const QString path = m_work.filePath(name);
        writeAll(path, data);
        return path;
    }

  private Q_SLOTS:
    void initTestCase()
    {
        // Started from a bare environment the program runs in the "C" locale; "café.wav"
        // must travel all the same.
        std::setlocale(LC_ALL, "C");
        m_app = m_work.filePath(QStringLiteral("app/"));
        QDir().mkpath(m_app + QStringLiteral("Test_Existing"));
        writeAll(m_app + QStringLiteral("Test_Existing/old.wav"), wave());
        writeAll(m_app + QStringLiteral("spell.ini"), "[SETTINGS]\n");
    }

    void roundTrip()
    {
        QTemporaryDir from;
        const QString test = from.filePath(QStringLiteral("Test_Animals/"));
        QDir().mkpath(test + SentenceFolder);
        writeAll(test + QStringLiteral("cat.wav"), wave(40, "Wordaroo computer voice"));
        writeAll(test + QStringLiteral("café.wav"), wave());
        writeAll(test + QStringLiteral(".sentences/café.wav"), wave(60));
        writeAll(test + QStringLiteral("notes.txt"), "not a word");
        QFile::link(test + QStringLiteral("cat.wav"), test + QStringLiteral("link.wav"));

        const QString shared = from.filePath(QStringLiteral("Animals.wordaroo"));
        const Result out = exportTest(test, shared);
        QVERIFY2(out.ok(), qPrintable(out.message));
        QCOMPARE(out.skipped.size(), 1); // the link, never followed
        QVERIFY(out.skipped.first().startsWith(QStringLiteral("link.wav")));

        const Info info = inspect(shared);
        QVERIFY2(info.ok(), qPrintable(info.message));
        QCOMPARE(info.testName, QStringLiteral("Animals"));
        QCOMPARE(info.words.size(), 2);
        QCOMPARE(info.words.at(0).sentence, QStringLiteral(".sentences/café.wav"));
        QVERIFY(info.words.at(1).computerVoice && !info.words.at(0).computerVoice);

        QTemporaryDir to;
        const QString app = to.path() + QLatin1Char('/');
        const Result in = importInto(shared, app, QStringLiteral("Test_Animals"));
        QVERIFY2(in.ok(), qPrintable(in.message));
        QCOMPARE(in.path, app + QStringLiteral("Test_Animals/"));
        QCOMPARE(TestLibrary::wordsOf(in.path), QStringList({QStringLiteral("café"), QStringLiteral("cat")}));
        // libsndfile appends its own version to the field it writes.
        QVERIFY(ComputerVoice::isComputerVoice(in.path + QStringLiteral("cat.wav")));
        QVERIFY(!ComputerVoice::isComputerVoice(in.path + QStringLiteral("café.wav")));
        QVERIFY(!softwareOf(in.path + QStringLiteral(".sentences/café.wav")).startsWith(QLatin1Char('<')));
        QCOMPARE(readAll(in.path + QStringLiteral("cat.wav")), readAll(test + QStringLiteral("cat.wav")));
        QCOMPARE(snapshot(app).size(), 5); // the folder, two words, the sentence folder and its sentence

        // The same test again: refused, then added beside it, then put in its place.
        QCOMPARE(importInto(shared, app, QStringLiteral("Test_Animals")).problem, Problem::Exists);
        QCOMPARE(uniqueTestName(app, QStringLiteral("Animals")), QStringLiteral("Animals (2)"));
        QVERIFY(importInto(shared, app, QStringLiteral("Test_Animals (2)")).ok());
        QCOMPARE(uniqueTestName(app, QStringLiteral("Animals")), QStringLiteral("Animals (3)"));
        writeAll(in.path + QStringLiteral("extra.wav"), wave());
        QVERIFY(importInto(shared, app, QStringLiteral("Test_Animals"), IfExists::Replace).ok());
        QVERIFY(!QFile::exists(in.path + QStringLiteral("extra.wav")));
        QCOMPARE(snapshot(app).size(), 10);
    }

    void exportRefusals()
    {
        QTemporaryDir from;
        const QString test = from.filePath(QStringLiteral("Test_Broken/"));
        QDir().mkpath(test);
        writeAll(test + QStringLiteral("cat.wav"), wave());
        writeAll(test + QStringLiteral("dog.wav"), "not a sound");
        QFile::link(test, from.filePath(QStringLiteral("Test_Link")));
        QDir().mkpath(from.filePath(QStringLiteral("out")));
        const QString out = from.filePath(QStringLiteral("out/Broken.wordaroo"));

        QCOMPARE(exportTest(test, out).problem, Problem::BadSound);
        QCOMPARE(exportTest(from.filePath(QStringLiteral("Test_Link")), out).problem, Problem::CannotRead);
        QFile::remove(test + QStringLiteral("dog.wav"));
        QCOMPARE(exportTest(test, from.filePath(QStringLiteral("out"))).problem, Problem::CannotWrite);
        QCOMPARE(snapshot(from.filePath(QStringLiteral("out/"))), QStringList()); // no temporary file left
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Problem>("problem");
        const QByteArray w = wave();
        const QByteArray cat = manifest({QStringLiteral("cat.wav")});
        const auto add = [&](const char *row, const QList<Item> &items, Problem p) {
            QTest::newRow(row) << file(QString::fromLatin1(row), zip(items)) << p;
        };
        add("absolute path", {{"manifest.json", cat}, {"/tmp/cat.wav", w}}, Problem::UnsafePath);
        add("dot dot", {{"manifest.json", cat}, {"../cat.wav", w}}, Problem::UnsafePath);
        add("symlink", {{"manifest.json", cat}, {"cat.wav", {}, AE_IFLNK, "/etc/passwd"}}, Problem::Link);
        // A zip has no hard links: the writer stores one as an empty file, refused as no recording.
        add("hardlink",
            {{"manifest.json", manifest({QStringLiteral("cat.wav"), QStringLiteral("dog.wav")})},
             {"cat.wav", w},
             {"dog.wav", {}, AE_IFREG, "cat.wav"}},
            Problem::BadSound);
        add("unsafe name", {{"manifest.json", cat}, {"c\tat.wav", w}}, Problem::BadName);
        add("hidden word", {{"manifest.json", cat}, {".cat.wav", w}}, Problem::BadName);
        add("other folder", {{"manifest.json", cat}, {"sub/cat.wav", w}}, Problem::BadName);
        add("duplicate", {{"manifest.json", cat}, {"cat.wav", w}, {"cat.wav", w}}, Problem::Duplicate);
        QList<Item> many{{"manifest.json", cat}};
        const QByteArray tiny = wave(1);
        for (int i = 0; i < MaxEntries; ++i)
            many.append({QByteArray::number(i) + ".wav", tiny});
        add("1001 entries", many, Problem::TooManyEntries);
        add("not json", {{"manifest.json", "{words: cat"}, {"cat.wav", w}}, Problem::BadManifest);
        add("missing fields", {{"manifest.json", R"({"formatVersion":1})"}, {"cat.wav", w}}, Problem::BadManifest);
        add("no manifest", {{"cat.wav", w}}, Problem::BadManifest);
        add("word without file", {{"manifest.json", manifest({QStringLiteral("dog.wav")})}, {"cat.wav", w}},
            Problem::BadManifest);
        add("newer version", {{"manifest.json", manifest({QStringLiteral("cat.wav")}, 2)}, {"cat.wav", w}},
            Problem::NewerVersion);
        add("not a recording", {{"manifest.json", cat}, {"cat.wav", "RIFF but no sound"}}, Problem::BadSound);

        const QByteArray good = zip({{"manifest.json", cat}, {"cat.wav", w}});
        QTest::newRow("device") << file(QStringLiteral("device"), patched(good, "cat.wav", 38, (S_IFCHR | 0644) << 16))
                                << Problem::NotAFile;
        // 51 MB of zeros in about 50 kB, its headers claiming 1 kB: stopped at 50 MB unpacked.
        const QByteArray bomb = zip({{"manifest.json", cat}, {"cat.wav", QByteArray(1 << 20, '\0'), AE_IFREG, {}, 51}});
        QTest::newRow("zip bomb") << file(QStringLiteral("bomb"), patched(bomb, "cat.wav", 24, 1000, 22))
                                  << Problem::TooLarge;
        QTest::newRow("truncated") << file(QStringLiteral("truncated"), good.left(good.size() - 30))
                                   << Problem::Damaged;
        QTest::newRow("not a zip") << file(QStringLiteral("text"), "just some words\n") << Problem::NotAnArchive;
        QTest::newRow("empty file") << file(QStringLiteral("empty"), {}) << Problem::NotAnArchive;
        QTest::newRow("folder") << m_app << Problem::NotAnArchive;
        QTest::newRow("missing") << m_work.filePath(QStringLiteral("none.wordaroo")) << Problem::CannotRead;
    }

    void refusals()
    {
        QFETCH(QString, path);
        QFETCH(Problem, problem);
        const QStringList before = snapshot(m_app);
        for (const auto &[name, ifExists] : {std::pair(QStringLiteral("Test_New"), IfExists::Refuse),
                                             std::pair(QStringLiteral("Test_Existing"), IfExists::Replace)}) {
            const Result r = importInto(path, m_app, name, ifExists);
            QCOMPARE(r.problem, problem);
            QVERIFY(r.message.size() > 40);
            QCOMPARE(snapshot(m_app), before);
        }
        // The quick look refuses the same way, except what only unpacking shows.
        const bool unpackingShows = problem == Problem::BadSound || problem == Problem::TooLarge;
        QCOMPARE(inspect(path).problem, unpackingShows ? Problem::None : problem);
    }

    void diskFullLeavesNothing()
    {
        const QString path =
            file(QStringLiteral("big.wordaroo"),
                 zip({{"manifest.json", manifest({QStringLiteral("cat.wav")})}, {"cat.wav", wave(5000)}}));
        const QStringList before = snapshot(m_app);
        // A file size limit makes the write fail as a full disk does.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        const Result r = importInto(path, m_app, QStringLiteral("Test_New"));
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(r.problem, Problem::CannotWrite);
        QVERIFY2(r.message.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(r.message));
        QCOMPARE(snapshot(m_app), before);
    }

    void staleImportsRemoved()
    {
        QTemporaryDir app;
        const QString dir = app.path() + QLatin1Char('/');
        QDir().mkpath(dir + QStringLiteral(".import-old/x"));
        QDir().mkpath(dir + QStringLiteral(".import-recent"));
        const utimbuf twoHoursAgo{time(nullptr) - 7200, time(nullptr) - 7200};
        utime(QFile::encodeName(dir + QStringLiteral(".import-old")).constData(), &twoHoursAgo);
        importInto(m_work.filePath(QStringLiteral("none")), dir, QStringLiteral("Test_X"));
        QCOMPARE(snapshot(dir), QStringList({QStringLiteral(".import-recent/")}));
    }

    void folderOfWaves()
    {
        QTemporaryDir dropped;
        const QString d = dropped.path() + QLatin1Char('/');
        writeAll(d + QStringLiteral("cat.wav"), wave());
        writeAll(d + QStringLiteral("dog.wav"), wave());
        writeAll(d + QStringLiteral("broken.wav"), "not a sound");
        writeAll(d + QStringLiteral("Loud.WAV"), wave());
        QFile::link(d + QStringLiteral("cat.wav"), d + QStringLiteral("link.wav"));

        QTemporaryDir app;
        const Result r = importFolderOfWaves(d, app.path(), QStringLiteral("Test_Dropped"));
        QVERIFY2(r.ok(), qPrintable(r.message));
        QCOMPARE(TestLibrary::wordsOf(r.path), QStringList({QStringLiteral("cat"), QStringLiteral("dog")}));
        QCOMPARE(r.skipped.size(), 3);
        QCOMPARE(snapshot(app.path() + QLatin1Char('/')).size(), 3);

        QTemporaryDir empty;
        QCOMPARE(importFolderOfWaves(empty.path(), app.path(), QStringLiteral("Test_Empty")).problem, Problem::NoWords);
        QCOMPARE(snapshot(app.path() + QLatin1Char('/')).size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestArchiveTest)
#include "tst_archive.moc"
