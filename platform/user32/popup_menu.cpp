#include "user32/window_manager.h"

#include "user32/menu.h"
#include "user32/menu_window.h"
#include "user32/modal_loop.h"

#include <atomic>

#ifndef ERROR_POPUP_ALREADY_ACTIVE
#define ERROR_POPUP_ALREADY_ACTIVE 1446L
#endif

namespace platform::user32 {

namespace {

// MFT_SEPARATOR and MFS_DISABLED | MFS_GRAYED of the menu records.
constexpr UINT kSeparator = 0x0800;
constexpr UINT kDisabled = 0x0003;

MenuAnswerer& TheAnswerer() {
    static MenuAnswerer answerer;
    return answerer;
}

thread_local bool popup_active = false;

// True when the menu or one of its sub-menus has an item of this command that can be chosen.
bool Choosable(HMENU handle, UINT id, int depth = 0) {
    Menu* menu = FindMenu(handle);
    if (!menu || depth > 16)
        return false;
    for (const MenuItem& item : menu->items) {
        if (item.submenu) {
            if (Choosable(item.submenu, id, depth + 1))
                return true;
            continue;
        }
        if ((item.type & kSeparator) || (item.state & kDisabled))
            continue;
        if (item.id == id)
            return true;
    }
    return false;
}

} // namespace

void SetMenuAnswerer(MenuAnswerer answerer) {
    std::lock_guard lock(DesktopLock());
    TheAnswerer() = std::move(answerer);
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

// The menu's own loop: it runs the queue (timers, sent and posted messages go on) until the
// user chooses an item in the menu's window or cancels (Escape, Alt, a click outside it), or
// the test desktop answers for the user.
BOOL WINAPI TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int, HWND hWnd, const RECT*) {
    if (!FindMenu(hMenu)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    if (!WindowOrError(hWnd))
        return FALSE;
    if (popup_active) {
        SetLastError(ERROR_POPUP_ALREADY_ACTIVE);
        return FALSE;
    }
    popup_active = true;
    bool notify = !(uFlags & TPM_NONOTIFY);
    if (notify) {
        SendMessageA(hWnd, WM_ENTERMENULOOP, TRUE, 0);
        SendMessageA(hWnd, WM_INITMENUPOPUP, WPARAM(hMenu), 0);
    }
    static std::atomic<unsigned> serial{0};
    MenuRequest request{++serial, hMenu, uFlags, x, y, hWnd};
    UINT chosen = 0;
    ModalLoopHandlers handlers;
    handlers.ended = [&] {
        MenuAnswerer answerer;
        {
            std::lock_guard lock(DesktopLock());
            answerer = TheAnswerer();
        }
        if (answerer) {
            if (std::optional<UINT> answer = answerer(request)) {
                chosen = *answer;
                return true;
            }
        }
        return !IsWindow(hWnd);
    };
    // The menu has the input while it is open: its window decides what each message does.
    std::optional<MenuWindow> window;
    window.emplace(hMenu, uFlags, x, y);
    // Every click comes to the menu, the ones outside it too, which close it.
    std::optional<InputGrab> grab;
    grab.emplace(window->hwnd());
    handlers.message = [&](MSG& msg) {
        const bool input = (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
                           (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCRBUTTONDBLCLK) ||
                           (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST);
        if (!input)
            return ModalAction::Dispatch;
        if (std::optional<UINT> end = window->Input(msg)) {
            chosen = *end;
            return ModalAction::End;
        }
        return ModalAction::Drop;
    };
    ModalLoopOutcome outcome = RunModalLoop(handlers);
    grab.reset();
    window.reset();
    if (chosen && !Choosable(hMenu, chosen))
        chosen = 0;
    if (notify && IsWindow(hWnd)) {
        SendMessageA(hWnd, WM_UNINITMENUPOPUP, WPARAM(hMenu), 0);
        SendMessageA(hWnd, WM_EXITMENULOOP, TRUE, 0);
    }
    popup_active = false;
    if (outcome.quit)
        PostQuitMessage(*outcome.quit);
    if (uFlags & TPM_RETURNCMD)
        return BOOL(chosen);
    if (chosen && IsWindow(hWnd))
        PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return TRUE;
}

PELMORA_END_EXTERN_C
