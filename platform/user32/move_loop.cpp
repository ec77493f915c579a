#include "user32/modal_loop.h"
#include "user32/window_manager.h"

namespace platform::user32 {

namespace {

bool LeftButtonDown() {
    std::lock_guard lock(DesktopLock());
    return (TheDesktop().keys[VK_LBUTTON] & 0x80) != 0;
}

} // namespace

// The caption move loop: the window follows the cursor from where the button went down until
// the button comes up (Escape puts it back). Each step offers the proposed rectangle in
// WM_MOVING, whose handler may change it, and then moves the window there.
void RunMoveLoop(HWND hwnd) {
    RECT start;
    if (!GetWindowRect(hwnd, &start))
        return;
    POINT anchor;
    GetCursorPos(&anchor);
    SetCapture(hwnd);
    SendMessageA(hwnd, WM_ENTERSIZEMOVE, 0, 0);
    ModalLoopHandlers handlers;
    handlers.ended = [hwnd] { return !IsWindow(hwnd); };
    // The button may have come up where this loop could not see it.
    handlers.idle = [] { return LeftButtonDown() ? ModalIdle::Wait : ModalIdle::End; };
    handlers.message = [&](MSG& msg) {
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
            RECT proposed{start.left + msg.pt.x - anchor.x, start.top + msg.pt.y - anchor.y,
                          start.right + msg.pt.x - anchor.x, start.bottom + msg.pt.y - anchor.y};
            SendMessageA(hwnd, WM_MOVING, 0, LPARAM(&proposed));
            SetWindowPosInternal(hwnd, nullptr, proposed.left, proposed.top, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return ModalAction::Drop;
        }
        if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP)
            return ModalAction::End;
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
            return ModalAction::Drop;
        if (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCRBUTTONDBLCLK)
            return ModalAction::Drop;
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            SetWindowPosInternal(hwnd, nullptr, start.left, start.top, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return ModalAction::End;
        }
        return ModalAction::Dispatch;
    };
    ModalLoopOutcome outcome = RunModalLoop(handlers);
    if (GetCapture() == hwnd)
        ReleaseCapture();
    if (IsWindow(hwnd))
        SendMessageA(hwnd, WM_EXITSIZEMOVE, 0, 0);
    if (outcome.quit)
        PostQuitMessage(*outcome.quit);
}

} // namespace platform::user32
