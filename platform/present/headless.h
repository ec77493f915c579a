// Headless presentation: top-level windows exist and paint, and with PELMORA_PLATFORM_SNAPSHOT
// set to a folder each one is written to <folder>/<title>.png after it paints.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace platform::present {

// The snapshot folder in force (the environment's, unless a test set another), if any.
std::optional<std::string> SnapshotFolder();
// Overrides the folder; nothing goes back to the environment's.
void SetSnapshotFolder(std::optional<std::string> folder);
// Called by EndPaint: writes the window's snapshot when it is a visible top-level window and a
// folder is set.
void WindowPainted(HWND hwnd);

} // namespace platform::present
