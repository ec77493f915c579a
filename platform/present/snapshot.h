// Headless presentation: a window's surface written out as an RGBA PNG file.
#pragma once

#include "gdi32/surface.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform::present {

// Writes the surface to linux_path. Every pixel gets the window's layered alpha, and pixels equal
// to the colour key (a COLORREF) get alpha 0. False when the file cannot be written.
bool WriteSurfacePng(const gdi::Surface& surface, const std::string& linux_path, uint8_t alpha,
                     std::optional<COLORREF> color_key);

} // namespace platform::present
