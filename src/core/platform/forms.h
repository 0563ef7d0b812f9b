#pragma once
#include "core/platform/windows.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <functional>
#include <optional>
#include <utility>

class AppContext;
// Base of every window of the program. A Form registers itself in the program-wide
// collection of loaded windows (in load order) when it is created and leaves it when
// it is closed, which is how windows find each other and how the background window
// hands the focus back. A Form is a non-modal dialog so that its default button
// answers the Enter key; Escape never closes it.
class Form : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(Form)
  public:
    explicit Form(Windows::Id id, QWidget *parent = nullptr);
    // A window outside the program's own set (tests make such stand-ins).
    explicit Form(const QString &objectName, QWidget *parent = nullptr);
    ~Form() override;

    // True from creation until the window is closed (unloaded).
    bool isLoaded() const { return m_loaded; }
    // True while the window is loaded and the program goes on: what a handler needs
    // after anything that let other events run (a sound played to its end, pending
    // events processed), during which the window may have been closed.
    bool alive() const;
    // True once the window is on its way out through leaveTo().
    bool isLeaving() const { return m_leaving; }

    // Marks a handler of this window as running. A window closed while one runs
    // (say, from inside a waiting sound) is unloaded at once but deleted only when
    // the outermost handler has returned, so no handler resumes on a deleted window.
    class HandlerScope
    {
        Q_DISABLE_COPY(HandlerScope)
      public:
        explicit HandlerScope(Form *form);
        ~HandlerScope();

      private:
        QPointer<Form> m_form;
    };
    // Something of this window that must let go as the window closes (a sound control
    // stops its sound, which ends any wait for it): release runs when the window is
    // unloaded (after its unload handler agreed), if part still exists then.
    void releaseOnClose(QObject *part, std::function<void()> release);

    // Runs something that lets other events run (a sound played to its end, a nested
    // event loop) as a handler of this window, so that a window closed meanwhile is
    // deleted only after its handlers have returned; tells whether it is still alive.
    // Public so that the parts of a window (the authoring window's panels) wait as
    // handlers of their window.
    bool waitFor(const std::function<void()> &wait);
    // Lets the window process its pending events once; tells whether it is still alive.
    bool letEventsRun();

  protected:
    // In which order leaving shows the next window and closes this one.
    enum class LeaveOrder { ShowFirst, CloseFirst };
    // Leaves this window for next, once: a second call (a queued click, the close box
    // while the window is leaving) does nothing. From a handler it shows next and
    // closes this window, in the given order. From Form_Unload (the window is being
    // closed through its frame) it only shows next: at once with ShowFirst, with
    // CloseFirst as soon as this window is unloaded.
    void leaveTo(Windows::Id next, LeaveOrder order = LeaveOrder::ShowFirst);

    // Runs when the window is closed by the program or through its frame; not when
    // the program ends. Set keepOpen to refuse the close.
    virtual void Form_Unload(bool &keepOpen) { Q_UNUSED(keepOpen) }
    void closeEvent(QCloseEvent *event) override;
    void reject() override {}

  private:
    bool m_loaded = true;
    int m_handlers = 0;
    bool m_deletePending = false;
    bool m_closing = false; // inside closeEvent
    bool m_leaving = false;
    std::optional<Windows::Id> m_showAfterClose;
    QList<std::pair<QPointer<QObject>, std::function<void()>>> m_parts; // released on close
};

namespace Forms
{
// Windows of other folders are created through factories registered at start-up,
// so a window can open another without depending on its folder. Each factory is
// handed the application context the window is made on.
using Factory = std::function<Form *(AppContext &context)>;
void registerFactory(Windows::Id id, const Factory &factory);
// A window that needs nothing of the context (tests' stand-ins).
void registerFactory(Windows::Id id, const std::function<Form *()> &factory);
// The context the factories are handed: App::run's (a test's TestEnv's). Without one,
// only factories that need none make a window.
void setContext(AppContext *context);
bool hasFactory(Windows::Id id);
// The loaded windows, in the order they were loaded.
QList<Form *> loaded();
// The loaded window of that name, or nullptr.
Form *find(Windows::Id id);
// The loaded window of that objectName, or nullptr.
Form *find(const QString &objectName);
template <typename T> T *find(Windows::Id id)
{
    return qobject_cast<T *>(find(id));
}
// The loaded window of that name, or a new one from its factory (nullptr if none).
Form *load(Windows::Id id);
// load(), then show the window non-modal and bring it to the front.
Form *show(Windows::Id id);
} // namespace Forms

// The end of the program: every window closes at once, no further handler of any
// window runs, every sound stops and every nested loop is left.
namespace Program
{
void end(int exitCode = 0);
// Runs first when the program ends (the sound library stops every sound through it).
void addEndHook(std::function<void()> hook);
bool isEnding();
// What end() finally calls; QCoreApplication::exit by default. Tests replace it.
void setExitHandler(std::function<void(int)> handler);
// Forget a previous end (tests only).
void resetForTests();
} // namespace Program
