#pragma once
#include <QLoggingCategory>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class MMControl;

// Every sound failure (a file refused and why, a device that cannot start or fails, a
// play or recording that stalls) and the devices chosen, quiet unless switched on with
// QT_LOGGING_RULES="wordaroo.sound.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcSound)

// What a multimedia control drives: one open sound and a position in it. Every
// method reports failure by its result and never throws; the control keeps the
// error. A device plays and records asynchronously and says when a play has ended.
class SoundDevice : public QObject
{
    Q_OBJECT
  public:
    using QObject::QObject;
    ~SoundDevice() override = default;

    // Opens an existing wave file, or stands ready to record a new sound of that name.
    virtual bool open(const QString &path) = 0;
    // Stops any play or recording and discards an unsaved recording. close() and stop()
    // emit playFinished when they end a play.
    virtual void close() = 0;
    virtual bool play() = 0; // from the current position; returns at once
    // The same at `speed` of the sound's pace (below 1: slower), its pitch kept. A
    // device that cannot slow a sound plays it at its own pace.
    virtual bool playSlowed(double speed)
    {
        Q_UNUSED(speed)
        return play();
    }
    virtual bool record() = 0; // from the microphone; returns at once
    virtual bool stop() = 0;
    virtual bool prev() = 0; // back to the start
    virtual bool save() = 0; // writes the sound to the file named at open
    virtual bool isPlaying() const = 0;
    virtual QString lastError() const = 0;
    // Input level of the recording now under way, 0..1 (0 when not recording).
    virtual float inputLevel() const { return 0.0f; }
    // Milliseconds recorded so far.
    virtual qint64 recordedMs() const { return 0; }
    // Frames the input has delivered since the sound was opened: 0 when no recording
    // reached the device (no sound server, no microphone).
    virtual qint64 recordedFrames() const { return 0; }
    // After a failed open(): whether the device still stands ready to record a new
    // sound into that file (it exists but holds no readable sound).
    virtual bool canRecord() const { return false; }
    // The recording held and not yet saved, as mono 16-bit samples at rate: false when
    // the device holds none (nothing recorded, or only the opened file's own sound).
    virtual bool heldRecording(std::vector<qint16> &samples, int &rate) const
    {
        Q_UNUSED(samples)
        Q_UNUSED(rate)
        return false;
    }
    // Puts samples (mono, 16-bit, at rate) in place of the recording held, so that the
    // next "Save" writes them; false when the device holds no recording.
    virtual bool replaceRecording(const std::vector<qint16> &samples, int rate)
    {
        Q_UNUSED(samples)
        Q_UNUSED(rate)
        return false;
    }

  Q_SIGNALS:
    void playFinished(); // a play reached its end, was stopped, or failed after starting
    // A play or recording failed after it had started (emitted before playFinished).
    void failed(const QString &message);
};

// Makes the devices of the program's controls: the real engine over the sound
// server, or the test engine that logs commands.
class SoundEngine
{
  public:
    virtual ~SoundEngine() = default;
    virtual std::unique_ptr<SoundDevice> createDevice(MMControl *owner) = 0;
};

namespace Sound
{
// The engine new controls use. The program installs the real one at start-up.
SoundEngine &engine();
void setEngine(SoundEngine *engine);
} // namespace Sound
