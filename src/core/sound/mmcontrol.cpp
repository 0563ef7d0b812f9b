#include "core/sound/mmcontrol.h"

#include "core/platform/forms.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QList>
#include <QPointer>

namespace
{
QList<MMControl *> &controls()
{
    static QList<MMControl *> list;
    return list;
}

// Error numbers the control reports, in the range the platform's device uses.
MMControl::Observer &observer()
{
    static MMControl::Observer o;
    return o;
}

constexpr int ErrUnknownCommand = 261;
constexpr int ErrNotOpen = 263;
constexpr int ErrDevice = 275;
} // namespace

MMControl::MMControl(QObject *parent) : QObject(parent)
{
    // The first control ties sound to the windows' lifetimes: the program's end stops
    // every sound, and a closed window's sounds stop with it (and any wait for them).
    static const bool hooked = [] {
        Program::addEndHook(&MMControl::closeAll);
        Form::addCloseHook([](Form *form) {
            for (MMControl *control : form->findChildren<MMControl *>())
                control->release();
        });
        return true;
    }();
    Q_UNUSED(hooked)
    setObjectName(QStringLiteral("MMControl1"));
    controls().append(this);
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
}

void MMControl::setCommand(const QString &command)
{
    m_command = command;
    const bool wait = Wait;
    Wait = false; // the wait flag applies to this command only
    m_commandWait = wait;
    if (Program::isEnding())
        return;
    // A window that has been closed makes no more sound, even if a handler of it
    // is still finishing.
    if (const Form *form = Form::owning(parent());
        form && !form->isLoaded() && command.trimmed().compare(QLatin1String("close"), Qt::CaseInsensitive) != 0)
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
    m_errorMessage.clear();

    const QString c = command.trimmed().toLower();
    SoundDevice &d = *m_device;
    if (c == QLatin1String("open")) {
        // Opening while something is open replaces it, as a new file is asked for.
        if (m_open)
            d.close();
        m_open = d.open(FileName);
        if (!m_open) {
            fail(ErrDevice, d.lastError());
            // A file that holds no readable sound can still be recorded over.
            m_open = d.canRecord();
        }
    } else if (c == QLatin1String("close")) {
        d.close();
        m_open = false;
    } else if (c == QLatin1String("play")) {
        if (!m_open)
            fail(ErrNotOpen, QStringLiteral("The device is not open."));
        else if (!d.play())
            fail(ErrDevice, d.lastError());
        else if (wait) {
            // The wait runs the event loop: the window, and this control with it, may
            // be gone when it returns.
            QPointer<MMControl> self = this;
            playWaiting();
            if (!self)
                return;
        }
    } else if (c == QLatin1String("record") || c == QLatin1String("stop") || c == QLatin1String("prev") ||
               c == QLatin1String("save")) {
        bool ok = false;
        if (!m_open)
            fail(ErrNotOpen, QStringLiteral("The device is not open."));
        else {
            if (c == QLatin1String("record"))
                ok = d.record();
            else if (c == QLatin1String("stop"))
                ok = d.stop();
            else if (c == QLatin1String("prev"))
                ok = d.prev();
            else
                ok = d.save();
            if (!ok)
                fail(ErrDevice, d.lastError());
        }
    } else {
        fail(ErrUnknownCommand, QStringLiteral("Unknown command: ") + command);
    }
    Q_EMIT commandDone(command);
}

void MMControl::playWaiting()
{
    // The window and the thread wait for the end of the sound: windows still repaint,
    // but no input is handled, and the wait cursor shows for exactly that time.
    // The window may be closed during the wait: it is deleted only after this returns.
    const Form::HandlerScope scope(Form::owning(parent()));
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    QPointer<SoundDevice> device = m_device.get();
    if (device->isPlaying() && !Program::isEnding()) {
        QEventLoop loop;
        QObject::connect(device, &SoundDevice::playFinished, &loop, &QEventLoop::quit);
        QObject::connect(device, &QObject::destroyed, &loop, &QEventLoop::quit);
        // Ending the program from inside the wait leaves at once.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
        QObject::connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
        if (device->isPlaying())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    QGuiApplication::restoreOverrideCursor();
}
