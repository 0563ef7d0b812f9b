// The settings file: profile-function results for every odd file, lines kept on
// write, atomic replacement, and the error boxes of the two operations.
#include "core/platform/inifile.h"
#include "core/platform/modinifiles.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <unistd.h>

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
