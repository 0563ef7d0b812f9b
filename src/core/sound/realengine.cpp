#include "core/sound/realengine.h"

#include "core/sound/sound_audio.h"
#include "core/sound/sound_device.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>

RealSoundEngine::RealSoundEngine()
{
    // Connecting to the sound server takes a moment: do it at start-up rather than
    // on the first prompt.
    (void)QMediaDevices::defaultAudioOutput();
}

RealSoundEngine::~RealSoundEngine()
{
    // Sinks and sources of finished sounds are deleted late; let them go now.
    SoundAudio::deleteRetired();
    if (QCoreApplication::instance())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::unique_ptr<SoundDevice> RealSoundEngine::createDevice(MMControl *)
{
    return std::make_unique<RealSoundDevice>();
}
