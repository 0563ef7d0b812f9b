// PlayWave: its exact command sequence, cutting off a window's previous sound, the
// wait cursor, and silence for files that cannot play.
#include "core/platform/forms.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/sound/realengine.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace
{
// No sound server for the real-engine cases: the client must find none and not start one.
const bool noServer = [] {
    qputenv("PULSE_SERVER", "unix:/nonexistent/wordaroo-no-server");
    return true;
}();

// The control's settings as each command saw them.
struct Seen {
    QString command, deviceType;
    bool notify, shareable, wait;
};
} // namespace

class TestPlayWave : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void exactSequence_data()
    {
        QTest::addColumn<bool>("wait");
        QTest::newRow("background") << false;
        QTest::newRow("waiting") << true;
    }
    void exactSequence()
    {
        QFETCH(bool, wait);
        TestEnv env;
        QObject window;
        window.setObjectName(QStringLiteral("frmTest"));
        MMControl c(&window);
        c.Notify = true;
        c.Shareable = true;
        c.Wait = true;
        const QString path = env.appDir() + QStringLiteral("Welcome.wav");
        Module1::PlayWave(c, path, wait);

        // The wait flag the window left on applies to the Close, the next command.
        const QString w = wait ? QStringLiteral(" (wait)") : QString();
        QCOMPARE(env.sound.lines(),
                 (QStringList{QStringLiteral("Close (wait)"),
                              QStringLiteral("Open ") + path + QStringLiteral(" (wait)"), QStringLiteral("Play") + w}));
        QCOMPARE(env.sound.log.first().window, QStringLiteral("frmTest"));
        QCOMPARE(env.sound.played(), QStringList{path});
        QVERIFY(!c.Wait);

        // The settings each command saw: device type, notify and shareable set before Close.
        QList<Seen> seen;
        MMControl::setObserver([&](const MMControl &m, const QString &command) {
            seen << Seen{command, m.DeviceType, m.Notify, m.Shareable, m.commandWait()};
        });
        c.DeviceType.clear();
        c.Notify = true;
        Module1::PlayWave(c, path, wait);
        MMControl::setObserver({});
        QCOMPARE(seen.size(), 3);
        for (const Seen &s : seen) {
            QCOMPARE(s.deviceType, QStringLiteral("WaveAudio"));
            QVERIFY(!s.notify && !s.shareable);
        }
        QVERIFY(seen[1].wait);
        QCOMPARE(seen[2].wait, wait);
    }

    // The second of two quick prompts on one window cuts off the first.
    void secondPromptCutsOffTheFirst()
    {
        TestEnv env;
        const QString a = env.appDir() + QStringLiteral("Welcome.wav"),
                      b = env.appDir() + QStringLiteral("logindir.wav");
        env.sound.setDuration(a, 3000);
        env.sound.setDuration(b, 3000);
        MMControl c;
        Module1::PlayWave(c, a);
        QVERIFY(c.isPlaying());
        QSignalSpy ended(c.device(), &SoundDevice::playFinished);
        Module1::PlayWave(c, b);
        QCOMPARE(ended.count(), 1); // the first ended at the second's Close
        QVERIFY(c.isPlaying());
        QCOMPARE(env.sound.played(), (QStringList{a, b}));
        QCOMPARE(env.sound.lines().mid(3),
                 (QStringList{QStringLiteral("Close"), QStringLiteral("Open ") + b + QStringLiteral(" (wait)"),
                              QStringLiteral("Play")}));
    }

    // The hourglass shows for exactly a waiting play, never for a background one.
    void waitCursorOnlyWithTheWaitFlag_data()
    {
        QTest::addColumn<bool>("wait");
        QTest::newRow("background") << false;
        QTest::newRow("waiting") << true;
    }
    void waitCursorOnlyWithTheWaitFlag()
    {
        QFETCH(bool, wait);
        TestEnv env;
        const QString a = env.appDir() + QStringLiteral("Welcome.wav");
        env.sound.setDuration(a, 200);
        MMControl c;
        int sampled = 0;
        bool waitCursor = false;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            ++sampled;
            if (QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor)
                waitCursor = true;
        });
        sampler.start(20);
        QElapsedTimer t;
        t.start();
        Module1::PlayWave(c, a, wait);
        QCOMPARE(t.elapsed() >= 150, wait); // the test engine's timer is coarse
        QVERIFY(!QGuiApplication::overrideCursor());
        QTRY_VERIFY(!c.isPlaying());
        QVERIFY(sampled > 3);
        QCOMPARE(waitCursor, wait);
    }

    // On the real engine a missing file, or any file with no sound server: silence, no
    // message, the waiting call returns at once with the cursor restored. (Bad files
    // with a server: tst_audio_sound.)
    void unplayableFilesAreSilent_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << QStringLiteral("missing");
        QTest::newRow("no server") << QStringLiteral("valid");
    }
    void unplayableFilesAreSilent()
    {
        QFETCH(QString, kind);
        QVERIFY(noServer);
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString path = env.appDir() + QStringLiteral("cat.wav");
        if (kind == QLatin1String("valid"))
            TestEnv::writeWave(path, 2000);
        {
            MMControl c;
            QElapsedTimer t;
            t.start();
            Module1::PlayWave(c, path, true);
            QVERIFY2(t.elapsed() < 100, qPrintable(QString::number(t.elapsed())));
            QVERIFY(c.Error() != 0);
            QVERIFY(!c.isPlaying());
            QVERIFY(!QGuiApplication::overrideCursor());
            QVERIFY(env.dialogs.boxes.isEmpty());
            Module1::PlayWave(c, path); // and again, in the background
            QVERIFY(!c.isPlaying());
        }
        QCOMPARE(QFileInfo::exists(path), kind != QLatin1String("missing")); // nothing created
        Sound::setEngine(&env.sound);
    }
};

QTEST_MAIN(TestPlayWave)
#include "tst_playwave.moc"
