// Icon and cursor objects behind HICON and HCURSOR: 32-bit pixels that drawing calls can put on
// a surface.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::user32 {

struct Icon {
    int width = 0;
    int height = 0;
    // Top row first, 0xAARRGGBB (B, G, R, A in memory as a 32-bit DIB), alpha not
    // premultiplied; alpha 0 is a transparent pixel.
    std::vector<uint32_t> pixels;
    bool cursor = false;
    POINT hotspot{}; // cursors only
    // Shared icons (LoadIconA, LoadCursorA, LoadImageA with LR_SHARED) live as long as the
    // process; DestroyIcon leaves them alone.
    bool shared = false;
};

// The icon of a handle, or null for a handle that is not (or no longer) an icon or cursor.
std::shared_ptr<const Icon> FindIcon(HICON icon);
// A new icon object and its handle.
HICON AddIcon(Icon icon);

} // namespace platform::user32
