#include "sharing/testarchive.h"

#include "core/platform/dirsearch.h"
#include "core/platform/lazylibrary.h"
#include "core/platform/safefile.h"
#include "core/platform/testlibrary.h"
#include "sharing/manifest.h"
#include "sharing/soundcheck.h"
#include "sharing/staging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <locale.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace TestArchive
{

namespace
{
using Staging::Fd;

// How much of a file is copied at a time.
constexpr size_t CopyBufferBytes = size_t(64) * 1024;

// libarchive's functions, loaded when a test is first shared or added (LazyLibrary): it
// brings its compression and XML libraries with it, and a start never needs them.
#define WORDAROO_LIBARCHIVE(X)                                                                                         \
    X(archive_entry_filetype)                                                                                          \
    X(archive_entry_free)                                                                                              \
    X(archive_entry_hardlink)                                                                                          \
    X(archive_entry_is_encrypted)                                                                                      \
    X(archive_entry_new)                                                                                               \
    X(archive_entry_pathname_utf8)                                                                                     \
    X(archive_entry_set_filetype)                                                                                      \
    X(archive_entry_set_mtime)                                                                                         \
    X(archive_entry_set_pathname_utf8)                                                                                 \
    X(archive_entry_set_perm)                                                                                          \
    X(archive_entry_set_size)                                                                                          \
    X(archive_entry_size)                                                                                              \
    X(archive_entry_size_is_set)                                                                                       \
    X(archive_entry_symlink)                                                                                           \
    X(archive_error_string)                                                                                            \
    X(archive_read_data)                                                                                               \
    X(archive_read_free)                                                                                               \
    X(archive_read_new)                                                                                                \
    X(archive_read_next_header)                                                                                        \
    X(archive_read_open_fd)                                                                                            \
    X(archive_read_support_format_zip_seekable)                                                                        \
    X(archive_set_error)                                                                                               \
    X(archive_write_close)                                                                                             \
    X(archive_write_data)                                                                                              \
    X(archive_write_free)                                                                                              \
    X(archive_write_header)                                                                                            \
    X(archive_write_new)                                                                                               \
    X(archive_write_open2)                                                                                             \
    X(archive_write_set_format_zip)                                                                                    \
    X(archive_write_set_options)

struct Lib {
// f names both the function and the member: it cannot be put in parentheses.
#define X(f) decltype(&::f) f = nullptr; // NOLINT(bugprone-macro-parentheses)
    WORDAROO_LIBARCHIVE(X)
#undef X
    QString failure; // empty once every function is there
};

const Lib &lib()
{
    static const Lib loaded = [] {
        Lib l;
        LazyLibrary so("libarchive.so.13");
#define X(f) so.bind(l.f, #f) &&
        if (!(WORDAROO_LIBARCHIVE(X) true))
            l.failure = QStringLiteral("The program's archive library could not be loaded (") + so.errorString() +
                        QStringLiteral(").");
#undef X
        return l;
    }();
    return loaded;
}

// Why something failed: a problem and the sentences that explain it.
struct Outcome {
    Problem problem = Problem::None;
    QString reason;
    bool failed() const { return problem != Problem::None; }
};

QString quoted(const QString &name)
{
    return QLatin1Char('"') + TestLibrary::printable(name) + QLatin1Char('"');
}

QString withSlash(const QString &dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / (qint64(1024) * 1024)) + QStringLiteral(" MB");
}

Result failure(const QString &what, const Outcome &o)
{
    Result r;
    r.problem = o.problem;
    r.message = what + QLatin1Char(' ') + o.reason;
    return r;
}

bool entryExists(const QString &path)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QString folderNameProblem(const QString &folderName)
{
    if (!folderName.startsWith(TestLibrary::TestPrefix))
        return QStringLiteral("A test folder's name begins with \"") + TestLibrary::TestPrefix + QStringLiteral("\".");
    const QString name = folderName.mid(TestLibrary::TestPrefix.size());
    if (name.trimmed().isEmpty())
        return QStringLiteral("A test needs a name.");
    return TestLibrary::unsafeNameReason(name);
}

// libarchive converts entry names through the locale of the thread. Names in a shared
// test are UTF-8 whatever locale the program was started in (a "C" locale would refuse
// "café.wav"), so the thread reads and writes archives in a UTF-8 locale.
class Utf8Names
{
  public:
    Utf8Names() : m_utf8(::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr)))
    {
        if (m_utf8)
            m_old = ::uselocale(m_utf8);
    }
    ~Utf8Names()
    {
        if (m_utf8) {
            ::uselocale(m_old);
            ::freelocale(m_utf8);
        }
    }
    Utf8Names(const Utf8Names &) = delete;
    Utf8Names &operator=(const Utf8Names &) = delete;

  private:
    locale_t m_utf8;
    locale_t m_old = nullptr;
};

// ---- Reading an archive ------------------------------------------------------------

enum class Kind { Manifest, Word, Sentence, Folder };

struct Entry {
    QString name; // as held: "manifest.json", "cat.wav", ".sentences/cat.wav", ".sentences"
    Kind kind = Kind::Word;
};

// What an entry is, or why it may not be in a shared test. The checks go from the most
// dangerous to the merely odd, so the message names the worst thing about an entry.
Outcome classify(archive_entry *e, Entry &out)
{
    const char *raw = lib().archive_entry_pathname_utf8(e);
    const QByteArray bytes = raw ? QByteArray(raw) : QByteArray();
    const QString name = QString::fromUtf8(bytes);
    if (!raw || bytes.isEmpty() || name.toUtf8() != bytes)
        return {Problem::BadName, QStringLiteral("It holds an entry whose name is not readable text.")};
    if (name.startsWith(QLatin1Char('/')))
        return {Problem::UnsafePath, QStringLiteral("It holds ") + quoted(name) +
                                         QStringLiteral(", a name with an absolute path, outside any test folder.")};
    if (name.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return {Problem::UnsafePath, QStringLiteral("It holds ") + quoted(name) +
                                         QStringLiteral(", a name that reaches outside its folder with \"..\".")};
    const auto type = lib().archive_entry_filetype(e);
    if (type == AE_IFLNK || lib().archive_entry_symlink(e))
        return {Problem::Link,
                QStringLiteral("It holds ") + quoted(name) + QStringLiteral(", a link to another file.")};
    if (lib().archive_entry_hardlink(e))
        return {Problem::Link, QStringLiteral("It holds ") + quoted(name) + QStringLiteral(", a hard link.")};

    QString path = name;
    if (type == AE_IFDIR) {
        while (path.endsWith(QLatin1Char('/')))
            path.chop(1);
        if (path != SentenceFolder)
            return {Problem::BadName, QStringLiteral("It holds the folder ") + quoted(name) +
                                          QStringLiteral("; a shared test holds no folder but \"") + SentenceFolder +
                                          QStringLiteral("\".")};
        out = {path, Kind::Folder};
        return {};
    }
    if (type != AE_IFREG)
        return {Problem::NotAFile, QStringLiteral("It holds ") + quoted(name) +
                                       QStringLiteral(", which is not a file but a device, a pipe or the like.")};
    if (path == ManifestName) {
        out = {path, Kind::Manifest};
        return {};
    }
    const QString sub = SentenceFolder + QLatin1Char('/');
    const bool sentence = path.startsWith(sub);
    if (const QString why = wordFileProblem(sentence ? path.mid(sub.size()) : path); !why.isEmpty())
        return {Problem::BadName, QStringLiteral("It holds ") + quoted(name) +
                                      QStringLiteral(", which cannot be a word file of a test. ") + why};
    out = {path, sentence ? Kind::Sentence : Kind::Word};
    return {};
}

using Sink = std::function<int(const char *, qint64)>; // returns 0 or an error number

// Unpacks the current entry's data into sink, counting what really comes out.
Outcome unpack(archive *a, const Entry &e, qint64 limit, qint64 &total, const Sink &sink)
{
    // On the heap, for this call: a thread-local array would be given to every thread the
    // program starts, and cleared there, whether or not it ever copies a file.
    std::vector<char> buffer(CopyBufferBytes);
    qint64 size = 0;
    for (;;) {
        const la_ssize_t n = lib().archive_read_data(a, buffer.data(), buffer.size());
        if (n == 0)
            return {};
        if (n < 0)
            return {Problem::Damaged, QStringLiteral("Its file ") + quoted(e.name) + QStringLiteral(" is damaged (") +
                                          QString::fromUtf8(lib().archive_error_string(a)) + QStringLiteral(").")};
        size += n;
        total += n;
        if (size > limit)
            return {Problem::TooLarge, QStringLiteral("Its file ") + quoted(e.name) +
                                           QStringLiteral(" unpacks to more than ") + megabytes(limit) +
                                           QLatin1Char('.')};
        if (total > MaxTotalBytes)
            return {Problem::TooLarge,
                    QStringLiteral("Its files unpack to more than ") + megabytes(MaxTotalBytes) + QLatin1Char('.')};
        if (const int err = sink(buffer.data(), n))
            return {Problem::CannotWrite, QStringLiteral("Writing ") + quoted(e.name) +
                                              QStringLiteral(" into the program folder failed: ") +
                                              Staging::reason(err) + QLatin1Char('.')};
    }
}

using EntryFn = std::function<Outcome(archive *, const Entry &)>;

// Opens file as a zip archive and hands each entry that may be in a shared test to
// onEntry, refusing the archive at the first that may not. Only the zip reader that
// works from the central directory is used: a truncated file is refused, never read
// as far as it goes.
Outcome walk(const QString &file, const EntryFn &onEntry)
{
    if (QFileInfo(file).isDir())
        return {Problem::NotAnArchive, QStringLiteral("It is a folder, not a shared test file.")};
    Fd fd(::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st = {};
    if (!fd || ::fstat(fd.get(), &st) != 0)
        return {Problem::CannotRead,
                QStringLiteral("It cannot be opened: ") + Staging::reason(errno) + QLatin1Char('.')};
    if (S_ISDIR(st.st_mode))
        return {Problem::NotAnArchive, QStringLiteral("It is a folder, not a shared test file.")};
    if (!S_ISREG(st.st_mode))
        return {Problem::NotAnArchive, QStringLiteral("It is not a file but a device, a pipe or the like.")};
    if (st.st_size == 0)
        return {Problem::NotAnArchive, QStringLiteral("The file is empty.")};
    char magic[4] = {};
    if (::pread(fd.get(), magic, sizeof magic, 0) != sizeof magic || magic[0] != 'P' || magic[1] != 'K')
        return {Problem::NotAnArchive, QStringLiteral("It is not a shared test: the file is not a zip archive.")};

    if (!lib().failure.isEmpty())
        return {Problem::CannotRead, lib().failure};
    const Utf8Names utf8;
    std::unique_ptr<archive, decltype(Lib::archive_read_free)> a(lib().archive_read_new(), lib().archive_read_free);
    lib().archive_read_support_format_zip_seekable(a.get());
    const auto damaged = [&] {
        return Outcome{Problem::Damaged, QStringLiteral("The file is damaged or incomplete (") +
                                             QString::fromUtf8(lib().archive_error_string(a.get())) +
                                             QStringLiteral(").")};
    };
    if (lib().archive_read_open_fd(a.get(), fd.get(), size_t(64) * 1024) != ARCHIVE_OK)
        return {Problem::Damaged, QStringLiteral("The file is damaged or incomplete; it may not have been copied or ") +
                                      QStringLiteral("downloaded to its end.")};

    QSet<QString> seen;
    int count = 0;
    for (;;) {
        archive_entry *e = nullptr;
        const int r = lib().archive_read_next_header(a.get(), &e);
        if (r == ARCHIVE_EOF)
            return {};
        if (r < ARCHIVE_WARN)
            return damaged();
        if (++count > MaxEntries)
            return {Problem::TooManyEntries,
                    QStringLiteral("It holds more than ") + QString::number(MaxEntries) + QStringLiteral(" files.")};
        Entry entry;
        if (Outcome o = classify(e, entry); o.failed())
            return o;
        // Exact duplicates only: words differing in letter case are different words here, as
        // everywhere in the program. On a file system that ignores case the second one
        // fails its exclusive creation instead of replacing the first.
        if (seen.contains(entry.name))
            return {Problem::Duplicate, QStringLiteral("It holds ") + quoted(entry.name) + QStringLiteral(" twice.")};
        seen.insert(entry.name);
        if (lib().archive_entry_is_encrypted(e))
            return {Problem::Damaged,
                    QStringLiteral("Its file ") + quoted(entry.name) + QStringLiteral(" is locked with a password.")};
        // Refused at once when the header says so; the bytes unpacked are counted anyway.
        if (lib().archive_entry_size_is_set(e) && lib().archive_entry_size(e) > MaxMemberBytes)
            return {Problem::TooLarge, QStringLiteral("Its file ") + quoted(entry.name) +
                                           QStringLiteral(" is larger than ") + megabytes(MaxMemberBytes) +
                                           QLatin1Char('.')};
        if (Outcome o = onEntry(a.get(), entry); o.failed())
            return o;
    }
}

// The manifest held (or not), checked against the recordings held.
Manifest::Parsed checkManifest(bool found, const QByteArray &json, const QSet<QString> &held)
{
    if (!found) {
        Manifest::Parsed p;
        p.problem = Problem::BadManifest;
        p.reason = QStringLiteral("It holds no ") + ManifestName +
                   QStringLiteral(", so it is not a spelling test shared by Wordaroo.");
        return p;
    }
    return Manifest::read(json, held);
}

// Reads the manifest entry, or skips any other entry without unpacking it.
struct ManifestReader {
    bool found = false;
    QByteArray json;
    QSet<QString> held;
    qint64 total = 0;

    Outcome onEntry(archive *a, const Entry &e)
    {
        if (e.kind == Kind::Word || e.kind == Kind::Sentence)
            held.insert(e.name);
        if (e.kind != Kind::Manifest)
            return {};
        found = true;
        return unpack(a, e, Manifest::MaxBytes, total, [this](const char *data, qint64 n) {
            json.append(data, n);
            return 0;
        });
    }
};

// The checks of a shared test that need nothing unpacked: its entries' names, kinds and
// count, and its manifest against the recordings it holds.
Outcome checkEntries(const QString &file, Manifest::Parsed &m)
{
    ManifestReader reader;
    Outcome o = walk(file, [&](archive *a, const Entry &e) { return reader.onEntry(a, e); });
    if (o.failed())
        return o;
    m = checkManifest(reader.found, reader.json, reader.held);
    return {m.problem, m.reason};
}

// ---- Writing an archive ------------------------------------------------------------

// The new file beside the destination the archive is written into: hidden, in the same
// folder so that the rename stays on one file system, removed unless put in place.
class NewFile
{
  public:
    explicit NewFile(const QString &destination)
    {
        const QString folder = QFileInfo(destination).absolutePath();
        for (int attempt = 0; !m_fd && attempt < 100; ++attempt) {
            m_path =
                folder + QStringLiteral("/.wordaroo-") + QString::number(QRandomGenerator::global()->generate(), 36);
            m_fd.reset(::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              0666));
            m_error = m_fd ? 0 : errno;
            if (m_error != EEXIST)
                break;
        }
        m_made = bool(m_fd);
    }
    ~NewFile()
    {
        if (m_made && !m_placed)
            ::unlink(QFile::encodeName(m_path).constData());
    }
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;

    int fd() const { return m_fd.get(); }
    QString path() const { return m_path; }
    // 0, or the error number of the first failure: making the file or writing to it.
    int error() const { return m_error; }

    // The archive writer's output: every failure keeps the system's error number.
    static la_ssize_t write(archive *a, void *client, const void *data, size_t size)
    {
        auto *self = static_cast<NewFile *>(client);
        if (!self->m_error)
            self->m_error = Staging::writeAll(self->fd(), static_cast<const char *>(data), qint64(size));
        if (self->m_error) {
            lib().archive_set_error(a, self->m_error, "%s", std::strerror(self->m_error));
            return -1;
        }
        return la_ssize_t(size);
    }

    // Flushes the file to the disk and closes it (a full disk may show only here).
    int finish()
    {
        if (!m_error && ::fsync(m_fd.get()) != 0)
            m_error = errno;
        if (const int err = m_fd.close(); !m_error)
            m_error = err;
        return m_error;
    }

    // Renames the finished file over destination, keeping the permissions of the file it
    // replaces. Returns 0 or the error number.
    int place(const QString &destination)
    {
        const QByteArray to = QFile::encodeName(destination);
        struct stat st = {};
        if (::lstat(to.constData(), &st) == 0 && S_ISREG(st.st_mode))
            (void)::chmod(QFile::encodeName(m_path).constData(), st.st_mode & 07777);
        if (::rename(QFile::encodeName(m_path).constData(), to.constData()) != 0)
            return errno;
        m_placed = true;
        Fd dir(::open(QFile::encodeName(QFileInfo(destination).absolutePath()).constData(),
                      O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir)
            (void)::fsync(dir.get()); // the rename itself reaches the disk
        return 0;
    }

  private:
    Fd m_fd;
    QString m_path;
    int m_error = 0;
    bool m_made = false;
    bool m_placed = false;
};

// One file going into the archive: its name there and where it is read from.
struct Member {
    QString name;
    int dirFd = -1;
    QString file;
};

bool addEntry(archive *a, const QString &name, qint64 size, time_t mtime)
{
    std::unique_ptr<archive_entry, decltype(Lib::archive_entry_free)> e(lib().archive_entry_new(),
                                                                        lib().archive_entry_free);
    lib().archive_entry_set_pathname_utf8(e.get(), name.toUtf8().constData());
    lib().archive_entry_set_filetype(e.get(), AE_IFREG);
    lib().archive_entry_set_perm(e.get(), 0644);
    lib().archive_entry_set_size(e.get(), size);
    lib().archive_entry_set_mtime(e.get(), mtime, 0);
    return lib().archive_write_header(a, e.get()) == ARCHIVE_OK;
}

// Streams a member into the archive, exactly the size it had when its header was written.
Outcome addMember(archive *a, const Member &m)
{
    QString why;
    Fd fd(Staging::openRegular(m.dirFd, m.file, why));
    struct stat st = {};
    if (!fd || ::fstat(fd.get(), &st) != 0)
        return {Problem::CannotRead, quoted(m.name) + QStringLiteral(" cannot be read: ") + why + QLatin1Char('.')};
    if (!addEntry(a, m.name, st.st_size, st.st_mtime))
        return {Problem::CannotWrite, QString::fromLocal8Bit(lib().archive_error_string(a)) + QLatin1Char('.')};
    // On the heap, for this call: a thread-local array would be given to every thread the
    // program starts, and cleared there, whether or not it ever copies a file.
    std::vector<char> buffer(CopyBufferBytes);
    qint64 left = st.st_size;
    while (left > 0) {
        const ssize_t n = ::read(fd.get(), buffer.data(), size_t(std::min<qint64>(left, qint64(buffer.size()))));
        if (n <= 0)
            return {Problem::CannotRead, quoted(m.name) + QStringLiteral(" changed or could not be read while the ") +
                                             QStringLiteral("test was being shared.")};
        if (lib().archive_write_data(a, buffer.data(), size_t(n)) != n)
            return {Problem::CannotWrite, QString::fromLocal8Bit(lib().archive_error_string(a)) + QLatin1Char('.')};
        left -= n;
    }
    return {};
}

// Writes the manifest and the recordings into out as one zip archive; what went wrong,
// if anything (a refused write is Problem::CannotWrite with libarchive's reason).
Outcome writeZip(NewFile &out, const QString &name, const QList<Word> &words, const QList<Member> &members)
{
    if (!lib().failure.isEmpty())
        return {Problem::CannotWrite, lib().failure};
    const Utf8Names utf8;
    std::unique_ptr<archive, decltype(Lib::archive_write_free)> a(lib().archive_write_new(), lib().archive_write_free);
    lib().archive_write_set_format_zip(a.get());
    lib().archive_write_set_options(a.get(), "zip:hdrcharset=UTF-8");
    const auto archiveError = [&] {
        return Outcome{Problem::CannotWrite, QString::fromLocal8Bit(lib().archive_error_string(a.get()))};
    };
    if (lib().archive_write_open2(a.get(), &out, nullptr, NewFile::write, nullptr, nullptr) != ARCHIVE_OK)
        return archiveError();
    const QByteArray manifest = Manifest::write(TestLibrary::normalForm(name), words);
    if (!addEntry(a.get(), ManifestName, manifest.size(), std::time(nullptr)) ||
        lib().archive_write_data(a.get(), manifest.constData(), size_t(manifest.size())) != manifest.size())
        return archiveError();
    for (const Member &m : members)
        if (Outcome o = addMember(a.get(), m); o.failed())
            return o;
    if (lib().archive_write_close(a.get()) != ARCHIVE_OK)
        return archiveError();
    return {};
}

} // namespace

// ---- Names -------------------------------------------------------------------------

QString wordFileProblem(const QString &fileName)
{
    if (!fileName.endsWith(QLatin1String(".wav")))
        return QStringLiteral("A word file's name ends in \".wav\".");
    const QString word = fileName.chopped(4);
    if (word.isEmpty())
        return QStringLiteral("A word file needs a word before \".wav\".");
    if (QString why = TestLibrary::unsafeNameReason(word); !why.isEmpty())
        return why;
    // The word listing hides names beginning with ".", cuts at the first ".wav" and trims
    // blanks: such a word would be added but never shown as itself.
    if (word.startsWith(QLatin1Char('.')))
        return QStringLiteral("A word cannot begin with \".\".");
    if (word.contains(QLatin1String(".wav")))
        return QStringLiteral("A word cannot contain \".wav\".");
    if (word != word.trimmed())
        return QStringLiteral("A word cannot begin or end with a blank.");
    return {};
}

QString testNameOf(const QString &folderName)
{
    if (folderName.startsWith(TestLibrary::TestPrefix, Qt::CaseInsensitive))
        return folderName.mid(TestLibrary::TestPrefix.size());
    return folderName;
}

QString uniqueTestName(const QString &appDir, const QString &name, const QString &reserved)
{
    const QString dir = withSlash(appDir) + TestLibrary::TestPrefix;
    QString candidate = name;
    for (int n = 2; candidate == reserved || entryExists(dir + candidate); ++n)
        candidate = name + QStringLiteral(" (") + QString::number(n) + QLatin1Char(')');
    return candidate;
}

// ---- Export ------------------------------------------------------------------------

Result exportTest(const QString &testFolder, const QString &destinationFile)
{
    const QString folder = QDir::cleanPath(testFolder);
    const QString name = testNameOf(QFileInfo(folder).fileName());
    const QString what = QStringLiteral("The test ") + quoted(name) + QStringLiteral(" cannot be shared.");

    Fd dir(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir)
        return failure(what, {Problem::CannotRead, errno == ELOOP ? QStringLiteral("Its folder is a link.")
                                                                  : QStringLiteral("Its folder cannot be opened: ") +
                                                                        Staging::reason(errno) + QLatin1Char('.')});
    if (QFileInfo(destinationFile).isDir())
        return failure(what, {Problem::CannotWrite, quoted(destinationFile) + QStringLiteral(" is a folder.")});
    // Never written through a link, nor into a device or a pipe.
    if (const QString why = SafeFile::notPlainFileReason(destinationFile); !why.isEmpty())
        return failure(what, {Problem::CannotWrite, why});
    Fd sentences(::openat(dir.get(), QFile::encodeName(SentenceFolder).constData(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));

    Result done;
    QList<Word> words;
    QList<Member> members;
    qint64 total = 0;
    // Checks one recording: empty when it goes in; skip when it is a link or no plain file.
    bool skip = false;
    const auto take = [&](int dirFd, const QString &file, const QString &shownAs, Word *word) -> QString {
        QString why;
        Fd fd(Staging::openRegular(dirFd, file, why, &skip));
        if (!fd)
            return why;
        struct stat st = {};
        ::fstat(fd.get(), &st);
        if (st.st_size > MaxMemberBytes)
            return QStringLiteral("it is larger than ") + megabytes(MaxMemberBytes);
        const SoundCheck::Verdict v = SoundCheck::check(fd.get());
        if (!v.problem.isEmpty())
            return v.problem;
        if (word)
            word->computerVoice = v.computerVoice;
        total += st.st_size;
        members << Member{shownAs, dirFd, file};
        return {};
    };

    // Names go into the archive in the one normal form of words, the form they come back
    // in when it is read: two files whose names differ only in how their letters are
    // encoded would come back as one name twice.
    QHash<QString, QString> byNormalName;
    for (const QString &file : DirSearch::find(folder, QStringLiteral("*.wav"), DirSearch::Kind::FilesOnly)) {
        if (const QString why = wordFileProblem(file); !why.isEmpty()) {
            done.skipped << file + QStringLiteral(": ") + why;
            continue;
        }
        const QString normal = TestLibrary::normalForm(file);
        if (byNormalName.contains(normal))
            return failure(what, {Problem::Duplicate,
                                  QStringLiteral("It holds the word ") + quoted(normal.chopped(4)) +
                                      QStringLiteral(" twice, typed in two ways that look the same (") +
                                      quoted(byNormalName.value(normal)) + QStringLiteral(" and ") + quoted(file) +
                                      QStringLiteral(" are different file names). Delete one of them, then share ") +
                                      QStringLiteral("the test.")});
        byNormalName.insert(normal, file);
        Word w{normal.chopped(4), normal, {}, false};
        if (const QString why = take(dir.get(), file, normal, &w); !why.isEmpty()) {
            if (skip) {
                done.skipped << file + QStringLiteral(": ") + why;
                continue;
            }
            return failure(what,
                           {Problem::BadSound, QStringLiteral("The recording of the word ") + quoted(w.word) +
                                                   QStringLiteral(" cannot be used: ") + why +
                                                   QStringLiteral(". Record the word again, then share the test.")});
        }
        // A sentence is optional: one that is missing is no loss, one that is odd is left out.
        const QString sentence = SentenceFolder + QLatin1Char('/') + normal;
        struct stat st = {};
        if (sentences &&
            ::fstatat(sentences.get(), QFile::encodeName(file).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (const QString why = take(sentences.get(), file, sentence, nullptr); why.isEmpty())
                w.sentence = sentence;
            else
                done.skipped << sentence + QStringLiteral(": ") + why;
        }
        words << w;
    }
    if (words.isEmpty())
        return failure(what, {Problem::NoWords, QStringLiteral("It has no word recordings.")});
    if (members.size() + 1 > MaxEntries)
        return failure(what,
                       {Problem::TooManyEntries, QStringLiteral("It has more than ") + QString::number(MaxEntries - 1) +
                                                     QStringLiteral(" recordings.")});
    if (total > MaxTotalBytes)
        return failure(what, {Problem::TooLarge, QStringLiteral("Its recordings are larger than ") +
                                                     megabytes(MaxTotalBytes) + QLatin1Char('.')});

    // Written beside the destination and renamed over it only when complete and checked.
    NewFile out(destinationFile);
    const auto writeFailed = [&](const QString &why) {
        // The system's reason when the system refused (a full disk: "No space left on device").
        const QString reason = out.error() ? Staging::reason(out.error()) : why;
        return failure(
            what, {Problem::CannotWrite, quoted(destinationFile) + QStringLiteral(" cannot be written: ") + reason +
                                             (reason.endsWith(QLatin1Char('.')) ? QString() : QStringLiteral("."))});
    };
    if (out.error())
        return writeFailed({});
    if (const Outcome o = writeZip(out, name, words, members); o.failed())
        return o.problem == Problem::CannotWrite ? writeFailed(o.reason) : failure(what, o);
    if (out.finish())
        return writeFailed({});
    // The file is checked as adding it would check it: a file Wordaroo would refuse is
    // never handed on.
    Manifest::Parsed m;
    if (const Outcome o = checkEntries(out.path(), m); o.failed())
        return failure(
            what, {o.problem, QStringLiteral("The file made from it would not be accepted when added: ") + o.reason});
    if (const int err = out.place(destinationFile))
        return failure(what, {Problem::CannotWrite, quoted(destinationFile) + QStringLiteral(" cannot be written: ") +
                                                        Staging::reason(err) + QLatin1Char('.')});
    done.path = destinationFile;
    return done;
}

// ---- Import ------------------------------------------------------------------------

Info inspect(const QString &file)
{
    const QString what = QStringLiteral("The shared test ") + quoted(QFileInfo(QDir::cleanPath(file)).fileName()) +
                         QStringLiteral(" cannot be added.");
    Info info;
    Manifest::Parsed m;
    if (const Outcome o = checkEntries(file, m); o.failed()) {
        static_cast<Result &>(info) = failure(what, o);
        return info;
    }
    info.testName = m.testName;
    info.programVersion = m.programVersion;
    info.words = m.words;
    info.path = file;
    return info;
}

namespace
{
// What both ways of adding a test check first: a usable folder name, and no test of
// that name unless it is to be replaced. Stale staging folders are cleared on the way.
QString existsReason(const QString &testFolderName)
{
    return QStringLiteral("The test ") + quoted(testNameOf(testFolderName)) + QStringLiteral(" already exists.");
}

Outcome checkDestination(const QString &dir, const QString &testFolderName, IfExists ifExists)
{
    if (const QString why = folderNameProblem(testFolderName); !why.isEmpty())
        return {Problem::BadName, why};
    Staging::removeStale(dir);
    if (ifExists == IfExists::Refuse && entryExists(dir + testFolderName))
        return {Problem::Exists, existsReason(testFolderName)};
    return {};
}
} // namespace

Result importInto(const QString &file, const QString &appDir, const QString &testFolderName, IfExists ifExists)
{
    const QString what = QStringLiteral("The shared test ") + quoted(QFileInfo(QDir::cleanPath(file)).fileName()) +
                         QStringLiteral(" cannot be added.");
    const QString dir = withSlash(appDir);
    if (const Outcome o = checkDestination(dir, testFolderName, ifExists); o.failed())
        return failure(what, o);

    Staging::Folder stage(dir);
    if (stage.error())
        return failure(what, {Problem::CannotWrite, QStringLiteral("No folder can be made for it in the program ") +
                                                        QStringLiteral("folder: ") + Staging::reason(stage.error()) +
                                                        QLatin1Char('.')});
    ManifestReader reader;
    Outcome o = walk(file, [&](archive *a, const Entry &e) -> Outcome {
        if (e.kind == Kind::Manifest || e.kind == Kind::Folder)
            return reader.onEntry(a, e);
        reader.held.insert(e.name);
        Fd out(stage.create(e.name));
        if (!out)
            return {Problem::CannotWrite, QStringLiteral("Writing ") + quoted(e.name) +
                                              QStringLiteral(" into the program folder failed: ") +
                                              Staging::reason(errno) + QLatin1Char('.')};
        const int fd = out.get();
        if (Outcome u = unpack(a, e, MaxMemberBytes, reader.total,
                               [fd](const char *data, qint64 n) { return Staging::writeAll(fd, data, n); });
            u.failed())
            return u;
        if (const QString why = SoundCheck::check(fd).problem; !why.isEmpty())
            return {Problem::BadSound, QStringLiteral("Its recording ") + quoted(e.name) +
                                           QStringLiteral(" cannot be used: ") + why + QLatin1Char('.')};
        if (const int err = out.close())
            return {Problem::CannotWrite, QStringLiteral("Writing ") + quoted(e.name) +
                                              QStringLiteral(" into the program folder failed: ") +
                                              Staging::reason(err) + QLatin1Char('.')};
        return {};
    });
    if (!o.failed()) {
        const Manifest::Parsed m = checkManifest(reader.found, reader.json, reader.held);
        o = {m.problem, m.reason};
    }
    if (o.failed())
        return failure(what, o);

    if (const int err = stage.commit(testFolderName, ifExists == IfExists::Replace))
        return failure(what, err == EEXIST
                                 ? Outcome{Problem::Exists, existsReason(testFolderName)}
                                 : Outcome{Problem::CannotWrite, QStringLiteral("Its folder cannot be put in place: ") +
                                                                     Staging::reason(err) + QLatin1Char('.')});
    Result done;
    done.path = dir + testFolderName + QLatin1Char('/');
    return done;
}

Result importFolderOfWaves(const QString &folder, const QString &appDir, const QString &testFolderName,
                           IfExists ifExists)
{
    const QString what = QStringLiteral("The folder ") + quoted(QFileInfo(QDir::cleanPath(folder)).fileName()) +
                         QStringLiteral(" cannot be added as a test.");
    const QString dir = withSlash(appDir);
    if (const Outcome o = checkDestination(dir, testFolderName, ifExists); o.failed())
        return failure(what, o);
    Fd source(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!source)
        return failure(what, {Problem::CannotRead,
                              QStringLiteral("It cannot be opened: ") + Staging::reason(errno) + QLatin1Char('.')});
    const QStringList files = DirSearch::find(folder, QStringLiteral("*.wav"), DirSearch::Kind::FilesOnly);
    if (files.size() > MaxEntries)
        return failure(what,
                       {Problem::TooManyEntries, QStringLiteral("It holds more than ") + QString::number(MaxEntries) +
                                                     QStringLiteral(" wave files.")});

    Staging::Folder stage(dir);
    if (stage.error())
        return failure(what, {Problem::CannotWrite, QStringLiteral("No folder can be made for it in the program ") +
                                                        QStringLiteral("folder: ") + Staging::reason(stage.error()) +
                                                        QLatin1Char('.')});
    Result done;
    qint64 total = 0;
    int copied = 0;
    // On the heap, for this call: a thread-local array would be given to every thread the
    // program starts, and cleared there, whether or not it ever copies a file.
    std::vector<char> buffer(CopyBufferBytes);
    // Each word is added in the one normal form of words; a second file of the same word
    // written another way is left out.
    QHash<QString, QString> byNormalName;
    for (const QString &file : files) {
        const QString normal = TestLibrary::normalForm(file);
        QString why = wordFileProblem(file);
        if (why.isEmpty() && byNormalName.contains(normal))
            why = QStringLiteral("it is the same word as ") + quoted(byNormalName.value(normal)) +
                  QStringLiteral(", written another way");
        Fd in;
        struct stat st = {};
        if (why.isEmpty())
            in.reset(Staging::openRegular(source.get(), file, why));
        if (in && ::fstat(in.get(), &st) == 0 && st.st_size > MaxMemberBytes)
            why = QStringLiteral("it is larger than ") + megabytes(MaxMemberBytes);
        if (!why.isEmpty()) {
            done.skipped << file + QStringLiteral(": ") + why;
            continue;
        }
        total += st.st_size;
        if (total > MaxTotalBytes)
            return failure(what, {Problem::TooLarge, QStringLiteral("Its wave files are larger than ") +
                                                         megabytes(MaxTotalBytes) + QLatin1Char('.')});
        Fd out(stage.create(normal));
        int err = out ? 0 : errno;
        for (ssize_t n = 1; !err && n > 0;) {
            n = ::read(in.get(), buffer.data(), buffer.size());
            err = n < 0 ? errno : Staging::writeAll(out.get(), buffer.data(), n);
        }
        // The copy is what is checked: it is what the test will play.
        const QString soundWhy = err ? QString() : SoundCheck::check(out.get()).problem;
        if (!err)
            err = out.close();
        if (err)
            return failure(what, {Problem::CannotWrite, QStringLiteral("Copying ") + quoted(file) +
                                                            QStringLiteral(" into the program folder failed: ") +
                                                            Staging::reason(err) + QLatin1Char('.')});
        if (!soundWhy.isEmpty()) {
            stage.discard(normal);
            done.skipped << file + QStringLiteral(": ") + soundWhy;
            continue;
        }
        byNormalName.insert(normal, file);
        ++copied;
    }
    if (copied == 0)
        return failure(what, {Problem::NoWords, QStringLiteral("It holds no wave files that can be words.")});
    if (const int err = stage.commit(testFolderName, ifExists == IfExists::Replace))
        return failure(what, err == EEXIST
                                 ? Outcome{Problem::Exists, existsReason(testFolderName)}
                                 : Outcome{Problem::CannotWrite, QStringLiteral("Its folder cannot be put in place: ") +
                                                                     Staging::reason(err) + QLatin1Char('.')});
    done.path = dir + testFolderName + QLatin1Char('/');
    return done;
}

} // namespace TestArchive
