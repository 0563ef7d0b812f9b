#include "core/platform/forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHash>

#include <utility>

namespace
{
QList<QPointer<Form>> &registry()
{
    static QList<QPointer<Form>> forms;
    return forms;
}
// A factory, handed the context (nullptr: none) that it may not need.
using Registered = std::function<Form *(AppContext *)>;
QHash<int, Registered> &factories()
{
    static QHash<int, Registered> map;
    return map;
}
AppContext *&registryContext()
{
    static AppContext *context = nullptr;
    return context;
}
void unregister(Form *form)
{
    registry().removeIf([form](const QPointer<Form> &p) { return p.isNull() || p.data() == form; });
}

bool ending = false;
std::function<void(int)> exitHandler;
QList<std::function<void()>> &endHooks()
{
    static QList<std::function<void()>> hooks;
    return hooks;
}
} // namespace

Form::Form(Windows::Id id, QWidget *parent) : Form(Windows::name(id), parent) {}

Form::Form(const QString &objectName, QWidget *parent) : QDialog(parent)
{
    setObjectName(objectName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    registry().append(this);
}

Form::~Form()
{
    unregister(this);
}

void Form::closeEvent(QCloseEvent *event)
{
    if (!Program::isEnding()) {
        bool keepOpen = false;
        m_closing = true;
        Form_Unload(keepOpen);
        m_closing = false;
        if (keepOpen) {
            event->ignore();
            return;
        }
    }
    m_loaded = false;
    unregister(this);
    // What the window owns lets go with it: its sounds stop (and so does any wait for
    // them). A copy: a release may end a wait whose handler goes on.
    const auto parts = m_parts;
    for (const auto &[part, release] : parts)
        if (part)
            release();
    if (m_handlers > 0 && testAttribute(Qt::WA_DeleteOnClose)) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        m_deletePending = true;
    }
    event->accept();
    if (const std::optional<Windows::Id> next = std::exchange(m_showAfterClose, std::nullopt))
        Forms::show(*next);
}

bool Form::alive() const
{
    return m_loaded && !Program::isEnding();
}

bool Form::waitFor(const std::function<void()> &wait)
{
    const HandlerScope running(this);
    wait();
    return alive();
}

bool Form::letEventsRun()
{
    return waitFor([] { QCoreApplication::processEvents(); });
}

void Form::leaveTo(Windows::Id next, LeaveOrder order)
{
    if (m_leaving)
        return;
    m_leaving = true;
    if (order == LeaveOrder::ShowFirst) {
        Forms::show(next);
        if (!m_closing)
            close();
    } else if (m_closing) {
        m_showAfterClose = next; // shown by closeEvent once this window is unloaded
    } else {
        close();
        Forms::show(next);
    }
}

Form::HandlerScope::HandlerScope(Form *form) : m_form(form)
{
    if (m_form)
        ++m_form->m_handlers;
}

Form::HandlerScope::~HandlerScope()
{
    if (!m_form)
        return;
    if (--m_form->m_handlers == 0 && m_form->m_deletePending) {
        m_form->m_deletePending = false;
        m_form->deleteLater();
    }
}

void Form::releaseOnClose(QObject *part, std::function<void()> release)
{
    m_parts.removeIf([](const auto &p) { return p.first.isNull(); });
    m_parts.append({part, std::move(release)});
}

namespace Forms
{

void registerFactory(Windows::Id id, const Factory &factory)
{
    factories().insert(id, [factory](AppContext *context) { return context ? factory(*context) : nullptr; });
}
void registerFactory(Windows::Id id, const std::function<Form *()> &factory)
{
    factories().insert(id, [factory](AppContext *) { return factory(); });
}
void setContext(AppContext *context)
{
    registryContext() = context;
}
bool hasFactory(Windows::Id id)
{
    return factories().contains(id);
}

QList<Form *> loaded()
{
    QList<Form *> out;
    for (const QPointer<Form> &p : registry())
        if (p && p->isLoaded())
            out << p.data();
    return out;
}

Form *find(Windows::Id id)
{
    return find(Windows::name(id));
}

Form *find(const QString &name)
{
    for (Form *f : loaded())
        if (f->objectName() == name)
            return f;
    return nullptr;
}

Form *load(Windows::Id id)
{
    if (Form *f = find(id))
        return f;
    const auto it = factories().constFind(id);
    return it == factories().constEnd() ? nullptr : (*it)(registryContext());
}

Form *show(Windows::Id id)
{
    Form *f = load(id);
    if (f && !Program::isEnding()) {
        f->show();
        f->raise();
        f->activateWindow();
    }
    return f;
}

} // namespace Forms

namespace Program
{

void end(int exitCode)
{
    if (ending)
        return;
    ending = true;
    for (const auto &hook : endHooks())
        hook();
    for (Form *f : Forms::loaded())
        f->close();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->close();
    if (exitHandler)
        exitHandler(exitCode);
    else
        QCoreApplication::exit(exitCode);
}

void addEndHook(std::function<void()> hook)
{
    endHooks().append(std::move(hook));
}

bool isEnding()
{
    return ending;
}
void setExitHandler(std::function<void(int)> handler)
{
    exitHandler = std::move(handler);
}
void resetForTests()
{
    ending = false;
}

} // namespace Program
