#pragma once

// A mend for a lock that Qt 6.4's PulseAudio sink keeps when the sound server refuses
// a block of sound (see sound_pulselock.cpp). Linking this file in is what mends it.
namespace PulseLock
{
// Whether the mend is in place: this Qt needs it and its calls reach the wrappers.
bool active();
// How many kept locks have been given back so far in this process.
int mendedCount();
} // namespace PulseLock
