#pragma once
#include <QString>

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/rtclock.h>
#include <pulse/sample.h>
#include <pulse/stream.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>
#include <sndfile.h>

// The sound server's client library (libpulse) and libsndfile, loaded on first use
// (core/platform/lazylibrary.h) rather than linked: with their codecs they are a dozen
// libraries that would otherwise be loaded and relocated before the first window. The
// program calls them only through these tables; their headers give the types and
// constants (and the inline helpers and macros, which call nothing of the library).
//
// Each member is the function of the same name with its prefix ("pa_", "sf_") dropped:
// pulse().stream_new is pa_stream_new. Only exported functions belong in the lists.
#define WORDAROO_LIBPULSE(X)                                                                                           \
    X(bytes_to_usec)                                                                                                   \
    X(context_connect)                                                                                                 \
    X(context_disconnect)                                                                                              \
    X(context_errno)                                                                                                   \
    X(context_get_server)                                                                                              \
    X(context_get_sink_info_list)                                                                                      \
    X(context_get_source_info_list)                                                                                    \
    X(context_get_state)                                                                                               \
    X(context_new)                                                                                                     \
    X(context_rttime_new)                                                                                              \
    X(context_set_state_callback)                                                                                      \
    X(context_set_subscribe_callback)                                                                                  \
    X(context_subscribe)                                                                                               \
    X(context_unref)                                                                                                   \
    X(frame_size)                                                                                                      \
    X(operation_unref)                                                                                                 \
    X(rtclock_now)                                                                                                     \
    X(sample_spec_valid)                                                                                               \
    X(strerror)                                                                                                        \
    X(stream_begin_write)                                                                                              \
    X(stream_cancel_write)                                                                                             \
    X(stream_connect_playback)                                                                                         \
    X(stream_connect_record)                                                                                           \
    X(stream_disconnect)                                                                                               \
    X(stream_drop)                                                                                                     \
    X(stream_get_context)                                                                                              \
    X(stream_get_sample_spec)                                                                                          \
    X(stream_get_state)                                                                                                \
    X(stream_get_timing_info)                                                                                          \
    X(stream_new)                                                                                                      \
    X(stream_peek)                                                                                                     \
    X(stream_readable_size)                                                                                            \
    X(stream_set_read_callback)                                                                                        \
    X(stream_set_state_callback)                                                                                       \
    X(stream_set_write_callback)                                                                                       \
    X(stream_trigger)                                                                                                  \
    X(stream_unref)                                                                                                    \
    X(stream_update_timing_info)                                                                                       \
    X(stream_write)                                                                                                    \
    X(threaded_mainloop_free)                                                                                          \
    X(threaded_mainloop_get_api)                                                                                       \
    X(threaded_mainloop_in_thread)                                                                                     \
    X(threaded_mainloop_lock)                                                                                          \
    X(threaded_mainloop_new)                                                                                           \
    X(threaded_mainloop_set_name)                                                                                      \
    X(threaded_mainloop_signal)                                                                                        \
    X(threaded_mainloop_start)                                                                                         \
    X(threaded_mainloop_stop)                                                                                          \
    X(threaded_mainloop_unlock)                                                                                        \
    X(threaded_mainloop_wait)                                                                                          \
    X(timeval_age)                                                                                                     \
    X(usec_to_bytes)

#define WORDAROO_LIBSNDFILE(X)                                                                                         \
    X(close)                                                                                                           \
    X(command)                                                                                                         \
    X(get_string)                                                                                                      \
    X(open)                                                                                                            \
    X(open_fd)                                                                                                         \
    X(open_virtual)                                                                                                    \
    X(readf_float)                                                                                                     \
    X(seek)                                                                                                            \
    X(set_string)                                                                                                      \
    X(strerror)                                                                                                        \
    X(write_short)                                                                                                     \
    X(writef_short)

struct PulseLibrary {
// f names both the function and the member: it cannot be put in parentheses.
#define X(f) decltype(&::pa_##f) f = nullptr; // NOLINT(bugprone-macro-parentheses)
    WORDAROO_LIBPULSE(X)
#undef X
    QString failure; // why the library could not be loaded; empty when it was

    bool loaded() const
    {
        return failure.isEmpty();
    }
    QString errorString() const
    {
        return failure;
    }
};

struct SndfileLibrary {
#define X(f) decltype(&::sf_##f) f = nullptr; // NOLINT(bugprone-macro-parentheses)
    WORDAROO_LIBSNDFILE(X)
#undef X
    QString failure;

    bool loaded() const
    {
        return failure.isEmpty();
    }
    QString errorString() const
    {
        return failure;
    }
};

namespace SoundLibraries
{
// Each library, loaded by the first caller (any thread; a second caller meanwhile waits
// for that load). When it could not be loaded, loaded() is false, errorString() says why
// and every member is null: the caller fails as it does when the sound server cannot be
// reached or a file cannot be opened.
const PulseLibrary &pulse();
const SndfileLibrary &sndfile();

// For tests, before the first load: the run-time names to load instead (one that does
// not exist stands for a machine without the library).
void useNames(const char *pulseName, const char *sndfileName);
} // namespace SoundLibraries
