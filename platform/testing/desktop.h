// The test desktop: what tests use to drive the layer and observe the program.
#pragma once

#include <windows.h>

#include "gdi32/surface.h"
#include "host/clock.h"

#include <memory>
#include <optional>
#include <string>

namespace platform::testing {

// Thrown by ExitProcess while an ExitTrap is in force, so that a test can watch the program end.
struct ProcessExited {
    UINT code;
};

// While it lives, ExitProcess throws ProcessExited instead of ending the test run.
class ExitTrap {
public:
    ExitTrap();
    ~ExitTrap();
    ExitTrap(const ExitTrap&) = delete;
    ExitTrap& operator=(const ExitTrap&) = delete;
};

// While it lives, the layer's clock is this manual clock.
class ManualClockScope {
public:
    explicit ManualClockScope(uint64_t start_ms = 1'000'000);
    ~ManualClockScope();
    ManualClockScope(const ManualClockScope&) = delete;
    ManualClockScope& operator=(const ManualClockScope&) = delete;
    host::ManualClock& clock() { return clock_; }
    host::ManualClock* operator->() { return &clock_; }

private:
    host::ManualClock clock_;
};

// A copy of the pixels that a DC draws on (its selected bitmap, or a window's surface); nothing
// for a handle that is not a DC.
std::optional<gdi::Surface> ReadPixels(HDC dc);
// A copy of a bitmap's pixels; nothing for a handle that is not a bitmap.
std::optional<gdi::Surface> ReadBitmapPixels(HBITMAP bitmap);
// One pixel of a copy, as a COLORREF.
COLORREF PixelAt(const gdi::Surface& surface, int x, int y);
// Writes what a DC shows to a PNG file (opaque), for looking at a scene.
bool SaveDCPng(HDC dc, const std::string& linux_path);

} // namespace platform::testing
