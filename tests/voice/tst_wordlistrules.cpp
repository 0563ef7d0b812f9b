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
    // Lists as people paste them: which pieces become words, which the test has already,
    // which are refused, and the count the panel shows as the text changes.
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("accepted");
        QTest::addColumn<QStringList>("already");
        QTest::addColumn<QStringList>("refused");
        QTest::addColumn<QString>("summary");
        const QString w300(300, QLatin1Char('w'));
        QTest::newRow("blanks, empty lines, CR LF, CR")
            << s("  cat \n\n dog \r\n   \r\nbig  red\rbus") << L("") << L("cat|dog|big  red|bus") << L("") << L("")
            << s("4 words found");
        QTest::newRow("already in the test: exact case") << s("Cat\ncat\nCAT ") << L("Cat") << L("cat|CAT") << L("Cat")
                                                         << L("") << s("3 words found, 1 already in the test");
        QTest::newRow("repeats: second and later") << s("dog\ndog \nDog\n dog") << L("") << L("dog|Dog") << L("")
                                                   << L("dog|dog") << s("2 words found, 2 cannot be added");
        QTest::newRow("slashes, controls inside") << s("a/b\nc\\d\nbell\x07\nok") << L("") << L("ok") << L("")
                                                  << L("a/b|c\\d|bell\x07") << s("1 word found, 3 cannot be added");
        QTest::newRow("300 characters") << w300 + s("\nshort") << L("") << L("short") << L("") << QStringList{w300}
                                        << s("1 word found, 1 cannot be added");
        QTest::newRow("hidden, .wav") << s(".hidden\nmy.wav\nmy.wave\n..\nmy.WAV\nfile.\nété\n日本") << L("")
                                      << L("my.WAV|file.|été|日本") << L("") << L(".hidden|my.wav|my.wave|..")
                                      << s("4 words found, 4 cannot be added");
        QTest::newRow("binary junk") << QString::fromLatin1("\x01\xff\xfe\x1b[31m\nPK\x03\x04\x7f\n\xc3\xa9t") << L("")
                                     << QStringList{QString::fromLatin1("\xc3\xa9t")} << L("")
                                     << QStringList{QString::fromLatin1("\x01\xff\xfe\x1b[31m"),
                                                    QString::fromLatin1("PK\x03\x04\x7f")}
                                     << s("1 word found, 2 cannot be added");
        QTest::newRow("numbered 1.") << s("1. cat\n2.dog\n10.  bird") << L("") << L("cat|dog|bird") << L("") << L("")
                                     << s("3 words found");
        QTest::newRow("numbered 2)") << s("1) cat\n2)dog\n 3 ) bird") << L("") << L("cat|dog|bird") << L("") << L("")
                                     << s("3 words found");
        QTest::newRow("numbered 3 -, 4:, en dash")
            << s("3 - cat\n4 -dog\n5- bird\n6: fish\n7 – owl") << L("") << L("cat|dog|bird|fish|owl") << L("") << L("")
            << s("5 words found");
        QTest::newRow("bullets") << s("• cat\n◦ dog\n* bird\n- fish\n·owl\n*ant") << L("")
                                 << L("cat|dog|bird|fish|owl|ant") << L("") << L("") << s("6 words found");
        QTest::newRow("hyphens and numbers in words")
            << s("-ing\nre-\nwell-known\n3.5\n2nd\n42\n7-up") << L("") << L("-ing|re-|well-known|3.5|2nd|42|7-up")
            << L("") << L("") << s("7 words found");
        QTest::newRow("commas") << s("cat, dog,bird ,fish,") << L("") << L("cat|dog|bird|fish") << L("") << L("")
                                << s("4 words found");
        QTest::newRow("semicolons and tabs") << s("cat;dog\tbird;; fish\t\tant") << L("") << L("cat|dog|bird|fish|ant")
                                             << L("") << L("") << s("5 words found");
        QTest::newRow("numbered on one line")
            << s("1. cat, 2. dog; 3) bird") << L("") << L("cat|dog|bird") << L("") << L("") << s("3 words found");
        QTest::newRow("a word processor's numbered list")
            << s("1.\tcat\r\n2.\tdog\r\n•\tbird") << L("") << L("cat|dog|bird") << L("") << L("") << s("3 words found");
        QTest::newRow("numbers without words")
            << s("1.\n2)\n•\n-\ncat") << L("") << L("cat") << L("") << L("") << s("1 word found");
        QTest::newRow("already in the test, twice") << s("1. cat\n2. dog\n3. cat") << L("cat|owl") << L("dog")
                                                    << L("cat") << L("") << s("2 words found, 1 already in the test");
        QTest::newRow("CJK separators") << s("猫，犬、鳥；魚") << L("") << L("猫|犬|鳥|魚") << L("") << L("")
                                        << s("4 words found");
        QTest::newRow("nothing") << s(" \n\t, ;\n") << L("") << L("") << L("") << L("") << s("");
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, accepted);
        QFETCH(QStringList, already);
        QFETCH(QStringList, refused);
        QFETCH(QString, summary);
        const Parsed p = WordListRules::parse(text, existing);
        QCOMPARE(p.accepted, accepted);
        QCOMPARE(p.alreadyInTest, already);
        QStringList lines;
        for (const Refusal &r : p.refused)
            lines << (r.reason.isEmpty() ? QStringLiteral("(no reason)") : r.line);
        QCOMPARE(lines, refused);
        QVERIFY(p.wholeRefusal.isEmpty());
        QCOMPARE(foundSummary(p), summary);
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
