// A window's surface: the 32-bit pixels that a window paints into and that the presentation
// (snapshots, a screen) shows. gdi32 draws on it through a DC; user32 owns one per window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::gdi {

struct Surface {
    int width = 0;
    int height = 0;
    // Top row first; each pixel 0x00RRGGBB in memory order B, G, R, X (as a 32-bit DIB).
    std::vector<uint32_t> pixels;
};

// A DC that draws straight onto the surface (the window DC and the paint DC of a window). The DC
// keeps the surface alive; resizing the surface (user32 on a size change) keeps the DC valid.
HDC CreateSurfaceDC(std::shared_ptr<Surface> surface);
// Deletes such a DC (ReleaseDC, EndPaint); its selected objects go back to the stock ones.
void DeleteSurfaceDC(HDC dc);

} // namespace platform::gdi
