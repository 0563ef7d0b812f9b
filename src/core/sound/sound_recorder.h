#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class SoundServer;

// Records the server's default source into memory as 16-bit mono at the source's own
// rate (the server mixes the channels down but does not resample, so a clipped take
// still shows its runs of full-scale samples), for at most a given length. A source
// that goes away or stops delivering ends the recording, which keeps what it had.
// Starting never blocks; with no server or input it fails at once.
class SoundRecorder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SoundRecorder)
  public:
    explicit SoundRecorder(std::shared_ptr<SoundServer> server, QObject *parent = nullptr);
    ~SoundRecorder() override;

    // Starts a new take of at most maxMs; false, with error, when it could not start.
    bool start(qint64 maxMs, QString &error);
    // Ends the take; with keep, what the server has delivered so far belongs to it.
    void stop(bool keep);
    bool isRecording() const { return m_recording; }
    // The take, once it has ended: mono 16-bit samples at rate().
    const QByteArray &take() const { return m_take; }
    // The rate of the take: the source's, once the server has said it (RecordRate
    // before that).
    int rate() const;
    qint64 frames() const;
    // The input level now, 0..1 (0 when not recording).
    float level() const;

    // The rate asked for when the source's own is not known yet, and the rate a
    // recording is saved at.
    static constexpr int RecordRate = 22050;
    // How long the input may deliver nothing before it is given up as gone, and how
    // often that is looked at.
    static constexpr int StallMs = 1500;
    static constexpr int CheckMs = 250;
    // How much sound the server gathers before it delivers it.
    static constexpr int FragmentMs = 50;

  Q_SIGNALS:
    // The take ended by itself (the input failed, stalled, or the take is full).
    void failed(const QString &message);

  private:
    struct Stream; // the server's stream and the take it fills, in the .cpp
    void check();
    void streamFailed(quint64 generation, int paError);
    void giveUp(const QString &message);

    std::shared_ptr<SoundServer> m_server;
    std::unique_ptr<Stream> m_stream;
    quint64 m_generation = 0;
    QByteArray m_take;
    int m_takeRate = RecordRate;
    bool m_recording = false;
    QTimer m_check;
    QElapsedTimer m_clock;
    qint64 m_lastFrames = 0;
    qint64 m_lastInputMs = 0;
};
