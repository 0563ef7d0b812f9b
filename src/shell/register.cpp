#include "shell/register.h"

#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "shell/frmBack.h"
#include "shell/frmChoice.h"
#include "shell/frmLogin.h"

namespace Shell
{
void registerWindows()
{
    Forms::registerFactory(Windows::Login, [](AppContext &ctx) { return new frmLogin(ctx); });
    Forms::registerFactory(Windows::Back, [] { return new frmBack; });
    Forms::registerFactory(Windows::Choice, [](AppContext &ctx) { return new frmChoice(ctx); });
}
} // namespace Shell
