#include "app/singleinstance.h"

#include "sharing/staging.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
// Longest line accepted; a longer one is no path of this system.
constexpr qint64 MaxLine = qint64(64) * 1024;
// A connection that has not delivered its line by then is dropped.
constexpr int LineTimeoutMs = 5000;
// Connections served at once; more are closed as they come.
constexpr int MaxConnections = 16;
const QByteArray Ack = QByteArrayLiteral("ok\n");

// True when the process at the other end of the connected local socket fd runs as
// this user.
bool sameUser(int fd)
{
    struct ucred cred = {};
    socklen_t size = sizeof cred;
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 && size == sizeof cred &&
           cred.uid == ::geteuid();
}

// The name both files share: the user and the program folder as it is on disk.
QString baseName(const QString &runtimeFolder, const QString &appDir)
{
    const QFileInfo info(appDir);
    const QString canonical = info.canonicalFilePath();
    const QByteArray folder = (canonical.isEmpty() ? QDir::cleanPath(appDir) : canonical).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(16);
    return QDir(runtimeFolder).filePath(QStringLiteral("wordaroo-%1-").arg(::geteuid()) + QString::fromLatin1(hash));
}
} // namespace

// One accepted connection: its socket, what it sent so far, and the time it has left.
class SingleInstance::Peer final : public QObject
{
  public:
    Peer(int fd, SingleInstance *owner) : QObject(owner), fd(fd), notifier(fd, QSocketNotifier::Read, this)
    {
        // Never more than a line is held, and never for longer than the line may take.
        QTimer::singleShot(LineTimeoutMs, this, &QObject::deleteLater);
        connect(&notifier, &QSocketNotifier::activated, owner, [owner, this] { owner->readFrom(this); });
    }
    ~Peer() override
    {
        notifier.setEnabled(false);
        ::close(fd);
    }
    Q_DISABLE_COPY(Peer)

    const int fd;
    QSocketNotifier notifier;
    QByteArray line;
};

namespace
{
// A unix socket address for path; false when the path does not fit one.
bool address(const QString &path, sockaddr_un *a)
{
    *a = {};
    a->sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || name.size() >= qsizetype(sizeof a->sun_path))
        return false;
    std::memcpy(a->sun_path, name.constData(), size_t(name.size()));
    return true;
}

// A new non-blocking stream socket connected to path, or -1.
int connectTo(const QString &path)
{
    sockaddr_un a;
    if (!address(path, &a))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Waits until fd is ready for events or the deadline passes.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (n > 0)
            return (p.revents & (events | POLLHUP | POLLERR)) != 0;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

struct Closer {
    int fd;
    ~Closer()
    {
        if (fd >= 0)
            ::close(fd);
    }
};
} // namespace

SingleInstance::SingleInstance(const QString &serverName, QObject *parent) : QObject(parent), m_name(serverName) {}

SingleInstance::~SingleInstance()
{
    if (m_listener < 0)
        return;
    delete m_incoming;
    ::close(m_listener);
    ::unlink(QFile::encodeName(m_name).constData());
}

QString SingleInstance::privateRuntimeFolder()
{
    const QByteArray dir = qgetenv("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !dir.startsWith('/'))
        return {};
    struct stat st = {};
    if (::lstat(dir.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 07777) != 0700)
        return {};
    return QFile::decodeName(dir);
}

QString SingleInstance::serverName(const QString &runtimeFolder, const QString &appDir)
{
    return baseName(runtimeFolder, appDir) + QStringLiteral(".socket");
}

QString SingleInstance::lockName(const QString &runtimeFolder, const QString &appDir)
{
    return baseName(runtimeFolder, appDir) + QStringLiteral(".lock");
}

bool SingleInstance::handOver(const QString &serverName, const QString &path, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    int fd = -1;
    while ((fd = connectTo(serverName)) < 0) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(std::min<qint64>(50, std::max<qint64>(1, deadline.remainingTime())));
    }
    const Closer closer{fd};
    if (!sameUser(fd))
        return false;
    const QByteArray line = path.toUtf8() + '\n';
    for (qsizetype sent = 0; sent < line.size();) {
        const ssize_t n = ::send(fd, line.constData() + sent, size_t(line.size() - sent), MSG_NOSIGNAL);
        if (n > 0)
            sent += n;
        else if ((n < 0 && errno != EAGAIN && errno != EINTR) || !waitFor(fd, POLLOUT, deadline))
            return false;
    }
    // Only the acknowledgement is read; anything longer is no answer of the program.
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < Ack.size()) {
        char buffer[8];
        const ssize_t n = ::recv(fd, buffer, size_t(Ack.size() - answer.size()), 0);
        if (n > 0)
            answer.append(buffer, n);
        else if (n == 0 || (errno != EAGAIN && errno != EINTR) || !waitFor(fd, POLLIN, deadline))
            break;
    }
    return answer == Ack;
}

bool SingleInstance::listen()
{
    if (m_listener >= 0)
        return true;
    // Someone answers at that name: another program of this folder runs already.
    if (const int probe = connectTo(m_name); probe >= 0) {
        ::close(probe);
        return false;
    }
    sockaddr_un a;
    if (!address(m_name, &a))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // What is left there is a socket of a program that ended without removing it.
    ::unlink(a.sun_path);
    // Only this user may connect (the runtime folder is this user's alone, too).
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0 || ::chmod(a.sun_path, 0600) != 0 ||
        ::listen(fd, MaxConnections) != 0) {
        ::close(fd);
        return false;
    }
    m_listener = fd;
    m_incoming = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_incoming, &QSocketNotifier::activated, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::deliver()
{
    m_delivering = true;
    const QStringList waiting = std::exchange(m_waiting, {});
    for (const QString &line : waiting)
        received(line);
}

void SingleInstance::accept()
{
    for (;;) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: no one else is waiting
        }
        if (m_connections >= MaxConnections || !sameUser(fd)) {
            ::close(fd);
            continue;
        }
        ++m_connections;
        auto *peer = new Peer(fd, this);
        connect(peer, &QObject::destroyed, this, [this] { --m_connections; });
        readFrom(peer);
    }
}

void SingleInstance::readFrom(Peer *peer)
{
    char buffer[4096];
    qsizetype end = -1;
    for (;;) {
        const size_t room = size_t(std::min<qint64>(qint64(sizeof buffer), MaxLine + 1 - peer->line.size()));
        const ssize_t n = ::recv(peer->fd, buffer, room, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;   // the rest of the line is still to come
        if (n <= 0) { // the client left, or its connection failed, before its line ended
            peer->deleteLater();
            peer->notifier.setEnabled(false);
            return;
        }
        const qsizetype from = peer->line.size();
        peer->line.append(buffer, n);
        end = peer->line.indexOf('\n', from);
        if (end >= 0)
            break;
        if (peer->line.size() > MaxLine) {
            peer->notifier.setEnabled(false);
            peer->deleteLater();
            return;
        }
    }
    const QByteArray line = peer->line.left(end);
    peer->notifier.setEnabled(false);
    (void)::send(peer->fd, Ack.constData(), size_t(Ack.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(peer->fd, SHUT_RDWR);
    peer->deleteLater();
    received(QString::fromUtf8(line));
}

void SingleInstance::received(const QString &line)
{
    if (!m_delivering) {
        m_waiting << line;
        return;
    }
    if (line.isEmpty())
        Q_EMIT activated();
    else if (QDir::isAbsolutePath(line))
        Q_EMIT fileReceived(line);
}

FolderLock::FolderLock(const QString &lockPath)
{
    m_fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return;
    struct stat st = {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode))
        return;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        m_state = State::Held;
    else if (errno == EWOULDBLOCK)
        m_state = State::Busy;
}

FolderLock::~FolderLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

StartClaim::StartClaim(const QString &runtimeFolder, const QString &appDir, const QString &file, int timeoutMs)
{
    if (runtimeFolder.isEmpty())
        return;
    m_lock = std::make_unique<FolderLock>(SingleInstance::lockName(runtimeFolder, appDir));
    m_server = SingleInstance::serverName(runtimeFolder, appDir);
    switch (m_lock->state()) {
    case FolderLock::State::Held:
        m_outcome = Outcome::First;
        Staging::removeStale(appDir, 0);
        break;
    case FolderLock::State::Busy:
        m_outcome = SingleInstance::handOver(m_server, file, timeoutMs) ? Outcome::HandedOver : Outcome::NoAnswer;
        break;
    case FolderLock::State::Failed: // a runtime folder that takes no file: as without one
        m_lock.reset();
        m_server.clear();
        break;
    }
}
