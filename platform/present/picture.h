// A top-level window as a user sees it: its frame, its client area and its visible children
// drawn over it, front child last.
#pragma once

#include "gdi32/surface.h"

#include <windows.h>

#include <optional>

namespace platform::present {

// The whole window rectangle, frame included; nothing for a window that is gone.
std::optional<gdi::Surface> ComposeWindow(HWND top);
// Draws hwnd's visible children (and theirs) into out, whose pixel (0, 0) is the screen point
// origin.
void ComposeChildren(gdi::Surface& out, HWND hwnd, POINT origin);
// True while the window or a visible window below it still has an update region to paint.
bool PaintPendingInTree(HWND hwnd);

} // namespace platform::present
