// Dragging, snapping and the saved position of the main window.
#include "shell/main_window.h"

#include "display/graph_display.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

constexpr int SNAP_THRESHOLD_DEFAULT = 0;
constexpr int SNAP_THRESHOLD_MAX = 50;
constexpr int WIDTH_DEFAULT = 200;

int ReadSnapThreshold() {
    return pMainWindowCategory->GetIntegerInRange(Literals::SnapThreshold, SNAP_THRESHOLD_DEFAULT,
                                                  0, SNAP_THRESHOLD_MAX);
}

// The width is read here without a range, so a stored width may be as large as an int holds:
// the edges are worked out in 64 bits and only the results are brought back into a LONG.
LONG ToLong(int64_t value) {
    return LONG(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

bool Within(int64_t a, int64_t b, int threshold) {
    return (a > b ? a - b : b - a) <= threshold;
}

// One test on one axis: the proposal's near edge against `near_target`, and only when that does
// not snap its far edge against `far_target`. A snap writes both edges of the axis in `low` and
// `high`, keeping the window's size.
bool SnapAxis(int64_t proposed_low, int64_t size, int64_t near_target, int64_t far_target,
              int threshold, LONG& low, LONG& high) {
    if (Within(proposed_low, near_target, threshold)) {
        low = ToLong(near_target);
        high = ToLong(near_target + size);
        return true;
    }
    if (Within(proposed_low + size, far_target, threshold)) {
        high = ToLong(far_target);
        low = ToLong(far_target - size);
        return true;
    }
    return false;
}

} // namespace

LRESULT SaveWindowPosition(int, int) {
    RECT rect;
    if (GetWindowRect(GetMainWindow(), &rect)) {
        pMainWindowCategory->SetInteger(Literals::PositionX, rect.left);
        pMainWindowCategory->SetInteger(Literals::PositionY, rect.top);
    }
    return 0;
}

LRESULT OnMainWindowEnterSizeMove() {
    if (ReadSnapThreshold() == 0)
        return 0;
    EnumerateMonitors();
    return 0;
}

LRESULT OnMainWindowMoving(LPRECT rect) {
    // The system always passes the rectangle; a message sent by hand may not.
    if (!rect)
        return 0;
    if (GetKeyState(VK_CONTROL) < 0)
        return 0;
    int threshold = ReadSnapThreshold();
    if (threshold == 0)
        return 0;
    int64_t width = pMainWindowCategory->GetIntegerOrDefault(Literals::Width, WIDTH_DEFAULT);
    int64_t height = GetMainWindowHeight();

    POINT cursor{};
    GetCursorPos(&cursor);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &info);
    const RECT& work = info.rcWork;
    const RECT& monitor = info.rcMonitor;

    // Every test compares the corner the move loop proposes, never what an earlier test wrote.
    // The corner is taken from the proposal and not from the cursor: in a quick flick the
    // pointer is already on when the loop starts and runs ahead of the moves it has queued, so
    // the cursor less the place it held in the window is not where the loop puts the window.
    const int64_t left = rect->left;
    const int64_t top = rect->top;

    // Inside the work area's edges, just outside them, then on the monitor's own edges, which
    // win over the work area when both are within reach.
    bool snapped = false;
    snapped |= SnapAxis(left, width, work.left, work.right, threshold, rect->left, rect->right);
    snapped |= SnapAxis(top, height, work.top, work.bottom, threshold, rect->top, rect->bottom);
    snapped |= SnapAxis(left, width, work.right, work.left, threshold, rect->left, rect->right);
    snapped |= SnapAxis(top, height, work.bottom, work.top, threshold, rect->top, rect->bottom);
    snapped |=
        SnapAxis(left, width, monitor.left, monitor.right, threshold, rect->left, rect->right);
    snapped |=
        SnapAxis(top, height, monitor.top, monitor.bottom, threshold, rect->top, rect->bottom);
    return snapped ? 1 : 0;
}

LRESULT OnMainWindowLButtonDown(WPARAM, int x, int y) {
    // A press anywhere on the window acts as a press on a caption, so the system's move loop
    // drags the window.
    PostMessageA(GetMainWindow(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(x, y));
    return 0;
}
