#include "authoring/classteacher.h"

#include "classroom/classroom.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/forms.h"
#include "history/programhistory.h"

namespace ClassTeacher
{
bool inClass(AppContext &context)
{
    return dynamic_cast<Classroom *>(context.history.classLink()) != nullptr;
}

bool act(Form *window, AppContext &context, const QString &title, const QString &notDone,
         const std::function<QString(const ClassSettings &, const QString &)> &work)
{
    auto *classroom = dynamic_cast<Classroom *>(context.history.classLink());
    if (!classroom) {
        MsgBox(notDone + QStringLiteral("this computer is not joined to a class server."), MsgButtons::Ok,
               MsgIcon::Exclamation, title);
        return false;
    }
    QString password = classroom->teacherPassword();
    if (password.isEmpty())
        password = PasswordBox(QStringLiteral("Please enter the teacher's password for the class server:"), title);
    if (password.isEmpty())
        return false;
    const ClassSettings settings = classroom->settings();
    const QString why = Classroom::runWaiting(
        window, [=] { return work(settings, password); }, (Classroom::ConnectSeconds + 25) * 1000);
    if (!window->alive())
        return false;
    if (!why.isEmpty()) {
        // A wrong password is asked again next time; a server out of reach keeps it.
        if (why.contains(QStringLiteral("password")))
            classroom->setTeacherPassword({});
        MsgBox(notDone + why, MsgButtons::Ok, MsgIcon::Exclamation, title);
        return false;
    }
    classroom->setTeacherPassword(password);
    return true;
}
} // namespace ClassTeacher
