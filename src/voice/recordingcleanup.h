#pragma once
#include <QString>
#include <QtGlobal>

#include <span>
#include <vector>

// The clean-up of a recorded word before it is saved: the silence (and the click of the
// key that started or stopped the recording) cut from both ends, the level set so the
// loudest peak sits just below full scale, and the two recordings that should not pass
// silently: one with no voice in it, one that clipped. Pure code over 16-bit mono
// samples; the window decides what to save and which message to show.
namespace RecordingCleanup
{

enum class Verdict {
    Ok,
    NoVoice, // nothing above the noise floor for long enough: do not save it
    Clipped, // cleaned and worth saving, but the input hit full scale
};

inline const QString NoVoiceMessage = QStringLiteral("No voice was heard in this recording.") + QLatin1Char('\n') +
                                      QStringLiteral("Check the microphone and record the word again.");
inline const QString ClippedMessage =
    QStringLiteral("This recording was too loud and may sound broken.") + QLatin1Char('\n') +
    QStringLiteral("Move a little further from the microphone and record it again if it does.");

constexpr int KeptSilenceMs = 150; // silence left before and after the voice, at most
constexpr int MinVoiceMs = 150;    // less voice than this in all is no voice
constexpr double PeakDb = -1.0;    // the loudest peak after the clean-up, in dBFS
constexpr double MaxGainDb = 20.0; // never raised more, so room noise is not blown up

struct Result {
    std::vector<qint16> samples; // the cleaned sound; for NoVoice the input unchanged
    Verdict verdict = Verdict::Ok;
};

// Cleans a mono recording at the given sample rate.
Result clean(std::span<const qint16> samples, int rate);

} // namespace RecordingCleanup
