#pragma once
#include <QMetaObject>
#include <QObject>
#include <QString>

#include <cstdint>
#include <set>
#include <utility>

struct pa_buffer_attr;
struct pa_context;
struct pa_sample_spec;
struct pa_stream;
struct pa_threaded_mainloop;

// The program's connection to the desktop's sound server (PulseAudio, or PipeWire
// through its PulseAudio service), through libpulse's threaded main loop: the server's
// callbacks run on a thread of the library's own, which holds the loop's lock while
// it runs them. The program's thread takes the same lock (a Lock) around every call
// into the library, so the two never touch a stream at the same time.
//
// Every method runs on the program's thread. Callbacks never touch the program's
// objects: they post to them (postTo) and the program's thread does the work.
// The devices are known from the server's own events (sinks and sources added and
// removed), so a play or recording with no device fails at once.
class SoundServer final
{
  public:
    SoundServer() = default;
    ~SoundServer();
    SoundServer(const SoundServer &) = delete;
    SoundServer &operator=(const SoundServer &) = delete;

    // Connects to the server, or finds the connection up. Waits at most
    // ConnectTimeoutMs; a connection that failed or was lost is tried again only once
    // RetryMs have passed since, so that with no server every command fails at once.
    bool connect(QString &error);
    // Whether the server has a sink to play on / a source to record from (false when
    // not connected).
    bool hasOutput();
    bool hasInput();

    // The loop's lock for as long as it lives. Never taken on the server's thread
    // (its callbacks hold it already).
    class Lock
    {
      public:
        explicit Lock(SoundServer &server);
        ~Lock();
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;
        // Gives the lock up until the server's thread signals (see signal()).
        void wait();

      private:
        pa_threaded_mainloop *m_loop;
    };

    // The connection, for making streams while a Lock is held; null before connect().
    pa_context *context() const { return m_context; }
    // From the server's thread: wakes a Lock::wait().
    void signal();
    // The server's reason for the last call that failed (a Lock held).
    QString lastError() const;

    // Streams, with a Lock held. Buffer attributes that leave every field to the server,
    // for the caller to set the one it needs; how many bytes ms of sound in spec take.
    static pa_buffer_attr serverChosenBuffers();
    static uint32_t bytesFor(int ms, const pa_sample_spec &spec);
    // Clears a stream's callbacks, so the server's thread no longer reaches it.
    static void detach(pa_stream *stream);
    // Disconnects a detached stream if it is still up, and lets it go.
    static void release(pa_stream *stream);

    // From the server's thread: runs fn on receiver's thread. The caller holds the
    // loop's lock, and receiver takes it before it is destroyed (closing its stream),
    // so receiver is alive now; once it is gone, the calls posted to it are dropped.
    template <typename Fn> static void postTo(QObject *receiver, Fn &&fn)
    {
        QMetaObject::invokeMethod(receiver, std::forward<Fn>(fn), Qt::QueuedConnection);
    }

    static constexpr int ConnectTimeoutMs = 3000;
    static constexpr int RetryMs = 2000;

  private:
    bool canTryNow() const;
    void dropContext();
    struct Callbacks; // the server thread's side, in the .cpp

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    // Written on the server's thread, read under the lock.
    std::set<uint32_t> m_sinks, m_sources;
    int m_listsPending = 0;
    bool m_timedOut = false;
    uint64_t m_lastTryUs = 0; // monotonic; 0: never tried
    uint64_t m_lostUs = 0;    // when the connection was last lost
};
