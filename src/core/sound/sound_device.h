#pragma once
#include "core/sound/sound_pcm.h"
#include "core/sound/soundengine.h"

#include <QAudio>
#include <QAudioFormat>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

class QAudioSink;
class QAudioSource;
class QIODevice;

// One control's device over the sound server: the open file's sound decoded into
// memory, a position in it, a QAudioSink while it plays and a QAudioSource while it
// records. Everything runs on the thread of the event loop and never blocks beyond a
// round trip to the server; with no server or device every command fails at once.
//
// Audio objects are never destroyed from inside a command or a signal of theirs
// (destroying a sink runs the event loop): they are stopped, cut loose and deleted
// later. Nothing ticks while nothing plays or records.
class RealSoundDevice final : public SoundDevice
{
    Q_OBJECT
    Q_DISABLE_COPY(RealSoundDevice)
  public:
    explicit RealSoundDevice(QObject *parent = nullptr);
    ~RealSoundDevice() override;

    bool open(const QString &path) override;
    void close() override;
    bool play() override;
    bool record() override;
    bool stop() override;
    bool prev() override;
    bool save() override;
    bool isPlaying() const override { return m_playing; }
    QString lastError() const override { return m_error; }
    float inputLevel() const override;
    qint64 recordedMs() const override;
    bool canRecord() const override { return m_readyToRecord; }

    bool isRecording() const { return m_recording; }
    // The sound held now (the file's, or what was recorded) and the position in it.
    const Pcm &sound() const { return m_sound; }
    qint64 positionFrames() const { return m_pos; }
    // Whether a recording has not been saved yet.
    bool isDirty() const { return m_dirty; }

    // How long a sink buffers: 50 ms or less never reaches its end on PulseAudio.
    static constexpr int SinkBufferMs = 150;
    // How often a play looks whether it has been heard to its end (then more often near
    // the end), and how long a play or recording may make no progress before it is
    // given up as failed.
    static constexpr int EndCheckMs = 250;
    static constexpr int StallMs = 1500;
    // Silence played after the sound, which is stopped before the silence is heard.
    static constexpr int PaddingMs = 250;
    // The recording format asked of the input first.
    static constexpr int RecordRate = 22050;

    // Deletes the stopped sinks and sources still waiting to be deleted (at the end of
    // the program, outside any event handler).
    static void deleteRetired();

  private:
    enum class End { Reached, Stopped, Failed };
    void finishPlay(End how);
    void checkPlayEnd();
    void onSinkState(QAudio::State state);
    void finishRecording(bool keep);
    void onRecordData();
    qint64 drainRecording(); // bytes read
    void onSourceState(QAudio::State state);
    void retire(QObject *audio);
    void setError(const QString &message) { m_error = message; }
    // A failure after a command had returned.
    void fail(const QString &message)
    {
        m_error = message;
        Q_EMIT failed(message);
    }

    QString m_path;
    Pcm m_sound;
    qint64 m_pos = 0; // in frames of m_sound
    bool m_readyToRecord = false;
    bool m_dirty = false;
    QString m_error;

    // Playing.
    QPointer<QAudioSink> m_sink;
    bool m_playing = false;
    qint64 m_playFrom = 0;    // frame of m_sound where the play started
    qint64 m_playUsecs = 0;   // length of what is played
    double m_playScale = 1.0; // frames of m_sound per frame sent to the sink
    QTimer m_endCheck;
    QElapsedTimer m_playClock;
    qint64 m_lastProcessed = -1;
    qint64 m_lastProgressMs = 0;

    // Recording.
    QPointer<QAudioSource> m_source;
    QPointer<QIODevice> m_sourceIo;
    QAudioFormat m_recordFormat;
    bool m_recording = false;
    qint64 m_recordFrom = -1; // frames kept before the recording; -1: nothing recorded
    QElapsedTimer m_recordClock;
    qint64 m_lastInputMs = 0;
};
