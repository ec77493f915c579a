#include "user32/hotkeys.h"
#include "user32/window_manager.h"

#include "host/clock.h"
#include "present/present.h"

#include <cstdlib>

namespace platform::user32 {

namespace {

void SetKeyLocked(std::array<BYTE, 256>& keys, int vk, bool down) {
    BYTE& k = keys[size_t(vk & 0xFF)];
    if (down && !(k & 0x80))
        k ^= 0x01; // the toggle bit flips on every press
    k = BYTE(down ? (k | 0x80) : (k & ~0x80));
}

// A left or right key also moves the state of its generic key.
void SetKeyWithGenericLocked(std::array<BYTE, 256>& keys, int vk, bool down) {
    SetKeyLocked(keys, vk, down);
    auto generic = [&](int left, int right, int both) {
        if (vk == left || vk == right)
            SetKeyLocked(keys, both, (keys[size_t(left)] & 0x80) || (keys[size_t(right)] & 0x80));
    };
    generic(VK_LSHIFT, VK_RSHIFT, VK_SHIFT);
    generic(VK_LCONTROL, VK_RCONTROL, VK_CONTROL);
    generic(VK_LMENU, VK_RMENU, VK_MENU);
}

bool Down(const std::array<BYTE, 256>& keys, int vk) {
    return (keys[size_t(vk)] & 0x80) != 0;
}

WPARAM MouseKeys(const std::array<BYTE, 256>& keys) {
    WPARAM flags = 0;
    if (Down(keys, VK_LBUTTON))
        flags |= MK_LBUTTON;
    if (Down(keys, VK_RBUTTON))
        flags |= MK_RBUTTON;
    if (Down(keys, VK_MBUTTON))
        flags |= MK_MBUTTON;
    if (Down(keys, VK_SHIFT))
        flags |= MK_SHIFT;
    if (Down(keys, VK_CONTROL))
        flags |= MK_CONTROL;
    return flags;
}

std::array<BYTE, 256> Snapshot(UINT extra_keys) {
    std::array<BYTE, 256> keys = TheDesktop().keys;
    if (extra_keys & MK_CONTROL)
        keys[VK_CONTROL] |= 0x80;
    if (extra_keys & MK_SHIFT)
        keys[VK_SHIFT] |= 0x80;
    return keys;
}

// Finds the window that takes mouse input at a point: the capture, else the window under it
// whose hit test is not HTTRANSPARENT. Lock not held.
HWND MouseTarget(POINT screen, LRESULT& hit) {
    {
        std::lock_guard lock(DesktopLock());
        if (HWND capture = TheDesktop().capture) {
            hit = HTCLIENT;
            return capture;
        }
    }
    HWND below = nullptr;
    for (int guard = 0; guard < 1000; ++guard) {
        HWND h;
        {
            std::lock_guard lock(DesktopLock());
            h = WindowAtLocked(screen, below);
        }
        if (!h)
            return nullptr;
        hit = SendMessageA(h, WM_NCHITTEST, 0,
                           MAKELPARAM(WORD(SHORT(screen.x)), WORD(SHORT(screen.y))));
        if (hit != HTTRANSPARENT)
            return h;
        below = TopLevelOf(h);
    }
    return nullptr;
}

// A button pressed on a window that is not active activates it first, as WM_MOUSEACTIVATE
// decides; false when the answer eats the click.
bool MouseActivate(HWND target, LRESULT hit, UINT message) {
    HWND top = TopLevelOf(target);
    {
        std::lock_guard lock(DesktopLock());
        auto t = FindWindowRecord(top);
        if (!t || TheDesktop().foreground == top || (t->ex_style & WS_EX_NOACTIVATE) ||
            (t->style & WS_DISABLED))
            return true;
    }
    LRESULT answer =
        SendMessageA(top, WM_MOUSEACTIVATE, WPARAM(top), MAKELPARAM(WORD(hit), message));
    if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT)
        ActivateWindow(top);
    return answer != MA_ACTIVATEANDEAT && answer != MA_NOACTIVATEANDEAT;
}

void PostMouse(HWND target, LRESULT hit, UINT client_message, UINT nc_message, POINT screen,
               const std::array<BYTE, 256>& keys) {
    std::lock_guard lock(DesktopLock());
    auto w = FindWindowRecord(target);
    if (!w || (w->style & WS_DISABLED))
        return; // a disabled window takes no input
    bool client = hit == HTCLIENT;
    MSG msg{};
    msg.hwnd = target;
    msg.time = DWORD(host::CurrentClock().Now());
    msg.pt = screen;
    if (client) {
        POINT origin = ClientOriginOnScreen(*w);
        msg.message = client_message;
        msg.wParam = MouseKeys(keys);
        msg.lParam = MAKELPARAM(WORD(SHORT(screen.x - origin.x)), WORD(SHORT(screen.y - origin.y)));
    } else {
        msg.message = nc_message;
        msg.wParam = WPARAM(hit);
        msg.lParam = MAKELPARAM(WORD(SHORT(screen.x)), WORD(SHORT(screen.y)));
    }
    PostInputLocked(w, msg, keys);
}

} // namespace

void InjectMouseMove(POINT screen, UINT extra_keys) {
    std::array<BYTE, 256> keys;
    {
        std::lock_guard lock(DesktopLock());
        TheDesktop().cursor = screen;
        keys = Snapshot(extra_keys);
    }
    LRESULT hit = HTNOWHERE;
    if (HWND target = MouseTarget(screen, hit))
        PostMouse(target, hit, WM_MOUSEMOVE, WM_NCMOUSEMOVE, screen, keys);
}

void InjectMouseButton(MouseButton button, bool down, POINT screen, UINT extra_keys) {
    int vk = button == MouseButton::Left ? VK_LBUTTON
                                         : (button == MouseButton::Right ? VK_RBUTTON : VK_MBUTTON);
    UINT base = button == MouseButton::Left
                    ? WM_LBUTTONDOWN
                    : (button == MouseButton::Right ? WM_RBUTTONDOWN : WM_MBUTTONDOWN);
    UINT nc_base = button == MouseButton::Left
                       ? WM_NCLBUTTONDOWN
                       : (button == MouseButton::Right ? WM_NCRBUTTONDOWN : WM_NCLBUTTONDOWN);
    std::array<BYTE, 256> keys;
    {
        std::lock_guard lock(DesktopLock());
        Desktop& d = TheDesktop();
        d.cursor = screen;
        SetKeyLocked(d.keys, vk, down);
        keys = Snapshot(extra_keys);
    }
    LRESULT hit = HTNOWHERE;
    HWND target = MouseTarget(screen, hit);
    if (!target)
        return;
    UINT message = down ? base : base + 1;
    UINT nc_message = down ? nc_base : nc_base + 1;
    if (down) {
        std::lock_guard lock(DesktopLock());
        Desktop& d = TheDesktop();
        auto w = FindWindowRecord(target);
        bool client = hit == HTCLIENT;
        uint64_t now = host::CurrentClock().Now();
        LastClick& last = d.last_click;
        bool again = last.hwnd == target && last.button == base && last.client == client &&
                     now - last.time <= kDoubleClickTime &&
                     std::abs(screen.x - last.pt.x) <= kDoubleClickWidth / 2 &&
                     std::abs(screen.y - last.pt.y) <= kDoubleClickHeight / 2;
        // Only a class that asks for double clicks gets them in its client area.
        if (again && (!client || (w && (w->cls->style & CS_DBLCLKS)))) {
            message = base + 2;
            nc_message = nc_base + 2;
            last = {};
        } else {
            last = LastClick{target, base, client, now, screen};
        }
    }
    if (down && !MouseActivate(target, hit, message))
        return;
    PostMouse(target, hit, message, nc_message, screen, keys);
}

void InjectKey(int vk, bool down) {
    HWND target;
    std::array<BYTE, 256> keys;
    bool was_down;
    {
        std::lock_guard lock(DesktopLock());
        Desktop& d = TheDesktop();
        was_down = Down(d.keys, vk & 0xFF);
        SetKeyWithGenericLocked(d.keys, vk, down);
        keys = d.keys;
        // With no window active, a modal loop that holds the capture (an open menu) takes them.
        target = d.focus ? d.focus : (d.foreground ? d.foreground : d.capture);
        if (down) {
            UINT modifiers = (Down(keys, VK_MENU) ? MOD_ALT : 0) |
                             (Down(keys, VK_CONTROL) ? MOD_CONTROL : 0) |
                             (Down(keys, VK_SHIFT) ? MOD_SHIFT : 0) |
                             (Down(keys, VK_LWIN) || Down(keys, VK_RWIN) ? MOD_WIN : 0);
            // A registered combination is taken by the system: its window gets WM_HOTKEY and
            // the focused window sees nothing of the key.
            if (PostHotKeyLocked(UINT(vk), modifiers))
                return;
        }
        bool alt = Down(keys, VK_MENU);
        bool sys = !d.focus || alt || vk == VK_F10 || vk == VK_MENU;
        auto w = FindWindowRecord(target);
        if (!w)
            return;
        MSG msg{};
        msg.hwnd = target;
        msg.message = sys ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
        msg.wParam = WPARAM(vk);
        LPARAM lparam = 1;
        if (alt)
            lparam |= LPARAM(1) << 29;
        if (was_down || !down)
            lparam |= LPARAM(1) << 30;
        if (!down)
            lparam |= LPARAM(1) << 31;
        msg.lParam = LPARAM(DWORD(lparam));
        msg.time = DWORD(host::CurrentClock().Now());
        msg.pt = d.cursor;
        PostInputLocked(w, msg, keys);
    }
}

void InjectMouseWheel(POINT screen, int delta, UINT extra_keys) {
    // The wheel scrolls what the pointer is over (the window holding the capture, while one
    // does); where that takes no input, the window with the focus gets it. Its coordinates are
    // the screen's.
    LRESULT hit = HTNOWHERE;
    HWND hover = MouseTarget(screen, hit);
    std::lock_guard lock(DesktopLock());
    Desktop& d = TheDesktop();
    d.cursor = screen;
    const std::array<BYTE, 256> keys = Snapshot(extra_keys);
    HWND target = d.focus ? d.focus : d.foreground;
    if (auto over = FindWindowRecord(hover); over && !(over->style & WS_DISABLED))
        target = hover;
    auto w = FindWindowRecord(target);
    if (!w || (w->style & WS_DISABLED))
        return;
    MSG msg{};
    msg.hwnd = target;
    msg.message = WM_MOUSEWHEEL;
    msg.wParam = MAKEWPARAM(WORD(MouseKeys(keys)), WORD(SHORT(delta)));
    msg.lParam = MAKELPARAM(WORD(SHORT(screen.x)), WORD(SHORT(screen.y)));
    msg.time = DWORD(host::CurrentClock().Now());
    msg.pt = screen;
    PostInputLocked(w, msg, keys);
}

void SetModifiersHeld(bool shift, bool control, bool alt) {
    std::lock_guard lock(DesktopLock());
    std::array<BYTE, 256>& keys = TheDesktop().keys;
    const auto follow = [&](int generic, int left, int right, bool down) {
        if (Down(keys, generic) == down)
            return;
        if (down) {
            SetKeyWithGenericLocked(keys, left, true);
            return;
        }
        SetKeyLocked(keys, left, false);
        SetKeyLocked(keys, right, false);
        SetKeyLocked(keys, generic, false);
    };
    follow(VK_SHIFT, VK_LSHIFT, VK_RSHIFT, shift);
    follow(VK_CONTROL, VK_LCONTROL, VK_RCONTROL, control);
    follow(VK_MENU, VK_LMENU, VK_RMENU, alt);
}

void SetKeyStateNow(int vk, bool down) {
    std::lock_guard lock(DesktopLock());
    SetKeyWithGenericLocked(TheDesktop().keys, vk, down);
    SetKeyWithGenericLocked(QueueOf(CurrentThread()).keys, vk, down);
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
    if (!lpPoint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // On a real desktop the pointer is where the server says.
    POINT server;
    if (platform::present::TheBackend().CursorPosition(server)) {
        *lpPoint = server;
        return TRUE;
    }
    std::lock_guard lock(DesktopLock());
    *lpPoint = TheDesktop().cursor;
    return TRUE;
}

BOOL WINAPI SetCursorPos(int X, int Y) {
    std::lock_guard lock(DesktopLock());
    TheDesktop().cursor = POINT{X, Y};
    return TRUE;
}

SHORT WINAPI GetKeyState(int nVirtKey) {
    std::lock_guard lock(DesktopLock());
    BYTE k = QueueOf(CurrentThread()).keys[size_t(nVirtKey & 0xFF)];
    return SHORT(((k & 0x80) ? 0xFF80 : 0) | (k & 0x01));
}

SHORT WINAPI GetAsyncKeyState(int vKey) {
    // On a real desktop the buttons and modifiers are as the server has them now.
    using platform::present::HeldKeys;
    constexpr std::pair<int, bool HeldKeys::*> kHeld[] = {
        {VK_LBUTTON, &HeldKeys::left},    {VK_RBUTTON, &HeldKeys::right},
        {VK_MBUTTON, &HeldKeys::middle},  {VK_SHIFT, &HeldKeys::shift},
        {VK_CONTROL, &HeldKeys::control}, {VK_MENU, &HeldKeys::alt},
    };
    for (const auto& [vk, member] : kHeld) {
        if (vk != vKey)
            continue;
        if (auto held = platform::present::TheBackend().Held())
            return SHORT((*held).*member ? 0x8000 : 0);
        break;
    }
    std::lock_guard lock(DesktopLock());
    BYTE k = TheDesktop().keys[size_t(vKey & 0xFF)];
    return SHORT((k & 0x80) ? 0x8000 : 0);
}

PELMORA_END_EXTERN_C
