// The program's one argument and the hand-over of a shared test file to a program
// that runs already.
#include "app/commandline.h"
#include "app/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void arguments_data();
    void arguments();
    void handOver();
};

void TestCommandLine::arguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file"); // "" with an error, unless there are no arguments
    QTest::newRow("none") << QStringList() << QString();
    QTest::newRow("relative file") << QStringList{u"A.WORDAROO"_s} << QDir::currentPath() + u"/A.WORDAROO"_s;
    QTest::newRow("file URL") << QStringList{u"file:///a/My%20Test.wordaroo"_s} << u"/a/My Test.wordaroo"_s;
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
    QTemporaryDir folder;
    const QString name = SingleInstance::serverName(folder.path());
    QVERIFY(!SingleInstance::handOver(name, u"/x/Animals.wordaroo"_s, 500)); // nobody listens
    QFile left(QDir::tempPath() + u'/' + name);
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.close();

    SingleInstance running(name);
    QVERIFY(running.listen());
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

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
