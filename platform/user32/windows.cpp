#include "user32/hotkeys.h"
#include "user32/window_manager.h"

#include "present/present.h"

#include <algorithm>
#include <cstring>

#ifndef ERROR_TLW_WITH_WSCHILD
#define ERROR_TLW_WITH_WSCHILD 1406L
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413L
#endif

namespace platform::user32 {

namespace {

constexpr int kCaptionHeight = 19;
constexpr int kToolCaptionHeight = 15;

bool Contains(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

HWND ChildAtLocked(const Window& parent, POINT screen) {
    for (HWND child : parent.children) {
        auto c = FindWindowRecord(child);
        if (!c || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED))
            continue;
        if (Contains(WindowRectOnScreen(*c), screen))
            return ChildAtLocked(*c, screen);
    }
    return parent.handle;
}

// Destroys a window whose parent (or owner, for top) is going; `top` is the window that
// DestroyWindow was called for, which alone is hidden and deactivated first.
void DestroyTree(HWND hwnd, bool top) {
    std::vector<HWND> owned;
    std::vector<HWND> children;
    bool visible = false;
    {
        std::lock_guard lock(DesktopLock());
        auto w = FindWindowRecord(hwnd);
        if (!w || w->destroying)
            return;
        w->destroying = true;
        for (auto& [h, other] : TheDesktop().windows)
            if (other->owner == hwnd && !other->destroying)
                owned.push_back(h);
        visible = (w->style & WS_VISIBLE) != 0;
    }
    for (HWND o : owned)
        DestroyTree(o, true);
    if (top && visible)
        SetWindowPosInternal(hwnd, nullptr, 0, 0, 0, 0,
                             SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER |
                                 SWP_NOACTIVATE);
    HWND lost_focus = nullptr;
    bool was_foreground = false;
    {
        std::lock_guard lock(DesktopLock());
        Desktop& d = TheDesktop();
        if (d.focus && (d.focus == hwnd || TopLevelOf(d.focus) == hwnd || [&] {
                auto f = FindWindowRecord(d.focus);
                while (f && f->parent) {
                    if (f->parent == hwnd)
                        return true;
                    f = FindWindowRecord(f->parent);
                }
                return false;
            }())) {
            lost_focus = d.focus;
            d.focus = nullptr;
        }
        if (d.foreground == hwnd) {
            was_foreground = true;
            d.foreground = nullptr;
        }
        if (d.capture == hwnd)
            d.capture = nullptr;
    }
    if (lost_focus)
        CallProcedure(lost_focus, WM_KILLFOCUS, 0, 0);
    if (was_foreground) {
        CallProcedure(hwnd, WM_NCACTIVATE, FALSE, 0);
        CallProcedure(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
    }
    CallProcedure(hwnd, WM_DESTROY, 0, 0);
    {
        std::lock_guard lock(DesktopLock());
        if (auto w = FindWindowRecord(hwnd))
            children = w->children;
    }
    for (HWND child : children)
        DestroyTree(child, false);
    CallProcedure(hwnd, WM_NCDESTROY, 0, 0);
    std::lock_guard lock(DesktopLock());
    ForgetWindowLocked(hwnd);
}

} // namespace

RECT ClientFromWindowRect(const RECT& window, DWORD style, DWORD ex_style) {
    int edge = 0;
    if (style & WS_THICKFRAME)
        edge = 4;
    else if ((style & WS_DLGFRAME) || (ex_style & WS_EX_DLGMODALFRAME))
        edge = 3;
    else if (style & WS_BORDER)
        edge = 1;
    if (ex_style & WS_EX_CLIENTEDGE)
        edge += 2;
    RECT r{window.left + edge, window.top + edge, window.right - edge, window.bottom - edge};
    if ((style & WS_CAPTION) == WS_CAPTION)
        r.top += (ex_style & WS_EX_TOOLWINDOW) ? kToolCaptionHeight : kCaptionHeight;
    r.right = std::max(r.right, r.left);
    r.bottom = std::max(r.bottom, r.top);
    return r;
}

LRESULT HitTest(HWND hwnd, POINT screen) {
    std::lock_guard lock(DesktopLock());
    auto w = FindWindowRecord(hwnd);
    if (!w)
        return HTNOWHERE;
    RECT wr = WindowRectOnScreen(*w);
    if (!Contains(wr, screen))
        return HTNOWHERE;
    POINT origin = ClientOriginOnScreen(*w);
    RECT client{origin.x, origin.y, origin.x + (w->client.right - w->client.left),
                origin.y + (w->client.bottom - w->client.top)};
    if (Contains(client, screen))
        return HTCLIENT;
    if ((w->style & WS_CAPTION) == WS_CAPTION && screen.y < client.top && screen.x >= client.left &&
        screen.x < client.right)
        return HTCAPTION;
    if (w->style & WS_THICKFRAME) {
        bool left = screen.x < client.left, right = screen.x >= client.right;
        bool top = screen.y < wr.top + 4, bottom = screen.y >= client.bottom;
        if (top && left)
            return HTTOPLEFT;
        if (top && right)
            return HTTOPRIGHT;
        if (bottom && left)
            return HTBOTTOMLEFT;
        if (bottom && right)
            return HTBOTTOMRIGHT;
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
        if (top)
            return HTTOP;
        if (bottom)
            return HTBOTTOM;
    }
    return HTBORDER;
}

HWND WindowAtLocked(POINT screen, HWND below) {
    Desktop& d = TheDesktop();
    bool looking = below == nullptr;
    for (HWND top : d.top_level) {
        if (!looking) {
            looking = top == below;
            continue;
        }
        auto w = FindWindowRecord(top);
        if (!w || !(w->style & WS_VISIBLE) || w->message_only)
            continue;
        // Input to a click-through window falls through to what lies under it.
        if ((w->ex_style & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) ==
            (WS_EX_LAYERED | WS_EX_TRANSPARENT))
            continue;
        // A disabled window's children are out of reach with it (its dialog is running).
        if (Contains(w->window, screen))
            return (w->style & WS_DISABLED) ? top : ChildAtLocked(*w, screen);
    }
    return nullptr;
}

void ForgetWindowLocked(HWND hwnd) {
    Desktop& d = TheDesktop();
    auto it = d.windows.find(hwnd);
    if (it == d.windows.end())
        return;
    std::shared_ptr<Window> w = it->second;
    if (w->parent) {
        if (auto parent = FindWindowRecord(w->parent))
            std::erase(parent->children, hwnd);
    } else {
        std::erase(d.top_level, hwnd);
        if (!w->message_only)
            present::TheBackend().WindowDestroyed(hwnd);
    }
    w->cls->windows--;
    KillTimersOfLocked(hwnd);
    ForgetHotKeysLocked(hwnd);
    ReleaseWindowDCsLocked(*w);
    for (auto& [thread, q] : d.queues) {
        std::erase_if(q->posted, [&](const MSG& m) { return m.hwnd == hwnd; });
        std::erase_if(q->input, [&](const InputMessage& m) { return m.msg.hwnd == hwnd; });
    }
    if (d.foreground == hwnd)
        d.foreground = nullptr;
    if (d.focus == hwnd)
        d.focus = nullptr;
    if (d.capture == hwnd)
        d.capture = nullptr;
    if (d.last_click.hwnd == hwnd)
        d.last_click = {};
    for (auto& [h, other] : d.windows)
        if (other->owner == hwnd)
            other->owner = nullptr;
    d.windows.erase(it);
}

namespace {

// CreateWindowExA's arguments, as the system completes them before the window is made.
struct NewWindow {
    DWORD ex_style;
    LPCSTR class_name;
    DWORD style;
    int x, y, width, height;
    HWND parent;
    HMENU menu;
    HINSTANCE instance;
};

// What a new window hangs from: a child's parent (the menu handle is then its id), or the owner
// of a top-level window, the top-level window of the one named. A message-only window has
// neither and is never shown. False, with the last error set, for a parent or owner that is no
// window, or a child without a parent.
bool AttachNewWindowLocked(Window& w, NewWindow& n) {
    if (n.parent == HWND_MESSAGE) {
        w.message_only = true;
        n.style &= ~DWORD(WS_CHILD | WS_VISIBLE);
    } else if (n.style & WS_CHILD) {
        if (!n.parent) {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return false;
        }
        if (!FindWindowRecord(n.parent)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        w.parent = n.parent;
        w.id = LONG_PTR(n.menu);
    } else if (n.parent) {
        if (!FindWindowRecord(n.parent)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        w.owner = TopLevelOf(n.parent);
    }
    return true;
}

// What the system fills in: the frame an overlapped window always has, and the place and size
// that CW_USEDEFAULT leaves to it.
void ApplyCreationDefaults(NewWindow& n, bool message_only) {
    bool overlapped = !(n.style & (WS_CHILD | WS_POPUP));
    if (overlapped && !message_only) {
        // An overlapped window always has a caption and clips its siblings.
        n.style |= WS_CAPTION | WS_CLIPSIBLINGS;
        n.ex_style |= WS_EX_WINDOWEDGE;
    }
    if (n.x == CW_USEDEFAULT) {
        n.x = overlapped ? 100 : 0;
        n.y = overlapped ? 100 : 0;
    }
    if (n.width == CW_USEDEFAULT) {
        n.width = overlapped ? 640 : 0;
        n.height = overlapped ? 480 : 0;
    }
    n.width = std::max(n.width, 0);
    n.height = std::max(n.height, 0);
}

// Enters a new window in the desktop: among its parent's children, or among the top-level
// windows in front of the others of its band (topmost, or not).
void InsertNewWindowLocked(Desktop& d, const std::shared_ptr<Window>& w, HWND hwnd,
                           DWORD ex_style) {
    d.windows.emplace(hwnd, w);
    w->cls->windows++;
    if (w->parent) {
        FindWindowRecord(w->parent)->children.push_back(hwnd);
    } else if (auto owner = FindWindowRecord(w->owner);
               (ex_style & WS_EX_TOPMOST) || (owner && (owner->ex_style & WS_EX_TOPMOST))) {
        // A window owned by a topmost one is topmost too, in front of it.
        w->ex_style |= WS_EX_TOPMOST;
        d.top_level.insert(d.top_level.begin(), hwnd);
    } else {
        auto at = std::find_if(d.top_level.begin(), d.top_level.end(), [](HWND h) {
            auto o = FindWindowRecord(h);
            return o && !(o->ex_style & WS_EX_TOPMOST);
        });
        d.top_level.insert(at, hwnd);
    }
    if (!w->parent && !w->message_only)
        platform::present::TheBackend().WindowCreated(hwnd);
}

// The record of a new window, given a handle and entered in the desktop, before its procedure
// hears of it; nothing, with the last error set, when the class is unknown or the window cannot
// hang where it is asked to.
HWND MakeWindowLocked(NewWindow& n, std::shared_ptr<WindowClass>& cls) {
    Desktop& d = TheDesktop();
    cls = FindClassLocked(n.class_name);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    auto w = std::make_shared<Window>();
    if (!AttachNewWindowLocked(*w, n))
        return nullptr;
    ApplyCreationDefaults(n, w->message_only);
    HWND hwnd = reinterpret_cast<HWND>(d.next_handle);
    d.next_handle += 2;
    w->handle = hwnd;
    w->cls = cls;
    w->thread = CurrentThread();
    w->proc = cls->proc;
    w->style = n.style & ~DWORD(WS_VISIBLE);
    w->ex_style = n.ex_style;
    w->instance = n.instance;
    w->extra.assign(size_t(cls->window_extra), 0);
    w->window = RECT{n.x, n.y, n.x + n.width, n.y + n.height};
    w->client = w->window;
    w->surface = std::make_shared<platform::gdi::Surface>();
    ResizeSurfaceLocked(*w);
    InsertNewWindowLocked(d, w, hwnd, n.ex_style);
    return hwnd;
}

// A top-level window is asked for its size limits before any other message.
void SendMinMaxInfo(HWND hwnd) {
    MINMAXINFO mmi{};
    const int screen_width = GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = GetSystemMetrics(SM_CYSCREEN);
    mmi.ptMaxSize = {screen_width, screen_height};
    mmi.ptMaxPosition = {0, 0};
    mmi.ptMinTrackSize = {0, 0};
    mmi.ptMaxTrackSize = {screen_width + 16, screen_height + 16};
    CallProcedure(hwnd, WM_GETMINMAXINFO, 0, LPARAM(&mmi));
}

// The client area the window's procedure makes of its window rectangle (WM_NCCALCSIZE); false
// when the window went away meanwhile.
bool CalculateClientArea(HWND hwnd) {
    RECT rect;
    {
        std::lock_guard lock(DesktopLock());
        auto w = FindWindowRecord(hwnd);
        if (!w)
            return false;
        rect = w->window;
    }
    CallProcedure(hwnd, WM_NCCALCSIZE, FALSE, LPARAM(&rect));
    {
        std::lock_guard lock(DesktopLock());
        auto w = FindWindowRecord(hwnd);
        if (!w)
            return false;
        w->client = rect;
    }
    return true;
}

// The first WM_SIZE and WM_MOVE, from the client area the window has after WM_CREATE; false
// when the window went away meanwhile.
bool SendFirstSizeAndMove(HWND hwnd) {
    RECT client;
    {
        std::lock_guard lock(DesktopLock());
        auto w = FindWindowRecord(hwnd);
        if (!w)
            return false;
        client = w->client;
    }
    CallProcedure(hwnd, WM_SIZE, SIZE_RESTORED,
                  MAKELPARAM(client.right - client.left, client.bottom - client.top));
    CallProcedure(hwnd, WM_MOVE, 0, MAKELPARAM(client.left, client.top));
    return true;
}

} // namespace

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
    NewWindow n{.ex_style = dwExStyle,
                .class_name = lpClassName,
                .style = dwStyle,
                .x = X,
                .y = Y,
                .width = nWidth,
                .height = nHeight,
                .parent = hWndParent,
                .menu = hMenu,
                .instance = hInstance};
    HWND hwnd = nullptr;
    std::shared_ptr<WindowClass> cls;
    {
        std::lock_guard lock(DesktopLock());
        hwnd = MakeWindowLocked(n, cls);
        if (!hwnd)
            return nullptr;
    }

    CREATESTRUCTA cs{lpParam,
                     hInstance,
                     hMenu,
                     hWndParent,
                     n.height,
                     n.width,
                     n.y,
                     n.x,
                     LONG(n.style),
                     lpWindowName,
                     IS_INTRESOURCE(lpClassName) ? cls->name.c_str() : lpClassName,
                     n.ex_style};
    if (!(n.style & WS_CHILD))
        SendMinMaxInfo(hwnd);
    if (!CallProcedure(hwnd, WM_NCCREATE, 0, LPARAM(&cs))) {
        CallProcedure(hwnd, WM_NCDESTROY, 0, 0);
        std::lock_guard lock(DesktopLock());
        ForgetWindowLocked(hwnd);
        return nullptr;
    }
    if (!CalculateClientArea(hwnd))
        return nullptr;
    if (CallProcedure(hwnd, WM_CREATE, 0, LPARAM(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!SendFirstSizeAndMove(hwnd))
        return nullptr;
    if ((n.style & WS_VISIBLE) && IsWindow(hwnd))
        ShowWindow(hwnd, SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    auto w = WindowOrError(hWnd);
    if (!w)
        return FALSE;
    if (w->thread != CurrentThread()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DestroyTree(hWnd, true);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) {
    return FindWindowRecord(hWnd) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    std::lock_guard lock(DesktopLock());
    auto w = FindWindowRecord(hWnd);
    return w && IsVisibleLocked(*w) ? TRUE : FALSE;
}

HWND WINAPI GetParent(HWND hWnd) {
    auto w = WindowOrError(hWnd);
    if (!w)
        return nullptr;
    std::lock_guard lock(DesktopLock());
    if (w->style & WS_CHILD)
        return w->parent;
    if (w->style & WS_POPUP)
        return w->owner;
    return nullptr;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
    auto w = WindowOrError(hWnd);
    if (!w)
        return 0;
    std::lock_guard lock(DesktopLock());
    switch (nIndex) {
    case GWL_STYLE:
        return LONG_PTR(LONG(w->style));
    case GWL_EXSTYLE:
        return LONG_PTR(LONG(w->ex_style));
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_USERDATA:
        return w->user_data;
    case GWLP_ID:
        return w->id;
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    }
    if (nIndex < 0 || size_t(nIndex) + sizeof(LONG_PTR) > w->extra.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    LONG_PTR value;
    std::memcpy(&value, w->extra.data() + nIndex, sizeof value);
    return value;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    auto w = WindowOrError(hWnd);
    if (!w)
        return 0;
    std::lock_guard lock(DesktopLock());
    // A previous value of 0 is told from failure by a cleared last error.
    SetLastError(0);
    LONG_PTR old = 0;
    switch (nIndex) {
    case GWL_STYLE:
        old = LONG(w->style);
        w->style = DWORD(dwNewLong);
        platform::present::TheBackend().WindowChanged(hWnd);
        return old;
    case GWL_EXSTYLE:
        old = LONG(w->ex_style);
        // The topmost bit follows the z-order band and is changed only by SetWindowPos.
        w->ex_style = (DWORD(dwNewLong) & ~DWORD(WS_EX_TOPMOST)) | (w->ex_style & WS_EX_TOPMOST);
        if (!(w->ex_style & WS_EX_LAYERED))
            w->layered_set = false;
        platform::present::TheBackend().WindowChanged(hWnd);
        platform::present::TheBackend().LayeredChanged(hWnd);
        return old;
    case GWLP_WNDPROC:
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(dwNewLong);
        return old;
    case GWLP_USERDATA:
        old = w->user_data;
        w->user_data = dwNewLong;
        return old;
    case GWLP_ID:
        old = w->id;
        w->id = dwNewLong;
        return old;
    case GWLP_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(dwNewLong);
        return old;
    case GWLP_HWNDPARENT:
        if (w->parent)
            return reinterpret_cast<LONG_PTR>(w->parent);
        old = reinterpret_cast<LONG_PTR>(w->owner);
        w->owner = reinterpret_cast<HWND>(dwNewLong);
        return old;
    }
    if (nIndex < 0 || size_t(nIndex) + sizeof(LONG_PTR) > w->extra.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    std::memcpy(&old, w->extra.data() + nIndex, sizeof old);
    std::memcpy(w->extra.data() + nIndex, &dwNewLong, sizeof dwNewLong);
    return old;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    auto w = WindowOrError(hWnd);
    if (!w || !lpRect) {
        if (w)
            SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(DesktopLock());
    *lpRect = WindowRectOnScreen(*w);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    auto w = WindowOrError(hWnd);
    if (!w || !lpRect) {
        if (w)
            SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(DesktopLock());
    *lpRect = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    auto w = WindowOrError(hWnd);
    if (!w || !lpPoint)
        return FALSE;
    std::lock_guard lock(DesktopLock());
    POINT origin = ClientOriginOnScreen(*w);
    lpPoint->x += origin.x;
    lpPoint->y += origin.y;
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    auto w = WindowOrError(hWnd);
    if (!w || !lpPoint)
        return FALSE;
    std::lock_guard lock(DesktopLock());
    POINT origin = ClientOriginOnScreen(*w);
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0)
        return 0;
    lpString[0] = '\0';
    if (!WindowOrError(hWnd))
        return 0;
    return int(SendMessageA(hWnd, WM_GETTEXT, WPARAM(nMaxCount), LPARAM(lpString)));
}

int WINAPI GetWindowTextLengthA(HWND hWnd) {
    if (!WindowOrError(hWnd))
        return 0;
    return int(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    if (!WindowOrError(hWnd))
        return FALSE;
    return SendMessageA(hWnd, WM_SETTEXT, 0, LPARAM(lpString)) ? TRUE : FALSE;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    auto w = WindowOrError(hWnd);
    if (!w)
        return FALSE;
    bool was_disabled;
    {
        std::lock_guard lock(DesktopLock());
        was_disabled = (w->style & WS_DISABLED) != 0;
        if (bEnable)
            w->style &= ~DWORD(WS_DISABLED);
        else
            w->style |= WS_DISABLED;
    }
    if (was_disabled != !bEnable) {
        if (!bEnable && GetFocus() == hWnd)
            SetFocus(nullptr);
        CallProcedure(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    }
    return was_disabled ? TRUE : FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    auto w = FindWindowRecord(hWnd);
    std::lock_guard lock(DesktopLock());
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
    std::lock_guard lock(DesktopLock());
    std::shared_ptr<WindowClass> cls;
    if (lpClassName) {
        cls = FindClassLocked(lpClassName);
        if (!cls)
            return nullptr;
    }
    std::string title = lpWindowName ? LowerName(lpWindowName) : std::string();
    for (HWND h : TheDesktop().top_level) {
        auto w = FindWindowRecord(h);
        if (!w || w->message_only || w->destroying)
            continue;
        if (cls && w->cls != cls)
            continue;
        if (lpWindowName && LowerName(w->text) != title)
            continue;
        return h;
    }
    return nullptr;
}

HWND WINAPI WindowFromPoint(POINT Point) {
    std::lock_guard lock(DesktopLock());
    return WindowAtLocked(Point, nullptr);
}

PELMORA_END_EXTERN_C
