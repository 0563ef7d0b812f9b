#include "core/sound/sound_pcm.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

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
        m->buffer->resize(qsizetype(m->pos + count));
    std::memcpy(m->buffer->data() + m->pos, ptr, size_t(count));
    m->pos += count;
    return count;
}

sf_count_t memTell(void *user)
{
    return static_cast<MemoryFile *>(user)->pos;
}

} // namespace

namespace SoundFile
{

bool read(const QString &path, Pcm &out, QString &error)
{
    out = Pcm{};
    const QFileInfo fi(path);
    if (path.isEmpty()) {
        error = QStringLiteral("No file name.");
        return false;
    }
    if (!fi.exists()) {
        error = QStringLiteral("The file does not exist.");
        return false;
    }
    if (fi.isDir()) {
        error = QStringLiteral("A folder has the name of the file.");
        return false;
    }
    // A pipe or device would block or never end: only plain files are read.
    if (!fi.isFile()) {
        error = QStringLiteral("Not a plain file.");
        return false;
    }
    if (fi.size() == 0) {
        error = QStringLiteral("The file is empty.");
        return false;
    }

    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f) {
        error = QStringLiteral("Not a readable sound file: ") + QString::fromLocal8Bit(sf_strerror(nullptr));
        return false;
    }
    if (info.channels < 1 || info.channels > 64 || info.samplerate < 1000 || info.samplerate > 384000) {
        sf_close(f);
        error = QStringLiteral("Unsupported sound format.");
        return false;
    }
    const int inChannels = info.channels;
    const int outChannels = inChannels > 2 ? 1 : inChannels;
    out.rate = info.samplerate;
    out.channels = outChannels;
    // The header's frame count may lie (truncated or corrupt files): reserve within
    // reason and read until the data ends.
    if (info.frames > 0 && info.frames <= MaxFrames)
        out.data.reserve(qsizetype(info.frames * 2 * outChannels));

    // Read as floats at full scale 1.0 whatever the encoding (integer files are scaled
    // by libsndfile, float files are as written), then clip to 16 bits.
    sf_command(f, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    constexpr sf_count_t Block = 4096;
    std::vector<float> block(size_t(Block * inChannels));
    qint64 total = 0;
    for (;;) {
        const sf_count_t got = sf_readf_float(f, block.data(), Block);
        if (got <= 0)
            break;
        total += got;
        if (total > MaxFrames) {
            sf_close(f);
            out = Pcm{};
            error = QStringLiteral("The sound is too long.");
            return false;
        }
        const qsizetype at = out.data.size();
        out.data.resize(at + qsizetype(got * 2 * outChannels));
        auto *dst = reinterpret_cast<qint16 *>(out.data.data() + at);
        for (sf_count_t i = 0; i < got; ++i) {
            const float *frame = block.data() + i * inChannels;
            if (inChannels == outChannels) {
                for (int c = 0; c < inChannels; ++c)
                    dst[i * inChannels + c] = toInt16(frame[c]);
            } else {
                float sum = 0;
                for (int c = 0; c < inChannels; ++c)
                    sum += frame[c];
                dst[i] = toInt16(sum / float(inChannels));
            }
        }
    }
    sf_close(f);
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
    SNDFILE *f = sf_open_virtual(&io, SFM_WRITE, &info, &mem);
    if (!f)
        return {};
    const sf_count_t frames = mono.frames();
    const sf_count_t written = frames > 0 ? sf_writef_short(f, mono.samples(), frames) : 0;
    sf_close(f);
    if (written != frames)
        return {};
    return image;
}

bool save(const QString &path, const Pcm &pcm, QString &error)
{
    if (path.isEmpty()) {
        error = QStringLiteral("No file name.");
        return false;
    }
    if (QFileInfo(path).isDir()) {
        error = QStringLiteral("A folder has the name of the file.");
        return false;
    }
    const QByteArray image = encodeWaveMono16(pcm);
    if (image.isEmpty()) {
        error = QStringLiteral("The sound could not be encoded.");
        return false;
    }
    QSaveFile file(path);
    file.setDirectWriteFallback(false); // never write the target in place
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (file.write(image) != image.size() || !file.flush() || ::fdatasync(file.handle()) != 0) {
        error = file.errorString().isEmpty() ? QStringLiteral("The file could not be written.") : file.errorString();
        file.cancelWriting(); // the temporary file goes, the target stays as it was
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace SoundFile

namespace PcmConvert
{

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

void appendMono(QByteArray &mono16, const char *raw, qint64 bytes, SampleKind kind, int channels)
{
    if (channels < 1)
        return;
    const int width = kind == SampleKind::UInt8 ? 1 : kind == SampleKind::Int16 ? 2 : 4;
    const qint64 frames = bytes / (qint64(width) * channels);
    if (frames <= 0)
        return;
    const qsizetype at = mono16.size();
    mono16.resize(at + qsizetype(frames * 2));
    auto *dst = reinterpret_cast<qint16 *>(mono16.data() + at);
    for (qint64 i = 0; i < frames; ++i) {
        double sum = 0;
        for (int c = 0; c < channels; ++c) {
            const char *p = raw + (i * channels + c) * width;
            switch (kind) {
            case SampleKind::UInt8:
                sum += (int(static_cast<unsigned char>(*p)) - 128) * 256.0;
                break;
            case SampleKind::Int16: {
                qint16 v;
                std::memcpy(&v, p, 2);
                sum += v;
                break;
            }
            case SampleKind::Int32: {
                qint32 v;
                std::memcpy(&v, p, 4);
                sum += v / 65536.0;
                break;
            }
            case SampleKind::Float: {
                float v;
                std::memcpy(&v, p, 4);
                if (std::isfinite(v))
                    sum += double(std::clamp(v, -1.0f, 1.0f)) * 32767.0;
                break;
            }
            }
        }
        dst[i] = clamp16(std::lround(sum / channels));
    }
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
