#include "arcade/register.h"

#include "arcade/frmArcadeSelect.h"
#include "arcade/frmRain.h"
#include "arcade/frmScramble.h"
#include "core/platform/forms.h"

namespace Arcade
{

void registerWindows()
{
    Forms::registerFactory(Windows::ArcadeSelect, [] { return new frmArcadeSelect; });
    Forms::registerFactory(Windows::Rain, [] { return new frmRain; });
    Forms::registerFactory(Windows::Scramble, [] { return new frmScramble; });
}

} // namespace Arcade
