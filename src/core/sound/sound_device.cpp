#include "core/sound/sound_device.h"

#include "core/platform/appcontext.h"

#include <QFileInfo>

#include <algorithm>

namespace
{

// A sound meant for the program folder must land in it (a test folder that is a link
// leading elsewhere is refused); any other path was chosen by whoever named it.
SafeFile::Destination destinationOf(const QString &path)
{
    // As written, not resolved: "AppDir/../elsewhere" is meant for the program folder too,
    // and is refused.
    const bool meant =
        !ProgramFolder::path().isEmpty() && QFileInfo(path).absoluteFilePath().startsWith(ProgramFolder::path());
    return meant ? SafeFile::Destination::ProgramFolder : SafeFile::Destination::UserChosen;
}

} // namespace

RealSoundDevice::RealSoundDevice(const std::shared_ptr<SoundServer> &server, QObject *parent)
    : SoundDevice(parent), m_player(server), m_recorder(server)
{
    connect(&m_player, &SoundPlayer::failed, this, &RealSoundDevice::fail);
    connect(&m_player, &SoundPlayer::ended, this, [this](bool reachedEnd, qint64 heard) {
        m_pos = reachedEnd ? frames() : std::min(frames(), m_playFrom + qint64(double(heard) * m_playSpeed));
        Q_EMIT playFinished(); // last: a handler may start the next sound
    });
    connect(&m_recorder, &SoundRecorder::failed, this, [this](const QString &message) {
        finishRecording(true); // what was recorded is kept
        fail(message);
    });
}

RealSoundDevice::~RealSoundDevice() = default;

void RealSoundDevice::setError(const QString &message)
{
    m_error = message;
}

void RealSoundDevice::fail(const QString &message)
{
    m_error = message;
    Q_EMIT failed(message);
}

bool RealSoundDevice::open(const QString &path)
{
    close();
    m_path = path;
    if (path.isEmpty()) {
        setError(QStringLiteral("No file name."));
        return false;
    }
    const QFileInfo fi(path);
    if (!fi.exists() && !fi.isSymLink()) {
        // A new sound of that name, recorded and then saved.
        m_sound = Pcm{SoundRecorder::RecordRate, 1, {}};
        m_readyToRecord = true;
        return true;
    }
    // Only the header is read now; the sound is decoded as it plays.
    SoundFile::Reader reader;
    QString error;
    if (!reader.open(path, error)) {
        setError(error);
        m_sound = Pcm{SoundRecorder::RecordRate, 1, {}};
        // A damaged word file can still be recorded over; a folder or device cannot.
        m_readyToRecord = fi.isFile();
        return false;
    }
    m_fromFile = true;
    m_fileRate = reader.rate();
    m_fileFrames = reader.frames();
    m_readyToRecord = true;
    return true;
}

void RealSoundDevice::close()
{
    stopPlay();
    finishRecording(false);
    m_path.clear();
    m_fromFile = false;
    m_fileRate = 0;
    m_fileFrames = 0;
    m_sound = Pcm{};
    m_pos = 0;
    m_recordFrom = -1;
    m_recordedFrames = 0;
    m_readyToRecord = false;
    m_dirty = false;
}

void RealSoundDevice::stopPlay()
{
    if (!m_player.isPlaying())
        return;
    const qint64 heard = m_player.stop();
    m_pos = std::min(frames(), m_playFrom + qint64(double(heard) * m_playSpeed));
    Q_EMIT playFinished(); // last: a handler may start the next sound
}

bool RealSoundDevice::playAt(double speed)
{
    finishRecording(true);
    stopPlay();
    if (frames() == 0) {
        setError(QFileInfo::exists(m_path) ? QStringLiteral("There is no sound to play.")
                                           : QStringLiteral("The file does not exist."));
        return false;
    }
    if (m_pos >= frames())
        return true; // at the end: nothing left to play

    std::unique_ptr<PcmConvert::FrameSource> source;
    if (m_fromFile) {
        auto reader = std::make_unique<SoundFile::Reader>();
        QString error;
        if (!reader->open(m_path, error)) {
            setError(error);
            return false;
        }
        if (m_pos > 0 && !reader->seek(m_pos)) {
            setError(QStringLiteral("The sound cannot be played from the middle."));
            return false;
        }
        source = std::move(reader);
    } else {
        source = std::make_unique<PcmConvert::MemorySource>(m_sound, m_pos);
    }
    qint64 toPlay = frames() - m_pos;
    m_playSpeed = 1.0;
    if (speed > 0.0 && speed < 1.0) {
        // Stretched as it plays. libsonic's length is close to the stretched one but not
        // exact: the play is allowed a little more and ends where the slowed sound does.
        const bool fromFile = m_fromFile;
        source = PcmConvert::Slowed::make(std::move(source), speed);
        if (const auto *slowed = dynamic_cast<const PcmConvert::Slowed *>(source.get()); slowed) {
            m_playSpeed = speed;
            toPlay = qint64(double(toPlay) / speed * 1.05) + rate() / 10;
        } else {
            qCDebug(lcSound) << "played at its own pace: the sound cannot be slowed" << (fromFile ? m_path : QString());
        }
    }
    if (!m_player.start(std::move(source), toPlay)) {
        setError(m_player.error());
        return false;
    }
    m_playFrom = m_pos;
    return true;
}

bool RealSoundDevice::keepBefore(qint64 frame, int toRate)
{
    Pcm kept{toRate, 1, {}};
    if (frame > 0) {
        std::unique_ptr<PcmConvert::FrameSource> source;
        if (m_fromFile) {
            auto reader = std::make_unique<SoundFile::Reader>();
            QString error;
            if (!reader->open(m_path, error)) {
                setError(error);
                return false;
            }
            source = std::move(reader);
        } else {
            source = std::make_unique<PcmConvert::MemorySource>(m_sound, 0);
        }
        const qint64 want = frame * toRate / std::max(1, source->rate());
        PcmConvert::Converter mono(std::move(source), toRate, 1);
        kept.data.resize(qsizetype(want * 2));
        const qint64 got = mono.read(reinterpret_cast<qint16 *>(kept.data.data()), want);
        kept.data.resize(qsizetype(got * 2));
    }
    m_sound = kept;
    m_fromFile = false;
    return true;
}

bool RealSoundDevice::record()
{
    stopPlay();
    if (m_recorder.isRecording())
        return true;
    const qint64 keptMs = rate() > 0 ? m_pos * 1000 / rate() : 0;
    QString error;
    if (!m_recorder.start(qint64(SoundFile::MaxSeconds) * 1000 - keptMs, error)) {
        setError(error);
        return false;
    }
    // The recording replaces the sound from the current position on: after "Open" or
    // "Prev" that is the whole sound.
    if (!keepBefore(m_pos, m_recorder.rate())) {
        m_recorder.stop(false);
        return false;
    }
    m_recordFrom = m_sound.frames();
    m_pos = m_recordFrom;
    m_dirty = true;
    m_taking = true;
    return true;
}

void RealSoundDevice::finishRecording(bool keep)
{
    if (!m_taking)
        return;
    m_taking = false;
    m_recorder.stop(keep); // nothing to do when it ended by itself
    if (keep) {
        // The take comes at the source's rate, known only once the input ran: the sound
        // kept before it follows it to that rate.
        if (const int takeRate = m_recorder.rate(); takeRate != m_sound.rate && takeRate > 0) {
            const qint64 from = m_recordFrom * takeRate / std::max(1, m_sound.rate);
            m_sound = PcmConvert::convert(m_sound, takeRate, 1);
            m_sound.data.resize(qsizetype(std::min(m_sound.frames(), from) * 2));
            m_recordFrom = m_sound.frames();
        }
        m_sound.data.append(m_recorder.take());
        m_recordedFrames += m_recorder.frames();
        m_pos = m_sound.frames();
    } else {
        m_sound = Pcm{SoundRecorder::RecordRate, 1, {}};
        m_pos = 0;
        m_recordFrom = -1;
        m_dirty = false;
    }
}

bool RealSoundDevice::stop()
{
    stopPlay();
    finishRecording(true);
    return true;
}

bool RealSoundDevice::prev()
{
    stopPlay();
    finishRecording(true);
    m_pos = 0;
    return true;
}

bool RealSoundDevice::save()
{
    finishRecording(true);
    if (m_fromFile)
        return true; // nothing recorded: the file holds its own sound already
    // Recordings are kept at the source's rate until they are judged and cleaned, and
    // saved at one rate for every word.
    if (m_sound.rate != SoundRecorder::RecordRate) {
        m_sound = PcmConvert::convert(m_sound, SoundRecorder::RecordRate, 1);
        m_pos = std::min(m_pos, m_sound.frames());
        m_recordFrom = std::min(m_recordFrom, m_sound.frames());
    }
    QString error;
    if (!SoundFile::save(m_path, m_sound, error, destinationOf(m_path))) {
        setError(error);
        return false;
    }
    m_dirty = false;
    return true;
}

bool RealSoundDevice::heldRecording(std::vector<qint16> &samples, int &rate) const
{
    if (m_fromFile || m_recordFrom < 0 || m_taking)
        return false;
    const Pcm mono = m_sound.channels == 1 ? m_sound : PcmConvert::toMono(m_sound);
    samples.assign(mono.samples(), mono.samples() + mono.frames());
    rate = mono.rate;
    return true;
}

bool RealSoundDevice::replaceRecording(const std::vector<qint16> &samples, int rate)
{
    if (m_fromFile || m_recordFrom < 0 || m_taking || rate <= 0)
        return false;
    stopPlay();
    m_sound = Pcm{rate, 1, QByteArray(reinterpret_cast<const char *>(samples.data()), qsizetype(samples.size() * 2))};
    m_pos = 0;
    m_recordFrom = 0;
    m_dirty = true;
    return true;
}

qint64 RealSoundDevice::lengthMs() const
{
    return rate() > 0 ? frames() * 1000 / rate() : 0;
}

qint64 RealSoundDevice::recordedMs() const
{
    if (m_sound.rate <= 0 || m_recordFrom < 0 || m_fromFile)
        return 0;
    const qint64 kept = std::max<qint64>(0, m_sound.frames() - m_recordFrom) * 1000 / m_sound.rate;
    return kept + (m_taking ? m_recorder.frames() * 1000 / std::max(1, m_recorder.rate()) : 0);
}

qint64 RealSoundDevice::recordedFrames() const
{
    return m_recordedFrames + (m_taking ? m_recorder.frames() : 0);
}
