// A machine without libpulse or libsndfile: the program runs on, silent, and each sound
// fails as with no sound server or a file that cannot be read, saying why.
#include "core/sound/mmcontrol.h"
#include "core/sound/realengine.h"
#include "core/sound/soundlibraries.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QTest>

namespace
{
// Names no machine has, set before anything loads the libraries.
const bool absent = [] {
    SoundLibraries::useNames("libwordaroo-absent-pulse.so.0", "libwordaroo-absent-sndfile.so.1");
    return true;
}();
} // namespace

class TestSoundLibraries : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void failsWithReason_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("reason");
        const QString noSndfile = QStringLiteral("libwordaroo-absent-sndfile.so.1");
        const QString noServer = QStringLiteral("The sound server is not available.");
        QTest::newRow("open a recording") << true << QStringList{QStringLiteral("Open")} << noSndfile;
        QTest::newRow("record a word") << false << QStringList{QStringLiteral("Open"), QStringLiteral("Record")}
                                       << noServer;
    }
    void failsWithReason()
    {
        QFETCH(bool, fileExists);
        QFETCH(QStringList, commands);
        QFETCH(QString, reason);
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString path = env.appDir() + QStringLiteral("cat.wav");
        if (fileExists)
            TestEnv::writeWave(path, 500);
        {
            MMControl c;
            c.FileName = path;
            for (const QString &command : commands)
                c.setCommand(command);
            QVERIFY(c.Error() != 0);
            QVERIFY2(c.ErrorMessage().contains(reason), qPrintable(c.ErrorMessage()));
            QVERIFY(!c.isPlaying());
        }
        QVERIFY(!real.hasOutput() && !real.hasInput());
        QCOMPARE(QFileInfo::exists(path), fileExists); // nothing written or removed
        QVERIFY(env.dialogs.boxes.isEmpty());
        Sound::setEngine(&env.sound);
    }
};

QTEST_MAIN(TestSoundLibraries)
#include "tst_soundlibraries.moc"
