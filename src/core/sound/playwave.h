#pragma once
#include <QString>

class MMControl;

namespace Module1
{
// Plays a wave file from its start on a window's control: in the background, or with
// wait to its end with the wait cursor; at `speed` of its pace (MMControl::Speed).
// Failures are silent.
void PlayWave(MMControl &control, const QString &path, bool wait = false, double speed = 1.0);
} // namespace Module1
