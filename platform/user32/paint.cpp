#include "present/present.h"
#include "user32/window_manager.h"

#include <algorithm>
#include <cstring>

namespace platform::user32 {

namespace {

RECT Union(const RECT& a, const RECT& b) {
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool Empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

HDC OwnDCLocked(Window& w) {
    if (!w.own_dc)
        w.own_dc = gdi::CreateSurfaceDC(w.surface);
    return w.own_dc;
}

bool OwnsDC(const Window& w) {
    return (w.cls->style & CS_OWNDC) != 0;
}

void InvalidateLocked(Window& w, const RECT* rect, bool erase) {
    RECT client{0, 0, w.client.right - w.client.left, w.client.bottom - w.client.top};
    RECT r = rect ? *rect : client;
    r = RECT{std::max(r.left, client.left), std::max(r.top, client.top),
             std::min(r.right, client.right), std::min(r.bottom, client.bottom)};
    if (Empty(r))
        return;
    w.update = w.update_pending ? Union(w.update, r) : r;
    w.update_pending = true;
    w.erase_pending = w.erase_pending || erase;
}

} // namespace

void ResizeSurfaceLocked(Window& w) {
    if (!w.surface)
        return;
    int width = std::max(0, int(w.window.right - w.window.left));
    int height = std::max(0, int(w.window.bottom - w.window.top));
    gdi::Surface& s = *w.surface;
    if (s.width == width && s.height == height)
        return;
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0);
    int rows = std::min(height, s.height), cols = std::min(width, s.width);
    for (int y = 0; y < rows; ++y)
        std::memcpy(&pixels[size_t(y) * size_t(width)], &s.pixels[size_t(y) * size_t(s.width)],
                    size_t(cols) * sizeof(uint32_t));
    s.pixels = std::move(pixels);
    s.width = width;
    s.height = height;
}

void ReleaseWindowDCsLocked(Window& w) {
    for (HDC dc : w.dcs)
        gdi::DeleteSurfaceDC(dc);
    w.dcs.clear();
    if (w.own_dc)
        gdi::DeleteSurfaceDC(w.own_dc);
    w.own_dc = nullptr;
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    std::lock_guard lock(DesktopLock());
    if (!hWnd) {
        // No window: every top-level window is redrawn whole.
        for (HWND h : TheDesktop().top_level)
            if (auto w = FindWindowRecord(h))
                InvalidateLocked(*w, nullptr, bErase != FALSE);
        return TRUE;
    }
    auto w = WindowOrError(hWnd);
    if (!w)
        return FALSE;
    InvalidateLocked(*w, lpRect, bErase != FALSE);
    QueueOf(w->thread).Wake();
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect) {
    std::lock_guard lock(DesktopLock());
    auto w = WindowOrError(hWnd);
    if (!w)
        return FALSE;
    if (!lpRect) {
        w->update_pending = false;
        w->erase_pending = false;
        return TRUE;
    }
    // A rectangle validates the update area only when it covers it; the update area is kept
    // as one rectangle, so a partial validation leaves it whole.
    const RECT& u = w->update;
    if (lpRect->left <= u.left && lpRect->top <= u.top && lpRect->right >= u.right &&
        lpRect->bottom >= u.bottom) {
        w->update_pending = false;
        w->erase_pending = false;
    }
    return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL) {
    std::lock_guard lock(DesktopLock());
    auto w = WindowOrError(hWnd);
    if (!w)
        return FALSE;
    if (lpRect)
        *lpRect = w->update_pending ? w->update : RECT{};
    return w->update_pending ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
    bool paint;
    {
        std::lock_guard lock(DesktopLock());
        auto w = WindowOrError(hWnd);
        if (!w)
            return FALSE;
        paint = w->update_pending && IsVisibleLocked(*w);
    }
    if (paint)
        SendMessageA(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (!lpPaint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::memset(lpPaint, 0, sizeof *lpPaint);
    HDC dc;
    bool erase;
    {
        std::lock_guard lock(DesktopLock());
        auto w = WindowOrError(hWnd);
        if (!w)
            return nullptr;
        lpPaint->rcPaint = w->update_pending ? w->update : RECT{};
        erase = w->erase_pending;
        w->update_pending = false;
        w->erase_pending = false;
        if (OwnsDC(*w)) {
            dc = OwnDCLocked(*w);
        } else {
            dc = platform::gdi::CreateSurfaceDC(w->surface);
            w->dcs.push_back(dc);
        }
    }
    lpPaint->hdc = dc;
    lpPaint->fErase = FALSE;
    if (erase)
        lpPaint->fErase = SendMessageA(hWnd, WM_ERASEBKGND, WPARAM(dc), 0) ? FALSE : TRUE;
    return dc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    if (!lpPaint)
        return FALSE;
    // Releasing the paint DC shows what was drawn.
    ReleaseDC(hWnd, lpPaint->hdc);
    return TRUE;
}

HDC WINAPI GetDC(HWND hWnd) {
    std::lock_guard lock(DesktopLock());
    if (!hWnd) {
        // The screen's DC: a DC to measure and create compatible objects with.
        Desktop& d = TheDesktop();
        if (!d.screen_surface) {
            d.screen_surface = std::make_shared<platform::gdi::Surface>();
            d.screen_surface->width = 1;
            d.screen_surface->height = 1;
            d.screen_surface->pixels.assign(1, 0);
        }
        HDC dc = platform::gdi::CreateSurfaceDC(d.screen_surface);
        d.screen_dcs.push_back(dc);
        return dc;
    }
    auto w = WindowOrError(hWnd);
    if (!w)
        return nullptr;
    if (OwnsDC(*w))
        return OwnDCLocked(*w);
    HDC dc = platform::gdi::CreateSurfaceDC(w->surface);
    w->dcs.push_back(dc);
    return dc;
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
    const int released = ReleaseWindowDC(hWnd, hDC);
    // What was drawn through a window's DC reaches the screen (and the snapshot) now, not at the
    // next paint.
    if (released && hWnd)
        platform::present::WindowPainted(hWnd);
    return released;
}

PELMORA_END_EXTERN_C

namespace platform::user32 {

int ReleaseWindowDC(HWND hWnd, HDC hDC) {
    if (!hDC)
        return 0;
    std::lock_guard lock(DesktopLock());
    if (!hWnd) {
        auto& screen = TheDesktop().screen_dcs;
        auto it = std::find(screen.begin(), screen.end(), hDC);
        if (it == screen.end())
            return 0;
        screen.erase(it);
        platform::gdi::DeleteSurfaceDC(hDC);
        return 1;
    }
    auto w = FindWindowRecord(hWnd);
    if (!w)
        return 0;
    if (hDC == w->own_dc)
        return 1; // a class DC lives as long as its window
    auto it = std::find(w->dcs.begin(), w->dcs.end(), hDC);
    if (it == w->dcs.end())
        return 0;
    w->dcs.erase(it);
    platform::gdi::DeleteSurfaceDC(hDC);
    return 1;
}

} // namespace platform::user32
