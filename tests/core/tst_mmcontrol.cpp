// The multimedia control's command semantics on the test engine, the real engine with
// no sound server, and the wave-file layer under it.
#include "core/platform/forms.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/realengine.h"
#include "core/sound/sound_device.h"
#include "core/sound/sound_pcm.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <QtEndian>
#include <qpa/qwindowsysteminterface.h>

#include <sndfile.h>

namespace
{

// These tests run with no sound server: the client must find none and not start one.
const bool noServer = [] {
    qputenv("PULSE_SERVER", "unix:/nonexistent/wordaroo-no-server");
    return true;
}();

Pcm tone(int rate, int channels, int frames)
{
    Pcm p{rate, channels, {}};
    p.data.resize(frames * channels * 2);
    auto *s = reinterpret_cast<qint16 *>(p.data.data());
    for (int i = 0; i < frames * channels; ++i)
        s[i] = qint16((i * 997) % 60000 - 30000);
    return p;
}

// A 16-bit PCM wave file whose header claims `frames` frames. Unless samples are
// given, the data is a hole in a sparse file: a claim of hours costs no disk.
void writeWaveHeader(const QString &path, int rate, int channels, qint64 frames, const QByteArray &samples = {})
{
    const auto le32 = [](quint32 v) {
        return QByteArray(reinterpret_cast<const char *>(&(v = qToLittleEndian(v))), 4);
    };
    const auto le16 = [](quint16 v) {
        return QByteArray(reinterpret_cast<const char *>(&(v = qToLittleEndian(v))), 2);
    };
    const quint32 bytes = quint32(frames * channels * 2);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("RIFF" + le32(36 + bytes) + "WAVEfmt " + le32(16) + le16(1) + le16(quint16(channels)) +
            le32(quint32(rate)) + le32(quint32(rate * channels * 2)) + le16(quint16(channels * 2)) + le16(16) + "data" +
            le32(bytes));
    f.write(samples);
    QVERIFY(f.resize(44 + qint64(bytes)));
}

} // namespace

class TestMMControl : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void commandWordsInAnyCase_data()
    {
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("play");
        QTest::addColumn<QString>("close");
        QTest::newRow("capitalised") << "Open"
                                     << "Play"
                                     << "Close";
        QTest::newRow("lower") << "open"
                               << "play"
                               << "close";
        QTest::newRow("upper") << "OPEN"
                               << "PLAY"
                               << "CLOSE";
        QTest::newRow("mixed, blanks") << " oPeN"
                                       << "pLaY "
                                       << "cLoSe";
    }
    void commandWordsInAnyCase()
    {
        QFETCH(QString, open);
        QFETCH(QString, play);
        QFETCH(QString, close);
        TestEnv env;
        env.sound.setDuration(QStringLiteral("/a.wav"), 5000);
        MMControl c;
        c.FileName = QStringLiteral("/a.wav");
        c.setCommand(open);
        QVERIFY(c.isOpen());
        c.setCommand(play);
        QVERIFY(c.isPlaying());
        QCOMPARE(c.Command(), play);
        c.setCommand(close);
        QVERIFY(!c.isOpen());
        QVERIFY(!c.isPlaying());
        QCOMPARE(c.Error(), 0);
        QCOMPARE(env.sound.lines(),
                 (QStringList{QStringLiteral("Open /a.wav"), QStringLiteral("Play"), QStringLiteral("Close")}));
    }

    // Failures are kept in the error state and never raised; the next good command clears it.
    void failuresAreKeptSilently_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("error");
#ifdef QT_NO_DEBUG
        // A word that names no command fails an assertion in debug builds.
        QTest::newRow("unknown word") << "Rewind" << 261;
        QTest::newRow("empty") << "" << 261;
#endif
        QTest::newRow("play before open") << "Play" << 263;
        QTest::newRow("record before open") << "Record" << 263;
        QTest::newRow("stop before open") << "Stop" << 263;
        QTest::newRow("prev before open") << "Prev" << 263;
        QTest::newRow("save before open") << "Save" << 263;
        QTest::newRow("close before open") << "Close" << 0;
    }
    void failuresAreKeptSilently()
    {
        QFETCH(QString, command);
        QFETCH(int, error);
        TestEnv env;
        MMControl c;
        c.setCommand(command);
        QCOMPARE(c.Error(), error);
        QCOMPARE(c.ErrorMessage().isEmpty(), error == 0);
        QVERIFY(env.dialogs.boxes.isEmpty());
        c.setCommand(QStringLiteral("Close"));
        QCOMPARE(c.Error(), 0);
    }

    // The wait flag belongs to the next command only.
    void waitAppliesToTheNextCommandOnly()
    {
        TestEnv env;
        env.sound.setDuration(QStringLiteral("/a.wav"), 300);
        MMControl c;
        c.FileName = QStringLiteral("/a.wav");
        c.Wait = true;
        c.setCommand(QStringLiteral("Open"));
        QVERIFY(!c.Wait);
        QElapsedTimer t;
        t.start();
        c.setCommand(QStringLiteral("Play"));
        QVERIFY(t.elapsed() < 100);
        QVERIFY(c.isPlaying());
        QCOMPARE(env.sound.lines(), (QStringList{QStringLiteral("Open /a.wav (wait)"), QStringLiteral("Play")}));
    }

    // A window closed from a timer inside the wait takes its control along: the wait
    // ends and nothing touches the control afterwards.
    void controlDestroyedDuringAWaitingPlay()
    {
        TestEnv env;
        env.sound.setDuration(QStringLiteral("/a.wav"), 5000);
        auto *window = new QObject;
        auto *c = new MMControl(window);
        c->FileName = QStringLiteral("/a.wav");
        c->setCommand(QStringLiteral("Open"));
        QTimer::singleShot(50, window, [window] { delete window; });
        QPointer<QObject> alive = window;
        QElapsedTimer t;
        t.start();
        c->Wait = true;
        c->setCommand(QStringLiteral("Play"));
        QVERIFY(t.elapsed() < 1000);
        QVERIFY(!alive);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // Each window's control plays on its own; closing one leaves the other sounding.
    void controlsAreIndependent()
    {
        TestEnv env;
        env.sound.setDuration(QStringLiteral("/a.wav"), 5000);
        env.sound.setDuration(QStringLiteral("/b.wav"), 5000);
        MMControl one, two;
        one.FileName = QStringLiteral("/a.wav");
        two.FileName = QStringLiteral("/b.wav");
        for (MMControl *c : {&one, &two}) {
            c->setCommand(QStringLiteral("Open"));
            c->setCommand(QStringLiteral("Play"));
        }
        QVERIFY(one.isPlaying() && two.isPlaying());
        QSignalSpy ended(one.device(), &SoundDevice::playFinished);
        one.setCommand(QStringLiteral("Close"));
        QCOMPARE(ended.count(), 1);
        QVERIFY(!one.isPlaying());
        QVERIFY(two.isPlaying());
    }

    // With no sound server the real engine fails every device command at once and
    // silently; the file work still happens.
    void realEngineWithoutAServer()
    {
        QVERIFY(noServer);
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString word = env.appDir() + QStringLiteral("cat.wav");
        TestEnv::writeWave(word, 1000);
        MMControl c;
        c.FileName = word;
        c.setCommand(QStringLiteral("Open"));
        QCOMPARE(c.Error(), 0);
        QElapsedTimer t;
        t.start();
        c.Wait = true;
        c.setCommand(QStringLiteral("Play"));
        QVERIFY2(t.elapsed() < 100, qPrintable(QString::number(t.elapsed())));
        QVERIFY(c.Error() != 0);
        QVERIFY(!c.isPlaying());
        QVERIFY(!QGuiApplication::overrideCursor());
        c.setCommand(QStringLiteral("Record"));
        QVERIFY(c.Error() != 0);
        QCOMPARE(c.device()->recordedMs(), 0);
        // The sound of the file is still held, and Save writes it back whole.
        c.setCommand(QStringLiteral("Save"));
        QCOMPARE(c.Error(), 0);
        Pcm back;
        QString error;
        QVERIFY(SoundFile::read(word, back, error));
        QCOMPARE(back.ms(), 1000);
        Sound::setEngine(&env.sound);
    }

    // A word or prompt file longer than five minutes is refused from its header, at
    // once and silently, as any unplayable file; a file of many channels plays mixed
    // down. Nothing of the sound is decoded to open it.
    void longAndWideFilesAreJudgedByTheirHeader_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<qint64>("frames");
        QTest::addColumn<bool>("playable");
        QTest::newRow("24 hours at 1 kHz") << 1000 << 1 << qint64(86'000'000) << false;
        QTest::newRow("5 minutes and 1 s at 8 kHz") << 8000 << 1 << qint64(8000 * 301) << false;
        QTest::newRow("5 minutes at 8 kHz") << 8000 << 1 << qint64(8000 * 300) << true;
        QTest::newRow("64 channels") << 8000 << 64 << qint64(8000) << true;
    }
    void longAndWideFilesAreJudgedByTheirHeader()
    {
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(qint64, frames);
        QFETCH(bool, playable);
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString path = env.appDir() + QStringLiteral("word.wav");
        QByteArray samples;
        if (channels > 1) { // channel c holds c * 200: mixed down, 6300
            for (qint64 i = 0; i < frames * channels; ++i) {
                const qint16 v = qToLittleEndian(qint16((i % channels) * 200));
                samples.append(reinterpret_cast<const char *>(&v), 2);
            }
        }
        writeWaveHeader(path, rate, channels, frames, samples);
        MMControl c;
        c.FileName = path;
        QElapsedTimer t;
        t.start();
        c.setCommand(QStringLiteral("Open"));
        QVERIFY2(t.elapsed() < 100, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(c.Error(), playable ? 0 : 275);
        auto *device = qobject_cast<RealSoundDevice *>(c.device());
        if (playable) {
            QCOMPARE(device->lengthMs(), frames * 1000 / rate);
            Pcm back;
            QString error;
            QVERIFY2(SoundFile::read(path, back, error), qPrintable(error));
            QCOMPARE(back.channels, 1);
            QCOMPARE(back.frames(), frames);
            QCOMPARE(back.samples()[frames / 2], qint16(channels > 1 ? 6300 : 0));
        } else {
            QVERIFY2(c.ErrorMessage().contains(QStringLiteral("longer than 5 minutes")), qPrintable(c.ErrorMessage()));
            c.Wait = true;
            c.setCommand(QStringLiteral("Play"));
            QVERIFY(c.Error() != 0);
            QVERIFY(!c.isPlaying());
            QVERIFY2(t.elapsed() < 200, qPrintable(QString::number(t.elapsed())));
            QVERIFY(env.dialogs.boxes.isEmpty());
        }
        Sound::setEngine(&env.sound);
    }

    // A waiting play shuts out the keyboard and the mouse but not the window system: a
    // close box closes the window at once, which ends the wait. Keys typed meanwhile
    // (an access key too) reach the window once the wait is over; clicks are dropped.
    void waitingPlayAndWhatTheDesktopSends_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("close box") << true;
        QTest::newRow("keys and clicks") << false;
    }
    void waitingPlayAndWhatTheDesktopSends()
    {
        QFETCH(bool, closeBox);
        TestEnv env;
        env.sound.setDuration(QStringLiteral("/a.wav"), closeBox ? 3000 : 400);
        QPointer<Form> form = new Form(QStringLiteral("frmWaiting"));
        auto *box = new QLineEdit(form);
        auto *button = new QPushButton(QStringLiteral("&Go"), form);
        button->move(0, 40);
        QSignalSpy clicks(button, &QPushButton::clicked);
        form->show();
        QApplication::setActiveWindow(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        box->setFocus();
        auto *c = new MMControl(form);
        c->FileName = QStringLiteral("/a.wav");
        c->setCommand(QStringLiteral("Open"));

        QWindow *window = form->windowHandle();
        QString typedMeanwhile;
        int clicksMeanwhile = -1;
        QTimer::singleShot(100, form, [&] {
            if (closeBox) {
                QWindowSystemInterface::handleCloseEvent(window);
                return;
            }
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QWindowSystemInterface::handleKeyEvent(window, type, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QWindowSystemInterface::handleKeyEvent(window, type, Qt::Key_G, Qt::AltModifier, QStringLiteral("g"));
            const QPointF at = QRectF(button->geometry()).center();
            QWindowSystemInterface::handleMouseEvent(window, at, window->mapToGlobal(at), Qt::LeftButton,
                                                     Qt::LeftButton, QEvent::MouseButtonPress);
            QWindowSystemInterface::handleMouseEvent(window, at, window->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                                                     QEvent::MouseButtonRelease);
        });
        QTimer::singleShot(300, form, [&] {
            typedMeanwhile = box->text();
            clicksMeanwhile = int(clicks.count());
        });
        QElapsedTimer t;
        t.start();
        c->Wait = true;
        c->setCommand(QStringLiteral("Play"));
        const qint64 waited = t.elapsed();
        if (closeBox) {
            QVERIFY2(waited < 1000, qPrintable(QString::number(waited)));
            QVERIFY(!form || !form->isLoaded());
            TestUi::settle();
            QVERIFY(!form);
            return;
        }
        QVERIFY2(waited >= 350, qPrintable(QString::number(waited))); // the test engine's timer is coarse
        QCOMPARE(typedMeanwhile, QString());
        QCOMPARE(clicksMeanwhile, 0);
        QCOMPARE(box->text(), QString()); // not yet: the handler that waited goes on first
        QTest::qWait(300);
        QCOMPARE(box->text(), QStringLiteral("x"));
        QCOMPARE(clicks.count(), 1); // the access key, once
        delete form;
    }

    // What Save writes reads back exactly: 16-bit mono PCM wave, stereo mixed down.
    void savedSoundReadsBack_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::newRow("mono 22050") << 22050 << 1;
        QTest::newRow("stereo 44100") << 44100 << 2;
        QTest::newRow("empty") << 22050 << 0;
    }
    void savedSoundReadsBack()
    {
        QFETCH(int, rate);
        QFETCH(int, channels);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("w.wav"));
        const Pcm in = channels ? tone(rate, channels, 12345) : Pcm{rate, 1, {}};
        QString error;
        QVERIFY2(SoundFile::save(path, in, error), qPrintable(error));
        SF_INFO info{};
        SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        QVERIFY(f);
        sf_close(f);
        QCOMPARE(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QCOMPARE(info.channels, 1);
        QCOMPARE(info.samplerate, rate);
        Pcm back;
        if (channels == 0) {
            QCOMPARE(info.frames, 0);
            return;
        }
        QVERIFY(SoundFile::read(path, back, error));
        QCOMPARE(back.data, PcmConvert::toMono(in).data);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("w.wav")});
    }

    // Conversions used when a device will not take a format.
    void conversions()
    {
        const Pcm stereo = tone(44100, 2, 4410);
        const Pcm mono = PcmConvert::convert(stereo, 22050, 1);
        QCOMPARE(mono.channels, 1);
        QCOMPARE(mono.rate, 22050);
        QCOMPARE(mono.frames(), 2205);
        const Pcm up = PcmConvert::convert(mono, 48000, 2);
        QCOMPARE(up.channels, 2);
        QCOMPARE(up.frames(), 4800);

        QByteArray out;
        for (const qint16 v : {qint16(0), qint16(-32768)})
            out.append(reinterpret_cast<const char *>(&v), 2);
        QCOMPARE(PcmConvert::peak(out, 1, 2), 1.0f);
    }
};

QTEST_MAIN(TestMMControl)
#include "tst_mmcontrol.moc"
