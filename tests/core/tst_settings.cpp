// The settings file: profile-function results for every odd file, lines kept on
// write, atomic replacement, the error boxes of the two operations, and the guard
// both share against anything that is not a small plain file.
#include "core/platform/inifile.h"
#include "core/platform/modinifiles.h"
#include "oddfiles.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTest>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
QByteArray utf16(bool le, const QString &text)
{
    QStringEncoder encoder(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return (le ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF")) + QByteArray(encoder(text));
}

// The process's mapped address space in bytes.
qint64 addressSpace()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            return line.mid(7).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}
} // namespace

class TstSettings : public QObject
{
    Q_OBJECT

    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

  private Q_SLOTS:
    void reading_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QByteArray("[SETTINGS]\nProtect=True\n") << "Protect"
                               << "True";
        QTest::newRow("names ignore case") << QByteArray("[settings]\nPROTECT=True\n") << "Protect"
                                           << "True";
        QTest::newRow("value keeps case") << QByteArray("[SETTINGS]\nProtect=true\n") << "Protect"
                                          << "true";
        QTest::newRow("trimmed") << QByteArray("[ SETTINGS ]\n  Protect =  True  \n") << "Protect"
                                 << "True";
        QTest::newRow("quotes stripped") << QByteArray("[SETTINGS]\nTheWord=\" pw \"\n") << "TheWord"
                                         << " pw ";
        QTest::newRow("crlf") << QByteArray("[SETTINGS]\r\nTheWord=secret\r\n") << "TheWord"
                              << "secret";
        QTest::newRow("first key wins") << QByteArray("[SETTINGS]\nTheWord=one\nTheWord=two\n") << "TheWord"
                                        << "one";
        QTest::newRow("other section") << QByteArray("[OTHER]\nProtect=True\n") << "Protect"
                                       << "DEFAULT";
        QTest::newRow("before any section") << QByteArray("Protect=True\n[SETTINGS]\n") << "Protect"
                                            << "DEFAULT";
        QTest::newRow("missing key") << QByteArray("[SETTINGS]\nTheWord=x\n") << "Protect"
                                     << "DEFAULT";
        QTest::newRow("empty file") << QByteArray() << "Protect"
                                    << "DEFAULT";
        QTest::newRow("binary") << QByteArray("\x00\xff\x01[\x02\n\xfe=", 8) << "Protect"
                                << "DEFAULT";
        QTest::newRow("empty value") << QByteArray("[SETTINGS]\nTheWord=\n") << "TheWord"
                                     << "";
        QTest::newRow("equals in value") << QByteArray("[SETTINGS]\nTheWord=a=b\n") << "TheWord"
                                         << "a=b";
        QTest::newRow("utf-8 byte-order mark") << QByteArray("\xEF\xBB\xBF[SETTINGS]\nProtect=True\n") << "Protect"
                                               << "True";
        QTest::newRow("cr only") << QByteArray("[SETTINGS]\rProtect=x\rTheWord=secret\r") << "TheWord"
                                 << "secret";
        const QString accented = QStringLiteral("[SETTINGS]\r\nTheWord=Gr\u00FC\u00DFe\r\n");
        QTest::newRow("utf-16le") << utf16(true, accented) << "TheWord" << QStringLiteral("Gr\u00FC\u00DFe");
        QTest::newRow("utf-16be") << utf16(false, accented) << "TheWord" << QStringLiteral("Gr\u00FC\u00DFe");
        QTest::newRow("cut at 254") << QByteArray("[SETTINGS]\nTheWord=" + QByteArray(300, 'p') + "\n") << "TheWord"
                                    << QString(254, QLatin1Char('p'));
    }
    void reading()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        TestEnv env;
        const QString file = env.appDir() + QStringLiteral("spell.ini");
        write(file, contents);
        QCOMPARE(modINIfiles::GetSetting(file, key, QStringLiteral("DEFAULT")), expected);
        QVERIFY(env.dialogs.boxes.isEmpty());
    }

    // A write keeps the file's encoding and line ends.
    void writeKeepsTheTextForm_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QString in = QStringLiteral("[SETTINGS]\r\nProtect=True\r\n");
        const QString out = QStringLiteral("[SETTINGS]\r\nProtect=True\r\nTheWord=pw\r\n");
        QTest::newRow("utf-16le") << utf16(true, in) << utf16(true, out);
        QTest::newRow("utf-16be") << utf16(false, in) << utf16(false, out);
        QTest::newRow("utf-8 byte-order mark") << QByteArray("\xEF\xBB\xBF[SETTINGS]\nProtect=True\n")
                                               << QByteArray("\xEF\xBB\xBF[SETTINGS]\nProtect=True\nTheWord=pw\n");
        QTest::newRow("cr only") << QByteArray("[SETTINGS]\rProtect=True\r")
                                 << QByteArray("[SETTINGS]\rProtect=True\rTheWord=pw\r");
    }
    void writeKeepsTheTextForm()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        TestEnv env;
        const QString file = env.appDir() + QStringLiteral("spell.ini");
        write(file, before);
        QVERIFY(modINIfiles::WriteSetting(file, QStringLiteral("TheWord"), QStringLiteral("pw")));
        QCOMPARE(read(file), after);
    }

    // Reading and writing refuse at once, with the settings error box, anything
    // but a plain file of at most 64 kB; nothing is written, nothing is followed.
    void oddFilesAreRefused_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO") << int(OddFile::Fifo) << "is a named pipe (FIFO), not a plain file.";
        QTest::newRow("folder") << int(OddFile::Folder) << "is a folder, not a plain file.";
        QTest::newRow("link to /dev/zero") << int(OddFile::LinkToDevZero) << "is a symbolic link, not a plain file.";
        QTest::newRow("link outside") << int(OddFile::LinkOutside) << "is a symbolic link, not a plain file.";
        QTest::newRow("100 MB sparse") << int(OddFile::Sparse100MB) << "is too big (104857600 bytes";
        QTest::newRow("just over 64 kB") << int(OddFile::JustTooBig) << "at most 65536 are read";
        QTest::newRow("odd UTF-16") << int(OddFile::BadUtf16) << "is not valid UTF-16.";
    }
    void oddFilesAreRefused()
    {
        QFETCH(int, shape);
        QFETCH(QString, reason);
        TestEnv env;
        const QString file = env.appDir() + QStringLiteral("spell.ini");
        const OddFile odd(file, OddFile::Shape(shape));
        QVERIFY(odd.ok());
        const QByteArray before = odd.state();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(modINIfiles::GetSetting(file, QStringLiteral("Protect"), QStringLiteral("False")), QString());
        QVERIFY(!modINIfiles::WriteSetting(file, QStringLiteral("Protect"), QStringLiteral("True")));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(env.dialogs.boxes.size(), 2);
        for (int i = 0; i < 2; ++i) {
            const ScriptedDialogs::Box &box = env.dialogs.boxes[i];
            const QString operation = i ? QStringLiteral("WriteSetting: \n") : QStringLiteral("GetSetting: \n");
            QVERIFY2(box.text.startsWith(operation + file) && box.text.contains(reason), qPrintable(box.text));
            QCOMPARE(box.title, QStringLiteral("ERROR:  75"));
            QCOMPARE(box.icon, MsgIcon::Critical);
        }
        QCOMPARE(odd.state(), before);
        QCOMPARE(read(odd.outsideTarget()), shape == OddFile::LinkOutside ? OddFile::OutsideContents : QByteArray());
        QCOMPARE(QDir(env.appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("spell.ini")});
    }

    // Under a memory limit a link to an endless device is refused, not read.
    void linkToDevZeroUnderAMemoryLimit()
    {
        TestEnv env;
        const QString file = env.appDir() + QStringLiteral("spell.ini");
        const OddFile odd(file, OddFile::LinkToDevZero);
        QVERIFY(odd.ok());
        const qint64 inUse = addressSpace();
        QVERIFY(inUse > 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(10);
            const rlimit limit{rlim_t(inUse + (256 << 20)), rlim_t(inUse + (256 << 20))};
            ::setrlimit(RLIMIT_AS, &limit);
            const QString section = QStringLiteral("SETTINGS"), key = QStringLiteral("Protect");
            const bool refused = !IniFile::read(file, section, key, QString()).ok &&
                                 !IniFile::write(file, section, key, QStringLiteral("True")).ok;
            ::_exit(refused ? 0 : 1);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, qPrintable(QString::number(status)));
    }

    void missingFileGivesDefaults()
    {
        TestEnv env;
        const QString file = env.appDir() + QStringLiteral("spell.ini");
        QCOMPARE(modINIfiles::GetSetting(file, QStringLiteral("Protect"), QStringLiteral("False")),
                 QStringLiteral("False"));
        QCOMPARE(modINIfiles::GetSetting(file, QStringLiteral("TheWord"), QString()), QString());
        QVERIFY(!QFile::exists(file));
        QVERIFY(env.dialogs.boxes.isEmpty());
    }

    void firstWriteCreatesTheProgramsLayout()
    {
        TestEnv env;
        const QString file = env.appDir() + QStringLiteral("spell.ini");
        modINIfiles::WriteSetting(file, QStringLiteral("Protect"), QStringLiteral("True"));
        modINIfiles::WriteSetting(file, QStringLiteral("TheWord"), QStringLiteral("Open Sesame"));
        QCOMPARE(read(file), QByteArray("[SETTINGS]\nProtect=True\nTheWord=Open Sesame\n"));
        modINIfiles::WriteSetting(file, QStringLiteral("Protect"), QStringLiteral("false"));
        QCOMPARE(read(file), QByteArray("[SETTINGS]\nProtect=false\nTheWord=Open Sesame\n"));
        QVERIFY(env.dialogs.boxes.isEmpty());
    }

    void writeKeepsEveryOtherLine()
    {
        const QByteArray before("; teacher's notes\r\n[Other]\r\nProtect=keep\r\n\r\n[settings]\r\nprotect = True \r\n"
                                "Colour=blue\r\n\r\n[Last]\r\nx=1\r\n");
        const QByteArray after =
            IniFile::withValue(before, QStringLiteral("SETTINGS"), QStringLiteral("Protect"), QStringLiteral("false"));
        QCOMPARE(after, QByteArray("; teacher's notes\r\n[Other]\r\nProtect=keep\r\n\r\n[settings]\r\nProtect=false\r\n"
                                   "Colour=blue\r\n\r\n[Last]\r\nx=1\r\n"));
        // A new key goes after the section's last line, before the blank line and the next section.
        const QByteArray added =
            IniFile::withValue(before, QStringLiteral("SETTINGS"), QStringLiteral("TheWord"), QStringLiteral("pw"));
        QVERIFY(added.contains("Colour=blue\r\nTheWord=pw\r\n\r\n[Last]"));
        // No section yet: appended at the end.
        QCOMPARE(IniFile::withValue("[Other]\nx=1\n", QStringLiteral("SETTINGS"), QStringLiteral("Protect"),
                                    QStringLiteral("True")),
                 QByteArray("[Other]\nx=1\n[SETTINGS]\nProtect=True\n"));
    }

    void valuesReadBackExactlyAsWritten_data()
    {
        QTest::addColumn<QString>("value");
        for (const char *v : {" pw", "pw ", " ", "\"pw\"", "'pw'", "a \"b\" c", "\"", "plain"})
            QTest::newRow(v) << QString::fromLatin1(v);
    }
    void valuesReadBackExactlyAsWritten()
    {
        QFETCH(QString, value);
        TestEnv env;
        const QString file = env.appDir() + QStringLiteral("spell.ini");
        modINIfiles::WriteSetting(file, QStringLiteral("TheWord"), value);
        QCOMPARE(modINIfiles::GetSetting(file, QStringLiteral("TheWord"), QString()), value);
    }

    void longPasswordIsReadBackCut()
    {
        TestEnv env;
        const QString file = env.appDir() + QStringLiteral("spell.ini");
        const QString pw(300, QLatin1Char('k'));
        modINIfiles::WriteSetting(file, QStringLiteral("TheWord"), pw);
        QCOMPARE(modINIfiles::GetSetting(file, QStringLiteral("TheWord"), QString()), pw.left(254));
    }

    void failedWriteIsReportedAndLeavesTheOldFile()
    {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders; the failure cannot be provoked");
        TestEnv env;
        const QString dir = env.appDir() + QStringLiteral("ro/");
        QDir().mkdir(dir);
        const QString file = dir + QStringLiteral("spell.ini");
        write(file, "[SETTINGS]\nProtect=True\n");
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        modINIfiles::WriteSetting(file, QStringLiteral("Protect"), QStringLiteral("false"));
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(env.dialogs.boxes.size(), 1);
        QVERIFY(env.dialogs.boxes[0].text.startsWith(QStringLiteral("WriteSetting: \n")));
        QCOMPARE(env.dialogs.boxes[0].title, QStringLiteral("ERROR:  75"));
        QCOMPARE(env.dialogs.boxes[0].icon, MsgIcon::Critical);
        QCOMPARE(read(file), QByteArray("[SETTINGS]\nProtect=True\n"));
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("spell.ini")});
    }

    void writeIntoAFolderThatIsAFileIsReported()
    {
        // Works as root too: a path through a plain file can never be written.
        TestEnv env;
        write(env.appDir() + QStringLiteral("blocker"), "x");
        modINIfiles::WriteSetting(env.appDir() + QStringLiteral("blocker/spell.ini"), QStringLiteral("Protect"),
                                  QStringLiteral("True"));
        QCOMPARE(env.dialogs.boxes.size(), 1);
        QVERIFY(env.dialogs.boxes[0].text.startsWith(QStringLiteral("WriteSetting: \n")));
        QVERIFY(env.dialogs.boxes[0].title.startsWith(QStringLiteral("ERROR:  ")));
    }
};

QTEST_MAIN(TstSettings)
#include "tst_settings.moc"
