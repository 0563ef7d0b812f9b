#include "core/sound/sound_pcm.h"

#include "core/platform/safefile.h"
#include "core/sound/soundlibraries.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sndfile.h>
#include <sonic.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

using SoundLibraries::sndfile;

namespace
{

qint16 clamp16(long v)
{
    return qint16(std::clamp<long>(v, -32768, 32767));
}

// A sample at full scale 1.0 as 16 bits (16-bit input comes back exactly); beyond
// full scale clips, NaN is silence.
qint16 toInt16(float v)
{
    if (!std::isfinite(v))
        return 0;
    return clamp16(std::lround(double(v) * 32768.0));
}

// libsndfile writing into a growing byte array, so a whole wave file can be encoded in
// memory and written in one piece.
struct MemoryFile {
    QByteArray *buffer = nullptr;
    sf_count_t pos = 0;
};

sf_count_t memLength(void *user)
{
    return static_cast<MemoryFile *>(user)->buffer->size();
}

sf_count_t memSeek(sf_count_t offset, int whence, void *user)
{
    auto *m = static_cast<MemoryFile *>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR)
        base = m->pos;
    else if (whence == SEEK_END)
        base = m->buffer->size();
    const sf_count_t to = base + offset;
    if (to < 0)
        return -1;
    m->pos = to;
    return to;
}

sf_count_t memRead(void *ptr, sf_count_t count, void *user)
{
    auto *m = static_cast<MemoryFile *>(user);
    const sf_count_t n = std::clamp<sf_count_t>(m->buffer->size() - m->pos, 0, count);
    if (n > 0)
        std::memcpy(ptr, m->buffer->constData() + m->pos, size_t(n));
    m->pos += n;
    return n;
}

sf_count_t memWrite(const void *ptr, sf_count_t count, void *user)
{
    auto *m = static_cast<MemoryFile *>(user);
    if (m->pos + count > m->buffer->size())
        m->buffer->resize(m->pos + count);
    std::memcpy(m->buffer->data() + m->pos, ptr, size_t(count));
    m->pos += count;
    return count;
}

sf_count_t memTell(void *user)
{
    return static_cast<MemoryFile *>(user)->pos;
}

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

namespace SoundFile
{

Reader::~Reader()
{
    close();
}

void Reader::close()
{
    if (m_file)
        sndfile().close(m_file);
    m_file = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_rate = m_inChannels = m_outChannels = 0;
    m_frames = 0;
    m_block.clear();
    m_block.shrink_to_fit();
}

bool Reader::open(const QString &path, QString &error)
{
    close();
    if (path.isEmpty()) {
        error = QStringLiteral("No file name.");
        return false;
    }
    // Opened without blocking and checked on the open file itself: a pipe or a device
    // would block or never end, and a name checked first could be swapped before the open.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno == ENOENT ? QStringLiteral("The file does not exist.") : systemReason(errno);
        return false;
    }
    struct stat st {
    };
    QString refusal;
    if (::fstat(fd, &st) != 0)
        refusal = systemReason(errno);
    else if (S_ISDIR(st.st_mode))
        refusal = QStringLiteral("A folder has the name of the file.");
    else if (!S_ISREG(st.st_mode))
        refusal = QStringLiteral("Not a plain file.");
    else if (st.st_size == 0)
        refusal = QStringLiteral("The file is empty.");
    if (!refusal.isEmpty()) {
        ::close(fd);
        error = refusal;
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    if (!sndfile().loaded()) {
        ::close(fd);
        error = sndfile().errorString();
        return false;
    }
    SF_INFO info{};
    SNDFILE *f = sndfile().open_fd(fd, SFM_READ, &info, SF_FALSE);
    if (!f) {
        ::close(fd);
        error = QStringLiteral("Not a readable sound file: ") + QString::fromLocal8Bit(sndfile().strerror(nullptr));
        return false;
    }
    if (info.channels < 1 || info.channels > 64 || info.samplerate < 1000 || info.samplerate > 384000) {
        sndfile().close(f);
        ::close(fd);
        error =
            QStringLiteral("Unsupported sound format (%1 channels at %2 Hz).").arg(info.channels).arg(info.samplerate);
        return false;
    }
    // The length is judged from the header, before anything is decoded: a file whose
    // header claims hours would otherwise take as long, and as much memory, to refuse.
    if (info.frames > qint64(info.samplerate) * MaxSeconds) {
        sndfile().close(f);
        ::close(fd);
        error = QStringLiteral("The sound is %1 s long; sounds longer than %2 minutes are refused.")
                    .arg(info.frames / info.samplerate)
                    .arg(MaxSeconds / 60);
        return false;
    }
    // Whatever the encoding, samples come as floats at full scale 1.0 (integer files are
    // scaled by libsndfile, float files are as written) and are clipped to 16 bits.
    sndfile().command(f, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    m_file = f;
    m_fd = fd;
    m_rate = info.samplerate;
    m_inChannels = info.channels;
    m_outChannels = info.channels > 2 ? 1 : info.channels;
    m_frames = std::max<qint64>(0, info.frames);
    return true;
}

bool Reader::seek(qint64 frame)
{
    return m_file && sndfile().seek(m_file, sf_count_t(frame), SEEK_SET) == sf_count_t(frame);
}

qint64 Reader::read(qint16 *out, qint64 maxFrames)
{
    if (!m_file || maxFrames <= 0)
        return 0;
    constexpr qint64 Block = 1024;
    m_block.resize(size_t(Block * m_inChannels));
    qint64 done = 0;
    while (done < maxFrames) {
        const sf_count_t got = sndfile().readf_float(m_file, m_block.data(), std::min(Block, maxFrames - done));
        if (got <= 0)
            break;
        qint16 *dst = out + done * m_outChannels;
        for (sf_count_t i = 0; i < got; ++i) {
            const float *frame = m_block.data() + i * m_inChannels;
            if (m_inChannels == m_outChannels) {
                for (int c = 0; c < m_inChannels; ++c)
                    dst[i * m_inChannels + c] = toInt16(frame[c]);
            } else {
                float sum = 0;
                for (int c = 0; c < m_inChannels; ++c)
                    sum += frame[c];
                dst[i] = toInt16(sum / float(m_inChannels));
            }
        }
        done += got;
    }
    return done;
}

bool read(const QString &path, Pcm &out, QString &error)
{
    out = Pcm{};
    Reader reader;
    if (!reader.open(path, error))
        return false;
    out.rate = reader.rate();
    out.channels = reader.channels();
    // The header's frame count may lie (truncated or corrupt files): reserve what it
    // says, within the length allowed, and read until the data ends.
    out.data.reserve(qsizetype(reader.frames() * out.bytesPerFrame()));
    constexpr qint64 Block = 4096;
    for (;;) {
        const qsizetype at = out.data.size();
        out.data.resize(at + qsizetype(Block * out.bytesPerFrame()));
        const qint64 got = reader.read(reinterpret_cast<qint16 *>(out.data.data() + at), Block);
        out.data.resize(at + qsizetype(got * out.bytesPerFrame()));
        if (got < Block)
            break;
    }
    return true;
}

QByteArray encodeWaveMono16(const Pcm &pcm)
{
    const Pcm mono = pcm.channels == 1 ? pcm : PcmConvert::toMono(pcm);
    QByteArray image;
    image.reserve(mono.data.size() + 64);
    MemoryFile mem{&image, 0};
    SF_VIRTUAL_IO io{memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO info{};
    info.samplerate = mono.rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sndfile().loaded() ? sndfile().open_virtual(&io, SFM_WRITE, &info, &mem) : nullptr;
    if (!f)
        return {};
    const sf_count_t frames = mono.frames();
    const sf_count_t written = frames > 0 ? sndfile().writef_short(f, mono.samples(), frames) : 0;
    sndfile().close(f);
    if (written != frames)
        return {};
    return image;
}

bool save(const QString &path, const Pcm &pcm, QString &error, SafeFile::Destination where)
{
    if (path.isEmpty()) {
        error = QStringLiteral("No file name.");
        return false;
    }
    const QByteArray image = encodeWaveMono16(pcm);
    if (image.isEmpty()) {
        error = QStringLiteral("The sound could not be encoded.");
        return false;
    }
    return SafeFile::replaceFile(path, image, &error, where, SafeFile::AtName::ReplaceLink);
}

} // namespace SoundFile

namespace PcmConvert
{

MemorySource::MemorySource(const Pcm &pcm, qint64 fromFrame)
    : m_pcm(pcm), m_at(std::clamp<qint64>(fromFrame, 0, pcm.frames()))
{
}

qint64 MemorySource::read(qint16 *out, qint64 maxFrames)
{
    const qint64 n = std::clamp<qint64>(m_pcm.frames() - m_at, 0, maxFrames);
    if (n > 0)
        std::memcpy(out, m_pcm.samples() + m_at * m_pcm.channels, size_t(n * m_pcm.bytesPerFrame()));
    m_at += n;
    return n;
}

Converter::Converter(std::unique_ptr<FrameSource> in, int rate, int channels)
    : m_in(std::move(in)), m_rate(rate), m_channels(std::clamp(channels, 1, 2)),
      m_step(double(m_in->rate()) / std::max(1, rate))
{
}

bool Converter::fill(qint64 upToFrame)
{
    constexpr qint64 Block = 1024;
    const int inChannels = m_in->channels();
    while (!m_ended && m_base + qint64(m_held.size()) / m_channels <= upToFrame) {
        m_block.resize(size_t(Block * inChannels));
        const qint64 got = m_in->read(m_block.data(), Block);
        if (got <= 0) {
            m_ended = true;
            break;
        }
        for (qint64 i = 0; i < got; ++i) {
            const qint16 *f = m_block.data() + i * inChannels;
            if (inChannels == m_channels) {
                m_held.insert(m_held.end(), f, f + inChannels);
            } else if (m_channels == 1) {
                long sum = 0;
                for (int c = 0; c < inChannels; ++c)
                    sum += f[c];
                m_held.push_back(clamp16(sum / inChannels));
            } else {
                m_held.insert(m_held.end(), size_t(m_channels), f[0]);
            }
        }
    }
    return m_base + qint64(m_held.size()) / m_channels > upToFrame;
}

qint64 Converter::read(qint16 *out, qint64 maxFrames)
{
    qint64 done = 0;
    for (; done < maxFrames; ++done, ++m_next) {
        const double at = double(m_next) * m_step;
        const qint64 a = qint64(at);
        if (!fill(a))
            break; // the sound ended before this frame
        // Frames before a are no longer needed: drop them now and then, not every frame.
        if (a - m_base > 4096) {
            m_held.erase(m_held.begin(), m_held.begin() + (a - m_base) * m_channels);
            m_base = a;
        }
        const bool hasNext = fill(a + 1);
        const qint16 *fa = m_held.data() + (a - m_base) * m_channels;
        const qint16 *fb = hasNext ? fa + m_channels : fa;
        const double t = at - double(a);
        for (int c = 0; c < m_channels; ++c)
            out[done * m_channels + c] = clamp16(std::lround(fa[c] * (1 - t) + fb[c] * t));
    }
    return done;
}

namespace
{
bool streamsRefused = false;
}

void Slowed::refuseStreams(bool refuse)
{
    streamsRefused = refuse;
}

std::unique_ptr<FrameSource> Slowed::make(std::unique_ptr<FrameSource> in, double speed)
{
    if (!in || !(speed > 0.0 && speed < 1.0))
        return in;
    sonicStream stream = streamsRefused ? nullptr : sonicCreateStream(in->rate(), in->channels());
    if (!stream)
        return in;
    sonicSetSpeed(stream, float(speed));
    return std::unique_ptr<FrameSource>(new Slowed(std::move(in), stream));
}

Slowed::Slowed(std::unique_ptr<FrameSource> in, void *stream) : m_in(std::move(in)), m_stream(stream) {}

Slowed::~Slowed()
{
    giveUp();
}

void Slowed::giveUp()
{
    if (m_stream)
        sonicDestroyStream(static_cast<sonicStream>(m_stream));
    m_stream = nullptr;
}

qint64 Slowed::read(qint16 *out, qint64 maxFrames)
{
    constexpr int Block = 1024;
    const int ch = channels();
    qint64 done = 0;
    while (done < maxFrames && m_stream) {
        auto *stream = static_cast<sonicStream>(m_stream);
        const int want = int(std::min<qint64>(maxFrames - done, 1 << 20));
        const int got = sonicReadShortFromStream(stream, out + done * ch, want);
        if (got > 0) {
            done += got;
            continue;
        }
        if (m_inEnded)
            return done; // flushed and all read
        m_block.resize(size_t(Block) * size_t(ch));
        const qint64 in = m_in->read(m_block.data(), Block);
        if (in <= 0) {
            m_inEnded = true;
            sonicFlushStream(stream); // what libsonic still holds comes out now
            continue;
        }
        if (!sonicWriteShortToStream(stream, m_block.data(), int(in))) {
            // Refused (libsonic's memory ran out): this block and the rest at their own pace.
            giveUp();
            m_plainAt = 0;
            m_plainFrames = in;
        }
    }
    if (m_stream || done >= maxFrames)
        return done;
    // No longer stretching: the refused block, then the source as it comes.
    if (m_plainAt < m_plainFrames) {
        const qint64 n = std::min(maxFrames - done, m_plainFrames - m_plainAt);
        std::memcpy(out + done * ch, m_block.data() + m_plainAt * ch, size_t(n * ch) * sizeof(qint16));
        m_plainAt += n;
        done += n;
    }
    if (done < maxFrames && !m_inEnded)
        done += m_in->read(out + done * ch, maxFrames - done);
    return done;
}

Pcm toMono(const Pcm &in)
{
    if (in.channels == 1)
        return in;
    Pcm out;
    out.rate = in.rate;
    out.channels = 1;
    const qint64 frames = in.frames();
    out.data.resize(qsizetype(frames * 2));
    auto *dst = reinterpret_cast<qint16 *>(out.data.data());
    const qint16 *src = in.samples();
    for (qint64 i = 0; i < frames; ++i) {
        long sum = 0;
        for (int c = 0; c < in.channels; ++c)
            sum += src[i * in.channels + c];
        dst[i] = clamp16(sum / in.channels);
    }
    return out;
}

Pcm convert(const Pcm &in, int rate, int channels)
{
    Pcm src = (channels == 1) ? toMono(in) : in;
    if (src.channels != channels) { // mono to stereo
        Pcm st;
        st.rate = src.rate;
        st.channels = channels;
        const qint64 frames = src.frames();
        st.data.resize(qsizetype(frames * 2 * channels));
        auto *dst = reinterpret_cast<qint16 *>(st.data.data());
        for (qint64 i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                dst[i * channels + c] = src.samples()[i];
        src = st;
    }
    if (src.rate == rate || rate <= 0)
        return src;
    Pcm out;
    out.rate = rate;
    out.channels = channels;
    const qint64 inFrames = src.frames();
    const qint64 outFrames = inFrames * rate / src.rate;
    out.data.resize(qsizetype(outFrames * 2 * channels));
    auto *dst = reinterpret_cast<qint16 *>(out.data.data());
    const qint16 *s = src.samples();
    const double step = double(src.rate) / rate;
    for (qint64 i = 0; i < outFrames; ++i) {
        const double at = double(i) * step;
        const qint64 a = std::min<qint64>(qint64(at), inFrames - 1);
        const qint64 b = std::min<qint64>(a + 1, inFrames - 1);
        const double t = at - double(a);
        for (int c = 0; c < channels; ++c)
            dst[i * channels + c] = clamp16(std::lround(s[a * channels + c] * (1 - t) + s[b * channels + c] * t));
    }
    return out;
}

float peak(const QByteArray &data16, int channels, qint64 lastFrames)
{
    if (channels < 1)
        return 0.0f;
    const qint64 samples = data16.size() / 2;
    const qint64 from = std::max<qint64>(0, samples - lastFrames * channels);
    const auto *s = reinterpret_cast<const qint16 *>(data16.constData());
    int top = 0;
    for (qint64 i = from; i < samples; ++i)
        top = std::max(top, std::abs(int(s[i])));
    return std::min(1.0f, float(top) / 32768.0f);
}

} // namespace PcmConvert
