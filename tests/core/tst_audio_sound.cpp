// The real sound engine against a PulseAudio server whose "mic" records what its
// "speaker" plays: what a control plays is recorded by another control and checked.
#include "core/platform/forms.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/sound/realengine.h"
#include "core/sound/sound_device.h"
#include "support/testsupport.h"

#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>

#include <sndfile.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <csignal>
#include <vector>

namespace
{

// Time limits hold for optimised builds; sanitizer builds run several times slower and
// check the behaviour with more room.
// The long recording lasts a minute once, in the optimised build, where samples would
// be lost; the sanitizer build checks the same long path's memory for ten seconds.
#if defined(__SANITIZE_ADDRESS__)
constexpr int Slack = 3;
constexpr int LongRecordingMs = 10000;
#else
constexpr int Slack = 1;
constexpr int LongRecordingMs = 60000;
#endif

// A sine tone written in any libsndfile format; the sound starts at the first sample.
void writeTone(const QString &path, int format, int rate, int channels, int ms, double freq = 440.0, double amp = 0.5)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    QVERIFY2(f, sf_strerror(nullptr));
    const sf_count_t frames = sf_count_t(qint64(rate) * ms / 1000);
    std::vector<double> data(size_t(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            data[size_t(i * channels + c)] = amp * std::sin(2 * M_PI * freq * double(i) / rate + M_PI / 2);
    QCOMPARE(sf_writef_double(f, data.data(), frames), frames);
    sf_close(f);
}

void writeTone16(const QString &path, int ms, double freq = 440.0)
{
    writeTone(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, ms, freq);
}

void waitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

RealSoundDevice *deviceOf(MMControl &c)
{
    return qobject_cast<RealSoundDevice *>(c.device());
}

// Where the sound of a mono recording is, in ms; -1 when it is all silence.
struct Span {
    double firstMs = -1;
    double lastMs = -1;
    double lengthMs() const { return firstMs < 0 ? 0 : lastMs - firstMs; }
};
Span soundSpan(const Pcm &pcm, int threshold = 2000)
{
    Span s;
    const qint16 *x = pcm.samples();
    const qint64 n = pcm.frames() * pcm.channels;
    for (qint64 i = 0; i < n; ++i)
        if (std::abs(int(x[i])) > threshold) {
            if (s.firstMs < 0)
                s.firstMs = double(i / pcm.channels) * 1000.0 / pcm.rate;
            s.lastMs = double(i / pcm.channels) * 1000.0 / pcm.rate;
        }
    return s;
}

// The frequency of a tone in a mono recording, from its zero crossings.
double toneFrequency(const Pcm &pcm, const Span &span)
{
    const qint64 from = qint64(span.firstMs * pcm.rate / 1000), to = qint64(span.lastMs * pcm.rate / 1000);
    int crossings = 0;
    for (qint64 i = from + 1; i < to; ++i)
        if ((pcm.samples()[i - 1] < 0) != (pcm.samples()[i] < 0))
            ++crossings;
    return to > from ? crossings / 2.0 / (double(to - from) / pcm.rate) : 0;
}

struct WaveInfo {
    bool ok = false;
    int format = 0, channels = 0, rate = 0;
    qint64 frames = 0;
    double ms() const { return rate ? frames * 1000.0 / rate : 0; }
};
WaveInfo waveInfo(const QString &path)
{
    WaveInfo w;
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f)
        return w;
    w = {true, info.format, info.channels, info.samplerate, info.frames};
    sf_close(f);
    return w;
}

// A second control that records the mic, i.e. everything the speaker plays.
class Listener
{
  public:
    explicit Listener(const QString &path)
    {
        m_mic.FileName = path;
        m_mic.setCommand(QStringLiteral("Open"));
        m_mic.setCommand(QStringLiteral("Record"));
        waitMs(250); // the input is flowing before anything plays
    }
    Pcm stop(int tailMs = 250)
    {
        waitMs(tailMs);
        m_mic.setCommand(QStringLiteral("Stop"));
        return deviceOf(m_mic)->sound();
    }
    MMControl m_mic;
};

qint64 cpuUsecs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000LL + u.ru_utime.tv_usec + u.ru_stime.tv_usec;
}

} // namespace

class TestAudioSound : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase()
    {
        if (RealSoundEngine probe; !probe.hasOutput() || !probe.hasInput()) {
            if (!qEnvironmentVariableIsEmpty("CI"))
                QFAIL("no sound server: the real-audio tests must run in CI");
            QSKIP("no PulseAudio server with a speaker and a mic (see tests/support/pulse.sh)");
        }
    }

    void playsEachFormatToItsEnd_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        const int wav = SF_FORMAT_WAV;
        QTest::newRow("8-bit") << (wav | SF_FORMAT_PCM_U8) << 22050 << 1;
        QTest::newRow("16-bit") << (wav | SF_FORMAT_PCM_16) << 22050 << 1;
        QTest::newRow("24-bit") << (wav | SF_FORMAT_PCM_24) << 44100 << 1;
        QTest::newRow("32-bit") << (wav | SF_FORMAT_PCM_32) << 44100 << 1;
        QTest::newRow("float") << (wav | SF_FORMAT_FLOAT) << 44100 << 1;
        QTest::newRow("IMA ADPCM") << (wav | SF_FORMAT_IMA_ADPCM) << 22050 << 1;
        QTest::newRow("MS ADPCM") << (wav | SF_FORMAT_MS_ADPCM) << 22050 << 1;
        QTest::newRow("u-law") << (wav | SF_FORMAT_ULAW) << 8000 << 1;
        QTest::newRow("stereo") << (wav | SF_FORMAT_PCM_16) << 44100 << 2;
        QTest::newRow("8 kHz") << (wav | SF_FORMAT_PCM_16) << 8000 << 1;
        QTest::newRow("48 kHz") << (wav | SF_FORMAT_PCM_16) << 48000 << 1;
    }
    // Every format is heard from its start to its end, and a waiting play of 1.0 s
    // returns after 1.0 to 1.15 s.
    void playsEachFormatToItsEnd()
    {
        QFETCH(int, format);
        QFETCH(int, rate);
        QFETCH(int, channels);
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString file = env.appDir() + QStringLiteral("tone.wav");
        writeTone(file, format, rate, channels, 1000);

        Listener ear(env.appDir() + QStringLiteral("heard.wav"));
        MMControl control;
        QElapsedTimer t;
        t.start();
        Module1::PlayWave(control, file, true);
        const qint64 waited = t.elapsed();
        const Pcm heard = ear.stop();

        QCOMPARE(control.Error(), 0);
        QVERIFY(!control.isPlaying());
        QVERIFY2(waited >= 1000 && waited <= 1000 + 150 * Slack, qPrintable(QString::number(waited)));
        const Span span = soundSpan(heard);
        QVERIFY2(span.firstMs >= 0, "nothing was heard");
        QVERIFY2(std::abs(span.lengthMs() - 1000) < 30, qPrintable(QString::number(span.lengthMs())));
        QVERIFY2(std::abs(toneFrequency(heard, span) - 440) < 10,
                 qPrintable(QString::number(toneFrequency(heard, span))));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // The next prompt of a window cuts off the one still playing; controls of two
    // windows sound together.
    void secondPromptCutsOffTheFirst()
    {
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString a = env.appDir() + QStringLiteral("a.wav"), b = env.appDir() + QStringLiteral("b.wav");
        writeTone16(a, 2000, 440);
        writeTone16(b, 400, 880);
        Listener ear(env.appDir() + QStringLiteral("heard.wav"));
        MMControl control;
        QSignalSpy finished(&control, &MMControl::commandDone);
        Module1::PlayWave(control, a);
        QVERIFY(control.isPlaying());
        waitMs(300);
        Module1::PlayWave(control, b, true);
        const Pcm heard = ear.stop();
        const Span span = soundSpan(heard);
        // 300 ms of the first and all of the second, not the two seconds of the first.
        QVERIFY2(std::abs(span.lengthMs() - 700) < 60, qPrintable(QString::number(span.lengthMs())));
    }

    // The word-recording sequence: a new file, Record, Stop, Prev, Play, Save.
    void recordPlayAndSaveANewWord()
    {
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString tone = env.appDir() + QStringLiteral("voice.wav");
        writeTone16(tone, 3000, 440);
        const QString word = env.makeTest(QStringLiteral("Test_Words"), {}) + QStringLiteral("cat.wav");
        QVERIFY(!QFile::exists(word));

        MMControl speaker, mic;
        mic.FileName = word;
        mic.setCommand(QStringLiteral("open"));
        QCOMPARE(mic.Error(), 0);
        QElapsedTimer t;
        t.start();
        mic.setCommand(QStringLiteral("Record"));
        QVERIFY2(t.elapsed() < 100 * Slack, "Record returns at once");
        QCOMPARE(mic.Error(), 0);
        Module1::PlayWave(speaker, tone);
        waitMs(300);
        auto *device = deviceOf(mic);
        QVERIFY2(device->inputLevel() > 0.2f, qPrintable(QString::number(double(device->inputLevel()))));
        QVERIFY(device->recordedMs() > 100);
        waitMs(1200);
        mic.setCommand(QStringLiteral("Stop"));
        const double recordedFor = double(t.elapsed());
        QCOMPARE(device->inputLevel(), 0.0f);
        QVERIFY2(std::abs(device->recordedMs() - recordedFor) < recordedFor * 0.05,
                 qPrintable(QStringLiteral("%1 of %2").arg(device->recordedMs()).arg(recordedFor)));
        QVERIFY(!QFile::exists(word)); // held by the device until Save

        mic.setCommand(QStringLiteral("Prev"));
        t.restart();
        mic.Wait = true;
        mic.setCommand(QStringLiteral("Play"));
        const double playedFor = double(t.elapsed());
        QVERIFY2(std::abs(playedFor - recordedFor) < recordedFor * 0.1 + 50,
                 qPrintable(QStringLiteral("%1 of %2").arg(playedFor).arg(recordedFor)));
        mic.setCommand(QStringLiteral("Prev"));
        mic.setCommand(QStringLiteral("Save"));
        QCOMPARE(mic.Error(), 0);
        QVERIFY(mic.isOpen()); // the device stays open after saving

        const WaveInfo w = waveInfo(word);
        QVERIFY(w.ok);
        QCOMPARE(w.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QCOMPARE(w.channels, 1);
        QVERIFY2(std::abs(w.ms() - recordedFor) < recordedFor * 0.05, qPrintable(QString::number(w.ms())));
        const QStringList left = QDir(QFileInfo(word).path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList{QStringLiteral("cat.wav")}); // no temporary file left
    }

    // A long recording loses no samples and is saved quickly (a minute here stands for
    // the ten minutes a teacher might leave the recorder running).
    void aMinuteOfRecordingLosesNothing()
    {
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString word = env.appDir() + QStringLiteral("long.wav");
        MMControl mic;
        mic.FileName = word;
        mic.setCommand(QStringLiteral("Open"));
        QElapsedTimer t;
        t.start();
        mic.setCommand(QStringLiteral("Record"));
        QCOMPARE(mic.Error(), 0);
        waitMs(LongRecordingMs);
        mic.setCommand(QStringLiteral("Stop"));
        const double wall = double(t.elapsed());
        QElapsedTimer s;
        s.start();
        mic.setCommand(QStringLiteral("Save"));
        const qint64 saveMs = s.elapsed();
        QCOMPARE(mic.Error(), 0);
        QVERIFY2(saveMs < 100 * Slack, qPrintable(QString::number(saveMs)));
        const WaveInfo w = waveInfo(word);
        QVERIFY2(std::abs(w.ms() - wall) < wall * 0.01, qPrintable(QStringLiteral("%1 of %2").arg(w.ms()).arg(wall)));
    }

    // Recording again into an existing word file leaves only the new recording.
    void recordingAgainReplacesTheOldSound()
    {
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString word = env.appDir() + QStringLiteral("dog.wav");
        writeTone(word, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 2000, 440);
        const QString tone = env.appDir() + QStringLiteral("voice.wav");
        writeTone16(tone, 2000, 880);

        MMControl speaker, mic;
        mic.setCommand(QStringLiteral("Close"));
        mic.FileName = word;
        mic.setCommand(QStringLiteral("open"));
        QCOMPARE(mic.Error(), 0);
        QCOMPARE(deviceOf(mic)->lengthMs(), 2000);
        Module1::PlayWave(speaker, tone);
        waitMs(100);
        mic.setCommand(QStringLiteral("Record"));
        waitMs(600);
        mic.setCommand(QStringLiteral("Stop"));
        mic.setCommand(QStringLiteral("Prev"));
        mic.setCommand(QStringLiteral("Save"));
        QCOMPARE(mic.Error(), 0);

        const WaveInfo w = waveInfo(word);
        QVERIFY(w.ok);
        QCOMPARE(w.channels, 1);
        QVERIFY2(w.ms() > 550 && w.ms() < 700, qPrintable(QString::number(w.ms())));
        Pcm saved;
        QString error;
        QVERIFY(SoundFile::read(word, saved, error));
        const Span span = soundSpan(saved);
        QVERIFY(span.firstMs >= 0);
        QVERIFY2(std::abs(toneFrequency(saved, span) - 880) < 15, "the file holds the new recording");
    }

    // Close discards a recording that was not saved; the previous file stays.
    void closeDiscardsAnUnsavedRecording()
    {
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString word = env.appDir() + QStringLiteral("dog.wav");
        writeTone16(word, 500);
        const QByteArray before = [&] {
            QFile f(word);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        MMControl mic;
        mic.FileName = word;
        mic.setCommand(QStringLiteral("Open"));
        mic.setCommand(QStringLiteral("Record"));
        waitMs(300);
        mic.setCommand(QStringLiteral("Close"));
        QVERIFY(!mic.isOpen());
        QFile f(word);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        mic.setCommand(QStringLiteral("Save"));
        QVERIFY(mic.Error() != 0); // nothing open any more
    }

    void badFilesAreSilent_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << QStringLiteral("missing");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("zero bytes") << QStringLiteral("empty");
        QTest::newRow("truncated header") << QStringLiteral("header");
        QTest::newRow("random bytes") << QStringLiteral("random");
        QTest::newRow("RIFF with garbage") << QStringLiteral("riff");
        QTest::newRow("named pipe") << QStringLiteral("fifo");
    }
    // Silence, an error kept in the control, and a waiting call that returns at once.
    void badFilesAreSilent()
    {
        QFETCH(QString, kind);
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString path = env.appDir() + QStringLiteral("bad.wav");
        QByteArray bytes;
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(path));
        } else if (kind == QLatin1String("fifo")) {
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (kind != QLatin1String("missing")) {
            if (kind == QLatin1String("header")) {
                TestEnv::writeWave(path, 500);
                QFile f(path);
                QVERIFY(f.open(QIODevice::ReadOnly));
                bytes = f.read(30);
            } else if (kind == QLatin1String("random")) {
                bytes.resize(5000);
                QRandomGenerator rng(42);
                rng.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
            } else if (kind == QLatin1String("riff")) {
                bytes = QByteArrayLiteral("RIFF\xff\xff\xff\x7fWAVEfmt \x10\0\0\0\x01\0\x07\0\xff\xff\xff\xff");
                bytes.append(QByteArray(200, '\x55'));
            }
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        }
        MMControl control;
        QElapsedTimer t;
        t.start();
        Module1::PlayWave(control, path, true);
        QVERIFY2(t.elapsed() < 100 * Slack, qPrintable(QString::number(t.elapsed())));
        QVERIFY(control.Error() != 0);
        QVERIFY(!control.isPlaying());
        QVERIFY(!QGuiApplication::overrideCursor());
        // Every other command is harmless too.
        for (const char *c : {"Prev", "Stop", "Play", "Record", "Stop", "Close"})
            control.setCommand(QString::fromLatin1(c));
    }

    // A damaged word file can be recorded over.
    void damagedWordFileCanBeRecordedOver()
    {
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString word = env.appDir() + QStringLiteral("cat.wav");
        {
            QFile f(word);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a sound at all");
        }
        MMControl mic;
        mic.FileName = word;
        mic.setCommand(QStringLiteral("open"));
        QVERIFY(mic.Error() != 0);
        mic.setCommand(QStringLiteral("Record"));
        QCOMPARE(mic.Error(), 0);
        waitMs(300);
        mic.setCommand(QStringLiteral("Stop"));
        mic.setCommand(QStringLiteral("Save"));
        QCOMPARE(mic.Error(), 0);
        QVERIFY(waveInfo(word).ok);
    }

    void saveFailsCleanly_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("vanished folder") << QStringLiteral("vanished") << QStringLiteral("No such file or directory");
        QTest::newRow("folder is a file") << QStringLiteral("notdir") << QStringLiteral("Not a directory");
        QTest::newRow("target is a folder") << QStringLiteral("targetdir") << QStringLiteral("is a folder");
        QTest::newRow("disk full") << QStringLiteral("full") << QStringLiteral("File too large");
    }
    // A failing Save is kept in the error state with the system's own reason, leaves no
    // partial file and keeps the previous recording of the word.
    void saveFailsCleanly()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString dir = env.appDir() + QStringLiteral("Test_X");
        QVERIFY(QDir().mkpath(dir));
        QString word = dir + QStringLiteral("/cat.wav");
        if (kind == QLatin1String("notdir")) {
            QFile f(env.appDir() + QStringLiteral("plain"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            word = env.appDir() + QStringLiteral("plain/cat.wav");
        }
        if (kind == QLatin1String("full"))
            writeTone16(word, 300);
        const QByteArray before = [&] {
            QFile f(word);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();

        MMControl mic;
        mic.FileName = word;
        mic.setCommand(QStringLiteral("open"));
        mic.setCommand(QStringLiteral("Record"));
        waitMs(1000);
        mic.setCommand(QStringLiteral("Stop"));
        QVERIFY(deviceOf(mic)->sound().frames() > 15000);

        struct rlimit old {
        };
        if (kind == QLatin1String("vanished"))
            QVERIFY(QDir(dir).removeRecursively());
        else if (kind == QLatin1String("targetdir"))
            QVERIFY(QDir().mkdir(word));
        else if (kind == QLatin1String("full")) {
            // A file size limit fails the write half-way, as a full disk does.
            std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &old);
            struct rlimit small = old;
            small.rlim_cur = 8000;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        mic.setCommand(QStringLiteral("Save"));
        if (kind == QLatin1String("full"))
            setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(mic.Error() != 0);
        QVERIFY2(mic.ErrorMessage().contains(reason), qPrintable(mic.ErrorMessage()));

        if (kind == QLatin1String("full")) {
            QFile f(word);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), before);
            QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("cat.wav")});
            // The recording is still held: saving again once there is room succeeds.
            mic.setCommand(QStringLiteral("Save"));
            QCOMPARE(mic.Error(), 0);
            QVERIFY(waveInfo(word).ms() > 900);
        } else if (kind == QLatin1String("targetdir")) {
            QVERIFY(QFileInfo(word).isDir());
            QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{});
        } else {
            QVERIFY(!QFileInfo::exists(word));
        }
    }

    void savingNeverLeavesTheProgramFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("word file links outside") << QStringLiteral("file");
        QTest::newRow("word name links to a folder") << QStringLiteral("folder");
        QTest::newRow("test folder links outside") << QStringLiteral("testdir");
    }
    // Recording a word again whose file (or whose test folder) is a link never writes
    // through the link: the link itself is replaced by the new file, or the save is
    // refused with the reason, and what lies outside the program folder stays as it was.
    void savingNeverLeavesTheProgramFolder()
    {
        QFETCH(QString, kind);
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        QTemporaryDir outside;
        const QString outsideFile = outside.filePath(QStringLiteral("mine.wav"));
        writeTone16(outsideFile, 300);
        const QByteArray before = [&] {
            QFile f(outsideFile);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QString dir = env.appDir() + QStringLiteral("Test_X");
        if (kind == QLatin1String("testdir"))
            QVERIFY(QFile::link(outside.path(), dir));
        else
            QVERIFY(QDir().mkpath(dir));
        const QString word = dir + QStringLiteral("/cat.wav");
        if (kind == QLatin1String("file"))
            QVERIFY(QFile::link(outsideFile, word));

        MMControl mic;
        mic.FileName = word;
        mic.setCommand(QStringLiteral("Close"));
        mic.setCommand(QStringLiteral("open"));
        mic.setCommand(QStringLiteral("Record"));
        QCOMPARE(mic.Error(), 0);
        waitMs(300);
        mic.setCommand(QStringLiteral("Stop"));
        if (kind == QLatin1String("folder")) // made while the word was recorded
            QVERIFY(QFile::link(outside.path(), word));
        mic.setCommand(QStringLiteral("Save"));

        QFile f(outsideFile);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QCOMPARE(QDir(outside.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("mine.wav")});
        if (kind == QLatin1String("file")) {
            QCOMPARE(mic.Error(), 0);
            struct stat st {
            };
            QVERIFY(::lstat(QFile::encodeName(word).constData(), &st) == 0 && S_ISREG(st.st_mode));
            QVERIFY(waveInfo(word).ms() > 250);
        } else {
            QVERIFY(mic.Error() != 0);
            QVERIFY2(mic.ErrorMessage().contains(kind == QLatin1String("folder") ? QStringLiteral("link to a folder")
                                                                                 : QStringLiteral("outside")),
                     qPrintable(mic.ErrorMessage()));
        }
    }

    void heldPlaysWaitForTheRelease_data()
    {
        QTest::addColumn<bool>("waiting");
        QTest::addColumn<bool>("stopFirst");
        QTest::newRow("released") << false << false;
        QTest::newRow("waited for") << true << false;
        QTest::newRow("stopped while held") << false << true;
    }
    // While plays are held (the program's start-up) a play counts as playing and is
    // heard whole once released, 300 ms on; stopped before then it is never heard.
    void heldPlaysWaitForTheRelease()
    {
        QFETCH(bool, waiting);
        QFETCH(bool, stopFirst);
        TestEnv env;
        RealSoundEngine real(RealSoundEngine::Start::Held);
        Sound::setEngine(&real);
        const QString file = env.appDir() + QStringLiteral("tone.wav");
        writeTone16(file, 400);
        Listener ear(env.appDir() + QStringLiteral("heard.wav"));
        MMControl control;
        QTimer::singleShot(300, [&real] { real.release(); });
        QElapsedTimer t;
        t.start();
        Module1::PlayWave(control, file, waiting);
        if (!waiting) {
            QVERIFY(control.isPlaying());
            if (stopFirst)
                control.setCommand(QStringLiteral("Stop"));
            waitMs(1000 * Slack);
        } else {
            QVERIFY2(t.elapsed() >= 700, qPrintable(QString::number(t.elapsed())));
        }
        const Span span = soundSpan(ear.stop());
        QCOMPARE(control.Error(), 0);
        QVERIFY(!control.isPlaying());
        if (stopFirst) {
            QCOMPARE(span.firstMs, -1.0);
            return;
        }
        // The listener starts 250 ms before the play, which waits 300 ms more.
        QVERIFY2(span.firstMs >= 500, qPrintable(QString::number(span.firstMs)));
        QVERIFY2(std::abs(span.lengthMs() - 400) < 30, qPrintable(QString::number(span.lengthMs())));
    }

    // Ending the program inside a waiting play leaves it at once.
    void endingTheProgramLeavesAWaitingPlay()
    {
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString file = env.appDir() + QStringLiteral("long.wav");
        writeTone16(file, 3000);
        MMControl control;
        QTimer::singleShot(200, [] { Program::end(0); });
        QElapsedTimer t;
        t.start();
        Module1::PlayWave(control, file, true);
        QVERIFY2(t.elapsed() < 400 * Slack, qPrintable(QString::number(t.elapsed())));
        QVERIFY(env.ended);
        QVERIFY(!control.isPlaying());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // Once a sound has ended nothing of the sound engine runs: the program idles.
    void idleUsesNoCpu()
    {
        TestEnv env;
        RealSoundEngine real;
        Sound::setEngine(&real);
        const QString file = env.appDir() + QStringLiteral("tone.wav");
        writeTone16(file, 200);
        MMControl control;
        Module1::PlayWave(control, file, true);
        TestUi::settle(50);
        const qint64 before = cpuUsecs();
        QElapsedTimer t;
        t.start();
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double share = double(cpuUsecs() - before) / double(t.nsecsElapsed() / 1000);
        QVERIFY2(share < 0.01, qPrintable(QString::number(share)));
        QVERIFY(control.isOpen()); // the file stays open after its play
    }
};

QTEST_MAIN(TestAudioSound)
#include "tst_audio_sound.moc"
