#include "core/platform/safefile.h"

#include "core/platform/appcontext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcFiles, "wordaroo.files", QtInfoMsg)

namespace SafeFile
{
namespace
{

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QString kindReason(const QString &path, mode_t mode)
{
    QString kind;
    if (S_ISLNK(mode))
        kind = QStringLiteral("a symbolic link");
    else if (S_ISDIR(mode))
        kind = QStringLiteral("a folder");
    else if (S_ISFIFO(mode))
        kind = QStringLiteral("a named pipe (FIFO)");
    else if (S_ISCHR(mode) || S_ISBLK(mode))
        kind = QStringLiteral("a device");
    else if (S_ISSOCK(mode))
        kind = QStringLiteral("a socket");
    else
        return QStringLiteral("%1 is not a plain file.").arg(shown(path));
    return QStringLiteral("%1 is %2, not a plain file.").arg(shown(path), kind);
}

QString tooBigReason(const QString &path, qint64 size, qint64 maxBytes)
{
    return QStringLiteral("%1 is too big (%2 bytes; at most %3 are read).").arg(shown(path)).arg(size).arg(maxBytes);
}

ReadStatus failed(QString *error, int *systemError, const QString &reason, int err = 0)
{
    if (error)
        *error = reason;
    if (systemError)
        *systemError = err;
    return ReadStatus::Failed;
}

bool refused(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

QString cannotWrite(const QString &path, int err)
{
    return QStringLiteral("Cannot write %1: %2.").arg(shown(path), systemReason(err));
}

// Writes all of bytes to fd; false with errno set on failure.
bool writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Whether what stands at the name may be replaced; a refusal says what it is.
bool replaceable(const QString &path, const struct stat &st, AtName atName, QString *error)
{
    if (S_ISREG(st.st_mode))
        return true;
    if (S_ISLNK(st.st_mode) && atName == AtName::ReplaceLink) {
        struct stat to {
        };
        if (::stat(QFile::encodeName(path).constData(), &to) != 0 || !S_ISDIR(to.st_mode))
            return true;
        return refused(error, QStringLiteral("%1 is a symbolic link to a folder, not a plain file.").arg(shown(path)));
    }
    return refused(error, kindReason(path, st.st_mode));
}

bool inside(const QString &folder, const QString &root)
{
    return folder == root || folder.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

} // namespace

QString notPlainFileReason(const QString &path)
{
    struct stat st {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return {};
    return kindReason(path, st.st_mode);
}

ReadStatus readPlainFile(const QString &path, qint64 maxBytes, QByteArray *bytes, QString *error, int *systemError,
                         Links links)
{
    const bool follow = links == Links::Follow;
    bytes->clear();
    if (systemError)
        *systemError = 0;
    const QByteArray name = QFile::encodeName(path);
    // Looked at before it is opened: a FIFO or a device is never opened at all (nor one
    // that a followed link leads to).
    struct stat st {
    };
    if ((follow ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0) {
        const int err = errno;
        if (err == ENOENT)
            return ReadStatus::Missing;
        return failed(error, systemError, QStringLiteral("Cannot read %1: %2.").arg(shown(path), systemReason(err)),
                      err);
    }
    if (!S_ISREG(st.st_mode))
        return failed(error, systemError, kindReason(path, st.st_mode));
    if (st.st_size > maxBytes)
        return failed(error, systemError, tooBigReason(path, st.st_size, maxBytes));

    // The file may have been swapped since: open without blocking (and, for the program's own
    // files, without following a link), and look again at what was opened.
    const int fd = ::open(name.constData(), O_RDONLY | (follow ? 0 : O_NOFOLLOW) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT)
            return ReadStatus::Missing;
        if (err == ELOOP)
            return failed(error, systemError, kindReason(path, S_IFLNK));
        return failed(error, systemError, QStringLiteral("Cannot read %1: %2.").arg(shown(path), systemReason(err)),
                      err);
    }
    ReadStatus status = ReadStatus::Ok;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        status =
            failed(error, systemError, QStringLiteral("Cannot read %1: %2.").arg(shown(path), systemReason(err)), err);
    } else if (!S_ISREG(st.st_mode)) {
        status = failed(error, systemError, kindReason(path, st.st_mode));
    } else if (st.st_size > maxBytes) {
        status = failed(error, systemError, tooBigReason(path, st.st_size, maxBytes));
    } else {
        // One byte more than allowed tells a file that grew while being read.
        bytes->resize(static_cast<qsizetype>(std::min<qint64>(st.st_size, maxBytes) + 1));
        qsizetype got = 0;
        while (true) {
            if (got == bytes->size()) {
                if (got > maxBytes)
                    break;
                bytes->resize(static_cast<qsizetype>(std::min<qint64>(2 * got, maxBytes + 1)));
            }
            const ssize_t n = ::read(fd, bytes->data() + got, static_cast<size_t>(bytes->size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                const int err = errno;
                status = failed(error, systemError,
                                QStringLiteral("Cannot read %1: %2.").arg(shown(path), systemReason(err)), err);
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        bytes->resize(got);
        if (status == ReadStatus::Ok && got > maxBytes)
            status = failed(error, systemError, tooBigReason(path, got, maxBytes));
    }
    ::close(fd);
    if (status != ReadStatus::Ok)
        bytes->clear();
    return status;
}

namespace
{
bool replace(const QString &path, const QByteArray &bytes, QString *error, Destination where, AtName atName,
             int *systemError)
{
    Writer file;
    if (!file.open(path, error, where, atName, systemError))
        return false;
    file.write(bytes); // a failed write is reported by commit
    return file.commit(error, systemError);
}
} // namespace

Writer::~Writer()
{
    discard();
}

bool Writer::open(const QString &path, QString *error, Destination where, AtName atName, int *systemError)
{
    discard();
    m_writeError = 0;
    if (systemError)
        *systemError = 0;
    auto systemFailure = [&](int err) {
        if (systemError)
            *systemError = err;
        return refused(error, cannotWrite(path, err));
    };
    const QFileInfo info(path);
    const QString fileName = info.fileName();
    if (fileName.isEmpty() || fileName == QLatin1String(".") || fileName == QLatin1String(".."))
        return refused(error, QStringLiteral("%1 is not a file name.").arg(shown(path)));
    const QString folder = info.absolutePath();
    struct stat st {
    };
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return systemFailure(errno);
    if (!S_ISDIR(st.st_mode))
        return systemFailure(ENOTDIR);
    if (where == Destination::ProgramFolder) {
        // Links among the folders are resolved first: what counts is where the file lands.
        const QString root = QFileInfo(ProgramFolder::path()).canonicalFilePath();
        if (root.isEmpty() || !inside(QFileInfo(folder).canonicalFilePath(), root))
            return refused(error,
                           QStringLiteral("%1 is outside the program folder, so it is not written.").arg(shown(path)));
    }

    const QByteArray name = QFile::encodeName(path);
    bool existed = false;
    mode_t mode = 0;
    if (::lstat(name.constData(), &st) == 0) {
        if (!replaceable(path, st, atName, error))
            return false;
        existed = S_ISREG(st.st_mode);
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return systemFailure(errno);
    }

    // A hidden name in the same folder, so the rename stays on one file system and
    // no folder listing ever shows the half-written file. It is short: the longest
    // names allowed leave no room to add to them.
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = QFile::encodeName(folder + QStringLiteral("/.tmp") +
                                 QString::number(QRandomGenerator::global()->generate(), 36));
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return systemFailure(errno);
    }
    if (fd < 0)
        return systemFailure(EEXIST);
    if (existed)
        (void)::fchmod(fd, mode); // the replacement keeps the old file's permissions
    m_path = path;
    m_temp = temp;
    m_atName = atName;
    m_fd = fd;
    return true;
}

bool Writer::write(const QByteArray &bytes)
{
    if (m_fd < 0 || m_writeError != 0)
        return false;
    if (writeAll(m_fd, bytes))
        return true;
    m_writeError = errno;
    return false;
}

bool Writer::commit(QString *error, int *systemError)
{
    if (systemError)
        *systemError = 0;
    if (m_fd < 0)
        return refused(error, QStringLiteral("%1 was not opened for writing.").arg(shown(m_path)));
    const QString path = m_path;
    auto fail = [&](int err) {
        discard();
        if (systemError)
            *systemError = err;
        return refused(error, cannotWrite(path, err));
    };
    if (m_writeError != 0)
        return fail(m_writeError);
    if (::fsync(m_fd) != 0)
        return fail(errno);
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return fail(errno);

    // Looked at again right before the rename: a link or folder put there meanwhile
    // is not replaced (the rename would replace a link itself, never its target).
    const QByteArray name = QFile::encodeName(path);
    struct stat st {
    };
    if (::lstat(name.constData(), &st) == 0 && !replaceable(path, st, m_atName, error)) {
        discard();
        return false;
    }
    if (::rename(m_temp.constData(), name.constData()) != 0)
        return fail(errno);
    m_temp.clear();
    const int dir =
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir); // the rename itself reaches the disk
        ::close(dir);
    }
    return true;
}

bool replaceFile(const QString &path, const QByteArray &bytes, QString *error, Destination where, AtName atName,
                 int *systemError)
{
    QString why;
    if (replace(path, bytes, &why, where, atName, systemError))
        return true;
    // Logged here, once, whoever asked for the write and whatever they show the user.
    qCWarning(lcFiles).noquote() << why;
    if (error)
        *error = why;
    return false;
}

void Writer::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temp.isEmpty())
        ::unlink(m_temp.constData());
    m_temp.clear();
}

} // namespace SafeFile
