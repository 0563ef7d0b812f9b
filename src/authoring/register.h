#pragma once

namespace Authoring
{
// Registers the factories of this folder's windows.
void registerWindows();
} // namespace Authoring
