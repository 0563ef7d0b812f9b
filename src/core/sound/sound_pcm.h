#pragma once
#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A sound held in memory as interleaved 16-bit samples, and the wave-file work
// around it: reading any wave variant, writing a 16-bit mono PCM wave file without
// ever leaving a half-written one, and the few conversions the devices need.
// Pure data: no device, no event loop.
struct Pcm {
    int rate = 22050;
    int channels = 1;
    QByteArray data; // interleaved qint16 frames

    qint64 frames() const { return channels > 0 ? data.size() / (2 * qint64(channels)) : 0; }
    qint64 bytesPerFrame() const { return 2 * qint64(channels); }
    qint64 ms() const { return rate > 0 ? frames() * 1000 / rate : 0; }
    qint64 usecs() const { return rate > 0 ? frames() * 1000000 / rate : 0; }
    const qint16 *samples() const { return reinterpret_cast<const qint16 *>(data.constData()); }
};

namespace SoundFile
{

// Longest sound read into memory; longer files are refused rather than exhausting memory.
constexpr qint64 MaxFrames = qint64(48000) * 60 * 30;

// Reads a wave file (any encoding libsndfile knows) into 16-bit samples. More than two
// channels are mixed down to mono. A folder, a special file, a missing, empty, corrupt
// or over-long file fails with a reason in error.
bool read(const QString &path, Pcm &out, QString &error);

// Encodes a sound as a complete 16-bit PCM mono wave file image.
QByteArray encodeWaveMono16(const Pcm &pcm);

// Writes a sound as a 16-bit PCM mono wave file through a temporary file in the same
// folder that replaces the target only once complete: on any failure the previous
// file is untouched and no partial file remains.
bool save(const QString &path, const Pcm &pcm, QString &error);

} // namespace SoundFile

namespace PcmConvert
{

// The sound mixed down to one channel.
Pcm toMono(const Pcm &in);
// The sound at another rate and channel count (linear interpolation; 1 or 2 channels).
Pcm convert(const Pcm &in, int rate, int channels);
// Appends raw device samples (Int16, Int32, Float or UInt8, any channel count) to a
// mono 16-bit buffer.
enum class SampleKind { UInt8, Int16, Int32, Float };
void appendMono(QByteArray &mono16, const char *raw, qint64 bytes, SampleKind kind, int channels);
// Largest absolute sample of the last frames of a 16-bit buffer, 0..1.
float peak(const QByteArray &data16, int channels, qint64 lastFrames);

} // namespace PcmConvert
