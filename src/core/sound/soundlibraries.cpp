#include "core/sound/soundlibraries.h"

#include "core/platform/lazylibrary.h"
#include "core/sound/soundengine.h"

namespace SoundLibraries
{
namespace
{
struct Names {
    const char *pulse = "libpulse.so.0";
    const char *sndfile = "libsndfile.so.1";
};

Names &names()
{
    static Names n;
    return n;
}

// Fills every member of lib from the library soname, or none: a library that lacks
// one of them is not used at all.
template <class Lib, class BindAll> Lib load(const char *soname, BindAll bindAll)
{
    Lib lib;
    LazyLibrary so(soname);
    if (!bindAll(so, lib)) {
        lib = Lib{};
        lib.failure = so.errorString();
        qCDebug(lcSound) << "sound library not loaded:" << lib.failure;
    }
    return lib;
}
} // namespace

const PulseLibrary &pulse()
{
    static const PulseLibrary loaded = load<PulseLibrary>(names().pulse, [](LazyLibrary &so, PulseLibrary &l) {
#define X(f) so.bind(l.f, "pa_" #f) &&
        return WORDAROO_LIBPULSE(X) true;
#undef X
    });
    return loaded;
}

const SndfileLibrary &sndfile()
{
    static const SndfileLibrary loaded = load<SndfileLibrary>(names().sndfile, [](LazyLibrary &so, SndfileLibrary &l) {
#define X(f) so.bind(l.f, "sf_" #f) &&
        return WORDAROO_LIBSNDFILE(X) true;
#undef X
    });
    return loaded;
}

void useNames(const char *pulseName, const char *sndfileName)
{
    names() = Names{pulseName, sndfileName};
}

} // namespace SoundLibraries
