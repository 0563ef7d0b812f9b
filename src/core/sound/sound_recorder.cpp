#include "core/sound/sound_recorder.h"

#include "core/sound/sound_audio.h"
#include "core/sound/sound_pcm.h"
#include "core/sound/soundengine.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>

SoundRecorder::SoundRecorder(QObject *parent) : QObject(parent) {}

SoundRecorder::~SoundRecorder()
{
    m_recording = false;
    if (m_io)
        disconnect(m_io, nullptr, this, nullptr);
    SoundAudio::retire(m_source, this);
}

bool SoundRecorder::start(qint64 maxMs, QString &error)
{
    stop(false);
    m_take.clear();
    const QAudioDevice in = QMediaDevices::defaultAudioInput();
    if (in.isNull()) {
        error = QStringLiteral("No sound input device.");
        return false;
    }
    QAudioFormat format = SoundAudio::int16Format(RecordRate, 1);
    if (!in.isFormatSupported(format))
        format = in.preferredFormat(); // converted to 16-bit mono as it arrives
    if (!format.isValid() || format.sampleFormat() == QAudioFormat::Unknown) {
        error = QStringLiteral("The sound input has no usable format.");
        return false;
    }

    auto *source = new QAudioSource(in, format);
    source->setBufferSize(qsizetype(format.bytesForDuration(qint64(50) * 1000)));
    QIODevice *io = source->start();
    if (!io || source->state() == QAudio::StoppedState || source->error() != QAudio::NoError) {
        error = SoundAudio::errorText(source->error());
        SoundAudio::retire(source, this);
        return false;
    }
    qCDebug(lcSound) << "recording from" << in.description() << "at" << format.sampleRate() << "Hz";
    m_source = source;
    m_io = io;
    m_format = format;
    m_maxFrames = std::max<qint64>(0, maxMs) * format.sampleRate() / 1000;
    m_recording = true;
    m_clock.start();
    m_lastInputMs = 0;
    connect(io, &QIODevice::readyRead, this, &SoundRecorder::onData);
    connect(source, &QAudioSource::stateChanged, this, [this, source](QAudio::State state) {
        // The input went away mid-recording: keep what was recorded.
        if (m_recording && source == m_source && state == QAudio::StoppedState)
            giveUp(SoundAudio::errorText(source->error()));
    });
    return true;
}

void SoundRecorder::onData()
{
    if (!m_recording)
        return;
    if (drain() > 0)
        m_lastInputMs = m_clock.elapsed();
    if (frames() >= m_maxFrames)
        giveUp(QStringLiteral("The recording is too long (%1 minutes at most).").arg(SoundFile::MaxSeconds / 60));
    else if (m_clock.elapsed() - m_lastInputMs > StallMs)
        // The input was removed: Qt 6.4 goes on asking it for data without a word.
        giveUp(QStringLiteral("The sound input stopped delivering sound."));
}

qint64 SoundRecorder::drain()
{
    if (!m_recording || !m_io)
        return 0;
    const QByteArray raw = m_io->readAll();
    if (raw.isEmpty())
        return 0;
    PcmConvert::SampleKind kind = PcmConvert::SampleKind::Int16;
    switch (m_format.sampleFormat()) {
    case QAudioFormat::UInt8:
        kind = PcmConvert::SampleKind::UInt8;
        break;
    case QAudioFormat::Int32:
        kind = PcmConvert::SampleKind::Int32;
        break;
    case QAudioFormat::Float:
        kind = PcmConvert::SampleKind::Float;
        break;
    default:
        break;
    }
    PcmConvert::appendMono(m_take, raw.constData(), raw.size(), kind, m_format.channelCount());
    if (frames() > m_maxFrames)
        m_take.truncate(qsizetype(m_maxFrames * 2));
    return raw.size();
}

void SoundRecorder::giveUp(const QString &message)
{
    qCDebug(lcSound) << "recording ended:" << message;
    stop(true);
    Q_EMIT failed(message);
}

void SoundRecorder::stop(bool keep)
{
    if (!m_recording)
        return;
    if (keep)
        drain();
    m_recording = false;
    if (m_io)
        disconnect(m_io, nullptr, this, nullptr);
    SoundAudio::retire(m_source, this);
    m_source = nullptr;
    m_io = nullptr;
    if (!keep)
        m_take.clear();
}

float SoundRecorder::level() const
{
    if (!m_recording)
        return 0.0f;
    return PcmConvert::peak(m_take, 1, qint64(rate()) / 20);
}
