#include "authoring/register.h"

#include "authoring/frmMaint.h"
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"

namespace Authoring
{
void registerWindows()
{
    Forms::registerFactory(Windows::Maint, [](AppContext &ctx) { return new frmMaint(ctx); });
}
} // namespace Authoring
