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
    void parse_data();
    void parse();
    void badArgumentEndsWithStatus2_data();
    void badArgumentEndsWithStatus2();
    void handOver();
    void secondServerStandsBack();
};

void TestCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file"); // expected; "" with an error
    const QString here = QDir::currentPath();
    QTest::newRow("none") << QStringList() << QString();
    QTest::newRow("relative file") << QStringList{u"Animals.wordaroo"_s} << here + u"/Animals.wordaroo"_s;
    QTest::newRow("upper-case suffix") << QStringList{u"/a/B.WORDAROO"_s} << u"/a/B.WORDAROO"_s;
    QTest::newRow("file URL") << QStringList{u"file:///a/My%20Test.wordaroo"_s} << u"/a/My Test.wordaroo"_s;
    QTest::newRow("option") << QStringList{u"--help"_s} << QString();
    QTest::newRow("other file") << QStringList{u"words.txt"_s} << QString();
    QTest::newRow("two files") << QStringList{u"a.wordaroo"_s, u"b.wordaroo"_s} << QString();
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    const CommandLine::Parsed p = CommandLine::parse(args);
    QCOMPARE(p.file, file);
    QCOMPARE(p.error.isEmpty(), !file.isEmpty() || args.isEmpty());
}

void TestCommandLine::badArgumentEndsWithStatus2_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown option") << QStringList{u"--version"_s};
    QTest::newRow("not a shared test") << QStringList{u"notes.txt"_s};
}

// The real program: a clear message on standard error, status 2, no window.
void TestCommandLine::badArgumentEndsWithStatus2()
{
    QFETCH(QStringList, args);
    QProcess p;
    p.start(QStringLiteral(WORDAROO_EXE), args);
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), CommandLine::UsageStatus);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(err.contains(u"wordaroo: "_s + args.first()) || err.contains(u"\"" + args.first() + u'"'),
             qPrintable(err));
    QVERIFY(err.contains(u"Usage: wordaroo [FILE.wordaroo]"_s));
    QVERIFY(p.readAllStandardOutput().isEmpty());
}

// A second start hands its file over and is told once the running program has it.
void TestCommandLine::handOver()
{
    QTemporaryDir folder;
    const QString name = SingleInstance::serverName(folder.path());
    QVERIFY(!SingleInstance::handOver(name, u"/x/Animals.wordaroo"_s, 500)); // nobody listens yet

    SingleInstance running(name);
    QVERIFY(running.listen());
    QSignalSpy received(&running, &SingleInstance::fileReceived);
    const QString path = u"/home/gran/Für Lily.wordaroo"_s;
    std::atomic<int> acknowledged = -1;
    std::thread second([&] { acknowledged = SingleInstance::handOver(name, path) ? 1 : 0; });
    QTRY_COMPARE(acknowledged.load(), 1);
    second.join();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toString(), path);
}

// What a program that ended abruptly left is taken over; a running program's name is
// not: the later of two programs of one folder stands back.
void TestCommandLine::secondServerStandsBack()
{
    QTemporaryDir folder;
    const QString name = SingleInstance::serverName(folder.path());
    QFile left(QDir::tempPath() + u'/' + name);
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.close();
    SingleInstance first(name);
    QVERIFY(first.listen());
    SingleInstance second(name);
    QVERIFY(!second.listen());
    QVERIFY(SingleInstance::serverName(folder.path() + u"/other"_s) != name);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
