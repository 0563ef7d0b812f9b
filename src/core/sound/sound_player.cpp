#include "core/sound/sound_player.h"

#include "core/sound/sound_server.h"
#include "core/sound/soundengine.h"
#include "core/sound/soundlibraries.h"

#include <QList>
#include <QPointer>

#include <pulse/error.h>
#include <pulse/stream.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <cstring>
#include <utility>

using SoundLibraries::pulse;

// A playback stream and what it plays: the frames of a source, decoded as the server's
// thread asks for them, then a little silence. Everything here is touched under the
// loop's lock only (the server's thread in its callbacks, the program's thread in a
// SoundServer::Lock).
struct SoundPlayer::Stream {
    SoundPlayer *owner = nullptr;
    quint64 generation = 0;
    pa_stream *pa = nullptr;
    std::unique_ptr<PcmConvert::FrameSource> source;
    qint64 bytesPerFrame = 2;
    int rate = 0;
    qint64 frames = 0; // to play: as expected, until the source ends early
    qint64 decoded = 0;
    qint64 padLeft = 0; // bytes of silence still to write
    bool sourceEnded = false;
    bool triggered = false;

    qint64 soundUsecs() const { return rate > 0 ? frames * 1000000 / rate : 0; }

    // Fills out with the next bytes of the sound, then of the silence; 0 at the end.
    size_t fill(char *out, size_t max)
    {
        size_t done = 0;
        while (done < max && !sourceEnded && source) {
            const qint64 want = std::min(qint64(max - done) / bytesPerFrame, frames - decoded);
            if (want <= 0)
                break;
            const qint64 got = source->read(reinterpret_cast<qint16 *>(out + done), want);
            if (got <= 0) {
                // The data ended before its header said: the silence follows at once.
                sourceEnded = true;
                frames = decoded;
                break;
            }
            decoded += got;
            done += size_t(got * bytesPerFrame);
        }
        if (decoded >= frames && source)
            source.reset(); // the file goes as soon as it has all been read
        const size_t pad = std::min<size_t>(max - done, size_t(padLeft));
        std::memset(out + done, 0, pad);
        padLeft -= qint64(pad);
        return done + pad;
    }

    static void write(pa_stream *s, size_t nbytes, void *data)
    {
        auto *self = static_cast<Stream *>(data);
        while (nbytes > 0) {
            void *buffer = nullptr;
            size_t size = nbytes;
            if (pulse().stream_begin_write(s, &buffer, &size) < 0 || !buffer)
                return; // the stream is failing: its state says so
            size = std::min(size, nbytes);
            size -= size % size_t(self->bytesPerFrame);
            const size_t filled = size > 0 ? self->fill(static_cast<char *>(buffer), size) : 0;
            if (filled == 0) {
                pulse().stream_cancel_write(s);
                // All written: a sound shorter than the stream's start-up buffer starts now.
                if (!std::exchange(self->triggered, true))
                    if (pa_operation *op = pulse().stream_trigger(s, nullptr, nullptr))
                        pulse().operation_unref(op);
                return;
            }
            if (pulse().stream_write(s, buffer, filled, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                return;
            nbytes -= filled;
        }
    }

    // What has been heard, by the server's last account of the stream (what the sink
    // had read, less its latency, when it answered) and the time since: that account is
    // taken on the server's clock, so nothing is guessed but the time it took to arrive.
    // -1 before the first account; `read` is what the sink had read then.
    qint64 heardUsecs(qint64 &read) const
    {
        const pa_timing_info *info = pulse().stream_get_timing_info(pa);
        if (!info || info->read_index_corrupt)
            return -1;
        read = info->read_index > 0
                   ? qint64(pulse().bytes_to_usec(uint64_t(info->read_index), pulse().stream_get_sample_spec(pa)))
                   : 0;
        qint64 heard = read - qint64(info->sink_usec);
        if (info->playing)
            heard += qint64(pulse().timeval_age(&info->timestamp));
        return std::max<qint64>(0, heard);
    }
    // Asks the server for a fresh account, for the next look.
    void askTiming() const
    {
        if (pulse().stream_get_state(pa) == PA_STREAM_READY)
            if (pa_operation *op = pulse().stream_update_timing_info(pa, nullptr, nullptr))
                pulse().operation_unref(op);
    }

    static void state(pa_stream *s, void *data)
    {
        auto *self = static_cast<Stream *>(data);
        const pa_stream_state_t st = pulse().stream_get_state(s);
        if (st != PA_STREAM_FAILED && st != PA_STREAM_TERMINATED)
            return;
        const int error = pulse().context_errno(pulse().stream_get_context(s));
        SoundServer::postTo(self->owner, [owner = self->owner, generation = self->generation, error] {
            owner->streamFailed(generation, error);
        });
    }
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

SoundPlayer::SoundPlayer(std::shared_ptr<SoundServer> server, QObject *parent)
    : QObject(parent), m_server(std::move(server))
{
    m_endCheck.setSingleShot(true);
    m_endCheck.setTimerType(Qt::PreciseTimer);
    connect(&m_endCheck, &QTimer::timeout, this, &SoundPlayer::checkEnd);
}

SoundPlayer::~SoundPlayer()
{
    m_endCheck.stop();
    m_playing = false;
    closeStream();
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
    m_heardUsecs = -1;
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
    if (!m_server->connect(m_error))
        return false;
    if (!m_server->hasOutput()) {
        m_error = QStringLiteral("No sound output device.");
        return false;
    }
    m_sourceRate = source->rate();
    m_frames = frames;
    pa_sample_spec spec{PA_SAMPLE_S16NE, uint32_t(source->rate()), uint8_t(source->channels())};
    qint64 playFrames = frames;
    if (!pulse().sample_spec_valid(&spec)) {
        // A rate the server does not take: converted as it plays.
        spec.rate = 48000;
        qCDebug(lcSound) << "converting" << source->rate() << "Hz to" << spec.rate << "Hz";
        playFrames = frames * spec.rate / std::max(1, source->rate());
        source = std::make_unique<PcmConvert::Converter>(std::move(source), int(spec.rate), int(spec.channels));
    }

    auto stream = std::make_unique<Stream>();
    stream->owner = this;
    stream->generation = ++m_generation;
    stream->bytesPerFrame = qint64(pulse().frame_size(&spec));
    stream->rate = int(spec.rate);
    stream->frames = playFrames;
    stream->padLeft = qint64(SoundServer::bytesFor(PaddingMs, spec));
    stream->source = std::move(source);

    const SoundServer::Lock lock(*m_server);
    stream->pa = pulse().stream_new(m_server->context(), "Sound", &spec, nullptr);
    if (!stream->pa) {
        m_error = QStringLiteral("The sound device could not be opened.");
        return false;
    }
    // Latency asked for explicitly: the server keeps BufferMs of sound ahead of what is
    // heard, starts playing once it has that much, and asks for more as it plays.
    pa_buffer_attr attr = SoundServer::serverChosenBuffers();
    attr.tlength = SoundServer::bytesFor(BufferMs, spec);
    pulse().stream_set_state_callback(stream->pa, &Stream::state, stream.get());
    pulse().stream_set_write_callback(stream->pa, &Stream::write, stream.get());
    const auto flags = pa_stream_flags_t(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (pulse().stream_connect_playback(stream->pa, nullptr, &attr, flags, nullptr, nullptr) < 0) {
        m_error = QStringLiteral("The sound device could not be opened: %1.").arg(m_server->lastError());
        SoundServer::detach(stream->pa);
        SoundServer::release(stream->pa);
        return false;
    }
    qCDebug(lcSound) << "playing" << frames << "frames at" << spec.rate << "Hz," << spec.channels << "channels";
    m_stream = std::move(stream);
    m_playing = true;
    m_heardUsecs = -1;
    m_lastRead = -1;
    m_lastProgressMs = 0;
    m_clock.start();
    m_endCheck.start(int(std::clamp<qint64>(m_stream->soundUsecs() / 1000, 1, EndCheckMs)));
    return true;
}

void SoundPlayer::closeStream()
{
    if (!m_stream)
        return;
    {
        const SoundServer::Lock lock(*m_server);
        // With its callbacks gone, the server's thread no longer reaches the stream.
        SoundServer::detach(m_stream->pa);
        SoundServer::release(m_stream->pa);
        m_stream->source.reset();
    }
    m_stream.reset();
}

void SoundPlayer::checkEnd()
{
    if (!m_playing || !m_stream)
        return;
    const qint64 elapsedMs = m_clock.elapsed();
    qint64 playUsecs = 0;
    {
        const SoundServer::Lock lock(*m_server);
        qint64 read = 0;
        m_heardUsecs = std::max(m_heardUsecs, m_stream->heardUsecs(read));
        // Progress is what the sink reads, as the server says: a stream that hangs
        // says nothing new.
        if (read > m_lastRead) {
            m_lastRead = read;
            m_lastProgressMs = elapsedMs;
        }
        playUsecs = m_stream->soundUsecs();
        m_stream->askTiming();
    }
    const qint64 remaining = playUsecs - m_heardUsecs;
    if (remaining <= 1000) {
        const qint64 heard = finish(End::Reached);
        Q_EMIT ended(true, heard);
        return;
    }
    // A device that stops taking the sound without the server killing its stream (a
    // server that hangs) must not keep a waiting window for ever.
    if (elapsedMs - m_lastProgressMs > StallMs || elapsedMs > playUsecs / 1000 + 5000) {
        giveUp(QStringLiteral("The sound stopped before its end (%1 of %2 ms played).")
                   .arg(std::max<qint64>(0, m_heardUsecs) / 1000)
                   .arg(playUsecs / 1000));
        return;
    }
    // Now and then while the sound goes on, then at the moment its end is due.
    m_endCheck.start(int(std::clamp<qint64>(remaining / 1000, 1, EndCheckMs)));
}

void SoundPlayer::streamFailed(quint64 generation, int paError)
{
    if (!m_playing || !m_stream || generation != m_generation)
        return; // a stream closed already
    giveUp(QStringLiteral("The sound device stopped: %1.").arg(QString::fromUtf8(pulse().strerror(paError))));
}

void SoundPlayer::giveUp(const QString &message)
{
    m_error = message;
    qCDebug(lcSound) << "play failed:" << message;
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
        qint64 usecs = std::max<qint64>(0, m_heardUsecs);
        if (m_stream) {
            const SoundServer::Lock lock(*m_server);
            qint64 read = 0;
            usecs = std::max(usecs, m_stream->heardUsecs(read));
        }
        heard = std::min(m_frames, qint64(double(usecs) * m_sourceRate / 1e6));
    }
    m_waiting.reset();
    closeStream();
    return heard;
}
