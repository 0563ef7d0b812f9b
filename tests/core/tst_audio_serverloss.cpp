// The sound server dies while a control plays and another records: the waiting play
// ends, the recording keeps what it had, and every later command fails at once.
// Runs its own PulseAudio server, since it kills it.
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/sound/realengine.h"
#include "core/sound/sound_device.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <vector>

namespace
{
#if defined(__SANITIZE_ADDRESS__)
constexpr int Slack = 3; // sanitizer builds run several times slower
#else
constexpr int Slack = 1;
#endif
} // namespace

namespace
{
void pactl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    p.waitForFinished(5000);
}

// The speaker and the microphone that listens to it go, as when a headset is unplugged.
void unplugDevices()
{
    pactl({QStringLiteral("unload-module"), QStringLiteral("module-remap-source")});
    pactl({QStringLiteral("unload-module"), QStringLiteral("module-null-sink")});
}

// They come back; returns once the program sees both again.
void plugDevices(RealSoundEngine &engine)
{
    pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"), QStringLiteral("sink_name=speaker"),
           QStringLiteral("norewinds=1")});
    pactl({QStringLiteral("load-module"), QStringLiteral("module-remap-source"), QStringLiteral("source_name=mic"),
           QStringLiteral("master=speaker.monitor")});
    pactl({QStringLiteral("set-default-sink"), QStringLiteral("speaker")});
    pactl({QStringLiteral("set-default-source"), QStringLiteral("mic")});
    QTRY_VERIFY(engine.hasOutput() && engine.hasInput());
}

void waitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// How long the sound in a recording lasts, from its first loud sample to its last, in ms.
double heardMs(const SoundDevice &recording)
{
    std::vector<qint16> samples;
    int rate = 0;
    if (!recording.heldRecording(samples, rate) || rate <= 0)
        return 0;
    const auto loud = [](qint16 x) { return std::abs(int(x)) > 2000; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
    return first == samples.end() ? 0 : double(std::distance(first, last.base())) * 1000.0 / rate;
}
} // namespace

class TestAudioServerLoss : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_script = qEnvironmentVariable("WORDAROO_SOURCE") + QStringLiteral("/tests/support/pulse.sh");
        // Before the first use of the sound server, which fixes the one the program talks to.
        if (QProcess::execute(m_script, {QStringLiteral("start"), m_dir.path()}) != 0) {
            if (!qEnvironmentVariableIsEmpty("CI"))
                QFAIL("no sound server could be started: the real-audio tests must run in CI");
            QSKIP("no PulseAudio server could be started");
        }
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(m_dir.path()) + "/pulse/native");
        RealSoundEngine probe;
        QVERIFY(probe.hasOutput());
    }
    void cleanupTestCase() { QProcess::execute(m_script, {QStringLiteral("stop"), m_dir.path()}); }

    // The speaker (and the mic that listens to it) disappear mid-play: the waiting play
    // gives up instead of waiting for ever, the recording keeps what it had.
    void devicesRemovedMidPlay()
    {
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString file = env.appDir() + QStringLiteral("long.wav");
        TestEnv::writeWave(file, 5000);
        MMControl speaker, mic;
        mic.FileName = env.appDir() + QStringLiteral("word.wav");
        mic.setCommand(QStringLiteral("Open"));
        mic.setCommand(QStringLiteral("Record"));
        QCOMPARE(mic.Error(), 0);
        QTimer::singleShot(500, [] { unplugDevices(); });
        QElapsedTimer t;
        t.start();
        Module1::PlayWave(speaker, file, true);
        QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
        QVERIFY(!speaker.isPlaying());
        QVERIFY(!QGuiApplication::overrideCursor());
        mic.setCommand(QStringLiteral("Stop"));
        const qint64 kept = mic.device()->recordedMs();
        QVERIFY2(kept > 200, qPrintable(QString::number(kept)));
        mic.setCommand(QStringLiteral("Save"));
        QCOMPARE(mic.Error(), 0);

        // Devices back: sound works again.
        plugDevices(real);
        TestEnv::writeWave(file, 300);
        t.restart();
        Module1::PlayWave(speaker, file, true);
        QCOMPARE(speaker.Error(), 0);
        QVERIFY2(t.elapsed() >= 300 && t.elapsed() < 300 + 200 * Slack, qPrintable(QString::number(t.elapsed())));
    }

    // The speaker (and the mic that listens to it) is unplugged and plugged back in,
    // again and again, at different moments of a play: each play ends, and the next
    // one is heard whole (a second control records the mic while it plays).
    void speakerReplugged()
    {
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString longFile = env.appDir() + QStringLiteral("long.wav");
        const QString shortFile = env.appDir() + QStringLiteral("short.wav");
        TestEnv::writeWave(longFile, 3000);
        TestEnv::writeWave(shortFile, 300);
        MMControl speaker, mic;
        mic.FileName = env.appDir() + QStringLiteral("heard.wav");
        for (int round = 0; round < 10; ++round) {
            QTimer::singleShot(150 + 37 * round, [] { unplugDevices(); });
            QElapsedTimer t;
            t.start();
            Module1::PlayWave(speaker, longFile, true);
            QVERIFY2(t.elapsed() < 2500 * Slack, qPrintable(QString::number(t.elapsed())));
            plugDevices(real);
            mic.setCommand(QStringLiteral("Open"));
            mic.setCommand(QStringLiteral("Record"));
            QCOMPARE(mic.Error(), 0);
            waitMs(250); // the mic is recording before the play starts
            t.restart();
            Module1::PlayWave(speaker, shortFile, true);
            QCOMPARE(speaker.Error(), 0);
            QVERIFY2(t.elapsed() < 300 + 300 * Slack, qPrintable(QString::number(t.elapsed())));
            waitMs(150);
            mic.setCommand(QStringLiteral("Stop"));
            const double heard = heardMs(*mic.device());
            QVERIFY2(std::abs(heard - 300) < 30,
                     qPrintable(QStringLiteral("round %1: %2 ms heard").arg(round).arg(heard)));
            mic.setCommand(QStringLiteral("Close"));
        }
    }

    void serverDiesMidPlayAndMidRecording()
    {
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString file = env.appDir() + QStringLiteral("long.wav");
        TestEnv::writeWave(file, 5000);
        MMControl speaker, mic;
        mic.FileName = env.appDir() + QStringLiteral("word.wav");
        mic.setCommand(QStringLiteral("Open"));
        mic.setCommand(QStringLiteral("Record"));
        QCOMPARE(mic.Error(), 0);

        QTimer::singleShot(600, [this] {
            QFile pid(m_dir.path() + QStringLiteral("/pulse/pid"));
            QVERIFY(pid.open(QIODevice::ReadOnly));
            QVERIFY(::kill(pid.readAll().trimmed().toInt(), SIGKILL) == 0);
        });
        QElapsedTimer t;
        t.start();
        Module1::PlayWave(speaker, file, true);
        QVERIFY2(t.elapsed() < 2500, qPrintable(QString::number(t.elapsed())));
        QVERIFY(speaker.Error() != 0);
        QVERIFY(!speaker.isPlaying());
        QVERIFY(!QGuiApplication::overrideCursor());

        // The recording stopped with the server and keeps what it had.
        QTRY_VERIFY_WITH_TIMEOUT(!qobject_cast<RealSoundDevice *>(mic.device())->isRecording(), 2000);
        const qint64 kept = mic.device()->recordedMs();
        QVERIFY2(kept > 300 && kept < 2000, qPrintable(QString::number(kept)));
        mic.setCommand(QStringLiteral("Stop"));
        mic.setCommand(QStringLiteral("Save"));
        QVERIFY2(mic.Error() == 0, qPrintable(mic.ErrorMessage()));
        QVERIFY(QFile::exists(mic.FileName));

        // With the server gone every command fails at once, and nothing hangs.
        t.restart();
        Module1::PlayWave(speaker, file, true);
        QVERIFY(speaker.Error() != 0);
        mic.setCommand(QStringLiteral("Record"));
        QVERIFY(mic.Error() != 0);
        QVERIFY2(t.elapsed() < 200 * Slack, qPrintable(QString::number(t.elapsed())));
    }

  private:
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/wordaroo-pulse-XXXXXX")};
    QString m_script;
};

QTEST_MAIN(TestAudioServerLoss)
#include "tst_audio_serverloss.moc"
