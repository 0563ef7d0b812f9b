#include "sharing/staging.h"

#include "sharing/testarchive.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Staging
{

namespace
{
const QString Prefix = QStringLiteral(".import-");

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

int removeOne(const char *path, const struct stat *, int, struct FTW *)
{
    ::remove(path); // what cannot be removed stays; a later import tries again
    return 0;
}
} // namespace

void Fd::reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

int Fd::close()
{
    const int fd = std::exchange(m_fd, -1);
    return fd >= 0 && ::close(fd) != 0 ? errno : 0;
}

QString reason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

int writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= n;
    }
    return 0;
}

int openRegular(int dirFd, const QString &name, QString &why, bool *notPlain)
{
    if (notPlain)
        *notPlain = false;
    // O_NONBLOCK: opening a named pipe must not wait for a writer.
    const int fd = ::openat(dirFd, native(name).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (notPlain)
            *notPlain = errno == ELOOP;
        why = errno == ELOOP ? QStringLiteral("it is a link") : reason(errno);
        return -1;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (notPlain)
            *notPlain = true;
        why = QStringLiteral("it is not a plain file");
        return -1;
    }
    return fd;
}

void removeTree(const QString &path)
{
    ::nftw(native(path).constData(), removeOne, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
}

void removeStale(const QString &appDir, int maxAgeSeconds)
{
    const QDir dir(appDir);
    const QStringList names = dir.entryList({Prefix + QLatin1Char('*')},
                                            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const time_t limit = std::time(nullptr) - maxAgeSeconds;
    for (const QString &name : names) {
        struct stat st = {};
        const QString path = dir.filePath(name);
        // Another user's import into a shared folder is not this program's leftover.
        if (::lstat(native(path).constData(), &st) == 0 && st.st_uid == ::geteuid() &&
            (maxAgeSeconds <= 0 || st.st_mtime < limit))
            removeTree(path);
    }
}

Folder::Folder(const QString &appDir) : m_appDir(appDir)
{
    QByteArray templ = native(appDir + Prefix + QStringLiteral("XXXXXX"));
    if (!::mkdtemp(templ.data())) {
        m_error = errno;
        return;
    }
    m_path = QFile::decodeName(templ);
    m_dir.reset(::open(templ.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!m_dir)
        m_error = errno;
}

Folder::~Folder()
{
    m_sentences.reset();
    m_dir.reset();
    if (!m_path.isEmpty() && !m_committed)
        removeTree(m_path);
}

int Folder::create(const QString &relativeName)
{
    int dirFd = m_dir.get();
    QString name = relativeName;
    const QString sub = TestArchive::SentenceFolder + QLatin1Char('/');
    if (name.startsWith(sub)) {
        if (!m_sentences) {
            const QByteArray folder = native(TestArchive::SentenceFolder);
            if (::mkdirat(dirFd, folder.constData(), 0755) != 0 && errno != EEXIST)
                return -1;
            m_sentences.reset(::openat(dirFd, folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!m_sentences)
                return -1;
        }
        dirFd = m_sentences.get();
        name = name.mid(sub.size());
    }
    return ::openat(dirFd, native(name).constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

void Folder::discard(const QString &relativeName)
{
    ::unlinkat(m_dir.get(), native(relativeName).constData(), 0);
}

int Folder::commit(const QString &folderName, bool replace)
{
    const int err = rename(folderName, replace);
    if (err == 0) {
        Fd appDir(::open(native(m_appDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (appDir)
            ::fsync(appDir.get());
    }
    return err;
}

int Folder::rename(const QString &folderName, bool replace)
{
    // mkdtemp makes the folder private; a test folder is readable like any other.
    ::fchmod(m_dir.get(), 0755);
    // What was written reaches the disk before the folder takes its name, so a power cut
    // never leaves a test folder with empty recordings.
    if (::syncfs(m_dir.get()) != 0)
        return errno;
    const QByteArray from = native(m_path);
    const QString target = m_appDir + folderName;
    const QByteArray to = native(target);
    if (replace && ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0) {
        // The staging name now holds the old test.
        m_committed = true;
        removeTree(m_path);
        return 0;
    }
    if (replace && errno != ENOENT && errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        m_committed = true;
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return errno;

    // A file system without atomic exchange: the old entry is moved aside first and put
    // back when the new folder cannot take its place.
    struct stat st = {};
    const bool exists = ::lstat(to.constData(), &st) == 0;
    if (exists && !replace)
        return EEXIST;
    const QByteArray aside = native(m_path + QStringLiteral("-old"));
    if (exists && ::rename(to.constData(), aside.constData()) != 0)
        return errno;
    if (::rename(from.constData(), to.constData()) != 0) {
        const int err = errno;
        if (exists)
            ::rename(aside.constData(), to.constData());
        return err;
    }
    m_committed = true;
    if (exists)
        removeTree(QFile::decodeName(aside));
    return 0;
}

} // namespace Staging
