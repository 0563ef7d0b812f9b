#pragma once
#include "classroom/classsettings.h"

#include <QString>

#include <functional>

class AppContext;
class Form;

// A teacher's action on the class server from the authoring window: the teacher's password
// is asked once per run of the program, the work runs on a thread of its own while the
// window waits as one of its handlers, and a failure (no server set, the server out of
// reach, a wrong password) is said in a box: what could not be done now, and why.
namespace ClassTeacher
{
// Whether the machine is in a class (the teacher's buttons show only then).
bool inClass(AppContext &context);

// work gets the class settings and the teacher's password and returns empty when done,
// else why not. Returns true when done; false when cancelled or failed (already said).
bool act(Form *window, AppContext &context, const QString &title, const QString &notDone,
         const std::function<QString(const ClassSettings &, const QString &)> &work);
} // namespace ClassTeacher
