#pragma once
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QSocketNotifier;

// One running program per user and program folder. The program claims its folder at
// start-up with a lock held for its whole life (FolderLock); a second start finds the
// folder claimed, hands its shared test file (or, without one, a request to come
// forward) to the running program through a unix socket and ends. The socket is the
// system's own, served by the event loop (QSocketNotifier): a network library would be
// loaded at every start for it.
//
// Both live in the user's own runtime folder, which no other user may enter, and every
// connection is checked to come from the same user, in both directions. Without such a
// folder the program starts on its own, without the hand-over.
//
// The exchange: the client sends the file's absolute path in UTF-8 (or nothing: "come
// forward") and a line feed; the server answers "ok" and a line feed once it has the
// line, before anything is shown, so the client never waits for a question to be
// answered. A line is at most 64 kB and must arrive within 5 s of connecting.
class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SingleInstance)
  public:
    explicit SingleInstance(const QString &serverName, QObject *parent = nullptr);
    ~SingleInstance() override;

    // XDG_RUNTIME_DIR when it is a folder owned by this user with mode 0700, else empty.
    static QString privateRuntimeFolder();

    // The socket's and the lock's paths for this user and program folder in runtimeFolder.
    static QString serverName(const QString &runtimeFolder, const QString &appDir);
    static QString lockName(const QString &runtimeFolder, const QString &appDir);

    // Sends path (empty: "come forward") to the program listening at serverName; true
    // once it acknowledged. A program that holds its folder may not listen yet, so
    // connecting is tried again until timeoutMs have passed. A listener of another user
    // is never told anything.
    static bool handOver(const QString &serverName, const QString &path, int timeoutMs = 3000);

    // Starts listening. A socket left by a program that ended without removing it is
    // taken over; one that a running program answers is left alone (false). Lines
    // received before deliver() is called wait for it.
    bool listen();
    void deliver();

  Q_SIGNALS:
    void fileReceived(const QString &path);
    void activated(); // a start without a file: the running program comes forward

  private:
    class Peer;
    void accept();
    void readFrom(Peer *peer);
    void received(const QString &line);

    QString m_name;
    int m_listener = -1; // the listening unix socket
    QSocketNotifier *m_incoming = nullptr;
    int m_connections = 0;
    bool m_delivering = false;
    QStringList m_waiting;
};

// The claim of a program folder: an exclusive lock on a file, taken at once or not at
// all, and held until the object is dropped (the system releases it when the process
// ends, however it ends).
class FolderLock
{
  public:
    enum class State { Held, Busy, Failed }; // Busy: another process holds it
    explicit FolderLock(const QString &lockPath);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    State state() const { return m_state; }

  private:
    int m_fd = -1;
    State m_state = State::Failed;
};

// A start's claim on its program folder, made before anything else: the first program
// of a user on a folder holds it (and removes what imports left there, since no other
// program can be importing now); a later start hands its file, or without one a
// request to come forward, to that program.
class StartClaim
{
  public:
    enum class Outcome {
        First,      // this program holds the folder: it runs and listens
        Alone,      // no private runtime folder: it runs without the hand-over
        HandedOver, // the running program took the file: this start ends
        NoAnswer,   // the running program did not answer: this start ends with NoAnswerStatus
    };
    inline static const QString NoAnswerMessage =
        QStringLiteral("Wordaroo is already running for this folder, but it does not answer.");
    static constexpr int NoAnswerStatus = 1;

    // runtimeFolder: the user's private runtime folder, or empty (Alone).
    StartClaim(const QString &runtimeFolder, const QString &appDir, const QString &file, int timeoutMs = 3000);

    Outcome outcome() const { return m_outcome; }
    // Where a First program listens.
    QString serverName() const { return m_server; }

  private:
    std::unique_ptr<FolderLock> m_lock;
    QString m_server;
    Outcome m_outcome = Outcome::Alone;
};
