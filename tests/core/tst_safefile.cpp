// The one way the program replaces a file: only inside the program folder unless
// the user chose the place, never through a link, nothing left half-written, and
// the system's own reason when it fails.
#include "core/platform/safefile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TstSafeFile : public QObject
{
    Q_OBJECT

    static QByteArray contents(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }

  private Q_SLOTS:
    void onlyInsideTheProgramFolder_data()
    {
        QTest::addColumn<QString>("where"); // inside, outside, linked folder
        QTest::addColumn<bool>("userChosen");
        QTest::addColumn<bool>("written");
        QTest::newRow("inside") << "inside" << false << true;
        QTest::newRow("in a subfolder") << "sub" << false << true;
        QTest::newRow("outside") << "outside" << false << false;
        QTest::newRow("outside, chosen by the user") << "outside" << true << true;
        QTest::newRow("folder linked to outside") << "linked" << false << false;
        QTest::newRow("up and out") << "dotdot" << false << false;
    }
    void onlyInsideTheProgramFolder()
    {
        QFETCH(QString, where);
        QFETCH(bool, userChosen);
        QFETCH(bool, written);
        TestEnv env;
        QTemporaryDir outside;
        QVERIFY(QDir().mkdir(env.appDir() + QStringLiteral("sub")));
        QVERIFY(QFile::link(outside.path(), env.appDir() + QStringLiteral("linked")));
        const QString path = where == QLatin1String("inside")   ? env.appDir() + QStringLiteral("a.txt")
                             : where == QLatin1String("sub")    ? env.appDir() + QStringLiteral("sub/a.txt")
                             : where == QLatin1String("linked") ? env.appDir() + QStringLiteral("linked/a.txt")
                             : where == QLatin1String("dotdot") ? env.appDir() + QStringLiteral("sub/../../a.txt")
                                                                : outside.filePath(QStringLiteral("a.txt"));
        QString error;
        const bool ok = SafeFile::replaceFile(
            path, "new", &error, userChosen ? SafeFile::Destination::UserChosen : SafeFile::Destination::ProgramFolder);
        QCOMPARE(ok, written);
        QCOMPARE(contents(path), written ? QByteArray("new") : QByteArray("<none>"));
        if (!written)
            QVERIFY2(error.contains(QStringLiteral("outside the program folder")), qPrintable(error));
    }

    // Replacing keeps the old file's permissions and leaves no temporary file.
    void replacesInPlace()
    {
        TestEnv env;
        const QString path = env.appDir() + QStringLiteral("w.wav");
        QString error;
        QVERIFY(SafeFile::replaceFile(path, "one", &error));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
        const QFileDevice::Permissions before = QFile::permissions(path);
        QVERIFY(SafeFile::replaceFile(path, "two", &error));
        QCOMPARE(contents(path), QByteArray("two"));
        QCOMPARE(QFile::permissions(path), before);
        QCOMPARE(QDir(env.appDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("w.wav")});
    }

    // What stands at the name: a link is refused, or with ReplaceLink replaced itself
    // (never written through) unless it leads to a folder; the longest name fits.
    void whatStandsAtTheName_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("replaceLink");
        QTest::addColumn<bool>("written");
        QTest::newRow("link, plain files only") << "link" << false << false;
        QTest::newRow("link, replaced") << "link" << true << true;
        QTest::newRow("link to a folder") << "folder link" << true << false;
        QTest::newRow("longest name") << "long" << false << true;
    }
    void whatStandsAtTheName()
    {
        QFETCH(QString, kind);
        QFETCH(bool, replaceLink);
        QFETCH(bool, written);
        TestEnv env;
        QTemporaryDir outside;
        const QString target = outside.filePath(QStringLiteral("t.txt"));
        QVERIFY(SafeFile::replaceFile(target, "old", nullptr, SafeFile::Destination::UserChosen));
        QString path = env.appDir() + QStringLiteral("a.txt");
        if (kind == QLatin1String("link"))
            QVERIFY(QFile::link(target, path));
        else if (kind == QLatin1String("folder link"))
            QVERIFY(QFile::link(outside.path(), path));
        else
            path = env.appDir() + QString(250, QLatin1Char('z')) + QStringLiteral(".wav");
        QString error;
        const auto atName = replaceLink ? SafeFile::AtName::ReplaceLink : SafeFile::AtName::PlainFileOnly;
        QCOMPARE(SafeFile::replaceFile(path, "new", &error, SafeFile::Destination::ProgramFolder, atName), written);
        QCOMPARE(contents(target), QByteArray("old"));
        QCOMPARE(QFileInfo(path).isSymLink(), kind != QLatin1String("long") && !written);
        if (written)
            QCOMPARE(contents(path), QByteArray("new"));
        else
            QVERIFY2(error.contains(QStringLiteral("symbolic link")), qPrintable(error));
    }

    // A failure says what the system said.
    void systemReasonIsKept()
    {
        TestEnv env;
        QString error;
        QVERIFY(!SafeFile::replaceFile(env.appDir() + QStringLiteral("none/x"), "x", &error));
        QCOMPARE(error, QStringLiteral("Cannot write %1none/x: No such file or directory.").arg(env.appDir()));
        if (::geteuid() != 0) {
            QVERIFY(QFile::setPermissions(env.appDir(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            QVERIFY(!SafeFile::replaceFile(env.appDir() + QStringLiteral("x"), "x", &error));
            QVERIFY(QFile::setPermissions(env.appDir(),
                                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
            QVERIFY2(error.endsWith(QStringLiteral(": Permission denied.")), qPrintable(error));
        }
    }
};

QTEST_MAIN(TstSafeFile)
#include "tst_safefile.moc"
