#include "core/sound/soundengine.h"

Q_LOGGING_CATEGORY(lcSound, "wordaroo.sound", QtWarningMsg)

namespace
{

// The engine when none is installed: every sound is silence.
class SilentDevice final : public SoundDevice
{
  public:
    bool open(const QString &) override { return true; }
    void close() override {}
    bool play() override { return true; }
    bool record() override { return true; }
    bool stop() override { return true; }
    bool prev() override { return true; }
    bool save() override
    {
        m_error = QStringLiteral("No sound device.");
        return false;
    }
    bool isPlaying() const override { return false; }
    QString lastError() const override { return m_error; }

  private:
    QString m_error;
};

class SilentEngine final : public SoundEngine
{
  public:
    std::unique_ptr<SoundDevice> createDevice(MMControl *) override { return std::make_unique<SilentDevice>(); }
};

SoundEngine *current = nullptr;

} // namespace

namespace Sound
{

SoundEngine &engine()
{
    static SilentEngine silent;
    return current ? *current : silent;
}

void setEngine(SoundEngine *e)
{
    current = e;
}

} // namespace Sound
