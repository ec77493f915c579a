// Background pictures for the display tests.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Writes a 24-bit BMP whose pixel (x, y), y counted from the top, has the colour given, and
// returns its path in the Windows form that the "Image" setting holds.
std::string WriteBmp24(const std::string& path, int width, int height,
                       const std::function<COLORREF(int x, int y)>& colour);
