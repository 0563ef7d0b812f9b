#include "app/singleinstance.h"

#include "sharing/staging.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
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
bool sameUser(qintptr fd)
{
    struct ucred cred = {};
    socklen_t size = sizeof cred;
    return fd >= 0 && ::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 && size == sizeof cred &&
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

SingleInstance::SingleInstance(const QString &serverName, QObject *parent) : QObject(parent), m_name(serverName) {}

SingleInstance::~SingleInstance() = default;

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
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return int(std::max<qint64>(1, timeoutMs - clock.elapsed())); };
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(serverName);
        if (socket.waitForConnected(left()))
            break;
        socket.abort();
        if (clock.elapsed() >= timeoutMs)
            return false;
        QThread::msleep(std::min(50, left()));
    }
    if (!sameUser(socket.socketDescriptor()))
        return false;
    socket.write(path.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(left()))
        return false;
    // Only the acknowledgement is read; anything longer is no answer of the program.
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < Ack.size() && clock.elapsed() < timeoutMs) {
        if (!socket.bytesAvailable() && !socket.waitForReadyRead(left()))
            break;
        answer += socket.read(Ack.size() - answer.size());
    }
    return answer == Ack;
}

bool SingleInstance::listen()
{
    if (m_server)
        return m_server->isListening();
    // Someone answers at that name: another program of this folder runs already. (With
    // access options, listening renames its socket over any file of that name, so the
    // question is asked first.)
    {
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(500))
            return false;
    }
    // What is left there is a socket of a program that ended without removing it.
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return m_server->listen(m_name);
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
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        if (m_connections >= MaxConnections || !sameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_connections;
        connect(socket, &QObject::destroyed, this, [this] { --m_connections; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        // Never more than a line is held, and never for longer than the line may take.
        socket->setReadBufferSize(MaxLine + 1);
        QTimer::singleShot(LineTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > MaxLine) {
            socket->abort();
            socket->deleteLater();
        }
        return;
    }
    QByteArray line = socket->readLine(MaxLine);
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    if (!line.endsWith('\n')) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    line.chop(1);
    socket->write(Ack);
    socket->flush();
    socket->disconnectFromServer();
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
