#pragma once

namespace Arcade
{
// Registers the factories of this folder's windows.
void registerWindows();
} // namespace Arcade
