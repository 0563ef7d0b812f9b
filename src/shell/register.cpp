#include "shell/register.h"

#include "core/platform/forms.h"
#include "shell/frmBack.h"
#include "shell/frmChoice.h"
#include "shell/frmLogin.h"

namespace Shell
{
void registerWindows()
{
    Forms::registerFactory(Windows::Login, [] { return new frmLogin; });
    Forms::registerFactory(Windows::Back, [] { return new frmBack; });
    Forms::registerFactory(Windows::Choice, [] { return new frmChoice; });
}
} // namespace Shell
