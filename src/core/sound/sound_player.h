#pragma once
#include "core/sound/sound_pcm.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class SoundServer;

// Plays one sound at a time on the server's default sink, pulled from a frame source a
// block at a time by the server's thread (a file is decoded as it plays, never held
// whole), and says when it has been heard to its end: by what the sink has read, less
// its latency, as the server accounts for it. A stream the server kills (its device removed, the
// server gone) or that stops making progress is given up on. Starting never blocks;
// with no server or output it fails at once.
class SoundPlayer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SoundPlayer)
  public:
    explicit SoundPlayer(std::shared_ptr<SoundServer> server, QObject *parent = nullptr);
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

    // How much sound the stream keeps ahead of what is heard (the latency asked of
    // the server): short enough that a stop is heard at once.
    static constexpr int BufferMs = 150;
    // How often a play looks whether it has been heard to its end (then more often near
    // the end), and how long it may make no progress before it is given up as failed.
    static constexpr int EndCheckMs = 250;
    static constexpr int StallMs = 1500;
    // Silence written after the sound, which is stopped before the silence is heard:
    // the stream never runs dry while its end is still to be heard.
    static constexpr int PaddingMs = 250;

  Q_SIGNALS:
    // The play ended by itself: heard to its end, or given up (after failed()).
    void ended(bool reachedEnd, qint64 framesHeard);
    void failed(const QString &message);

  private:
    struct Stream; // the server's stream and what feeds it, in the .cpp
    enum class End { Reached, Stopped, Failed };
    bool open(std::unique_ptr<PcmConvert::FrameSource> source, qint64 frames);
    void startWaiting();
    // Ends the hold, doing `each` to every play still waiting.
    static void endHold(const std::function<void(SoundPlayer &)> &each);
    qint64 finish(End how);
    void checkEnd();
    // The server killed the stream (posted from its thread).
    void streamFailed(quint64 generation, int paError);
    void giveUp(const QString &message);
    void closeStream();

    std::shared_ptr<SoundServer> m_server;
    std::unique_ptr<Stream> m_stream;
    quint64 m_generation = 0;
    std::unique_ptr<PcmConvert::FrameSource> m_waiting; // held, until plays are released
    bool m_playing = false;
    QString m_error;
    qint64 m_frames = 0;      // of the source, to be played
    int m_sourceRate = 0;     // frames of the source per second
    qint64 m_heardUsecs = -1; // at the last look
    qint64 m_lastRead = -1;   // what the sink had read, at the last look
    QTimer m_endCheck;
    QElapsedTimer m_clock;
    qint64 m_lastProgressMs = 0;
};
