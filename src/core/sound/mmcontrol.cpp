#include "core/sound/mmcontrol.h"

#include "core/platform/forms.h"

#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QList>
#include <QPointer>
#include <QThread>

#include <deque>
#include <utility>

namespace
{
QList<MMControl *> &controls()
{
    static QList<MMControl *> list;
    return list;
}

MMControl::Observer &observer()
{
    static MMControl::Observer o;
    return o;
}

// Error numbers the control reports, in the range the platform's device uses.
constexpr int ErrUnknownCommand = 261;
constexpr int ErrNotOpen = 263;
constexpr int ErrDevice = 275;

// While a play is waited for, the windows repaint and the window system still reaches
// them, so a close box closes its window at once (which ends the wait for its sound);
// but nothing reacts to the keyboard or the mouse. Keys and typed text are held and
// delivered in order once no wait runs any more, as if typed then (access keys
// included); mouse input is dropped. A loop run from inside a wait (a message box)
// takes its input as usual.
class InputHold final : public QObject
{
  public:
    static InputHold &instance()
    {
        static QPointer<InputHold> hold;
        if (!hold) {
            hold = new InputHold(qApp);
            qApp->installEventFilter(hold);
        }
        return *hold;
    }
    void begin()
    {
        m_levels.append(QThread::currentThread()->loopLevel() + 1);
        m_marks.append(m_discarding > 0 ? qsizetype(m_held.size()) : -1);
    }
    void end()
    {
        m_levels.removeLast();
        // What was typed during a wait that discards typing is dropped, never delivered.
        if (const qsizetype mark = m_marks.takeLast(); mark >= 0 && qsizetype(m_held.size()) > mark)
            m_held.erase(m_held.begin() + mark, m_held.end());
        if (m_levels.isEmpty() && !m_held.empty())
            QMetaObject::invokeMethod(this, &InputHold::deliver, Qt::QueuedConnection);
    }

  protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        const bool waiting = !m_levels.isEmpty();
        if (waiting && QThread::currentThread()->loopLevel() != m_levels.last())
            return false;
        // Right after a wait, keys typed later still queue behind the held ones.
        if (!waiting && (m_held.empty() || m_delivering))
            return false;
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Taken, so that no shortcut or access key fires; the key press follows.
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::InputMethod:
            if (!event->spontaneous())
                return false;
            m_held.push_back({receiver, std::unique_ptr<QEvent>(event->clone())});
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::NativeGesture:
        case QEvent::ContextMenu:
        case QEvent::Enter:
        case QEvent::Leave:
            return waiting && event->spontaneous();
        default:
            return false;
        }
    }

  private:
    using QObject::QObject;
    void deliver()
    {
        if (!m_levels.isEmpty() || m_delivering)
            return; // the end of that wait delivers them
        m_delivering = true;
        // A key's handler may wait for a sound in its turn: what is typed meanwhile is
        // held behind the keys still to come.
        while (!m_held.empty() && m_levels.isEmpty()) {
            const Held held = std::move(m_held.front());
            m_held.pop_front();
            if (held.receiver && !Program::isEnding())
                QCoreApplication::sendEvent(held.receiver, held.event.get());
        }
        m_delivering = false;
    }

    struct Held {
        QPointer<QObject> receiver;
        std::shared_ptr<QEvent> event;
    };
    QList<int> m_levels;      // event-loop levels of the waits running, innermost last
    QList<qsizetype> m_marks; // per wait: the held input before it when it discards typing, else -1
    std::deque<Held> m_held;
    bool m_delivering = false;

  public:
    int m_discarding = 0;
};

} // namespace

MMControl::DiscardTyping::DiscardTyping()
{
    ++InputHold::instance().m_discarding;
}
MMControl::DiscardTyping::~DiscardTyping()
{
    --InputHold::instance().m_discarding;
}

std::optional<MMCommand> parseCommand(const QString &word)
{
    static const std::pair<QLatin1String, MMCommand> words[] = {
        {QLatin1String("open"), MMCommand::Open}, {QLatin1String("close"), MMCommand::Close},
        {QLatin1String("play"), MMCommand::Play}, {QLatin1String("record"), MMCommand::Record},
        {QLatin1String("stop"), MMCommand::Stop}, {QLatin1String("prev"), MMCommand::Prev},
        {QLatin1String("save"), MMCommand::Save},
    };
    const QString w = word.trimmed();
    for (const auto &[name, command] : words)
        if (w.compare(name, Qt::CaseInsensitive) == 0)
            return command;
    return std::nullopt;
}

MMControl::MMControl(QObject *parent) : QObject(parent)
{
    // The first control ties sound to the program's lifetime: its end stops every sound.
    static const bool hooked = [] {
        Program::addEndHook(&MMControl::closeAll);
        return true;
    }();
    Q_UNUSED(hooked)
    setObjectName(QStringLiteral("MMControl1"));
    controls().append(this);
}

MMControl::MMControl(Form *window) : MMControl(static_cast<QObject *>(window))
{
    m_window = window;
    if (window)
        window->releaseOnClose(this, [this] { release(); });
}

MMControl::~MMControl()
{
    controls().removeOne(this);
    if (m_device)
        m_device->close();
}

void MMControl::setObserver(Observer o)
{
    observer() = std::move(o);
}

void MMControl::closeAll()
{
    // A copy: closing a device ends a waiting play, whose handlers may add or remove controls.
    const QList<QPointer<MMControl>> all(controls().cbegin(), controls().cend());
    for (const QPointer<MMControl> &c : all) {
        if (!c || !c->m_device)
            continue;
        c->m_open = false;
        c->m_device->close(); // emits playFinished, which ends a waiting play
    }
}

void MMControl::release()
{
    if (m_device)
        m_device->close();
    m_open = false;
}

bool MMControl::isPlaying() const
{
    return m_device && m_device->isPlaying();
}

void MMControl::fail(int number, const QString &message)
{
    m_error = number;
    m_errorMessage = message;
    qCDebug(lcSound).noquote() << (parent() ? parent()->objectName() : QStringLiteral("(no window)")) << m_command
                               << FileName << "failed, error" << number << message;
}

void MMControl::setCommand(const QString &command)
{
    m_command = command;
    const bool wait = Wait;
    Wait = false; // the wait flag applies to this command only
    m_commandWait = wait;
    m_commandSpeed = std::exchange(Speed, 1.0);
    const std::optional<MMCommand> parsed = parseCommand(command);
    Q_ASSERT_X(parsed, "MMControl::setCommand", "not a command word");
    if (Program::isEnding())
        return;
    // A window that has been closed makes no more sound, even if a handler of it
    // is still finishing.
    if (m_window && !m_window->isLoaded() && parsed != MMCommand::Close)
        return;
    if (observer())
        observer()(*this, command);
    if (!m_device) {
        m_device = Sound::engine().createDevice(this);
        // A sound that fails while it goes on is kept like a failing command.
        if (m_device)
            connect(m_device.get(), &SoundDevice::failed, this,
                    [this](const QString &message) { fail(ErrDevice, message); });
    }
    m_error = 0;
    m_errorMessage.clear();
    if (!m_device) {
        fail(ErrDevice, QStringLiteral("No sound device."));
        return;
    }
    if (!parsed) {
        fail(ErrUnknownCommand, QStringLiteral("Unknown command: ") + command);
    } else {
        QPointer<MMControl> self = this;
        run(*parsed, wait);
        // A waiting play runs the event loop: the window, and this control with it,
        // may be gone when it returns.
        if (!self)
            return;
    }
    Q_EMIT commandDone(command);
}

void MMControl::run(MMCommand command, bool wait)
{
    SoundDevice &d = *m_device;
    const auto needsOpen = [this] {
        if (!m_open)
            fail(ErrNotOpen, QStringLiteral("The device is not open."));
        return m_open;
    };
    const auto check = [this, &d](bool ok) {
        if (!ok)
            fail(ErrDevice, d.lastError());
    };
    switch (command) {
    case MMCommand::Open:
        // Opening while something is open replaces it, as a new file is asked for.
        if (m_open)
            d.close();
        m_open = d.open(FileName);
        if (!m_open) {
            fail(ErrDevice, d.lastError());
            // A file that holds no readable sound can still be recorded over.
            m_open = d.canRecord();
        }
        break;
    case MMCommand::Close:
        d.close();
        m_open = false;
        break;
    case MMCommand::Play:
        if (!needsOpen())
            break;
        if (!(m_commandSpeed < 1.0 ? d.playSlowed(m_commandSpeed) : d.play()))
            fail(ErrDevice, d.lastError());
        else if (wait)
            playWaiting();
        break;
    case MMCommand::Record:
        if (needsOpen())
            check(d.record());
        break;
    case MMCommand::Stop:
        if (needsOpen())
            check(d.stop());
        break;
    case MMCommand::Prev:
        if (needsOpen())
            check(d.prev());
        break;
    case MMCommand::Save:
        if (needsOpen())
            check(d.save());
        break;
    }
}

void MMControl::playWaiting()
{
    // The window and the thread wait for the end of the sound: windows still repaint
    // and can be closed, but no input is handled (see InputHold), and the wait cursor
    // shows for exactly that time. The window may be closed during the wait: it is
    // deleted only after this returns.
    const Form::HandlerScope scope(m_window);
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    QPointer<SoundDevice> device = m_device.get();
    if (device->isPlaying() && !Program::isEnding()) {
        QEventLoop loop;
        QObject::connect(device, &SoundDevice::playFinished, &loop, &QEventLoop::quit);
        QObject::connect(device, &QObject::destroyed, &loop, &QEventLoop::quit);
        // Ending the program from inside the wait leaves at once.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
        QObject::connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
        if (device->isPlaying()) {
            InputHold &hold = InputHold::instance();
            hold.begin();
            loop.exec();
            hold.end();
        }
    }
    QGuiApplication::restoreOverrideCursor();
}
