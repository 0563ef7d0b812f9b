#include "arcade/register.h"

#include "arcade/frmArcadeSelect.h"
#include "arcade/frmRain.h"
#include "arcade/frmScramble.h"
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"

namespace Arcade
{

void registerWindows()
{
    Forms::registerFactory(Windows::ArcadeSelect, [](AppContext &ctx) { return new frmArcadeSelect(ctx); });
    Forms::registerFactory(Windows::Rain, [](AppContext &ctx) { return new frmRain(ctx); });
    Forms::registerFactory(Windows::Scramble, [](AppContext &ctx) { return new frmScramble(ctx); });
}

} // namespace Arcade
