#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>

#include <algorithm>
#include <unistd.h>

namespace
{
// Longest path line accepted; a longer one is no path of this system.
constexpr qint64 MaxLine = qint64(64) * 1024;
const QByteArray Ack = QByteArrayLiteral("ok\n");
} // namespace

SingleInstance::SingleInstance(const QString &serverName, QObject *parent) : QObject(parent), m_name(serverName) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString &appDir)
{
    const QByteArray folder = QDir::cleanPath(appDir).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("wordaroo-%1-").arg(::getuid()) + QString::fromLatin1(hash);
}

bool SingleInstance::handOver(const QString &serverName, const QString &path, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return int(std::max<qint64>(1, timeoutMs - clock.elapsed())); };
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(left()))
        return false;
    socket.write(path.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(left()))
        return false;
    QByteArray answer;
    while (!answer.contains('\n') && clock.elapsed() < timeoutMs) {
        if (!socket.waitForReadyRead(left()))
            break;
        answer += socket.readAll();
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

void SingleInstance::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > MaxLine)
            socket->abort();
        return;
    }
    QByteArray line = socket->readLine(MaxLine);
    socket->disconnect(this);
    if (!line.endsWith('\n')) {
        socket->abort();
        return;
    }
    line.chop(1);
    const QString path = QString::fromUtf8(line);
    socket->write(Ack);
    socket->flush();
    socket->disconnectFromServer();
    if (!path.isEmpty() && QDir::isAbsolutePath(path))
        Q_EMIT fileReceived(path);
}
