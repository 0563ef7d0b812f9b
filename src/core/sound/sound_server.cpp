#include "core/sound/sound_server.h"

#include "core/sound/soundengine.h"
#include "core/sound/soundlibraries.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop-api.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

using SoundLibraries::pulse;

// What runs on the server's thread, with the loop's lock held. Nothing here touches a
// Qt object: the sets and flags are read by the program's thread under the lock.
struct SoundServer::Callbacks {
    static void contextState(pa_context *context, void *data)
    {
        auto *self = static_cast<SoundServer *>(data);
        if (!PA_CONTEXT_IS_GOOD(pulse().context_get_state(context))) {
            self->m_lostUs = pulse().rtclock_now();
            self->m_sinks.clear();
            self->m_sources.clear();
            self->m_listsPending = 0;
        }
        self->signal();
    }
    static void timeout(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *data)
    {
        auto *self = static_cast<SoundServer *>(data);
        self->m_timedOut = true;
        self->signal();
    }
    static void sink(pa_context *, const pa_sink_info *info, int eol, void *data)
    {
        auto *self = static_cast<SoundServer *>(data);
        if (info)
            self->m_sinks.insert(info->index);
        if (eol != 0)
            listed(self);
    }
    static void source(pa_context *, const pa_source_info *info, int eol, void *data)
    {
        auto *self = static_cast<SoundServer *>(data);
        if (info)
            self->m_sources.insert(info->index);
        if (eol != 0)
            listed(self);
    }
    static void listed(SoundServer *self)
    {
        if (self->m_listsPending > 0)
            --self->m_listsPending;
        self->signal();
    }
    // A device plugged in or removed (a headset, a server module loaded or unloaded).
    static void event(pa_context *, pa_subscription_event_type_t type, uint32_t index, void *data)
    {
        auto *self = static_cast<SoundServer *>(data);
        const unsigned facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        std::set<uint32_t> *devices = facility == PA_SUBSCRIPTION_EVENT_SINK     ? &self->m_sinks
                                      : facility == PA_SUBSCRIPTION_EVENT_SOURCE ? &self->m_sources
                                                                                 : nullptr;
        if (!devices)
            return;
        switch (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) {
        case PA_SUBSCRIPTION_EVENT_NEW:
            devices->insert(index);
            break;
        case PA_SUBSCRIPTION_EVENT_REMOVE:
            devices->erase(index);
            break;
        default:
            break;
        }
    }
};

SoundServer::Lock::Lock(SoundServer &server) : m_loop(server.m_loop)
{
    Q_ASSERT(m_loop && !pulse().threaded_mainloop_in_thread(m_loop));
    pulse().threaded_mainloop_lock(m_loop);
}

SoundServer::Lock::~Lock()
{
    pulse().threaded_mainloop_unlock(m_loop);
}

void SoundServer::Lock::wait()
{
    pulse().threaded_mainloop_wait(m_loop);
}

void SoundServer::signal()
{
    pulse().threaded_mainloop_signal(m_loop, 0);
}

QString SoundServer::lastError() const
{
    return QString::fromUtf8(pulse().strerror(pulse().context_errno(m_context)));
}

pa_buffer_attr SoundServer::serverChosenBuffers()
{
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(-1);
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(-1);
    return attr;
}

uint32_t SoundServer::bytesFor(int ms, const pa_sample_spec &spec)
{
    return uint32_t(pulse().usec_to_bytes(pa_usec_t(ms) * 1000, &spec));
}

void SoundServer::detach(pa_stream *stream)
{
    pulse().stream_set_state_callback(stream, nullptr, nullptr);
    pulse().stream_set_write_callback(stream, nullptr, nullptr);
    pulse().stream_set_read_callback(stream, nullptr, nullptr);
}

void SoundServer::release(pa_stream *stream)
{
    if (PA_STREAM_IS_GOOD(pulse().stream_get_state(stream)))
        pulse().stream_disconnect(stream);
    pulse().stream_unref(stream);
}

SoundServer::~SoundServer()
{
    if (!m_loop)
        return;
    {
        const Lock lock(*this);
        dropContext();
    }
    pulse().threaded_mainloop_stop(m_loop);
    pulse().threaded_mainloop_free(m_loop);
}

void SoundServer::dropContext()
{
    if (!m_context)
        return;
    pulse().context_set_state_callback(m_context, nullptr, nullptr);
    pulse().context_set_subscribe_callback(m_context, nullptr, nullptr);
    pulse().context_disconnect(m_context);
    pulse().context_unref(m_context);
    m_context = nullptr;
    m_sinks.clear();
    m_sources.clear();
    m_listsPending = 0;
}

bool SoundServer::canTryNow() const
{
    const uint64_t last = std::max(m_lastTryUs, m_lostUs);
    return m_lastTryUs == 0 || pulse().rtclock_now() - last >= uint64_t(RetryMs) * 1000;
}

bool SoundServer::connect(QString &error)
{
    error = QStringLiteral("The sound server is not available.");
    // Without its library the server is as unreachable as a server that is not running
    // (why is logged where the library is loaded).
    if (!pulse().loaded())
        return false;
    if (!m_loop) {
        m_loop = pulse().threaded_mainloop_new();
        if (!m_loop)
            return false;
        pulse().threaded_mainloop_set_name(m_loop, "wordaroo-sound");
        if (pulse().threaded_mainloop_start(m_loop) < 0) {
            pulse().threaded_mainloop_free(m_loop);
            m_loop = nullptr;
            return false;
        }
    }
    Lock lock(*this);
    if (m_context && pulse().context_get_state(m_context) == PA_CONTEXT_READY)
        return true;
    if (!canTryNow())
        return false;
    dropContext();
    m_lastTryUs = pulse().rtclock_now();
    pa_mainloop_api *api = pulse().threaded_mainloop_get_api(m_loop);
    m_context = pulse().context_new(api, "Wordaroo");
    if (!m_context)
        return false;
    pulse().context_set_state_callback(m_context, &Callbacks::contextState, this);
    // The desktop's server, as its settings name it (autospawned where they say so).
    if (pulse().context_connect(m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) {
        qCDebug(lcSound) << "no sound server:" << pulse().strerror(pulse().context_errno(m_context));
        dropContext();
        return false;
    }
    m_timedOut = false;
    pa_time_event *deadline = pulse().context_rttime_new(
        m_context, pulse().rtclock_now() + uint64_t(ConnectTimeoutMs) * 1000, &Callbacks::timeout, this);
    const auto state = [this] { return pulse().context_get_state(m_context); };
    while (!m_timedOut && state() != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state()))
        lock.wait();
    if (state() == PA_CONTEXT_READY) {
        // Devices come and go with the server's events; the lists fill the sets first.
        pulse().context_set_subscribe_callback(m_context, &Callbacks::event, this);
        const auto mask = pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE);
        if (pa_operation *op = pulse().context_subscribe(m_context, mask, nullptr, nullptr))
            pulse().operation_unref(op);
        m_listsPending = 0;
        for (pa_operation *op : {pulse().context_get_sink_info_list(m_context, &Callbacks::sink, this),
                                 pulse().context_get_source_info_list(m_context, &Callbacks::source, this)}) {
            if (op) {
                ++m_listsPending;
                pulse().operation_unref(op);
            }
        }
        while (!m_timedOut && m_listsPending > 0 && state() == PA_CONTEXT_READY)
            lock.wait();
    }
    if (deadline)
        api->time_free(deadline);
    if (state() != PA_CONTEXT_READY || m_listsPending > 0) {
        qCDebug(lcSound) << "sound server not reached:"
                         << (m_timedOut ? "no answer in time" : pulse().strerror(pulse().context_errno(m_context)));
        dropContext();
        m_lostUs = pulse().rtclock_now();
        return false;
    }
    qCDebug(lcSound) << "sound server reached:" << pulse().context_get_server(m_context) << m_sinks.size() << "sinks,"
                     << m_sources.size() << "sources";
    error.clear();
    return true;
}

bool SoundServer::hasOutput()
{
    if (!m_loop)
        return false;
    const Lock lock(*this);
    return m_context && pulse().context_get_state(m_context) == PA_CONTEXT_READY && !m_sinks.empty();
}

bool SoundServer::hasInput()
{
    if (!m_loop)
        return false;
    const Lock lock(*this);
    return m_context && pulse().context_get_state(m_context) == PA_CONTEXT_READY && !m_sources.empty();
}
