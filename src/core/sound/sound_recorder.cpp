#include "core/sound/sound_recorder.h"

#include "core/sound/sound_pcm.h"
#include "core/sound/sound_server.h"
#include "core/sound/soundengine.h"
#include "core/sound/soundlibraries.h"

#include <pulse/error.h>
#include <pulse/stream.h>

#include <algorithm>

using SoundLibraries::pulse;

// A recording stream and the take it fills. Everything here is touched under the
// loop's lock only (the server's thread in its callbacks, the program's thread in a
// SoundServer::Lock).
struct SoundRecorder::Stream {
    SoundRecorder *owner = nullptr;
    quint64 generation = 0;
    pa_stream *pa = nullptr;
    QByteArray take; // mono 16-bit
    qint64 maxMs = 0;
    int rate = SoundRecorder::RecordRate; // the source's, once the stream is ready

    qint64 maxBytes() const { return maxMs * rate / 1000 * 2; }

    // Moves what the server has delivered into the take.
    void drain()
    {
        while (pulse().stream_readable_size(pa) > 0) {
            const void *data = nullptr;
            size_t size = 0;
            if (pulse().stream_peek(pa, &data, &size) < 0 || size == 0)
                return;
            const qsizetype room = qsizetype(std::max<qint64>(0, maxBytes() - take.size()));
            const qsizetype n = std::min(qsizetype(size), room) & ~qsizetype(1);
            if (data)
                take.append(static_cast<const char *>(data), n);
            else
                take.append(n, '\0'); // a hole in what the server kept: silence
            pulse().stream_drop(pa);
        }
    }

    static void read(pa_stream *, size_t, void *data) { static_cast<Stream *>(data)->drain(); }

    static void state(pa_stream *s, void *data)
    {
        auto *self = static_cast<Stream *>(data);
        const pa_stream_state_t st = pulse().stream_get_state(s);
        if (st == PA_STREAM_READY) {
            // With PA_STREAM_FIX_RATE the stream now runs at the source's rate.
            if (const pa_sample_spec *spec = pulse().stream_get_sample_spec(s); spec && spec->rate > 0)
                self->rate = int(spec->rate);
            return;
        }
        if (st != PA_STREAM_FAILED && st != PA_STREAM_TERMINATED)
            return;
        const int error = pulse().context_errno(pulse().stream_get_context(s));
        SoundServer::postTo(self->owner, [owner = self->owner, generation = self->generation, error] {
            owner->streamFailed(generation, error);
        });
    }
};

SoundRecorder::SoundRecorder(std::shared_ptr<SoundServer> server, QObject *parent)
    : QObject(parent), m_server(std::move(server))
{
    m_check.setInterval(CheckMs);
    connect(&m_check, &QTimer::timeout, this, &SoundRecorder::check);
}

SoundRecorder::~SoundRecorder()
{
    stop(false);
}

bool SoundRecorder::start(qint64 maxMs, QString &error)
{
    stop(false);
    m_take.clear();
    m_takeRate = RecordRate;
    if (!m_server->connect(error))
        return false;
    if (!m_server->hasInput()) {
        error = QStringLiteral("No sound input device.");
        return false;
    }
    const pa_sample_spec spec{PA_SAMPLE_S16NE, uint32_t(RecordRate), 1};
    auto stream = std::make_unique<Stream>();
    stream->owner = this;
    stream->generation = ++m_generation;
    stream->maxMs = std::max<qint64>(0, maxMs);

    const SoundServer::Lock lock(*m_server);
    stream->pa = pulse().stream_new(m_server->context(), "Recording", &spec, nullptr);
    if (!stream->pa) {
        error = QStringLiteral("The sound input could not be opened.");
        return false;
    }
    // The server delivers the sound in fragments of FragmentMs.
    pa_buffer_attr attr = SoundServer::serverChosenBuffers();
    attr.fragsize = SoundServer::bytesFor(FragmentMs, spec);
    pulse().stream_set_state_callback(stream->pa, &Stream::state, stream.get());
    pulse().stream_set_read_callback(stream->pa, &Stream::read, stream.get());
    // The source's own rate: clipping is judged on the samples as the microphone gave
    // them, before any conversion smooths the flat tops away.
    if (pulse().stream_connect_record(stream->pa, nullptr, &attr,
                                      pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_FIX_RATE)) < 0) {
        error = QStringLiteral("The sound input could not be opened: %1.").arg(m_server->lastError());
        SoundServer::detach(stream->pa);
        SoundServer::release(stream->pa);
        return false;
    }
    qCDebug(lcSound) << "recording at the source's rate";
    m_stream = std::move(stream);
    m_recording = true;
    m_clock.start();
    m_lastFrames = 0;
    m_lastInputMs = 0;
    m_check.start();
    return true;
}

qint64 SoundRecorder::frames() const
{
    if (!m_stream)
        return m_take.size() / 2;
    const SoundServer::Lock lock(*m_server);
    return m_stream->take.size() / 2;
}

void SoundRecorder::check()
{
    if (!m_recording)
        return;
    const qint64 now = frames();
    if (now > m_lastFrames) {
        m_lastFrames = now;
        m_lastInputMs = m_clock.elapsed();
    }
    bool full = false;
    {
        const SoundServer::Lock lock(*m_server);
        full = m_stream->take.size() >= m_stream->maxBytes();
    }
    if (full)
        giveUp(QStringLiteral("The recording is too long (%1 minutes at most).").arg(SoundFile::MaxSeconds / 60));
    else if (m_clock.elapsed() - m_lastInputMs > StallMs)
        // A source that stops delivering without the server ending the stream.
        giveUp(QStringLiteral("The sound input stopped delivering sound."));
}

void SoundRecorder::streamFailed(quint64 generation, int paError)
{
    if (!m_recording || !m_stream || generation != m_generation)
        return; // a stream closed already
    giveUp(QStringLiteral("The sound input stopped: %1.").arg(QString::fromUtf8(pulse().strerror(paError))));
}

void SoundRecorder::giveUp(const QString &message)
{
    qCDebug(lcSound) << "recording ended:" << message;
    stop(true);
    Q_EMIT failed(message);
}

void SoundRecorder::stop(bool keep)
{
    m_check.stop();
    m_recording = false;
    if (!m_stream)
        return;
    {
        const SoundServer::Lock lock(*m_server);
        SoundServer::detach(m_stream->pa);
        if (keep && PA_STREAM_IS_GOOD(pulse().stream_get_state(m_stream->pa)))
            m_stream->drain();
        SoundServer::release(m_stream->pa);
        m_take = keep ? std::move(m_stream->take) : QByteArray();
        m_takeRate = m_stream->rate;
    }
    m_stream.reset();
}

int SoundRecorder::rate() const
{
    if (!m_stream)
        return m_takeRate;
    const SoundServer::Lock lock(*m_server);
    return m_stream->rate;
}

float SoundRecorder::level() const
{
    if (!m_recording || !m_stream)
        return 0.0f;
    const SoundServer::Lock lock(*m_server);
    return PcmConvert::peak(m_stream->take, 1, qint64(m_stream->rate) / 20);
}
