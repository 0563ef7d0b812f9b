#pragma once
#include "core/sound/soundengine.h"

// The engine over the desktop's sound server: libsndfile decodes, QAudioSink plays,
// QAudioSource records (see RealSoundDevice). With no server or device every command
// fails at once and silently.
class RealSoundEngine final : public SoundEngine
{
  public:
    RealSoundEngine();
    ~RealSoundEngine() override;
    std::unique_ptr<SoundDevice> createDevice(MMControl *owner) override;
};
