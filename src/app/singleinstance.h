#pragma once
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One running program per user and program folder. A second start with a shared test
// file hands the file to the running program through a local socket and ends; the
// running program receives it as fileReceived.
//
// The exchange: the client sends the file's absolute path in UTF-8 and a line feed;
// the server answers "ok" and a line feed once it has the path, before anything is
// shown, so the client never waits for a question to be answered.
class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SingleInstance)
  public:
    explicit SingleInstance(const QString &serverName, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The socket name for this user and program folder.
    static QString serverName(const QString &appDir);

    // Sends path to the program listening at serverName; true once it acknowledged.
    // Blocks for at most timeoutMs.
    static bool handOver(const QString &serverName, const QString &path, int timeoutMs = 3000);

    // Starts listening. A socket left by a program that ended without removing it is
    // taken over; one that a running program answers is left alone (false).
    bool listen();

  Q_SIGNALS:
    void fileReceived(const QString &path);

  private:
    void accept();
    void readFrom(QLocalSocket *socket);

    QString m_name;
    QLocalServer *m_server = nullptr;
};
