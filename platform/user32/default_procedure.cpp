#include "user32/window_manager.h"

#include "present/present.h"

#include <algorithm>
#include <cstring>

// gdi32's; declared here until its header declares it.
extern "C" int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);

namespace platform::user32 {

// Copies into a buffer of `size` bytes; a double-byte character that does not fit whole is
// left out, so the text never ends on a lead byte.
int CopyTextBounded(const std::string& text, char* buffer, size_t size) {
    if (!buffer || size == 0)
        return 0;
    size_t n = 0;
    while (n < text.size()) {
        size_t step = IsDBCSLeadByte(BYTE(text[n])) && n + 1 < text.size() ? 2 : 1;
        if (n + step > size - 1)
            break;
        n += step;
    }
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return int(n);
}

namespace {

void SendContextMenu(HWND hwnd, POINT screen) {
    SendMessageA(hwnd, WM_CONTEXTMENU, WPARAM(hwnd),
                 MAKELPARAM(WORD(SHORT(screen.x)), WORD(SHORT(screen.y))));
}

} // namespace

} // namespace platform::user32

using namespace platform::user32;

namespace platform::user32 {

namespace {
DefWindowProcObserver& DefObserver() {
    static DefWindowProcObserver observer;
    return observer;
}
} // namespace

void SetDefWindowProcObserver(DefWindowProcObserver observer) {
    DefObserver() = std::move(observer);
}

} // namespace platform::user32

PELMORA_BEGIN_EXTERN_C

LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                               LPARAM lParam) {
    if (!lpPrevWndFunc)
        return 0;
    return lpPrevWndFunc(hWnd, Msg, wParam, lParam);
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (DefObserver())
        DefObserver()(hWnd, Msg, wParam, lParam);
    auto w = FindWindowRecord(hWnd);
    if (!w)
        return 0;
    switch (Msg) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) {
            std::lock_guard lock(DesktopLock());
            w->text = cs->lpszName;
        }
        return TRUE;
    }
    case WM_NCCALCSIZE: {
        // Both forms start with the window rectangle, which becomes the client rectangle.
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect) {
            std::lock_guard lock(DesktopLock());
            *rect = ClientFromWindowRect(*rect, w->style, w->ex_style);
        }
        return 0;
    }
    case WM_NCHITTEST:
        return HitTest(hWnd, POINT{SHORT(LOWORD(lParam)), SHORT(HIWORD(lParam))});
    case WM_NCLBUTTONDOWN:
        if (wParam == HTCAPTION)
            SendMessageA(hWnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MOVE:
            RunMoveLoop(hWnd);
            return 0;
        case SC_CLOSE:
            SendMessageA(hWnd, WM_CLOSE, 0, 0);
            return 0;
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_RBUTTONUP: {
        POINT p{SHORT(LOWORD(lParam)), SHORT(HIWORD(lParam))};
        ClientToScreen(hWnd, &p);
        SendContextMenu(hWnd, p);
        return 0;
    }
    case WM_NCRBUTTONUP:
        SendContextMenu(hWnd, POINT{SHORT(LOWORD(lParam)), SHORT(HIWORD(lParam))});
        return 0;
    case WM_CONTEXTMENU: {
        HWND parent = nullptr;
        {
            std::lock_guard lock(DesktopLock());
            parent = w->parent;
        }
        if (parent)
            return SendMessageA(parent, WM_CONTEXTMENU, wParam, lParam);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        // A child that does not scroll hands the wheel to its parent.
        HWND parent = nullptr;
        {
            std::lock_guard lock(DesktopLock());
            if (w->style & WS_CHILD)
                parent = w->parent;
        }
        if (parent)
            return SendMessageA(parent, WM_MOUSEWHEEL, wParam, lParam);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) {
            SendMessageA(hWnd, WM_CONTEXTMENU, WPARAM(hWnd), LPARAM(-1));
            return 0;
        }
        if (Msg == WM_SYSKEYDOWN && wParam == VK_F4 && GetKeyState(VK_MENU) < 0) {
            SendMessageA(TopLevelOf(hWnd), WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
        }
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (wParam == VK_APPS)
            SendMessageA(hWnd, WM_CONTEXTMENU, WPARAM(hWnd), LPARAM(-1));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            HWND focus = GetFocus();
            if (!focus || TopLevelOf(focus) != hWnd)
                SetFocus(hWnd);
        }
        return 0;
    case WM_NCACTIVATE:
        return TRUE;
    case WM_WINDOWPOSCHANGED: {
        auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!wp)
            return 0;
        RECT client;
        {
            std::lock_guard lock(DesktopLock());
            client = w->client;
        }
        if (!(wp->flags & kNoClientSize))
            SendMessageA(hWnd, WM_SIZE, SIZE_RESTORED,
                         MAKELPARAM(client.right - client.left, client.bottom - client.top));
        if (!(wp->flags & kNoClientMove))
            SendMessageA(hWnd, WM_MOVE, 0, MAKELPARAM(client.left, client.top));
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (BeginPaint(hWnd, &ps))
            EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush;
        {
            std::lock_guard lock(DesktopLock());
            brush = w->cls->background;
        }
        if (!brush || !wParam)
            return 0;
        RECT r;
        GetClientRect(hWnd, &r);
        FillRect(HDC(wParam), &r, brush);
        return 1;
    }
    case WM_SETTEXT: {
        std::lock_guard lock(DesktopLock());
        auto* text = reinterpret_cast<LPCSTR>(lParam);
        w->text = text ? text : "";
        platform::present::TheBackend().WindowChanged(hWnd);
        return TRUE;
    }
    case WM_GETTEXT: {
        std::string text;
        {
            std::lock_guard lock(DesktopLock());
            text = w->text;
        }
        return CopyTextBounded(text, reinterpret_cast<char*>(lParam), size_t(wParam));
    }
    case WM_GETTEXTLENGTH: {
        std::lock_guard lock(DesktopLock());
        return LRESULT(w->text.size());
    }
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_MOUSEACTIVATE:
        return MA_ACTIVATE;
    }
    return 0;
}

PELMORA_END_EXTERN_C
