#include "core/sound/realengine.h"

#include "core/sound/sound_device.h"
#include "core/sound/sound_player.h"
#include "core/sound/sound_server.h"

RealSoundEngine::RealSoundEngine(Start start) : m_server(std::make_shared<SoundServer>())
{
    if (start == Start::Held)
        SoundPlayer::holdPlays();
    else
        release();
}

void RealSoundEngine::release()
{
    // Connecting to the sound server takes a moment: do it before the first prompt
    // is due rather than on it.
    QString error;
    (void)m_server->connect(error);
    SoundPlayer::releasePlays();
}

RealSoundEngine::~RealSoundEngine()
{
    // Plays still held when the program ends are never heard.
    SoundPlayer::dropHeldPlays();
}

bool RealSoundEngine::hasOutput()
{
    QString error;
    return m_server->connect(error) && m_server->hasOutput();
}

bool RealSoundEngine::hasInput()
{
    QString error;
    return m_server->connect(error) && m_server->hasInput();
}

std::unique_ptr<SoundDevice> RealSoundEngine::createDevice(MMControl *)
{
    return std::make_unique<RealSoundDevice>(m_server);
}
