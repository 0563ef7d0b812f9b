#pragma once

namespace Learning
{
// Registers the factories of this folder's windows.
void registerWindows();
} // namespace Learning
