#pragma once
#include "core/sound/soundengine.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <vector>

// The sound engine of the tests: no device, every command logged with the control's
// settings at that moment. Plays finish at once unless a sound was given a duration,
// so tests can assert exact command sequences without waiting. "Save" writes a short
// valid wave file, so the files a window saves exist on disk.
class TestSoundEngine final : public SoundEngine
{
  public:
    struct Entry {
        QString window;   // objectName of the control's window
        QString command;  // the command word as the program sent it
        QString fileName; // the control's file name at that moment
        bool wait = false;
        double speed = 1.0; // the pace asked of a play
    };

    TestSoundEngine(); // installs itself as the program's engine and observer
    ~TestSoundEngine() override;

    std::unique_ptr<SoundDevice> createDevice(MMControl *owner) override;

    // How long a sound plays, by path; 0 (the default) finishes at once.
    void setDuration(const QString &path, int ms) { m_durations.insert(path, ms); }
    int duration(const QString &path) const { return m_durations.value(path, 0); }
    // Recordings then deliver no sound at all, as with no sound server or microphone.
    void setRecordsNothing(bool nothing) { m_recordsNothing = nothing; }
    bool recordsNothing() const { return m_recordsNothing; }
    // Recordings then hold these mono samples at 22050 Hz, which the window can read
    // and replace before "Save" writes them; with none set they hold nothing readable.
    void setRecordedSamples(std::vector<qint16> samples) { m_samples = std::move(samples); }
    const std::vector<qint16> &recordedSamples() const { return m_samples; }

    QList<Entry> log;
    void clear() { log.clear(); }
    // The log as "Command" or "Command file" lines with " (wait)" for waiting commands;
    // command words normalised to a capital first letter ("close" -> "Close"), and
    // " (slowed)" for a play asked below its own pace.
    QStringList lines() const;
    // The files played, in order.
    QStringList played() const;

  private:
    QHash<QString, int> m_durations;
    bool m_recordsNothing = false;
    std::vector<qint16> m_samples;
};
