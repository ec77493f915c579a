#include "user32/modal_loop.h"
#include "user32/window_manager.h"

#include <optional>

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
    // Where the button went down, as the message that started the move says: by now the
    // cursor may have gone on, and the window is to keep its place under the pointer.
    const DWORD pos = GetMessagePos();
    const POINT anchor{SHORT(LOWORD(pos)), SHORT(HIWORD(pos))};
    POINT last = anchor;
    const auto follow = [&](POINT at) {
        if (at.x == last.x && at.y == last.y)
            return;
        last = at;
        RECT proposed{start.left + at.x - anchor.x, start.top + at.y - anchor.y,
                      start.right + at.x - anchor.x, start.bottom + at.y - anchor.y};
        SendMessageA(hwnd, WM_MOVING, 0, LPARAM(&proposed));
        SetWindowPosInternal(hwnd, nullptr, proposed.left, proposed.top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    std::optional<InputGrab> grab;
    grab.emplace(hwnd);
    SendMessageA(hwnd, WM_ENTERSIZEMOVE, 0, 0);
    // The pointer may have gone on before the loop took it (and its moves outside the window
    // then reached nobody): the window catches up at once.
    POINT now;
    if (GetCursorPos(&now))
        follow(now);
    ModalLoopHandlers handlers;
    handlers.ended = [hwnd] { return !IsWindow(hwnd); };
    handlers.idle = [] {
        if (!LeftButtonDown())
            return ModalIdle::End;
        // The button may have come up where this loop could not see it: what the screen sent
        // before it said so is taken first.
        if (GetAsyncKeyState(VK_LBUTTON) >= 0) {
            MSG next;
            return PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE) ? ModalIdle::LookAgain
                                                                   : ModalIdle::End;
        }
        return ModalIdle::Wait;
    };
    handlers.message = [&](MSG& msg) {
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
            follow(msg.pt);
            return ModalAction::Drop;
        }
        if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP) {
            follow(msg.pt); // the window ends where the button came up
            return ModalAction::End;
        }
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
            return ModalAction::Drop;
        if (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCRBUTTONDBLCLK)
            return ModalAction::Drop;
        if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) &&
            msg.wParam == VK_ESCAPE) {
            SetWindowPosInternal(hwnd, nullptr, start.left, start.top, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return ModalAction::End;
        }
        return ModalAction::Dispatch;
    };
    ModalLoopOutcome outcome = RunModalLoop(handlers);
    grab.reset();
    if (IsWindow(hwnd))
        SendMessageA(hwnd, WM_EXITSIZEMOVE, 0, 0);
    if (outcome.quit)
        PostQuitMessage(*outcome.quit);
}

} // namespace platform::user32
