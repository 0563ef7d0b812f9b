#pragma once

namespace Shell
{
// Registers the factories of this folder's windows.
void registerWindows();
} // namespace Shell
