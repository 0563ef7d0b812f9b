#include "core/sound/sound_device.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QAudioSource>
#include <QCoreApplication>
#include <QFileInfo>
#include <QIODevice>
#include <QList>
#include <QMediaDevices>
#include <QThread>

#include <algorithm>
#include <cstring>

namespace
{

// What a sink plays: the sound from an offset (shared, not copied), then a little
// silence. The silence keeps the stream from running dry before the end of the sound
// has been heard and the sink is stopped; a stream that runs dry makes Qt 6.4 start a
// drain whose late callback can reach a sink that is already gone.
class PaddedReader final : public QIODevice
{
  public:
    PaddedReader(const QByteArray &data, qint64 offset, qint64 padBytes, QObject *parent)
        : QIODevice(parent), m_data(data), m_offset(offset), m_total(data.size() - offset + padBytes)
    {
    }
    qint64 size() const override { return m_total; }
    bool atEnd() const override { return pos() >= m_total; }

  protected:
    qint64 readData(char *out, qint64 max) override
    {
        const qint64 at = pos();
        const qint64 n = std::clamp<qint64>(m_total - at, 0, max);
        const qint64 fromData = std::clamp<qint64>(m_data.size() - m_offset - at, 0, n);
        if (fromData > 0)
            std::memcpy(out, m_data.constData() + m_offset + at, size_t(fromData));
        if (n > fromData)
            std::memset(out + fromData, 0, size_t(n - fromData));
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

  private:
    QByteArray m_data;
    qint64 m_offset;
    qint64 m_total;
};

// Stopped sinks and sources wait here a while before they are deleted: a callback of
// the server for a stream that was just closed may still arrive.
QList<QPointer<QObject>> &retired()
{
    static QList<QPointer<QObject>> list;
    return list;
}
constexpr int RetireDelayMs = 2000;

QAudioFormat int16Format(int rate, int channels)
{
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    f.setSampleFormat(QAudioFormat::Int16);
    return f;
}

QString audioError(QAudio::Error e)
{
    switch (e) {
    case QAudio::OpenError:
        return QStringLiteral("The sound device could not be opened.");
    case QAudio::IOError:
        return QStringLiteral("The sound device failed.");
    case QAudio::UnderrunError:
        return QStringLiteral("The sound device ran out of data.");
    case QAudio::FatalError:
        return QStringLiteral("The sound server is not available.");
    case QAudio::NoError:
        break;
    }
    return QStringLiteral("The sound device stopped.");
}

// The part of a sound from a frame on.
Pcm tail(const Pcm &in, qint64 fromFrame)
{
    Pcm out;
    out.rate = in.rate;
    out.channels = in.channels;
    out.data = in.data.mid(qsizetype(fromFrame * in.bytesPerFrame()));
    return out;
}

Pcm head(const Pcm &in, qint64 frames)
{
    Pcm out;
    out.rate = in.rate;
    out.channels = in.channels;
    out.data = in.data.left(qsizetype(frames * in.bytesPerFrame()));
    return out;
}

} // namespace

RealSoundDevice::RealSoundDevice(QObject *parent) : SoundDevice(parent)
{
    m_endCheck.setSingleShot(true);
    m_endCheck.setTimerType(Qt::PreciseTimer);
    connect(&m_endCheck, &QTimer::timeout, this, &RealSoundDevice::checkPlayEnd);
}

RealSoundDevice::~RealSoundDevice()
{
    m_endCheck.stop();
    m_playing = false;
    m_recording = false;
    retire(m_sink);
    retire(m_source);
}

void RealSoundDevice::retire(QObject *audio)
{
    if (!audio)
        return;
    disconnect(audio, nullptr, this, nullptr);
    if (auto *sink = qobject_cast<QAudioSink *>(audio))
        sink->stop();
    else if (auto *source = qobject_cast<QAudioSource *>(audio)) {
        if (m_sourceIo)
            disconnect(m_sourceIo, nullptr, this, nullptr);
        source->stop();
    }
    // Destroying a sink runs the event loop: never from inside a command or a signal.
    audio->setParent(nullptr);
    retired().removeAll(nullptr);
    retired().append(audio);
    QTimer::singleShot(RetireDelayMs, audio, [audio] {
        retired().removeAll(audio);
        audio->deleteLater();
    });
}

void RealSoundDevice::deleteRetired()
{
    const QList<QPointer<QObject>> all = retired();
    retired().clear();
    if (all.isEmpty())
        return;
    QThread::msleep(50); // the server's last word on a stream just closed
    for (const QPointer<QObject> &o : all)
        delete o.data();
}

bool RealSoundDevice::open(const QString &path)
{
    close();
    m_path = path;
    const QFileInfo fi(path);
    if (path.isEmpty()) {
        setError(QStringLiteral("No file name."));
        return false;
    }
    if (!fi.exists() && !fi.isSymLink()) {
        // A new sound of that name, recorded and then saved.
        m_sound = Pcm{RecordRate, 1, {}};
        m_readyToRecord = true;
        return true;
    }
    QString error;
    if (!SoundFile::read(path, m_sound, error)) {
        setError(error);
        m_sound = Pcm{RecordRate, 1, {}};
        // A damaged word file can still be recorded over; a folder or device cannot.
        m_readyToRecord = fi.isFile();
        return false;
    }
    m_readyToRecord = true;
    return true;
}

void RealSoundDevice::close()
{
    finishPlay(End::Stopped);
    finishRecording(false);
    m_path.clear();
    m_sound = Pcm{};
    m_pos = 0;
    m_recordFrom = -1;
    m_readyToRecord = false;
    m_dirty = false;
}

bool RealSoundDevice::play()
{
    finishRecording(true);
    finishPlay(End::Stopped);
    if (m_sound.frames() == 0) {
        setError(QFileInfo::exists(m_path) ? QStringLiteral("There is no sound to play.")
                                           : QStringLiteral("The file does not exist."));
        return false;
    }
    if (m_pos >= m_sound.frames())
        return true; // at the end: nothing left to play

    const QAudioDevice out = QMediaDevices::defaultAudioOutput();
    if (out.isNull()) {
        setError(QStringLiteral("No sound output device."));
        return false;
    }
    QAudioFormat format = int16Format(m_sound.rate, m_sound.channels);
    QByteArray data = m_sound.data; // shared, not copied
    qint64 offset = m_pos * m_sound.bytesPerFrame();
    m_playScale = 1.0;
    m_playUsecs = (m_sound.frames() - m_pos) * 1000000 / m_sound.rate;
    if (!out.isFormatSupported(format)) {
        // The output cannot take the file's own format: convert what is left to play.
        const QAudioFormat preferred = out.preferredFormat();
        const int rate = preferred.sampleRate() > 0 ? preferred.sampleRate() : 48000;
        const int channels = std::clamp(preferred.channelCount(), 1, 2);
        const Pcm converted = PcmConvert::convert(tail(m_sound, m_pos), rate, channels);
        format = int16Format(rate, channels);
        if (!out.isFormatSupported(format) || converted.frames() == 0) {
            setError(QStringLiteral("The sound device cannot play this format."));
            return false;
        }
        data = converted.data;
        offset = 0;
        m_playScale = double(m_sound.rate) / rate;
        m_playUsecs = converted.usecs();
    }

    auto *sink = new QAudioSink(out, format);
    auto *buffer = new PaddedReader(data, offset, format.bytesForDuration(PaddingMs * 1000), sink);
    buffer->open(QIODevice::ReadOnly);
    sink->setBufferSize(qsizetype(format.bytesForDuration(SinkBufferMs * 1000)));
    sink->start(buffer);
    if (sink->state() == QAudio::StoppedState || sink->error() != QAudio::NoError) {
        setError(audioError(sink->error()));
        retire(sink);
        return false;
    }
    connect(sink, &QAudioSink::stateChanged, this, &RealSoundDevice::onSinkState);
    m_sink = sink;
    m_playing = true;
    m_playFrom = m_pos;
    m_lastProcessed = -1;
    m_lastProgressMs = 0;
    m_playClock.start();
    m_endCheck.start(int(std::clamp<qint64>(m_playUsecs / 1000, 1, EndCheckMs)));
    return true;
}

void RealSoundDevice::checkPlayEnd()
{
    if (!m_playing || !m_sink)
        return;
    const qint64 elapsedMs = m_playClock.elapsed();
    // The sink's idle state comes well before the end is heard; what the server has
    // played, less its latency, says when the sound has really ended.
    const qint64 processed = m_sink->processedUSecs();
    if (processed > m_lastProcessed) {
        m_lastProcessed = processed;
        m_lastProgressMs = elapsedMs;
    }
    const qint64 remaining = m_playUsecs - m_lastProcessed;
    if (remaining <= 1000) {
        finishPlay(End::Reached);
        return;
    }
    // A device that stops taking the sound (removed, or its stream killed: Qt 6.4 then
    // keeps its state) must not keep a waiting window for ever.
    if (elapsedMs - m_lastProgressMs > StallMs || elapsedMs > m_playUsecs / 1000 + 5000) {
        fail(QStringLiteral("The sound stopped before its end."));
        finishPlay(End::Failed);
        return;
    }
    // Now and then while the sound goes on, then at the moment its end is due.
    m_endCheck.start(int(std::clamp<qint64>(remaining / 1000, 1, EndCheckMs)));
}

void RealSoundDevice::onSinkState(QAudio::State state)
{
    if (!m_playing || sender() != m_sink)
        return;
    if (state == QAudio::StoppedState) {
        // The server went away or the device failed mid-play.
        fail(audioError(m_sink->error()));
        finishPlay(End::Failed);
    }
}

void RealSoundDevice::finishPlay(End how)
{
    if (!m_playing)
        return;
    m_playing = false;
    m_endCheck.stop();
    if (how == End::Reached) {
        m_pos = m_sound.frames();
    } else {
        qint64 processed = std::max<qint64>(0, m_lastProcessed);
        if (m_sink && m_sink->state() != QAudio::StoppedState)
            processed = std::max(processed, m_sink->processedUSecs());
        const qint64 frames = qint64(double(processed) * m_sound.rate / 1e6);
        m_pos = std::min(m_sound.frames(), m_playFrom + frames);
    }
    retire(m_sink);
    m_sink = nullptr;
    Q_EMIT playFinished(); // last: a handler may start the next sound
}

bool RealSoundDevice::record()
{
    finishPlay(End::Stopped);
    if (m_recording)
        return true;
    const QAudioDevice in = QMediaDevices::defaultAudioInput();
    if (in.isNull()) {
        setError(QStringLiteral("No sound input device."));
        return false;
    }
    QAudioFormat format = int16Format(RecordRate, 1);
    if (!in.isFormatSupported(format))
        format = in.preferredFormat(); // converted to 16-bit mono as it arrives
    if (!format.isValid() || format.sampleFormat() == QAudioFormat::Unknown) {
        setError(QStringLiteral("The sound input has no usable format."));
        return false;
    }

    auto *source = new QAudioSource(in, format);
    source->setBufferSize(qsizetype(format.bytesForDuration(50 * 1000)));
    QIODevice *io = source->start();
    if (!io || source->state() == QAudio::StoppedState || source->error() != QAudio::NoError) {
        setError(audioError(source->error()));
        retire(source);
        return false;
    }

    // The recording replaces the sound from the current position on: after "Open" or
    // "Prev" that is the whole sound.
    Pcm kept = m_pos > 0 ? PcmConvert::convert(head(m_sound, m_pos), format.sampleRate(), 1) : Pcm{};
    kept.rate = format.sampleRate();
    kept.channels = 1;
    m_sound = kept;
    m_recordFrom = m_sound.frames();
    m_pos = m_recordFrom;
    m_recordFormat = format;
    m_source = source;
    m_sourceIo = io;
    m_recording = true;
    m_dirty = true;
    m_recordClock.start();
    m_lastInputMs = 0;
    connect(io, &QIODevice::readyRead, this, &RealSoundDevice::onRecordData);
    connect(source, &QAudioSource::stateChanged, this, &RealSoundDevice::onSourceState);
    return true;
}

void RealSoundDevice::onRecordData()
{
    if (!m_recording)
        return;
    if (drainRecording() > 0)
        m_lastInputMs = m_recordClock.elapsed();
    if (m_sound.frames() > SoundFile::MaxFrames) {
        fail(QStringLiteral("The recording is too long."));
        finishRecording(true);
    } else if (m_recordClock.elapsed() - m_lastInputMs > StallMs) {
        // The input was removed: Qt 6.4 goes on asking it for data without a word.
        fail(QStringLiteral("The sound input stopped."));
        finishRecording(true);
    }
}

qint64 RealSoundDevice::drainRecording()
{
    if (!m_recording || !m_sourceIo)
        return 0;
    const QByteArray raw = m_sourceIo->readAll();
    if (raw.isEmpty())
        return 0;
    PcmConvert::SampleKind kind = PcmConvert::SampleKind::Int16;
    switch (m_recordFormat.sampleFormat()) {
    case QAudioFormat::UInt8:
        kind = PcmConvert::SampleKind::UInt8;
        break;
    case QAudioFormat::Int32:
        kind = PcmConvert::SampleKind::Int32;
        break;
    case QAudioFormat::Float:
        kind = PcmConvert::SampleKind::Float;
        break;
    default:
        break;
    }
    PcmConvert::appendMono(m_sound.data, raw.constData(), raw.size(), kind, m_recordFormat.channelCount());
    return raw.size();
}

void RealSoundDevice::onSourceState(QAudio::State state)
{
    if (!m_recording || sender() != m_source)
        return;
    if (state == QAudio::StoppedState) {
        // The input went away mid-recording: keep what was recorded.
        fail(audioError(m_source->error()));
        finishRecording(true);
    }
}

void RealSoundDevice::finishRecording(bool keep)
{
    if (!m_recording)
        return;
    if (keep)
        drainRecording(); // what the server holds still belongs to the recording
    m_recording = false;
    retire(m_source);
    m_source = nullptr;
    m_sourceIo = nullptr;
    if (keep) {
        m_pos = m_sound.frames();
    } else {
        m_sound = Pcm{RecordRate, 1, {}};
        m_pos = 0;
        m_recordFrom = -1;
        m_dirty = false;
    }
}

bool RealSoundDevice::stop()
{
    finishPlay(End::Stopped);
    finishRecording(true);
    return true;
}

bool RealSoundDevice::prev()
{
    finishPlay(End::Stopped);
    finishRecording(true);
    m_pos = 0;
    return true;
}

bool RealSoundDevice::save()
{
    finishRecording(true);
    QString error;
    if (!SoundFile::save(m_path, m_sound, error)) {
        setError(error);
        return false;
    }
    m_dirty = false;
    return true;
}

float RealSoundDevice::inputLevel() const
{
    if (!m_recording)
        return 0.0f;
    return PcmConvert::peak(m_sound.data, 1, qint64(m_sound.rate) / 20);
}

qint64 RealSoundDevice::recordedMs() const
{
    if (m_sound.rate <= 0 || m_recordFrom < 0)
        return 0;
    return std::max<qint64>(0, m_sound.frames() - m_recordFrom) * 1000 / m_sound.rate;
}
