#include "arcade/register.h"

#include "arcade/frmArcadeSelect.h"
#include "arcade/frmRain.h"
#include "arcade/frmScramble.h"
#include "core/forms.h"

namespace Arcade
{

void registerWindows()
{
    Forms::registerFactory(QStringLiteral("frmArcadeSelect"), [] { return new frmArcadeSelect; });
    Forms::registerFactory(QStringLiteral("frmRain"), [] { return new frmRain; });
    Forms::registerFactory(QStringLiteral("frmScramble"), [] { return new frmScramble; });
}

} // namespace Arcade
