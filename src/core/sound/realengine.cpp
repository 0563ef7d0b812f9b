#include "core/sound/realengine.h"

#include "core/sound/sound_audio.h"
#include "core/sound/sound_device.h"
#include "core/sound/sound_player.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>

RealSoundEngine::RealSoundEngine(Start start)
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
    (void)QMediaDevices::defaultAudioOutput();
    SoundPlayer::releasePlays();
}

RealSoundEngine::~RealSoundEngine()
{
    // Plays still held when the program ends are never heard.
    SoundPlayer::dropHeldPlays();
    // Sinks and sources of finished sounds are deleted late; let them go now.
    SoundAudio::deleteRetired();
    if (QCoreApplication::instance())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::unique_ptr<SoundDevice> RealSoundEngine::createDevice(MMControl *)
{
    return std::make_unique<RealSoundDevice>();
}
