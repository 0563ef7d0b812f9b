#include "app/app.h"

#include "app/commandline.h"
#include "app/singleinstance.h"
#include "arcade/register.h"
#include "authoring/register.h"
#include "classroom/classroom.h"
#include "classroom/classschema.h"
#include "classroom/classtests.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/forms.h"
#include "core/sound/realengine.h"
#include "core/ui/programstyle.h"
#include "core/ui/widgets.h"
#include "history/historystore.h"
#include "history/programhistory.h"
#include "learning/register.h"
#include "shell/frmLogin.h"
#include "shell/register.h"
#include "voice/recordingcheck.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>

namespace App
{
namespace
{
std::function<void(Form *)> &startObserver()
{
    static std::function<void(Form *)> observer;
    return observer;
}

// Shared test files given to the program (its argument, or handed over by a second
// start) are offered on the start window. While that window is hidden a child may be
// in a test or a game that relies on the selected test, so the files wait until the
// start window is shown again.
class Offers final : public QObject
{
  public:
    explicit Offers(frmLogin *login) : QObject(login), m_login(login) { login->installEventFilter(this); }

    void offer(const QString &path)
    {
        // Starts made together with one file (a double click repeated) ask once.
        if (path != m_current && !m_pending.contains(path))
            m_pending << path;
        bringForward();
        if (m_login->isVisible())
            QTimer::singleShot(0, this, &Offers::next);
    }

    // The program's window comes to the front: the start window, or the one in use.
    void bringForward()
    {
        QWidget *top = m_login->isVisible() ? m_login.data() : QApplication::activeWindow();
        if (!top)
            for (Form *f : Forms::loaded())
                if (f->isVisible())
                    top = f;
        if (top) {
            top->raise();
            top->activateWindow();
        }
    }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_login && event->type() == QEvent::Show && !m_pending.isEmpty())
            QTimer::singleShot(0, this, &Offers::next);
        return false;
    }

  private:
    // One file at a time: each asks its questions in turn.
    void next()
    {
        if (m_busy || m_pending.isEmpty() || !m_login || !m_login->isVisible() || Program::isEnding())
            return;
        m_busy = true;
        m_current = m_pending.takeFirst();
        m_login->openShared(m_current);
        m_current.clear();
        m_busy = false;
        if (!m_pending.isEmpty())
            QTimer::singleShot(0, this, &Offers::next);
    }

    QPointer<frmLogin> m_login;
    QStringList m_pending;
    QString m_current; // the file being offered now
    bool m_busy = false;
};

// The window icon: its pictures drawn in the build, or the drawing itself where the
// build had no means to draw them.
QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        if (const QImage image = Ui::readPng(QStringLiteral(":/art/icon-%1.png").arg(size)); !image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    return icon.isNull() ? QIcon(QStringLiteral(":/art/icon.svg")) : icon;
}
} // namespace

void setStartObserver(std::function<void(Form *startWindow)> observer)
{
    startObserver() = std::move(observer);
}

int run(int argc, char **argv)
{
    // Setting up a class server needs no display: it is done before any window system is reached.
    if (const int status = ClassSchema::runIfAsked(argc, argv); status >= 0)
        return status;
    // Every menu bar is drawn in its window, never handed to a desktop's global menu;
    // saying so before any is made also spares each one asking the session bus for it.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    QApplication app(argc, argv);
    QApplication::setStyle(new ProgramStyle);
    QApplication::setApplicationName(QStringLiteral("Wordaroo"));
    QApplication::setApplicationVersion(QStringLiteral(WORDAROO_VERSION));

    const CommandLine::Parsed args = CommandLine::parse(QCoreApplication::arguments().mid(1));
    if (!args.error.isEmpty()) {
        std::fputs(args.error.toLocal8Bit().constData(), stderr);
        return CommandLine::UsageStatus;
    }
    // The program lives in the folder it was started from (a test that fixed a folder of
    // its own beforehand keeps it); that folder stays as it is from here on.
    if (ProgramFolder::path().isEmpty())
        ProgramFolder::fix(ProgramFolder::ofExecutable());
    // The folder is claimed before anything else is done. When a program of this user
    // runs on it already, that program takes the file (or comes forward) and this start
    // ends.
    const StartClaim claim(SingleInstance::privateRuntimeFolder(), ProgramFolder::path(), args.file);
    switch (claim.outcome()) {
    case StartClaim::Outcome::HandedOver:
        return 0;
    case StartClaim::Outcome::NoAnswer:
        std::fputs((StartClaim::NoAnswerMessage + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
        MsgBox(StartClaim::NoAnswerMessage, MsgButtons::Ok, MsgIcon::Exclamation);
        return StartClaim::NoAnswerStatus;
    case StartClaim::Outcome::First:
    case StartClaim::Outcome::Alone:
        break;
    }
    // The first program listens at once, so that a start right after it finds it; what
    // arrives waits until the start window can offer it.
    SingleInstance instance(claim.serverName());
    if (claim.outcome() == StartClaim::Outcome::First)
        instance.listen();

    // The accessibility bus is reached before the program starts threads of its own:
    // where there is no session bus reaching it starts a helper process, and a process
    // forked while another thread holds a lock (the memory allocator's, under the
    // sanitizers) can hang there. Plays wait for the sound server until the start window
    // is on screen: its round trips, and the welcome's stream, would otherwise delay the
    // window.
    (void)QAccessible::isActive();
    // The font database (the font configuration and the list of installed fonts, the
    // longest part of making the first window) is read on a pool thread while the start
    // window is made and the background shown; the first text measured waits for it under
    // the font database's own lock instead of reading it again.
    const QFuture<void> fonts = QtConcurrent::run([] { (void)QFontDatabase::families(); });
    RealSoundEngine sound(RealSoundEngine::Start::Held);
    Sound::setEngine(&sound);
    // Recordings saved in the authoring window are listened to; the recognizer is loaded
    // only when one is.
    RecordingCheck::install(&RecordingCheck::makeListener);

    QApplication::setFont(Fonts::sized(Fonts::DefaultPoints));

    // One history for the whole run, in the program folder, and the one context every
    // window is made on.
    HistoryStore store(ProgramFolder::path());
    ProgramHistory history(ProgramFolder::path(), &store);
    AppContext context(&sound, &dialogs(), history);
    // A machine in a class sends its results there from a thread of its own; reading the
    // small settings file is all a start in a class costs the window's thread.
    Classroom::join(context, ClassSettings::load(ProgramFolder::path()));

    Forms::setContext(&context);
    const struct Unset {
        ~Unset() { Forms::setContext(nullptr); }
    } unset;
    Shell::registerWindows();
    Learning::registerWindows();
    Authoring::registerWindows();
    Arcade::registerWindows();

    Form *login = Forms::show(Windows::Login);
    if (!login)
        return 1;
    // The class's tests are brought in on a thread of their own once the window is up.
    // The windows get their icon then too: its pictures, sent to the window system for
    // each window, would otherwise go before the start window's first frame.
    const std::unique_ptr<QObject> soundAfterStart = Ui::afterFirstFrame(login, [&sound, &context] {
        sound.release();
        ClassTestSync::start(context);
        QApplication::setWindowIcon(programIcon());
    });
    if (startObserver())
        startObserver()(login);

    // Files are offered once the first window is up.
    if (auto *start = qobject_cast<frmLogin *>(login)) {
        auto *offers = new Offers(start);
        QObject::connect(&instance, &SingleInstance::fileReceived, offers, &Offers::offer);
        QObject::connect(&instance, &SingleInstance::activated, offers, &Offers::bringForward);
        QTimer::singleShot(0, &instance, [&instance, offers, file = args.file] {
            if (!file.isEmpty())
                offers->offer(file);
            instance.deliver();
        });
    }
    const int code = QApplication::exec();
    Sound::setEngine(nullptr);
    return code;
}
} // namespace App
