#pragma once
#include "core/sound/sound_pcm.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QAudioSink;
class PlayStream;

// Plays one sound at a time on the default output, pulled from a frame source a
// block at a time (a file is decoded as it plays, never held whole), and says when it
// has been heard to its end. A device that stops taking the sound is given up on.
// Starting never blocks beyond a round trip to the server; with no server or output
// it fails at once.
class SoundPlayer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SoundPlayer)
  public:
    explicit SoundPlayer(QObject *parent = nullptr);
    ~SoundPlayer() override;

    // Plays at most `frames` frames of the source; returns at once. False, with
    // error(), when the play could not start.
    bool start(std::unique_ptr<PcmConvert::FrameSource> source, qint64 frames);

    // While plays are held, a play started waits, playing at its start, and reaches the
    // sound server only once they are released; stopped before then, it ends unheard.
    // A play that cannot start when released fails as one the server drops. The
    // program holds its plays while its first window comes up, so that the server's
    // round trips do not delay the window.
    static void holdPlays();
    static void releasePlays();
    // Ends the hold without a sound: the plays waiting end unheard and silently.
    static void dropHeldPlays();
    // Stops a play under way; returns the frames of the source heard so far.
    qint64 stop();
    bool isPlaying() const { return m_playing; }
    QString error() const { return m_error; }

    // How long a sink buffers: 50 ms or less never reaches its end on PulseAudio.
    static constexpr int SinkBufferMs = 150;
    // How often a play looks whether it has been heard to its end (then more often near
    // the end), and how long it may make no progress before it is given up as failed.
    static constexpr int EndCheckMs = 250;
    static constexpr int StallMs = 1500;
    // Silence played after the sound, which is stopped before the silence is heard.
    static constexpr int PaddingMs = 250;

  Q_SIGNALS:
    // The play ended by itself: heard to its end, or given up (after failed()).
    void ended(bool reachedEnd, qint64 framesHeard);
    void failed(const QString &message);

  private:
    enum class End { Reached, Stopped, Failed };
    bool open(std::unique_ptr<PcmConvert::FrameSource> source, qint64 frames);
    void startWaiting();
    // Ends the hold, doing `each` to every play still waiting.
    static void endHold(const std::function<void(SoundPlayer &)> &each);
    qint64 finish(End how);
    void checkEnd();
    qint64 soundUsecs() const;
    void giveUp(const QString &message);

    std::unique_ptr<PcmConvert::FrameSource> m_waiting; // held, until plays are released
    QPointer<QAudioSink> m_sink;
    QPointer<PlayStream> m_stream;
    bool m_playing = false;
    QString m_error;
    qint64 m_frames = 0;    // of the source, to be played
    int m_sourceRate = 0;   // frames of the source per second
    qint64 m_playUsecs = 0; // length of what is played
    QTimer m_endCheck;
    QElapsedTimer m_clock;
    qint64 m_lastProcessed = -1;
    qint64 m_lastProgressMs = 0;
};
