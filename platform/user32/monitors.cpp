// EnumDisplayMonitors, GetMonitorInfoA, MonitorFromPoint and MonitorFromRect over the desktop's
// monitor list, and GetSystemMetrics for the screen sizes.
#include "user32/monitors.h"

#include "present/present.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <optional>

namespace platform::user32 {

namespace {

std::mutex monitor_mutex;
// Filled from the presentation on first use: the back end knows the real monitors.
std::vector<MonitorLayout> current;
// Part of every handle, so that a handle from an earlier layout matches nothing.
uintptr_t generation = 1;

constexpr uintptr_t kHandleBase = 0x3D000000;

// Lock held by the caller.
void EnsureMonitorsLocked() {
    if (current.empty())
        current = DefaultMonitors();
}

HMONITOR HandleOf(size_t index) {
    return reinterpret_cast<HMONITOR>(kHandleBase + generation * 0x100 + index + 1);
}

std::optional<size_t> IndexOf(HMONITOR monitor) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(monitor);
    const uintptr_t first = kHandleBase + generation * 0x100 + 1;
    if (value < first || value >= first + current.size())
        return std::nullopt;
    return value - first;
}

bool Intersect(const RECT& a, const RECT& b, RECT* out) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom)
        return false;
    if (out)
        *out = r;
    return true;
}

// Squared distance from a point to a rectangle (0 inside), for the nearest monitor.
int64_t DistanceSquared(const RECT& r, POINT p) {
    const int64_t dx = p.x < r.left ? r.left - p.x : p.x >= r.right ? p.x - r.right + 1 : 0;
    const int64_t dy = p.y < r.top ? r.top - p.y : p.y >= r.bottom ? p.y - r.bottom + 1 : 0;
    return dx * dx + dy * dy;
}

HMONITOR Fallback(DWORD flags, POINT towards) {
    if (flags == MONITOR_DEFAULTTOPRIMARY)
        return HandleOf(0);
    if (flags == MONITOR_DEFAULTTONEAREST) {
        size_t best = 0;
        for (size_t i = 1; i < current.size(); ++i)
            if (DistanceSquared(current[i].monitor, towards) <
                DistanceSquared(current[best].monitor, towards))
                best = i;
        return HandleOf(best);
    }
    return nullptr;
}

} // namespace

std::vector<MonitorLayout> DefaultMonitors() {
    std::vector<MonitorLayout> layout;
    for (const present::MonitorArea& m : present::StartupMonitors())
        layout.push_back(MonitorLayout{m.monitor, m.work});
    return layout;
}

std::vector<MonitorLayout> Monitors() {
    std::lock_guard lock(monitor_mutex);
    EnsureMonitorsLocked();
    return current;
}

void SetMonitors(std::vector<MonitorLayout> monitors) {
    std::lock_guard lock(monitor_mutex);
    EnsureMonitorsLocked();
    current = monitors.empty() ? DefaultMonitors() : std::move(monitors);
    ++generation;
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI EnumDisplayMonitors(HDC hdc, LPCRECT lprcClip, MONITORENUMPROC lpfnEnum,
                                LPARAM dwData) {
    if (!lpfnEnum) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A DC's visible region is the whole virtual screen here, so hdc narrows nothing.
    std::vector<std::pair<HMONITOR, RECT>> visible;
    {
        std::lock_guard lock(monitor_mutex);
        EnsureMonitorsLocked();
        for (size_t i = 0; i < current.size(); ++i) {
            RECT r = current[i].monitor;
            if (lprcClip && !Intersect(r, *lprcClip, &r))
                continue;
            visible.push_back({HandleOf(i), r});
        }
    }
    // The callback runs without the lock: it may ask for monitor information.
    for (auto& [monitor, rect] : visible)
        if (!lpfnEnum(monitor, hdc, &rect, dwData))
            break;
    return TRUE;
}

BOOL WINAPI GetMonitorInfoA(HMONITOR hMonitor, LPMONITORINFO lpmi) {
    if (!lpmi || (lpmi->cbSize != sizeof(MONITORINFO) && lpmi->cbSize != sizeof(MONITORINFOEXA))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(monitor_mutex);
    EnsureMonitorsLocked();
    const auto index = IndexOf(hMonitor);
    if (!index) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    lpmi->rcMonitor = current[*index].monitor;
    lpmi->rcWork = current[*index].work;
    lpmi->dwFlags = *index == 0 ? MONITORINFOF_PRIMARY : 0;
    if (lpmi->cbSize == sizeof(MONITORINFOEXA)) {
        auto* ex = reinterpret_cast<LPMONITORINFOEXA>(lpmi);
        std::snprintf(ex->szDevice, sizeof ex->szDevice, "\\\\.\\DISPLAY%zu", *index + 1);
    }
    return TRUE;
}

HMONITOR WINAPI MonitorFromPoint(POINT pt, DWORD dwFlags) {
    std::lock_guard lock(monitor_mutex);
    EnsureMonitorsLocked();
    for (size_t i = 0; i < current.size(); ++i) {
        const RECT& r = current[i].monitor;
        if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom)
            return HandleOf(i);
    }
    return Fallback(dwFlags, pt);
}

HMONITOR WINAPI MonitorFromRect(LPCRECT lprc, DWORD dwFlags) {
    if (!lprc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard lock(monitor_mutex);
    EnsureMonitorsLocked();
    // The monitor that holds the largest part of the rectangle.
    std::optional<size_t> best;
    int64_t best_area = 0;
    for (size_t i = 0; i < current.size(); ++i) {
        RECT r;
        if (!Intersect(current[i].monitor, *lprc, &r))
            continue;
        const int64_t area = int64_t(r.right - r.left) * (r.bottom - r.top);
        if (area > best_area) {
            best = i;
            best_area = area;
        }
    }
    if (best)
        return HandleOf(*best);
    const POINT centre{lprc->left + (lprc->right - lprc->left) / 2,
                       lprc->top + (lprc->bottom - lprc->top) / 2};
    return Fallback(dwFlags, centre);
}

int WINAPI GetSystemMetrics(int nIndex) {
    std::lock_guard lock(monitor_mutex);
    EnsureMonitorsLocked();
    const RECT& primary = current.front().monitor;
    RECT virtual_screen = primary;
    for (const MonitorLayout& m : current) {
        virtual_screen.left = std::min(virtual_screen.left, m.monitor.left);
        virtual_screen.top = std::min(virtual_screen.top, m.monitor.top);
        virtual_screen.right = std::max(virtual_screen.right, m.monitor.right);
        virtual_screen.bottom = std::max(virtual_screen.bottom, m.monitor.bottom);
    }
    switch (nIndex) {
    case SM_CXSCREEN:
        return primary.right - primary.left;
    case SM_CYSCREEN:
        return primary.bottom - primary.top;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_XVIRTUALSCREEN:
        return virtual_screen.left;
    case SM_YVIRTUALSCREEN:
        return virtual_screen.top;
    case SM_CXVIRTUALSCREEN:
        return virtual_screen.right - virtual_screen.left;
    case SM_CYVIRTUALSCREEN:
        return virtual_screen.bottom - virtual_screen.top;
    case SM_CMONITORS:
        return int(current.size());
    default:
        return 0;
    }
}

PELMORA_END_EXTERN_C

PELMORA_BEGIN_EXTERN_C

// The monitor of the window's rectangle (a hidden or minimised window counts where it is).
HMONITOR WINAPI MonitorFromWindow(HWND hwnd, DWORD dwFlags) {
    RECT r;
    if (!GetWindowRect(hwnd, &r))
        return nullptr;
    return MonitorFromRect(&r, dwFlags);
}

PELMORA_END_EXTERN_C
