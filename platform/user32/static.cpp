// The "Static" class: texts, frames and icons.
#include "user32/controls.h"

#include "gdi32/objects.h"
#include "user32/icons.h"
#include "user32/window_manager.h"

#include <algorithm>

namespace platform::user32 {

namespace {

struct StaticState {
    HFONT font = nullptr;
    HICON icon = nullptr;
};

ControlStates<StaticState>& States() {
    static ControlStates<StaticState> states;
    return states;
}

// Puts an icon's pixels over the DC's surface at (x, y), blending by the icon's alpha.
void DrawIconPixels(HDC dc, HICON handle, int x, int y) {
    auto icon = FindIcon(handle);
    gdi::Surface* s = gdi::SurfaceOf(dc);
    if (!icon || !s)
        return;
    for (int iy = 0; iy < icon->height; ++iy) {
        int sy = y + iy;
        if (sy < 0 || sy >= s->height)
            continue;
        for (int ix = 0; ix < icon->width; ++ix) {
            int sx = x + ix;
            if (sx < 0 || sx >= s->width)
                continue;
            uint32_t p = icon->pixels[size_t(iy) * size_t(icon->width) + size_t(ix)];
            uint32_t a = p >> 24;
            if (a == 0)
                continue;
            uint32_t& d = s->pixels[size_t(sy) * size_t(s->width) + size_t(sx)];
            auto mix = [a](uint32_t dst, uint32_t src) {
                return (dst * (255 - a) + src * a) / 255;
            };
            d = (mix((d >> 16) & 0xFF, (p >> 16) & 0xFF) << 16) |
                (mix((d >> 8) & 0xFF, (p >> 8) & 0xFF) << 8) | mix(d & 0xFF, p & 0xFF);
        }
    }
}

void Paint(HWND hwnd, const StaticState& s) {
    ControlPainter p(hwnd, s.font);
    if (!p.dc())
        return;
    const DWORD style = StyleOf(hwnd);
    const DWORD type = style & SS_TYPEMASK;
    RECT r = p.client();
    p.Fill(r, colors::kFace);
    switch (type) {
    case SS_ICON:
        if (s.icon) {
            auto icon = FindIcon(s.icon);
            int x = r.left, y = r.top;
            if (icon && (style & SS_CENTERIMAGE)) {
                x = (r.right - r.left - icon->width) / 2;
                y = (r.bottom - r.top - icon->height) / 2;
            }
            DrawIconPixels(p.dc(), s.icon, x, y);
        }
        return;
    case SS_BLACKRECT:
        p.Fill(r, colors::kText);
        return;
    case SS_GRAYRECT:
        p.Fill(r, colors::kFrame);
        return;
    case SS_WHITERECT:
        p.Fill(r, colors::kWindow);
        return;
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME:
    case SS_ETCHEDFRAME:
    case SS_ETCHEDHORZ:
    case SS_ETCHEDVERT:
        p.Frame(r, colors::kFrame);
        return;
    default:
        break;
    }
    const std::string text = StoredText(hwnd);
    UINT format = DT_WORDBREAK;
    if (type == SS_CENTER)
        format |= DT_CENTER;
    else if (type == SS_RIGHT)
        format |= DT_RIGHT;
    else if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP)
        format = DT_SINGLELINE;
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    if (style & SS_CENTERIMAGE)
        format = (format & ~UINT(DT_WORDBREAK)) | DT_SINGLELINE | DT_VCENTER;
    p.Text(text, r, format, (style & WS_DISABLED) ? colors::kGrayText : colors::kText);
}

// An icon control takes the size of its icon, whatever size it was made with (none while it
// has no icon), unless it centres the icon in that size.
void FitToIcon(HWND hwnd, HICON handle) {
    const DWORD style = StyleOf(hwnd);
    if ((style & SS_TYPEMASK) != SS_ICON || (style & SS_CENTERIMAGE))
        return;
    auto icon = FindIcon(handle);
    SetWindowPos(hwnd, nullptr, 0, 0, icon ? icon->width : 0, icon ? icon->height : 0,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto s = States().ForMessage(hwnd, message);
    if (!s)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_SETTEXT:
        return SetTextAndRedraw(hwnd, message, wparam, lparam);
    case WM_CREATE:
        FitToIcon(hwnd, nullptr);
        break;
    case STM_SETICON: {
        HICON old = s->icon;
        s->icon = FindIcon(HICON(wparam)) ? HICON(wparam) : nullptr;
        if (s->icon)
            FitToIcon(hwnd, s->icon);
        Redraw(hwnd);
        return LRESULT(old);
    }
    case STM_GETICON:
        return LRESULT(s->icon);
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_NCHITTEST:
        // Clicks go through a static to its parent unless it asks for them.
        return (StyleOf(hwnd) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_LBUTTONDOWN:
        if (StyleOf(hwnd) & SS_NOTIFY)
            NotifyParent(hwnd, 0);
        return 0;
    case WM_PAINT:
        Paint(hwnd, *s);
        return 0;
    }
    return States().Default(hwnd, message, wparam, lparam, &s->font);
}

[[maybe_unused]] const bool registered = AddSystemClass({"Static", StaticProc});

} // namespace

} // namespace platform::user32
