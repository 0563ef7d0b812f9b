#pragma once
#include "core/sound/sound_pcm.h"
#include "core/sound/sound_player.h"
#include "core/sound/sound_recorder.h"
#include "core/sound/soundengine.h"

// One control's device over the sound server: the open sound and a position in it,
// a player and a recorder. The sound of an opened file is never decoded whole: its
// header is checked at Open and its frames are decoded as they play. A recording is
// held in memory until Save writes it. Everything runs on the thread of the event
// loop and never waits for the server; with no server or device every command fails
// at once. Nothing ticks while nothing plays or records.
class RealSoundDevice final : public SoundDevice
{
    Q_OBJECT
    Q_DISABLE_COPY(RealSoundDevice)
  public:
    explicit RealSoundDevice(const std::shared_ptr<SoundServer> &server, QObject *parent = nullptr);
    ~RealSoundDevice() override;

    bool open(const QString &path) override;
    void close() override;
    bool play() override { return playAt(1.0); }
    bool playSlowed(double speed) override { return playAt(speed); }
    bool record() override;
    bool stop() override;
    bool prev() override;
    bool save() override;
    bool isPlaying() const override { return m_player.isPlaying(); }
    QString lastError() const override { return m_error; }
    float inputLevel() const override { return m_recorder.level(); }
    qint64 recordedMs() const override;
    qint64 recordedFrames() const override;
    bool canRecord() const override { return m_readyToRecord; }
    bool heldRecording(std::vector<qint16> &samples, int &rate) const override;
    bool replaceRecording(const std::vector<qint16> &samples, int rate) override;

    bool isRecording() const { return m_recorder.isRecording(); }
    // What has been recorded, held in memory (empty while the sound is still the
    // opened file's own, which is read only as it plays).
    const Pcm &sound() const { return m_sound; }
    // The length of the sound held now, the file's or the recording's.
    qint64 lengthMs() const;
    qint64 positionFrames() const { return m_pos; }
    // Whether a recording has not been saved yet.
    bool isDirty() const { return m_dirty; }

  private:
    qint64 frames() const { return m_fromFile ? m_fileFrames : m_sound.frames(); }
    int rate() const { return m_fromFile ? m_fileRate : m_sound.rate; }
    bool playAt(double speed);
    void stopPlay();
    void finishRecording(bool keep);
    bool keepBefore(qint64 frame, int rate); // the sound before a frame, as mono at rate
    void setError(const QString &message);
    // A failure after a command had returned.
    void fail(const QString &message);

    QString m_path;
    // The opened file's sound, known by its header until something is recorded.
    bool m_fromFile = false;
    int m_fileRate = 0;
    qint64 m_fileFrames = 0;
    Pcm m_sound;      // the recorded sound, when not the file's
    qint64 m_pos = 0; // in frames of the sound held
    qint64 m_playFrom = 0;
    double m_playSpeed = 1.0; // of the play under way: source frames per frame heard
    bool m_readyToRecord = false;
    bool m_dirty = false;
    qint64 m_recordFrom = -1; // frames kept before the recording; -1: nothing recorded
    qint64 m_recordedFrames = 0;
    bool m_taking = false; // a take of the recorder belongs to the sound held
    QString m_error;
    SoundPlayer m_player;
    SoundRecorder m_recorder;
};
