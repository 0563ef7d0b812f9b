#include "sharing/soundcheck.h"

#include "core/sound/soundlibraries.h"
#include "sharing/testarchive.h"
#include "voice/computervoice.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

using SoundLibraries::sndfile;

namespace SoundCheck
{

namespace
{
// libsndfile reads the file through these, by position: the descriptor's own offset is
// never moved and the descriptor is never closed (sf_open_fd closes it when the file
// is not a sound file, whatever it is told).
struct Source {
    int fd;
    sf_count_t pos = 0;
};

sf_count_t length(void *user)
{
    struct stat st = {};
    return ::fstat(static_cast<Source *>(user)->fd, &st) == 0 ? sf_count_t(st.st_size) : -1;
}

sf_count_t seek(sf_count_t offset, int whence, void *user)
{
    auto *s = static_cast<Source *>(user);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? s->pos : length(user);
    s->pos = base + offset;
    return s->pos;
}

sf_count_t read(void *out, sf_count_t count, void *user)
{
    auto *s = static_cast<Source *>(user);
    const ssize_t n = ::pread(s->fd, out, size_t(count), off_t(s->pos));
    if (n < 0)
        return 0;
    s->pos += n;
    return n;
}

sf_count_t write(const void *, sf_count_t, void *)
{
    return 0;
}

sf_count_t tell(void *user)
{
    return static_cast<Source *>(user)->pos;
}
} // namespace

Verdict check(int fd)
{
    Verdict v;
    SF_VIRTUAL_IO io{length, seek, read, write, tell};
    Source source{fd};
    SF_INFO info{};
    if (!sndfile().loaded()) {
        v.problem = sndfile().errorString();
        return v;
    }
    SNDFILE *f = sndfile().open_virtual(&io, SFM_READ, &info, &source);
    if (!f) {
        QString why = QString::fromLocal8Bit(sndfile().strerror(nullptr));
        while (why.endsWith(QLatin1Char('.')))
            why.chop(1);
        v.problem = QStringLiteral("it is not a sound file (") + why + QLatin1Char(')');
        return v;
    }
    const int type = info.format & SF_FORMAT_TYPEMASK;
    if (type != SF_FORMAT_WAV && type != SF_FORMAT_WAVEX && type != SF_FORMAT_RF64)
        v.problem = QStringLiteral("it is a sound file but not a wave file");
    else if (info.frames <= 0 || info.samplerate <= 0 || info.channels <= 0)
        v.problem = QStringLiteral("it holds no sound");
    else if (info.frames > sf_count_t(info.samplerate) * TestArchive::MaxRecordingSeconds)
        v.problem = QStringLiteral("it lasts longer than %1 minutes").arg(TestArchive::MaxRecordingSeconds / 60);
    // libsndfile appends its own name and version to the field when it writes a file.
    if (const char *software = sndfile().get_string(f, SF_STR_SOFTWARE))
        v.computerVoice = QString::fromUtf8(software).startsWith(ComputerVoice::Mark);
    sndfile().close(f);
    return v;
}

} // namespace SoundCheck
