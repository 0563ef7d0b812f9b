#include "authoring/register.h"

#include "authoring/frmMaint.h"
#include "core/forms.h"

namespace Authoring
{
void registerWindows()
{
    Forms::registerFactory(QStringLiteral("frmMaint"), [] { return new frmMaint; });
}
} // namespace Authoring
