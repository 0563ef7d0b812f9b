#include "core/realengine.h"

// Placeholder until the real engine lands: silence.
std::unique_ptr<SoundDevice> RealSoundEngine::createDevice(MMControl *) { return nullptr; }
