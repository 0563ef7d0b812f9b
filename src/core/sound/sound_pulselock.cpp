#include "core/sound/sound_pulselock.h"

#include <QLibraryInfo>
#include <QVersionNumber>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>

// Qt 6.4's PulseAudio sink takes the sound server's main-loop lock to hand a block of
// sound to its stream, and when the server refuses the block (the stream was killed: its
// device was unplugged or unloaded mid-play) it returns without giving the lock back.
// The server's thread then waits for that lock for ever, and the next play or
// recording that waits for the server (opening a stream does) freezes the program.
//
// No Qt interface reaches that lock, so the two calls that can fail that way are
// wrapped here: the program defines them, the dynamic linker hands Qt these
// definitions, and each passes the call on to the sound server's library. When one
// fails for Qt while this thread holds a main-loop lock, the lock Qt keeps is given back
// here.
// Qt does nothing more with the server on that path (it reports the error and
// returns), so giving it back at once is what Qt itself should have done.
//
// Only Qt 6.4 is mended; its sink code has been read for exactly this path. Any other
// version passes every call straight on.

extern "C" {
struct pa_stream;
struct pa_threaded_mainloop;
using pa_free_cb_t = void (*)(void *);

int pa_stream_begin_write(pa_stream *p, void **data, size_t *nbytes);
int pa_stream_write(pa_stream *p, const void *data, size_t nbytes, pa_free_cb_t free_cb, int64_t offset, int seek);
void pa_threaded_mainloop_lock(pa_threaded_mainloop *m);
void pa_threaded_mainloop_unlock(pa_threaded_mainloop *m);
}

namespace
{
// The main loops this thread holds, in the order it took them (a lock may be taken
// again while held). Qt takes at most two at once; a deeper nesting is not tracked.
constexpr int MaxHeld = 8;
thread_local std::array<pa_threaded_mainloop *, MaxHeld> held{};
thread_local int heldCount = 0;
std::atomic<int> mended{0};

template <typename F> F next(const char *name)
{
    // The sound server's own definition, the one after the program's.
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool mendsThisQt()
{
    static const bool yes = QLibraryInfo::version().majorVersion() == 6 && QLibraryInfo::version().minorVersion() == 4;
    return yes;
}

// Whether code at this address is Qt's multimedia library (and not some other user of
// the sound server in this process, which gives its own locks back).
bool fromQtMultimedia(void *caller)
{
    Dl_info info{};
    return dladdr(caller, &info) != 0 && info.dli_fname && std::strstr(info.dli_fname, "libQt6Multimedia.so");
}

// A block refused to a caller: if the caller was Qt's sink, give back the lock it keeps.
void afterRefusal(void *caller)
{
    if (!mendsThisQt() || heldCount <= 0 || !fromQtMultimedia(caller))
        return;
    ++mended;
    pa_threaded_mainloop_unlock(held[size_t(heldCount - 1)]);
}
} // namespace

extern "C" {
void pa_threaded_mainloop_lock(pa_threaded_mainloop *m)
{
    static const auto real = next<void (*)(pa_threaded_mainloop *)>("pa_threaded_mainloop_lock");
    real(m);
    if (heldCount < MaxHeld)
        held[size_t(heldCount++)] = m;
}

void pa_threaded_mainloop_unlock(pa_threaded_mainloop *m)
{
    static const auto real = next<void (*)(pa_threaded_mainloop *)>("pa_threaded_mainloop_unlock");
    for (int i = heldCount - 1; i >= 0; --i) {
        if (held[size_t(i)] == m) {
            std::copy(held.begin() + i + 1, held.begin() + heldCount, held.begin() + i);
            --heldCount;
            break;
        }
    }
    real(m);
}

int pa_stream_begin_write(pa_stream *p, void **data, size_t *nbytes)
{
    static const auto real = next<int (*)(pa_stream *, void **, size_t *)>("pa_stream_begin_write");
    const int result = real(p, data, nbytes);
    if (result < 0)
        afterRefusal(__builtin_return_address(0));
    return result;
}

int pa_stream_write(pa_stream *p, const void *data, size_t nbytes, pa_free_cb_t free_cb, int64_t offset, int seek)
{
    static const auto real =
        next<int (*)(pa_stream *, const void *, size_t, pa_free_cb_t, int64_t, int)>("pa_stream_write");
    const int result = real(p, data, nbytes, free_cb, offset, seek);
    if (result < 0)
        afterRefusal(__builtin_return_address(0));
    return result;
}
}

namespace PulseLock
{
bool active()
{
    // Qt's calls reach these definitions only when the process resolves the names to
    // them (the executable exports them) rather than to the sound server's library.
    const bool interposed =
        dlsym(RTLD_DEFAULT, "pa_stream_begin_write") == reinterpret_cast<void *>(&pa_stream_begin_write) &&
        dlsym(RTLD_DEFAULT, "pa_threaded_mainloop_lock") == reinterpret_cast<void *>(&pa_threaded_mainloop_lock);
    return interposed && mendsThisQt();
}

int mendedCount()
{
    return mended;
}
} // namespace PulseLock
