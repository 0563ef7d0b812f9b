#pragma once
#include "core/sound/soundengine.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The command words a control carries out.
enum class MMCommand { Open, Close, Play, Record, Stop, Prev, Save };
// The command a word names, in any letter case and with outer blanks; none for any
// other word.
std::optional<MMCommand> parseCommand(const QString &word);

// A window's invisible multimedia control for wave audio. The program sets its
// settings and then its command; setting the command carries it out at once.
// Command words match in any letter case. The wait flag applies to the next command
// only. A failing command is kept in the error state and never raised; a word that
// names no command is a fault of the program, caught by an assertion in debug builds
// and kept as error 261 otherwise.
class Form;

class MMControl : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MMControl)
  public:
    // A control outside any window (it lives until it is deleted).
    explicit MMControl(QObject *parent = nullptr);
    // A window's control: the window releases it when it closes (its sound stops, and
    // any wait for it ends), and it makes no more sound once its window is closed.
    explicit MMControl(Form *window);
    ~MMControl() override;

    QString DeviceType;
    QString FileName;
    bool Wait = false;
    // The pace of the next command's play: 1 as recorded, below 1 slower with the pitch
    // kept (SlowSpeed). Like Wait, it applies to the next command only.
    double Speed = 1.0;
    static constexpr double SlowSpeed = 0.65;
    bool Notify = false;
    bool Shareable = false;
    // Two recording settings some callers switch on before a recording; their effect
    // lies inside the device, which needs none here.
    bool RecordMode = false;
    bool UpdateEnabled = false;

    // Carries out a command word: Open, Close, Play, Record, Stop, Prev, Save.
    void setCommand(const QString &command);
    QString Command() const { return m_command; }

    int Error() const { return m_error; }
    QString ErrorMessage() const { return m_errorMessage; }
    bool isOpen() const { return m_open; }
    bool isPlaying() const;
    SoundDevice *device() const { return m_device.get(); }

    // The wait flag of the command being carried out (the flag itself resets at once).
    bool commandWait() const { return m_commandWait; }
    // The pace of the command being carried out (Speed resets at once).
    double commandSpeed() const { return m_commandSpeed; }

    // While one lives, keys typed during a waiting play that starts are thrown away when
    // it ends instead of being delivered: typing during a spoken direction never
    // answers what comes after it.
    class DiscardTyping
    {
      public:
        DiscardTyping();
        ~DiscardTyping();
        DiscardTyping(const DiscardTyping &) = delete;
        DiscardTyping &operator=(const DiscardTyping &) = delete;
    };

    // Closes every control of the program (the program is ending).
    static void closeAll();
    // Stops and closes this control's sound without a command (its window closes).
    void release();

    // Sees every command as it is carried out, with the control's settings at that
    // moment; the test engine logs through it.
    using Observer = std::function<void(const MMControl &control, const QString &command)>;
    static void setObserver(Observer observer);

  Q_SIGNALS:
    void commandDone(const QString &command);

  private:
    void fail(int number, const QString &message);
    void run(MMCommand command, bool wait);
    void playWaiting();

    QPointer<Form> m_window;
    std::unique_ptr<SoundDevice> m_device;
    QString m_command;
    bool m_open = false;
    bool m_commandWait = false;
    double m_commandSpeed = 1.0;
    int m_error = 0;
    QString m_errorMessage;
};
