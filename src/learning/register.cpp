#include "learning/register.h"

namespace Learning {
void registerWindows() {}
} // namespace Learning
