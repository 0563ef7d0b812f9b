#pragma once
#include <QString>

// The checks a word recording passes before it is shared or added: libsndfile opens it
// as a wave file, it holds sound, and it lasts no longer than a word or sentence can.
namespace SoundCheck
{
struct Verdict {
    QString problem; // why the recording cannot be used, or empty when it can
    bool computerVoice = false;
};

// Checks the open file fd from its start; its offset is left as it was and it stays open.
Verdict check(int fd);
} // namespace SoundCheck
