#pragma once
#include <QAudio>
#include <QAudioFormat>
#include <QString>

class QObject;

// What the player and the recorder share about Qt's audio objects: the formats they
// ask for, the words for their errors, and how a finished sink or source goes away.
namespace SoundAudio
{

QAudioFormat int16Format(int rate, int channels);
QString errorText(QAudio::Error error);

// Stops a sink or source, cuts it loose from owner and deletes it a while later:
// destroying one runs the event loop (never from inside a command or one of its
// signals), and the server's last callback for a stream just closed may still come.
void retire(QObject *audio, QObject *owner);
// Deletes the retired sinks and sources at once (at the end of the program, outside
// any event handler).
void deleteRetired();

} // namespace SoundAudio
