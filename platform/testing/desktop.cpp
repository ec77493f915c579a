#include "testing/desktop.h"

#include "gdi32/objects.h"
#include "kernel32/process.h"
#include "present/snapshot.h"

namespace platform::testing {

ExitTrap::ExitTrap() {
    SetExitHandler([](UINT code) { throw ProcessExited{code}; });
}

ExitTrap::~ExitTrap() {
    SetExitHandler({});
}

ManualClockScope::ManualClockScope(uint64_t start_ms) : clock_(start_ms) {
    host::InstallClock(&clock_);
}

ManualClockScope::~ManualClockScope() {
    host::InstallClock(nullptr);
}

} // namespace platform::testing

namespace platform::testing {

std::optional<gdi::Surface> ReadPixels(HDC dc) {
    gdi::Surface* surface = gdi::SurfaceOf(dc);
    if (!surface)
        return std::nullopt;
    return *surface;
}

std::optional<gdi::Surface> ReadBitmapPixels(HBITMAP bitmap) {
    auto object = gdi::FindObjectAs<gdi::Bitmap>(bitmap);
    if (!object || !object->surface)
        return std::nullopt;
    return *object->surface;
}

COLORREF PixelAt(const gdi::Surface& surface, int x, int y) {
    if (x < 0 || y < 0 || x >= surface.width || y >= surface.height)
        return CLR_INVALID;
    return gdi::ColorFromPixel(surface.pixels[static_cast<size_t>(y) * surface.width + x]);
}

bool SaveDCPng(HDC dc, const std::string& linux_path) {
    gdi::Surface* surface = gdi::SurfaceOf(dc);
    return surface && present::WriteSurfacePng(*surface, linux_path, 255, std::nullopt);
}

} // namespace platform::testing
