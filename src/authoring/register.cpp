#include "authoring/register.h"

namespace Authoring {
void registerWindows() {}
} // namespace Authoring
