#include "shell/register.h"

#include "core/forms.h"
#include "shell/frmBack.h"
#include "shell/frmChoice.h"
#include "shell/frmLogin.h"

namespace Shell
{
void registerWindows()
{
    Forms::registerFactory(QStringLiteral("frmLogin"), [] { return new frmLogin; });
    Forms::registerFactory(QStringLiteral("frmBack"), [] { return new frmBack; });
    Forms::registerFactory(QStringLiteral("frmChoice"), [] { return new frmChoice; });
}
} // namespace Shell
