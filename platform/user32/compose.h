// A window as the user sees it: each window paints on a surface of its own, so what a top-level
// window shows is its surface with its visible children's surfaces drawn over it.
#pragma once

#include <windows.h>

#include "gdi32/surface.h"

#include <optional>

namespace platform::user32 {

// The window's surface with every visible descendant drawn over it at its place (the first
// child is the top of the z-order). As the window's DCs draw, pixel (0, 0) is the top-left pixel
// of the client area. Nothing for a window without a surface.
std::optional<gdi::Surface> ComposeWindow(HWND hwnd);
// The size of the window's client area.
SIZE ClientSize(HWND hwnd);

} // namespace platform::user32
