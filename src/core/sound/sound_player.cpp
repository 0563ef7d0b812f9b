#include "core/sound/sound_player.h"

#include "core/sound/sound_audio.h"
#include "core/sound/sound_pulselock.h"
#include "core/sound/soundengine.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QIODevice>
#include <QList>
#include <QMediaDevices>

#include <algorithm>
#include <cstring>
#include <utility>

// What a sink plays: the frames of a source, decoded as the sink asks for them, then a
// little silence. The silence keeps the stream from running dry before the end of the
// sound has been heard and the sink is stopped; a stream that runs dry makes Qt 6.4
// start a drain whose late callback can reach a sink that is already gone.
class PlayStream final : public QIODevice
{
  public:
    PlayStream(std::unique_ptr<PcmConvert::FrameSource> source, qint64 frames, qint64 padBytes, QObject *parent)
        : QIODevice(parent), m_source(std::move(source)), m_bytesPerFrame(2 * qint64(m_source->channels())),
          m_rate(m_source->rate()), m_frames(frames), m_padBytes(padBytes), m_total(frames * m_bytesPerFrame + padBytes)
    {
    }
    qint64 size() const override { return m_total; }
    bool atEnd() const override { return pos() >= m_total; }
    // The length of the sound: what was expected, until the source ends early.
    qint64 soundUsecs() const { return m_rate > 0 ? m_frames * 1000000 / m_rate : 0; }
    // The play is over: the file goes now rather than with the sink, later.
    void release() { m_source.reset(); }

  protected:
    qint64 readData(char *out, qint64 max) override
    {
        qint64 done = 0;
        while (done < max) {
            if (m_pendingAt < m_pending.size()) {
                const qint64 n = std::min<qint64>(m_pending.size() - m_pendingAt, max - done);
                std::memcpy(out + done, m_pending.constData() + m_pendingAt, size_t(n));
                m_pendingAt += n;
                done += n;
                continue;
            }
            if (decode())
                continue;
            const qint64 n = std::clamp<qint64>(m_total - (pos() + done), 0, max - done);
            std::memset(out + done, 0, size_t(n));
            done += n;
            break;
        }
        return done;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

  private:
    // The next block of the sound; false once it has all been given.
    bool decode()
    {
        constexpr qint64 Block = 2048;
        const qint64 want = std::min(Block, m_frames - m_decoded);
        if (m_ended || !m_source || want <= 0)
            return false;
        m_pending.resize(qsizetype(want * m_bytesPerFrame));
        const qint64 got = m_source->read(reinterpret_cast<qint16 *>(m_pending.data()), want);
        m_pending.resize(qsizetype(std::max<qint64>(got, 0) * m_bytesPerFrame));
        m_pendingAt = 0;
        m_decoded += std::max<qint64>(got, 0);
        if (got < want) {
            // The data ended before its header said: the silence follows at once.
            m_ended = true;
            m_frames = m_decoded;
            m_total = m_frames * m_bytesPerFrame + m_padBytes;
        }
        return got > 0;
    }

    std::unique_ptr<PcmConvert::FrameSource> m_source;
    qint64 m_bytesPerFrame;
    int m_rate;
    qint64 m_frames;
    qint64 m_padBytes;
    qint64 m_total;
    qint64 m_decoded = 0;
    bool m_ended = false;
    QByteArray m_pending;
    qint64 m_pendingAt = 0;
};

namespace
{
struct Hold {
    bool on = false;
    QList<QPointer<SoundPlayer>> waiting;
};
Hold &hold()
{
    static Hold h;
    return h;
}
} // namespace

void SoundPlayer::holdPlays()
{
    hold().on = true;
}

void SoundPlayer::endHold(const std::function<void(SoundPlayer &)> &each)
{
    hold().on = false;
    const QList<QPointer<SoundPlayer>> waiting = std::exchange(hold().waiting, {});
    for (const QPointer<SoundPlayer> &player : waiting)
        if (player && player->m_waiting)
            each(*player);
}

void SoundPlayer::releasePlays()
{
    endHold([](SoundPlayer &player) { player.startWaiting(); });
}

void SoundPlayer::dropHeldPlays()
{
    endHold([](SoundPlayer &player) { player.finish(End::Stopped); });
}

SoundPlayer::SoundPlayer(QObject *parent) : QObject(parent)
{
    m_endCheck.setSingleShot(true);
    m_endCheck.setTimerType(Qt::PreciseTimer);
    connect(&m_endCheck, &QTimer::timeout, this, &SoundPlayer::checkEnd);
}

SoundPlayer::~SoundPlayer()
{
    m_endCheck.stop();
    m_playing = false;
    SoundAudio::retire(m_sink, this);
}

bool SoundPlayer::start(std::unique_ptr<PcmConvert::FrameSource> source, qint64 frames)
{
    finish(End::Stopped);
    if (!hold().on)
        return open(std::move(source), frames);
    m_sourceRate = source->rate();
    m_frames = frames;
    m_waiting = std::move(source);
    m_playing = true;
    m_lastProcessed = -1;
    hold().waiting.removeAll(nullptr);
    hold().waiting.append(this);
    return true;
}

void SoundPlayer::startWaiting()
{
    m_playing = false;
    if (open(std::move(m_waiting), m_frames))
        return;
    m_playing = true;
    giveUp(m_error);
}

bool SoundPlayer::open(std::unique_ptr<PcmConvert::FrameSource> source, qint64 frames)
{
    const QAudioDevice out = QMediaDevices::defaultAudioOutput();
    if (out.isNull()) {
        m_error = QStringLiteral("No sound output device.");
        return false;
    }
    m_sourceRate = source->rate();
    m_frames = frames;
    QAudioFormat format = SoundAudio::int16Format(source->rate(), source->channels());
    qint64 playFrames = frames;
    if (!out.isFormatSupported(format)) {
        // The output cannot take the source's own format: convert it as it plays.
        const QAudioFormat preferred = out.preferredFormat();
        const int rate = preferred.sampleRate() > 0 ? preferred.sampleRate() : 48000;
        const int channels = std::clamp(preferred.channelCount(), 1, 2);
        format = SoundAudio::int16Format(rate, channels);
        if (!out.isFormatSupported(format)) {
            m_error = QStringLiteral("The sound device cannot play this format.");
            return false;
        }
        qCDebug(lcSound) << "converting" << source->rate() << "Hz," << source->channels() << "channels to" << rate
                         << "Hz," << channels << "channels for" << out.description();
        playFrames = frames * rate / std::max(1, source->rate());
        source = std::make_unique<PcmConvert::Converter>(std::move(source), rate, channels);
    }

    auto *sink = new QAudioSink(out, format);
    auto *stream =
        new PlayStream(std::move(source), playFrames, format.bytesForDuration(qint64(PaddingMs) * 1000), sink);
    stream->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    sink->setBufferSize(qsizetype(format.bytesForDuration(qint64(SinkBufferMs) * 1000)));
    sink->start(stream);
    if (sink->state() == QAudio::StoppedState || sink->error() != QAudio::NoError) {
        m_error = SoundAudio::errorText(sink->error());
        SoundAudio::retire(sink, this);
        return false;
    }
    qCDebug(lcSound) << "playing" << frames << "frames at" << format.sampleRate() << "Hz on" << out.description();
    connect(sink, &QAudioSink::stateChanged, this, [this, sink](QAudio::State state) {
        // The server went away or the device failed mid-play.
        if (m_playing && sink == m_sink && state == QAudio::StoppedState)
            giveUp(SoundAudio::errorText(sink->error()));
    });
    m_sink = sink;
    m_stream = stream;
    m_playing = true;
    m_playUsecs = stream->soundUsecs();
    m_lastProcessed = -1;
    m_lastProgressMs = 0;
    m_clock.start();
    m_endCheck.start(int(std::clamp<qint64>(m_playUsecs / 1000, 1, EndCheckMs)));
    return true;
}

qint64 SoundPlayer::soundUsecs() const
{
    return m_stream ? m_stream->soundUsecs() : m_playUsecs;
}

void SoundPlayer::checkEnd()
{
    if (!m_playing || !m_sink)
        return;
    const qint64 elapsedMs = m_clock.elapsed();
    // The sink's idle state comes well before the end is heard; what the server has
    // played, less its latency, says when the sound has really ended.
    const qint64 processed = m_sink->processedUSecs();
    if (processed > m_lastProcessed) {
        m_lastProcessed = processed;
        m_lastProgressMs = elapsedMs;
    }
    const qint64 playUsecs = soundUsecs();
    const qint64 remaining = playUsecs - m_lastProcessed;
    if (remaining <= 1000) {
        const qint64 heard = finish(End::Reached);
        Q_EMIT ended(true, heard);
        return;
    }
    // A device that stops taking the sound (removed, or its stream killed: Qt 6.4 then
    // keeps its state) must not keep a waiting window for ever.
    if (elapsedMs - m_lastProgressMs > StallMs || elapsedMs > playUsecs / 1000 + 5000) {
        giveUp(QStringLiteral("The sound stopped before its end (%1 of %2 ms played).")
                   .arg(std::max<qint64>(0, m_lastProcessed) / 1000)
                   .arg(playUsecs / 1000));
        return;
    }
    // Now and then while the sound goes on, then at the moment its end is due.
    m_endCheck.start(int(std::clamp<qint64>(remaining / 1000, 1, EndCheckMs)));
}

void SoundPlayer::giveUp(const QString &message)
{
    m_error = message;
    qCDebug(lcSound) << "play failed:" << message << "- server locks given back so far:" << PulseLock::mendedCount();
    Q_EMIT failed(message);
    const qint64 heard = finish(End::Failed);
    Q_EMIT ended(false, heard);
}

qint64 SoundPlayer::stop()
{
    return finish(End::Stopped);
}

qint64 SoundPlayer::finish(End how)
{
    if (!m_playing)
        return 0;
    m_playing = false;
    m_endCheck.stop();
    qint64 heard = m_frames;
    if (how != End::Reached) {
        qint64 processed = std::max<qint64>(0, m_lastProcessed);
        if (m_sink && m_sink->state() != QAudio::StoppedState)
            processed = std::max(processed, m_sink->processedUSecs());
        heard = std::min(m_frames, qint64(double(processed) * m_sourceRate / 1e6));
    }
    m_waiting.reset();
    if (m_stream)
        m_stream->release();
    SoundAudio::retire(m_sink, this);
    m_sink = nullptr;
    m_stream = nullptr;
    return heard;
}
