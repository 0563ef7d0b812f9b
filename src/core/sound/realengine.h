#pragma once
#include "core/sound/soundengine.h"

#include <memory>

class SoundServer;

// The engine over the desktop's sound server: libsndfile decodes, libpulse plays and
// records (see RealSoundDevice), all devices sharing one connection to the server.
// With no server or device every command fails at once and silently.
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
    // Whether the server is reached and has a sink to play on / a source to record from.
    bool hasOutput();
    bool hasInput();
    std::unique_ptr<SoundDevice> createDevice(MMControl *owner) override;

  private:
    std::shared_ptr<SoundServer> m_server;
};
