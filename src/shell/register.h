#pragma once

namespace Shell
{
// Registers the factories of this folder's windows; each makes its window on the
// context the registry hands it.
void registerWindows();
} // namespace Shell
