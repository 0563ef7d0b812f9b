#pragma once
#include <QAudioFormat>
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

class QAudioSource;
class QIODevice;

// Records the default input into memory as 16-bit mono at the rate the input gives,
// for at most a given length. An input that goes away or stops delivering ends the
// recording, which keeps what it had. Starting never blocks beyond a round trip to the
// server; with no server or input it fails at once.
class SoundRecorder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SoundRecorder)
  public:
    explicit SoundRecorder(QObject *parent = nullptr);
    ~SoundRecorder() override;

    // Starts a new take of at most maxMs; false, with error, when it could not start.
    bool start(qint64 maxMs, QString &error);
    // Ends the take; with keep, what the server still holds belongs to it.
    void stop(bool keep);
    bool isRecording() const { return m_recording; }
    // The take: mono 16-bit samples at rate().
    const QByteArray &take() const { return m_take; }
    int rate() const { return m_format.sampleRate(); }
    qint64 frames() const { return m_take.size() / 2; }
    // The input level now, 0..1 (0 when not recording).
    float level() const;

    // The format asked of the input first.
    static constexpr int RecordRate = 22050;
    // How long the input may deliver nothing before it is given up as gone.
    static constexpr int StallMs = 1500;

  Q_SIGNALS:
    // The take ended by itself (the input failed, stalled, or the take is full).
    void failed(const QString &message);

  private:
    void onData();
    qint64 drain(); // bytes read
    void giveUp(const QString &message);

    QPointer<QAudioSource> m_source;
    QPointer<QIODevice> m_io;
    QAudioFormat m_format;
    QByteArray m_take;
    qint64 m_maxFrames = 0;
    bool m_recording = false;
    QElapsedTimer m_clock;
    qint64 m_lastInputMs = 0;
};
