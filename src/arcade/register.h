#pragma once

namespace Arcade
{
// Registers the factories of this folder's windows; each makes its window on the
// context the registry hands it.
void registerWindows();
} // namespace Arcade
