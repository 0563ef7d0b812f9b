#pragma once
#include "core/soundengine.h"

// The engine over the desktop's sound server: libsndfile decodes, QAudioSink plays,
// QAudioSource records. With no server or device every command fails silently.
class RealSoundEngine final : public SoundEngine
{
public:
    std::unique_ptr<SoundDevice> createDevice(MMControl *owner) override;
};
