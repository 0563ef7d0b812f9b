#pragma once
#include "core/sound/soundengine.h"

// The engine over the desktop's sound server: libsndfile decodes, QAudioSink plays,
// QAudioSource records (see RealSoundDevice). With no server or device every command
// fails at once and silently.
class RealSoundEngine final : public SoundEngine
{
  public:
    // Now: connects to the server at once. Held: plays wait, and nothing reaches the
    // server, until release() (see SoundPlayer::holdPlays).
    enum class Start { Now, Held };
    explicit RealSoundEngine(Start start = Start::Now);
    ~RealSoundEngine() override;
    RealSoundEngine(const RealSoundEngine &) = delete;
    RealSoundEngine &operator=(const RealSoundEngine &) = delete;

    // Connects to the server and starts the plays held until now.
    void release();
    std::unique_ptr<SoundDevice> createDevice(MMControl *owner) override;
};
