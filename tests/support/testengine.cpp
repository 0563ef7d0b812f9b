#include "testengine.h"

#include "core/sound/mmcontrol.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimer>

#include <sndfile.h>

namespace
{

class TestDevice final : public SoundDevice
{
  public:
    TestDevice(TestSoundEngine &engine, MMControl *owner) : m_engine(engine), m_owner(owner)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { finish(); });
    }

    bool open(const QString &path) override
    {
        m_path = path;
        m_frames = 0;
        m_holds = false;
        if (QFileInfo(path).isDir()) {
            m_error = QStringLiteral("Cannot open a folder.");
            return false;
        }
        return true;
    }
    void close() override
    {
        m_recording = false;
        m_recorded = 0;
        m_frames = 0;
        m_held.clear();
        m_holds = false;
        finish();
    }
    bool play() override
    {
        const int ms = m_engine.duration(m_path);
        if (ms > 0) {
            m_playing = true;
            m_timer.start(ms);
        }
        return true;
    }
    bool record() override
    {
        m_recording = true;
        m_recordClock.start();
        return true;
    }
    bool stop() override
    {
        if (m_recording && !m_engine.recordsNothing()) {
            m_recorded = m_recordClock.elapsed();
            m_frames += std::max<qint64>(1, m_recorded * 22050 / 1000);
            m_holds = !m_engine.recordedSamples().empty();
            m_held = m_engine.recordedSamples();
        }
        m_recording = false;
        finish();
        return true;
    }
    // While recording, a steady level and the time since "Record", so a level meter and
    // a clock have something to show.
    float inputLevel() const override { return m_recording ? 0.5f : 0.0f; }
    qint64 recordedMs() const override
    {
        if (m_engine.recordsNothing())
            return 0;
        return m_recording ? m_recordClock.elapsed() : m_recorded;
    }
    qint64 recordedFrames() const override { return m_frames + (m_recording && !m_engine.recordsNothing() ? 1 : 0); }
    bool prev() override { return true; }
    bool heldRecording(std::vector<qint16> &samples, int &rate) const override
    {
        if (!m_holds)
            return false;
        samples = m_held;
        rate = 22050;
        return true;
    }
    bool replaceRecording(const std::vector<qint16> &samples, int rate) override
    {
        if (!m_holds || rate != 22050)
            return false;
        m_held = samples;
        return true;
    }
    bool save() override
    {
        // A tenth of a second of silence: a valid 16-bit PCM mono wave file.
        SF_INFO info{};
        info.samplerate = 22050;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE *f = sf_open(m_path.toLocal8Bit().constData(), SFM_WRITE, &info);
        if (!f) {
            m_error = QString::fromLocal8Bit(sf_strerror(nullptr));
            return false;
        }
        const std::vector<short> sound = m_holds ? m_held : std::vector<short>(2205, 0);
        sf_write_short(f, sound.data(), sf_count_t(sound.size()));
        sf_close(f);
        return true;
    }
    bool isPlaying() const override { return m_playing; }
    QString lastError() const override { return m_error; }

  private:
    void finish()
    {
        m_timer.stop();
        if (m_playing) {
            m_playing = false;
            Q_EMIT playFinished();
        }
    }

    TestSoundEngine &m_engine;
    MMControl *m_owner;
    QTimer m_timer;
    QString m_path;
    QString m_error;
    bool m_playing = false;
    bool m_recording = false;
    QElapsedTimer m_recordClock;
    qint64 m_recorded = 0;
    qint64 m_frames = 0;
    std::vector<qint16> m_held;
    bool m_holds = false;
};

QString normalised(const QString &command)
{
    const QString c = command.trimmed().toLower();
    return c.isEmpty() ? c : c.left(1).toUpper() + c.mid(1);
}

} // namespace

TestSoundEngine::TestSoundEngine()
{
    Sound::setEngine(this);
    MMControl::setObserver([this](const MMControl &control, const QString &command) {
        const QObject *window = control.parent();
        log << Entry{window ? window->objectName() : QString(), command, control.FileName, control.commandWait(),
                     control.commandSpeed()};
    });
}

TestSoundEngine::~TestSoundEngine()
{
    MMControl::setObserver({});
    Sound::setEngine(nullptr);
}

std::unique_ptr<SoundDevice> TestSoundEngine::createDevice(MMControl *owner)
{
    return std::make_unique<TestDevice>(*this, owner);
}

QStringList TestSoundEngine::lines() const
{
    QStringList out;
    for (const Entry &e : log) {
        const QString c = normalised(e.command);
        QString line = c;
        if (c == QLatin1String("Open"))
            line += QLatin1Char(' ') + e.fileName;
        if (e.wait)
            line += QStringLiteral(" (wait)");
        if (e.speed < 1.0 && c == QLatin1String("Play"))
            line += QStringLiteral(" (slowed)");
        out << line;
    }
    return out;
}

QStringList TestSoundEngine::played() const
{
    QStringList out;
    for (const Entry &e : log)
        if (normalised(e.command) == QLatin1String("Play"))
            out << e.fileName;
    return out;
}
