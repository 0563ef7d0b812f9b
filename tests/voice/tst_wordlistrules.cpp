// A whole word list at once: which typed lines become words, the one message for the
// others, and reading the list from a text file.
#include "voice/wordlistrules.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace WordListRules;

namespace
{
QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}
// Lines separated by "|" in the table.
QStringList L(const char *utf8)
{
    return s(utf8).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}
} // namespace

class TstWordListRules : public QObject
{
    Q_OBJECT

  private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("accepted");
        QTest::addColumn<QStringList>("refused");
        const QString w300(300, QLatin1Char('w'));
        QTest::newRow("blanks, tabs, empty lines, CR LF, CR")
            << s("  cat \n\n\t dog\t\r\n   \r\nbig  red\rbus") << L("") << L("cat|dog|big  red|bus") << L("");
        QTest::newRow("existing words, exact case") << s("Cat\ncat\nCAT ") << L("Cat") << L("cat|CAT") << L("Cat");
        QTest::newRow("repeats: second and later")
            << s("dog\ndog \nDog\n dog") << L("") << L("dog|Dog") << L("dog|dog");
        QTest::newRow("slashes, controls inside")
            << s("a/b\nc\\d\nx\ty\nbell\x07\nok") << L("") << L("ok") << L("a/b|c\\d|x\ty|bell\x07");
        QTest::newRow("300 characters") << w300 + s("\nshort") << L("") << L("short") << QStringList{w300};
        QTest::newRow("hidden, .wav") << s(".hidden\nmy.wav\nmy.wave\n..\nmy.WAV\nfile.\nété\n日本") << L("")
                                      << L("my.WAV|file.|été|日本") << L(".hidden|my.wav|my.wave|..");
        QTest::newRow("binary junk") << QString::fromLatin1("\x01\xff\xfe\x1b[31m\nPK\x03\x04\x7f\n\xc3\xa9t") << L("")
                                     << QStringList{QString::fromLatin1("\xc3\xa9t")}
                                     << QStringList{QString::fromLatin1("\x01\xff\xfe\x1b[31m"),
                                                    QString::fromLatin1("PK\x03\x04\x7f")};
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, accepted);
        QFETCH(QStringList, refused);
        const Parsed p = WordListRules::parse(text, existing);
        QCOMPARE(p.accepted, accepted);
        QStringList lines;
        for (const Refusal &r : p.refused)
            lines << (r.reason.isEmpty() ? QStringLiteral("(no reason)") : r.line);
        QCOMPARE(lines, refused);
        QVERIFY(p.wholeRefusal.isEmpty());
    }

    void hugePastesAreRefusedWholeAndQuickly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines"); // accepted and refused together; 0: refused whole
        QString thousand;
        for (int i = 0; i < MaxWords; ++i)
            thousand += QStringLiteral("w%1\n").arg(i);
        QTest::newRow("1,000 words: the limit") << thousand << MaxWords;
        QTest::newRow("10,000 lines") << thousand.repeated(10) << 0;
        QTest::newRow("2 MB on one line") << QString(2 * MaxBytes, QLatin1Char('x')) << 0;
        QTest::newRow("1 MB of junk, no line end") << QString(MaxBytes, QChar(0x01)) << 1;
    }

    void hugePastesAreRefusedWholeAndQuickly()
    {
        QFETCH(QString, text);
        QFETCH(int, lines);
        QElapsedTimer timer;
        timer.start();
        const Parsed p = WordListRules::parse(text, {});
        QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(p.wholeRefusal.isEmpty(), lines > 0);
        QCOMPARE(p.accepted.size() + p.refused.size(), lines);
        QVERIFY(refusalMessage(p.refused).size() < 1000);
    }

    void refusalMessageListsTheFirstAndCountsTheRest()
    {
        QList<Refusal> refused{{s("tab\there"), s("Bad.")}, {QString(300, QLatin1Char('z')), s("Too long.")}};
        for (int i = 0; i < 10; ++i)
            refused.append({s("dog"), s("Twice.")});
        const QString message = refusalMessage(refused);
        QVERIFY(message.startsWith(s("These lines were not added:\n\"tab?here\": Bad.\n\"zzzzzzzzzz")));
        QVERIFY(message.contains(QString(40, QLatin1Char('z')) + s("...\": Too long.\n\"dog\": Twice.\n")));
        QVERIFY(message.endsWith(s("\n...and 2 more.")) && message.count(QLatin1Char('\n')) == 11);
    }

    void readTextFile_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // written to the file, unless a folder or unreadable
        QTest::addColumn<QString>("result");   // the text read, or the end of the refusal
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xef\xbb\xbf"
                                                      "caf\xc3\xa9\r\nna\xc3\xafve")
                                        << s("café\r\nnaïve");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9\nna\xefve") << s("café\nnaïve");
        QTest::newRow("1 MB exactly") << QByteArray(MaxBytes, 'a') << QString(MaxBytes, QLatin1Char('a'));
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10)
                                << s("This is not a text file.");
        QTest::newRow("too big") << QByteArray(MaxBytes + 1, 'a') << s("bytes; at most 1048576 are read).");
        QTest::newRow("folder") << QByteArray("folder") << s(" is a folder, not a plain file.");
        QTest::newRow("unreadable") << QByteArray("unreadable") << s(": Permission denied.");
    }

    void readTextFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, result);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.txt"));
        if (bytes == "folder") {
            QVERIFY(QDir().mkdir(path));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
            if (bytes == "unreadable") {
                if (::geteuid() == 0)
                    QSKIP("Running as root: every file is readable.");
                QVERIFY(f.setPermissions({}));
            }
        }
        QString text = s("untouched");
        QString why;
        const bool read = WordListRules::readTextFile(path, &text, &why);
        QVERIFY2(read ? text == result : why.endsWith(result) && text == s("untouched"), qPrintable(why));
    }
};

QTEST_GUILESS_MAIN(TstWordListRules)
#include "tst_wordlistrules.moc"
