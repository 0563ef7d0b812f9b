#pragma once
#include <QObject>
#include <QPointer>
#include <QStringList>

class MMControl;
class SoundDevice;

// Plays more sounds on a window's control after the one it plays now, one after
// another, in the background: each starts when the previous one has ended. Any other
// command sent to the control (a new sound, a close) ends the chain, so a new sound
// cuts it off as it cuts off a single one. A sound that cannot be played is skipped.
class PlayChain final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PlayChain)
  public:
    explicit PlayChain(MMControl &control, QObject *parent = nullptr);

    // Plays paths in order once the control's current sound ends (at once when none plays).
    void follow(const QStringList &paths);
    void cancel();
    bool isActive() const { return !m_queue.isEmpty(); }

  private:
    void watchDevice();
    void onFinished();
    void playNext();

    MMControl &m_control;
    QPointer<SoundDevice> m_device;
    QStringList m_queue;
    bool m_issuing = false;
    quint64 m_generation = 0;
};
