#include "arcade/register.h"

namespace Arcade {
void registerWindows() {}
} // namespace Arcade
