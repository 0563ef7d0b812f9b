#include "core/sound/playchain.h"

#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"

#include <QTimer>

PlayChain::PlayChain(MMControl &control, QObject *parent) : QObject(parent), m_control(control)
{
    connect(&m_control, &MMControl::commandDone, this, [this] {
        if (!m_issuing)
            cancel(); // someone else's sound or close
    });
}

void PlayChain::cancel()
{
    m_queue.clear();
    ++m_generation;
}

void PlayChain::follow(const QStringList &paths, double speed)
{
    cancel();
    m_queue = paths;
    m_speed = speed;
    watchDevice();
    if (!m_control.isPlaying())
        playNext();
}

void PlayChain::play(const QStringList &paths, double speed)
{
    cancel();
    m_queue = paths;
    m_speed = speed;
    playNext(); // PlayWave's Close cuts off what the control plays now
}

void PlayChain::watchDevice()
{
    SoundDevice *device = m_control.device();
    if (!device || device == m_device)
        return;
    if (m_device)
        disconnect(m_device, nullptr, this, nullptr);
    m_device = device;
    connect(device, &SoundDevice::playFinished, this, &PlayChain::onFinished);
}

void PlayChain::onFinished()
{
    if (m_issuing || m_queue.isEmpty())
        return;
    // The next sound starts from the event loop, not from inside the device's own
    // signal; a command sent meanwhile ends the chain first.
    const quint64 generation = m_generation;
    QTimer::singleShot(0, this, [this, generation] {
        if (generation == m_generation && !m_control.isPlaying())
            playNext();
    });
}

void PlayChain::playNext()
{
    // Sounds that end at once (or cannot be played) pass straight on to the next.
    while (!m_queue.isEmpty()) {
        const QString path = m_queue.takeFirst();
        m_issuing = true;
        Module1::PlayWave(m_control, path, false, m_speed);
        m_issuing = false;
        watchDevice();
        if (m_control.isPlaying())
            return;
    }
}
