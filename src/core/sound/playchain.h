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

    // Plays paths in order once the control's current sound ends (at once when none
    // plays), at `speed` of their pace (MMControl::Speed).
    void follow(const QStringList &paths, double speed = 1.0);
    // Cuts off the control's sound and plays paths in order from now, at `speed` of
    // their pace: "Say It Slowly" is play({word, sentence, word}, MMControl::SlowSpeed).
    void play(const QStringList &paths, double speed = 1.0);
    void cancel();
    bool isActive() const { return !m_queue.isEmpty(); }

  private:
    void watchDevice();
    void onFinished();
    void playNext();

    MMControl &m_control;
    QPointer<SoundDevice> m_device;
    QStringList m_queue;
    double m_speed = 1.0;
    bool m_issuing = false;
    quint64 m_generation = 0;
};
