// The program's one argument and the hand-over of a shared test file to a program
// that runs already.
#include "app/commandline.h"
#include "app/singleinstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void arguments_data();
    void arguments();
    void handOver();
    void otherUser_data();
    void otherUser();
    void claim_data();
    void claim();
    void peers_data();
    void peers();
};

void TestCommandLine::arguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file"); // "" with an error, unless there are no arguments
    QTest::newRow("none") << QStringList() << QString();
    QTest::newRow("relative file") << QStringList{u"A.WORDAROO"_s} << QDir::currentPath() + u"/A.WORDAROO"_s;
    QTest::newRow("file URL") << QStringList{u"file:///a/My%20Test.wordaroo"_s} << u"/a/My Test.wordaroo"_s;
    QTest::newRow("localhost URL") << QStringList{u"file://localhost/a/B.wordaroo"_s} << u"/a/B.wordaroo"_s;
    QTest::newRow("NUL in the name") << QStringList{u"file:///etc/passwd%00.wordaroo"_s} << QString();
    QTest::newRow("another computer") << QStringList{u"file://far/a/B.wordaroo"_s} << QString();
    QTest::newRow("option") << QStringList{u"--version"_s} << QString();
    QTest::newRow("other file") << QStringList{u"words.txt"_s} << QString();
    QTest::newRow("two files") << QStringList{u"a.wordaroo"_s, u"b.wordaroo"_s} << QString();
}

void TestCommandLine::arguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    const CommandLine::Parsed p = CommandLine::parse(args);
    QCOMPARE(p.file, file);
    QCOMPARE(p.error.isEmpty(), !file.isEmpty() || args.isEmpty());
    if (p.error.isEmpty())
        return;
    // The real program: the message on standard error, status 2, and no window.
    QProcess program;
    program.start(QStringLiteral(WORDAROO_EXE), args);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), CommandLine::UsageStatus);
    QVERIFY(QString::fromLocal8Bit(program.readAllStandardError()).endsWith(p.error));
}

// A second start hands its file over and is told once the running program has it. A
// socket left by a program that ended abruptly is taken over; a running program's
// name is not.
void TestCommandLine::handOver()
{
    QTemporaryDir runtime;
    const QString name = SingleInstance::serverName(runtime.path(), u"/home/gran/wordaroo"_s);
    QVERIFY(!SingleInstance::handOver(name, u"/x/Animals.wordaroo"_s, 500)); // nobody listens
    QFile left(name);
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.close();

    SingleInstance running(name);
    QVERIFY(running.listen());
    running.deliver();
    QVERIFY(!SingleInstance(name).listen());
    QSignalSpy received(&running, &SingleInstance::fileReceived);
    const QString path = u"/home/gran/Für Lily.wordaroo"_s;
    std::atomic<int> acknowledged = -1;
    std::thread second([&] { acknowledged = SingleInstance::handOver(name, path) ? 1 : 0; });
    QTRY_COMPARE(acknowledged.load(), 1);
    second.join();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toString(), path);
}

// Another user of the machine is neither told a start's file nor heard, even where the
// socket is within their reach.
void TestCommandLine::otherUser_data()
{
    QTest::addColumn<QString>("script"); // the other user's side: it prints what it is told
    QTest::newRow("another user listens") << u"s=socket.socket(socket.AF_UNIX);s.bind(sys.argv[1]);s.listen()\n"
                                             u"s.settimeout(9);c=s.accept()[0];c.settimeout(2)\n"
                                             u"print(c.recv(99).decode());c.sendall(b'ok\\n')"_s;
    QTest::newRow("another user connects")
        << u"c=socket.socket(socket.AF_UNIX);c.connect(sys.argv[1])\n"
           u"c.sendall(b'/x/Them.wordaroo\\n');c.settimeout(2);print(c.recv(9).decode())"_s;
}

void TestCommandLine::otherUser()
{
    QFETCH(QString, script);
    if (::geteuid() != 0 || !QFile::exists(u"/usr/bin/python3"_s))
        QSKIP("runs as root only, to be another user with setpriv (and needs /usr/bin/python3)");
    const bool theyListen = script.contains(u"bind"_s);
    QTemporaryDir shared;
    QFile::setPermissions(shared.path(), QFileDevice::Permissions(0x7777));
    const QString name = shared.filePath(u"socket"_s);
    SingleInstance running(name);
    QSignalSpy received(&running, &SingleInstance::fileReceived);
    QVERIFY(theyListen || running.listen());
    running.deliver();
    QFile::setPermissions(name, QFileDevice::Permissions(0x7777));
    QProcess other;
    other.start(u"setpriv"_s, {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, u"/usr/bin/python3"_s,
                               u"-c"_s, u"import socket,sys\n"_s + script, name});
    if (theyListen) {
        QTRY_VERIFY(QFile::exists(name));
        QVERIFY(!SingleInstance::handOver(name, u"/home/gran/Lily.wordaroo"_s));
    }
    QTRY_COMPARE_WITH_TIMEOUT(other.state(), QProcess::NotRunning, 10000);
    QCOMPARE(other.readAllStandardOutput().trimmed(), QByteArray());
    QCOMPARE(received.size(), 0);
}

// The first start claims its folder and removes what killed imports left there; a
// later start hands its file, or without one a request to come forward, to it, and
// says so when it does not answer.
void TestCommandLine::claim_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("answering");
    QTest::addColumn<StartClaim::Outcome>("outcome");
    QTest::newRow("with a file") << u"/x/Lily.wordaroo"_s << true << StartClaim::Outcome::HandedOver;
    QTest::newRow("without a file") << QString() << true << StartClaim::Outcome::HandedOver;
    QTest::newRow("no answer") << u"/x/Lily.wordaroo"_s << false << StartClaim::Outcome::NoAnswer;
}

void TestCommandLine::claim()
{
    QFETCH(QString, file);
    QFETCH(bool, answering);
    QFETCH(StartClaim::Outcome, outcome);
    QTemporaryDir runtime, folder;
    const QDir dir(folder.path());
    QVERIFY(dir.mkpath(u".import-killed/x"_s));
    const StartClaim first(runtime.path(), folder.path(), {});
    QCOMPARE(first.outcome(), StartClaim::Outcome::First);
    QVERIFY(!dir.exists(u".import-killed"_s));
    QVERIFY(dir.mkdir(u".import-running"_s)); // the running program's import
    SingleInstance running(first.serverName());
    QSignalSpy received(&running, &SingleInstance::fileReceived);
    QSignalSpy activated(&running, &SingleInstance::activated);
    QVERIFY(!answering || running.listen());
    running.deliver();
    QElapsedTimer clock;
    clock.start();
    std::atomic<int> second = -1;
    std::thread start([&] { second = int(StartClaim(runtime.path(), folder.path(), file).outcome()); });
    QTRY_VERIFY_WITH_TIMEOUT(second.load() >= 0, 10000);
    start.join();
    QCOMPARE(StartClaim::Outcome(second.load()), outcome);
    QCOMPARE(received.size(), answering && !file.isEmpty() ? 1 : 0);
    QCOMPARE(activated.size(), answering && file.isEmpty() ? 1 : 0);
    QVERIFY(answering || clock.elapsed() >= 2900);
    QVERIFY(dir.exists(u".import-running"_s));
}

// Neither end of a hand-over holds on to a peer that sends nothing or sends without end.
void TestCommandLine::peers_data()
{
    QTest::addColumn<bool>("silentClient");
    QTest::newRow("a client that sends nothing is dropped") << true;
    QTest::newRow("an endless answer is not read") << false;
}

void TestCommandLine::peers()
{
    QFETCH(bool, silentClient);
    QTemporaryDir runtime;
    const QString name = SingleInstance::serverName(runtime.path(), u"/home/gran/wordaroo"_s);
    if (silentClient) {
        SingleInstance running(name);
        QLocalSocket client;
        QVERIFY(running.listen() && (client.connectToServer(name), client.waitForConnected()));
        QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState, 8000);
        return;
    }
    QLocalServer answerer;
    QVERIFY(answerer.listen(name));
    std::thread second([&] { SingleInstance::handOver(name, u"/x/Lily.wordaroo"_s, 2000); });
    QVERIFY(answerer.waitForNewConnection(5000));
    QLocalSocket *peer = answerer.nextPendingConnection();
    qint64 taken = 0;
    connect(peer, &QLocalSocket::bytesWritten, this, [&taken](qint64 n) { taken += n; });
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2500 && peer->state() == QLocalSocket::ConnectedState) {
        peer->write(QByteArray(64 * 1024, 'x'));
        peer->waitForBytesWritten(100);
    }
    second.join();
    QVERIFY2(taken < 4 * 1024 * 1024, QByteArray::number(taken));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
