#include "user32/window_manager.h"

#include "present/present.h"

#include <algorithm>
#include <vector>

namespace platform::user32 {

namespace {

// The window itself or one of its descendants (the parent chain, not owners).
bool IsSelfOrDescendant(HWND ancestor, HWND hwnd) {
    std::lock_guard lock(DesktopLock());
    for (auto w = FindWindowRecord(hwnd); w; w = FindWindowRecord(w->parent))
        if (w->handle == ancestor)
            return true;
    return false;
}

HWND ParentWindow(HWND hwnd) {
    std::lock_guard lock(DesktopLock());
    auto w = FindWindowRecord(hwnd);
    return w ? w->parent : nullptr;
}

bool IsTopmost(HWND h) {
    auto w = FindWindowRecord(h);
    return w && (w->ex_style & WS_EX_TOPMOST);
}

// Puts a top-level window at its new place in the z-order; lock held, the window taken out.
void PlaceTopLevelLocked(Window& w, HWND after) {
    auto& z = TheDesktop().top_level;
    auto end_of_topmost = [&] {
        return std::find_if(z.begin(), z.end(), [](HWND h) { return !IsTopmost(h); });
    };
    if (after == HWND_TOPMOST) {
        w.ex_style |= WS_EX_TOPMOST;
        z.insert(z.begin(), w.handle);
    } else if (after == HWND_NOTOPMOST) {
        w.ex_style &= ~DWORD(WS_EX_TOPMOST);
        z.insert(end_of_topmost(), w.handle);
    } else if (after == HWND_TOP) {
        z.insert((w.ex_style & WS_EX_TOPMOST) ? z.begin() : end_of_topmost(), w.handle);
    } else if (after == HWND_BOTTOM) {
        w.ex_style &= ~DWORD(WS_EX_TOPMOST);
        z.push_back(w.handle);
    } else {
        auto it = std::find(z.begin(), z.end(), after);
        if (it == z.end()) {
            z.insert((w.ex_style & WS_EX_TOPMOST) ? z.begin() : end_of_topmost(), w.handle);
            return;
        }
        // A window placed behind another takes that window's band.
        if (IsTopmost(after))
            w.ex_style |= WS_EX_TOPMOST;
        else
            w.ex_style &= ~DWORD(WS_EX_TOPMOST);
        z.insert(it + 1, w.handle);
    }
}

// Moves a top-level window within the z-order, the windows it owns in front of it; lock held.
// Returns the owned windows whose band changed with it.
std::vector<HWND> ReorderTopLevelLocked(Window& w, HWND after) {
    std::erase(TheDesktop().top_level, w.handle);
    const bool was_topmost = (w.ex_style & WS_EX_TOPMOST) != 0;
    PlaceTopLevelLocked(w, after);
    return KeepOwnedInFrontLocked(w.handle, was_topmost && !(w.ex_style & WS_EX_TOPMOST));
}

void ReorderChildLocked(Window& w, HWND after) {
    auto parent = FindWindowRecord(w.parent);
    if (!parent)
        return;
    auto& z = parent->children;
    std::erase(z, w.handle);
    if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
        z.insert(z.begin(), w.handle);
    } else if (after == HWND_BOTTOM) {
        z.push_back(w.handle);
    } else {
        auto it = std::find(z.begin(), z.end(), after);
        z.insert(it == z.end() ? z.begin() : it + 1, w.handle);
    }
}

bool SameSize(const RECT& a, const RECT& b) {
    return a.right - a.left == b.right - b.left && a.bottom - a.top == b.bottom - b.top;
}

void InvalidateAllLocked(Window& w) {
    w.update = RECT{0, 0, w.client.right - w.client.left, w.client.bottom - w.client.top};
    w.update_pending = true;
    w.erase_pending = true;
}

} // namespace

std::vector<HWND> KeepOwnedInFrontLocked(HWND owner_handle, bool made_ordinary) {
    std::vector<HWND> changed;
    std::vector<HWND> owners{owner_handle};
    auto& z = TheDesktop().top_level;
    // Down the chain of owners, each level in front of the one before.
    for (int depth = 0; depth < 8 && !owners.empty(); ++depth) {
        std::vector<HWND> next;
        for (HWND owner : owners) {
            const bool topmost = IsTopmost(owner);
            std::vector<HWND> lifted;
            for (HWND h : z) {
                auto o = FindWindowRecord(h);
                if (!o || o->owner != owner)
                    continue;
                const DWORD before = o->ex_style;
                if (topmost)
                    o->ex_style |= WS_EX_TOPMOST;
                else if (made_ordinary)
                    o->ex_style &= ~DWORD(WS_EX_TOPMOST);
                if (o->ex_style != before)
                    changed.push_back(h);
                next.push_back(h);
                // A topmost window owned by an ordinary one is in front of it already.
                if (topmost || !(o->ex_style & WS_EX_TOPMOST))
                    lifted.push_back(h);
            }
            for (HWND h : lifted)
                std::erase(z, h);
            z.insert(std::find(z.begin(), z.end(), owner), lifted.begin(), lifted.end());
        }
        owners = std::move(next);
    }
    return changed;
}

BOOL SetWindowPosInternal(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
    auto w = WindowOrError(hwnd);
    if (!w)
        return FALSE;
    WINDOWPOS wp{hwnd, after, x, y, cx, cy, flags};
    {
        std::lock_guard lock(DesktopLock());
        if (flags & SWP_NOMOVE) {
            wp.x = w->window.left;
            wp.y = w->window.top;
        }
        if (flags & SWP_NOSIZE) {
            wp.cx = w->window.right - w->window.left;
            wp.cy = w->window.bottom - w->window.top;
        }
    }
    if (!(flags & SWP_NOSENDCHANGING))
        CallProcedure(hwnd, WM_WINDOWPOSCHANGING, 0, LPARAM(&wp));
    flags = wp.flags;
    RECT old_window, old_client, new_window;
    bool shown = false;
    std::vector<HWND> owned_changed;
    {
        std::lock_guard lock(DesktopLock());
        if (!FindWindowRecord(hwnd))
            return FALSE;
        old_window = w->window;
        old_client = w->client;
        new_window = old_window;
        if (!(flags & SWP_NOMOVE)) {
            new_window.left = wp.x;
            new_window.top = wp.y;
        }
        int width = (flags & SWP_NOSIZE) ? old_window.right - old_window.left : std::max(wp.cx, 0);
        int height = (flags & SWP_NOSIZE) ? old_window.bottom - old_window.top : std::max(wp.cy, 0);
        new_window.right = new_window.left + width;
        new_window.bottom = new_window.top + height;
        if (!(flags & SWP_NOZORDER) && !w->message_only) {
            if (w->parent)
                ReorderChildLocked(*w, wp.hwndInsertAfter);
            else
                owned_changed = ReorderTopLevelLocked(*w, wp.hwndInsertAfter);
        }
        if ((flags & SWP_SHOWWINDOW) && !(w->style & WS_VISIBLE)) {
            w->style |= WS_VISIBLE;
            shown = true;
        }
        if (flags & SWP_HIDEWINDOW)
            w->style &= ~DWORD(WS_VISIBLE);
    }
    bool resized = !SameSize(old_window, new_window);
    RECT new_client;
    if (resized || (flags & SWP_FRAMECHANGED)) {
        NCCALCSIZE_PARAMS params{{new_window, old_window, old_client}, &wp};
        CallProcedure(hwnd, WM_NCCALCSIZE, TRUE, LPARAM(&params));
        new_client = params.rgrc[0];
    } else {
        int dx = new_window.left - old_window.left, dy = new_window.top - old_window.top;
        new_client = RECT{old_client.left + dx, old_client.top + dy, old_client.right + dx,
                          old_client.bottom + dy};
    }
    bool visible_now;
    {
        std::lock_guard lock(DesktopLock());
        if (!FindWindowRecord(hwnd))
            return FALSE;
        w->window = new_window;
        w->client = new_client;
        if (resized)
            ResizeSurfaceLocked(*w);
        if (shown || (resized && !(flags & SWP_NOREDRAW)))
            InvalidateAllLocked(*w);
        if (!(w->style & WS_VISIBLE)) {
            Desktop& d = TheDesktop();
            if (d.focus && (d.focus == hwnd || TopLevelOf(d.focus) == hwnd) && !w->parent)
                d.focus = nullptr;
            if (d.foreground == hwnd)
                d.foreground = nullptr;
        }
        visible_now = IsVisibleLocked(*w) && !w->parent;
    }
    if (!(flags & SWP_NOACTIVATE) && visible_now && !(w->ex_style & WS_EX_NOACTIVATE))
        ActivateWindow(hwnd);
    if (old_client.left == new_client.left && old_client.top == new_client.top)
        flags |= kNoClientMove;
    if (SameSize(old_client, new_client))
        flags |= kNoClientSize;
    wp.x = new_window.left;
    wp.y = new_window.top;
    wp.cx = new_window.right - new_window.left;
    wp.cy = new_window.bottom - new_window.top;
    wp.flags = flags;
    present::TheBackend().WindowChanged(hwnd);
    for (HWND h : owned_changed)
        present::TheBackend().WindowChanged(h);
    CallProcedure(hwnd, WM_WINDOWPOSCHANGED, 0, LPARAM(&wp));
    return TRUE;
}

// A disabled window cannot take the activation: the shown window that it owns in front of the
// others (its modal dialog) takes it instead, and so on down a chain of such dialogs, so that
// the keyboard stays with the dialog that the user answers.
HWND ActivationTargetLocked(HWND top) {
    for (int depth = 0; depth < 8; ++depth) {
        auto w = FindWindowRecord(top);
        if (!w || !(w->style & WS_DISABLED))
            break;
        HWND popup = nullptr;
        for (HWND h : TheDesktop().top_level) {
            auto p = FindWindowRecord(h);
            if (p && p->owner == top && IsVisibleLocked(*p)) {
                popup = h;
                break;
            }
        }
        if (!popup)
            break;
        top = popup;
    }
    return top;
}

void ActivateWindow(HWND hwnd) {
    HWND top = TopLevelOf(hwnd);
    HWND old;
    std::vector<HWND> owned_changed;
    {
        std::lock_guard lock(DesktopLock());
        Desktop& d = TheDesktop();
        top = ActivationTargetLocked(top);
        auto w = FindWindowRecord(top);
        if (!w || w->message_only || d.foreground == top)
            return;
        old = d.foreground;
        d.foreground = top;
        owned_changed = ReorderTopLevelLocked(*w, HWND_TOP);
    }
    for (HWND h : owned_changed)
        present::TheBackend().WindowChanged(h);
    if (old && IsWindow(old)) {
        CallProcedure(old, WM_NCACTIVATE, FALSE, 0);
        CallProcedure(old, WM_ACTIVATE, WA_INACTIVE, LPARAM(top));
    }
    CallProcedure(top, WM_NCACTIVATE, TRUE, 0);
    CallProcedure(top, WM_ACTIVATE, WA_ACTIVE, LPARAM(old));
}

void LoseActivation() {
    HWND old;
    {
        std::lock_guard lock(DesktopLock());
        Desktop& d = TheDesktop();
        old = d.foreground;
        d.foreground = nullptr;
    }
    if (!old || !IsWindow(old))
        return;
    // The window hears first, with the focus still where it was (a dialog keeps it for its
    // return); then the focus goes.
    CallProcedure(old, WM_NCACTIVATE, FALSE, 0);
    CallProcedure(old, WM_ACTIVATE, WA_INACTIVE, 0);
    HWND focus;
    {
        std::lock_guard lock(DesktopLock());
        Desktop& d = TheDesktop();
        focus = d.focus;
        if (focus && TopLevelOf(focus) == old)
            d.focus = nullptr;
        else
            focus = nullptr;
    }
    if (focus && IsWindow(focus))
        CallProcedure(focus, WM_KILLFOCUS, 0, 0);
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         UINT uFlags) {
    return SetWindowPosInternal(hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags);
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    return SetWindowPosInternal(hWnd, nullptr, X, Y, nWidth, nHeight,
                                SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    auto w = WindowOrError(hWnd);
    if (!w)
        return FALSE;
    bool was_visible;
    bool child;
    {
        std::lock_guard lock(DesktopLock());
        was_visible = (w->style & WS_VISIBLE) != 0;
        child = w->parent != nullptr;
    }
    if (nCmdShow == SW_HIDE) {
        if (!was_visible)
            return FALSE;
        CallProcedure(hWnd, WM_SHOWWINDOW, FALSE, 0);
        bool was_foreground = GetForegroundWindow() == hWnd;
        HWND focus = GetFocus();
        const bool loses_focus = focus && IsSelfOrDescendant(hWnd, focus);
        SetWindowPosInternal(hWnd, nullptr, 0, 0, 0, 0,
                             SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER |
                                 SWP_NOACTIVATE);
        // The focus does not stay in a hidden window: a hidden child hands it to its parent,
        // a hidden top-level window takes it away. Either way the window that had it hears so.
        if (loses_focus && IsWindow(focus)) {
            if (child && IsWindow(hWnd))
                SetFocus(ParentWindow(hWnd));
            else if (GetFocus() == nullptr)
                CallProcedure(focus, WM_KILLFOCUS, 0, 0);
        }
        if (was_foreground && IsWindow(hWnd)) {
            CallProcedure(hWnd, WM_NCACTIVATE, FALSE, 0);
            CallProcedure(hWnd, WM_ACTIVATE, WA_INACTIVE, 0);
        }
        return TRUE;
    }
    bool activate = !child && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE &&
                    nCmdShow != SW_SHOWMINNOACTIVE && nCmdShow != SW_MINIMIZE;
    UINT flags = SWP_NOMOVE | SWP_NOSIZE;
    if (!activate)
        flags |= SWP_NOACTIVATE | SWP_NOZORDER;
    if (was_visible) {
        if (activate)
            ActivateWindow(hWnd);
        return TRUE;
    }
    CallProcedure(hWnd, WM_SHOWWINDOW, TRUE, 0);
    SetWindowPosInternal(hWnd, HWND_TOP, 0, 0, 0, 0, flags | SWP_SHOWWINDOW);
    return FALSE;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd) {
    auto w = FindWindowRecord(hWnd);
    if (!w)
        return FALSE;
    ActivateWindow(hWnd);
    // The window that took the activation: a disabled one's dialog keeps it.
    HWND active = GetForegroundWindow();
    platform::present::TheBackend().Activated(active ? active : TopLevelOf(hWnd));
    return TRUE;
}

HWND WINAPI GetForegroundWindow(void) {
    std::lock_guard lock(DesktopLock());
    return TheDesktop().foreground;
}

HWND WINAPI SetFocus(HWND hWnd) {
    if (hWnd && !WindowOrError(hWnd))
        return nullptr;
    HWND before = GetFocus();
    if (hWnd) {
        HWND top = TopLevelOf(hWnd);
        if (GetForegroundWindow() != top)
            ActivateWindow(top);
    }
    HWND old;
    {
        std::lock_guard lock(DesktopLock());
        Desktop& d = TheDesktop();
        old = d.focus;
        // Activating the window may already have given it the focus.
        if (old == hWnd)
            return before;
        d.focus = hWnd;
    }
    if (old && IsWindow(old))
        CallProcedure(old, WM_KILLFOCUS, WPARAM(hWnd), 0);
    if (hWnd && IsWindow(hWnd))
        CallProcedure(hWnd, WM_SETFOCUS, WPARAM(old), 0);
    return before;
}

HWND WINAPI GetFocus(void) {
    std::lock_guard lock(DesktopLock());
    return TheDesktop().focus;
}

HWND WINAPI SetCapture(HWND hWnd) {
    HWND old;
    {
        std::lock_guard lock(DesktopLock());
        if (!FindWindowRecord(hWnd))
            return nullptr;
        old = TheDesktop().capture;
        TheDesktop().capture = hWnd;
    }
    if (old && old != hWnd && IsWindow(old))
        CallProcedure(old, WM_CAPTURECHANGED, 0, LPARAM(hWnd));
    return old;
}

BOOL WINAPI ReleaseCapture(void) {
    HWND old;
    {
        std::lock_guard lock(DesktopLock());
        old = TheDesktop().capture;
        TheDesktop().capture = nullptr;
    }
    if (old && IsWindow(old))
        CallProcedure(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND WINAPI GetCapture(void) {
    std::lock_guard lock(DesktopLock());
    return TheDesktop().capture;
}

PELMORA_END_EXTERN_C
