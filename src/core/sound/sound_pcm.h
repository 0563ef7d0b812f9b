#pragma once
#include "core/platform/safefile.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

struct sf_private_tag;

// A sound held in memory as interleaved 16-bit samples, and the wave-file work
// around it: reading any wave variant a block at a time, writing a 16-bit mono PCM
// wave file without ever leaving a half-written one or writing through a link, and
// the few conversions the devices need. Pure data: no device, no event loop.
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

namespace PcmConvert
{

// Frames of a sound read a block at a time: 16-bit, interleaved, channels() per frame.
// Whoever reads never holds more of the sound than the block it asked for.
class FrameSource
{
  public:
    virtual ~FrameSource() = default;
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    // Up to maxFrames frames into out; fewer, and then 0, at the end of the sound or
    // where it cannot be read further.
    virtual qint64 read(qint16 *out, qint64 maxFrames) = 0;
};

// A sound in memory from a frame on (the samples are shared, not copied).
class MemorySource final : public FrameSource
{
  public:
    MemorySource(const Pcm &pcm, qint64 fromFrame);
    int rate() const override { return m_pcm.rate; }
    int channels() const override { return m_pcm.channels; }
    qint64 read(qint16 *out, qint64 maxFrames) override;

  private:
    Pcm m_pcm;
    qint64 m_at;
};

// Another source at another rate (linear interpolation) and channel count (1 or 2),
// converted as it is read.
class Converter final : public FrameSource
{
  public:
    Converter(std::unique_ptr<FrameSource> in, int rate, int channels);
    int rate() const override { return m_rate; }
    int channels() const override { return m_channels; }
    qint64 read(qint16 *out, qint64 maxFrames) override;

  private:
    bool fill(qint64 upToFrame); // source frames [m_base, upToFrame] held, if the sound reaches that far
    std::unique_ptr<FrameSource> m_in;
    int m_rate, m_channels;
    double m_step;               // source frames per output frame
    std::vector<qint16> m_held;  // source frames from m_base, already in m_channels
    std::vector<qint16> m_block; // one block as the source gives it
    qint64 m_base = 0;
    qint64 m_next = 0; // the next output frame
    bool m_ended = false;
};

// Another source slowed to `speed` of its pace (0 < speed < 1) with its pitch kept,
// stretched by libsonic a block at a time as it is read: nothing is stretched ahead and
// nothing is written anywhere. Where libsonic cannot stretch the sound (it cannot make its
// stream, or it refuses a block), the rest of the sound comes at its own pace.
class Slowed final : public FrameSource
{
    Q_DISABLE_COPY(Slowed)
  public:
    // The source slowed; the source itself, at its own pace, when libsonic cannot take it.
    static std::unique_ptr<FrameSource> make(std::unique_ptr<FrameSource> in, double speed);
    ~Slowed() override;
    int rate() const override { return m_in->rate(); }
    int channels() const override { return m_in->channels(); }
    qint64 read(qint16 *out, qint64 maxFrames) override;
    // Whether it is still stretching (false once libsonic refused a block).
    bool isStretching() const { return m_stream != nullptr; }

    // While set, libsonic is treated as unable to make its stream: the tests' way to
    // reach a sound that cannot be stretched, which libsonic itself gives only when
    // memory runs out.
    static void refuseStreams(bool refuse);

  private:
    Slowed(std::unique_ptr<FrameSource> in, void *stream);
    void giveUp();
    std::unique_ptr<FrameSource> m_in;
    void *m_stream = nullptr; // libsonic's stream
    std::vector<qint16> m_block;
    qint64 m_plainAt = 0, m_plainFrames = 0; // a refused block, still to come as it is
    bool m_inEnded = false;
};

// The sound mixed down to one channel.
Pcm toMono(const Pcm &in);
// The sound at another rate and channel count (linear interpolation; 1 or 2 channels).
Pcm convert(const Pcm &in, int rate, int channels);
// Largest absolute sample of the last frames of a 16-bit buffer, 0..1.
float peak(const QByteArray &data16, int channels, qint64 lastFrames);

} // namespace PcmConvert

namespace SoundFile
{

// Longest sound a word or prompt file may hold, by its header's length and rate: a
// longer file is refused as unplayable, before any of it is decoded.
constexpr int MaxSeconds = 5 * 60;

// A wave file (any encoding libsndfile knows) open for reading. Opening checks the
// file and its header only: a plain file, not empty, a known encoding, 1 to 64
// channels, a sane rate and at most MaxSeconds long. Its sound then comes out a block
// at a time as 16-bit frames of one or two channels (more are mixed down to mono).
class Reader final : public PcmConvert::FrameSource
{
    Q_DISABLE_COPY(Reader)
  public:
    Reader() = default;
    ~Reader() override;
    bool open(const QString &path, QString &error);
    void close();
    bool isOpen() const { return m_file != nullptr; }
    int rate() const override { return m_rate; }
    int channels() const override { return m_outChannels; }
    qint64 frames() const { return m_frames; } // as the header says
    bool seek(qint64 frame);
    qint64 read(qint16 *out, qint64 maxFrames) override;

  private:
    sf_private_tag *m_file = nullptr;
    int m_fd = -1;
    int m_rate = 0;
    int m_inChannels = 0;
    int m_outChannels = 0;
    qint64 m_frames = 0;
    std::vector<float> m_block;
};

// The whole sound of a wave file, read through a Reader (so never longer than
// MaxSeconds). A folder, a special file, a missing, empty, corrupt or over-long file
// fails with a reason in error.
bool read(const QString &path, Pcm &out, QString &error);

// Encodes a sound as a complete 16-bit PCM mono wave file image.
QByteArray encodeWaveMono16(const Pcm &pcm);

// Writes a sound as a 16-bit PCM mono wave file through SafeFile::replaceFile: on any
// failure the previous file is untouched, no partial file remains, and error holds the
// system's own reason. A link at the name is replaced itself, never written through; a
// folder (or a link to one) at the name is refused.
bool save(const QString &path, const Pcm &pcm, QString &error,
          SafeFile::Destination where = SafeFile::Destination::UserChosen);

} // namespace SoundFile
