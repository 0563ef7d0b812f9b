#include "authoring/register.h"

#include "authoring/frmMaint.h"
#include "core/platform/forms.h"

namespace Authoring
{
void registerWindows()
{
    Forms::registerFactory(Windows::Maint, [] { return new frmMaint; });
}
} // namespace Authoring
