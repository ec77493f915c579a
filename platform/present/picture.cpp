#include "present/picture.h"

#include "user32/window_manager.h"

#include <algorithm>
#include <memory>

namespace platform::present {

namespace {

constexpr COLORREF kFace = RGB(240, 240, 240);
constexpr COLORREF kFrame = RGB(100, 100, 100);
constexpr COLORREF kHighlight = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(160, 160, 160);
constexpr COLORREF kActiveCaption = RGB(0, 90, 158);
constexpr COLORREF kInactiveCaption = RGB(191, 205, 219);

void Fill(HDC dc, RECT r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// One-pixel lines on the four sides of r: top and left in one colour, bottom and right in another.
void Edge(HDC dc, RECT r, COLORREF top_left, COLORREF bottom_right) {
    Fill(dc, RECT{r.left, r.top, r.right, r.top + 1}, top_left);
    Fill(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, top_left);
    Fill(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottom_right);
    Fill(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottom_right);
}

// The frame of a window in window coordinates: face, border lines, the caption with its title.
void DrawFrame(gdi::Surface& out, const RECT& window, const RECT& client, DWORD style,
               DWORD ex_style, const std::string& title, bool active) {
    auto surface = std::make_shared<gdi::Surface>();
    surface->width = out.width;
    surface->height = out.height;
    surface->pixels.assign(out.pixels.size(), 0);
    HDC dc = gdi::CreateSurfaceDC(surface);
    const RECT all{0, 0, out.width, out.height};
    Fill(dc, all, kFace);
    if (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME) || (ex_style & WS_EX_DLGMODALFRAME)) {
        Edge(dc, all, kFrame, kFrame);
        if (style & (WS_DLGFRAME | WS_THICKFRAME) || (ex_style & WS_EX_DLGMODALFRAME))
            Edge(dc, RECT{1, 1, out.width - 1, out.height - 1}, kHighlight, kShadow);
    }
    const RECT inner{client.left - window.left, client.top - window.top, client.right - window.left,
                     client.bottom - window.top};
    if (ex_style & WS_EX_CLIENTEDGE)
        Edge(dc, RECT{inner.left - 2, inner.top - 2, inner.right + 2, inner.bottom + 2}, kShadow,
             kHighlight);
    if ((style & WS_CAPTION) == WS_CAPTION) {
        const int edge = (ex_style & WS_EX_CLIENTEDGE) ? inner.left - 2 : inner.left;
        RECT bar{edge, edge, out.width - edge,
                 ((ex_style & WS_EX_CLIENTEDGE) ? inner.top - 2 : inner.top) - 1};
        if (bar.bottom > bar.top) {
            Fill(dc, bar, active ? kActiveCaption : kInactiveCaption);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, active ? RGB(255, 255, 255) : RGB(0, 0, 0));
            HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
            RECT text = bar;
            text.left += 4;
            DrawTextA(dc, title.c_str(), int(title.size()), &text,
                      DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SelectObject(dc, old);
        }
    }
    gdi::DeleteSurfaceDC(dc);
    out.pixels = std::move(surface->pixels);
}

void Blit(gdi::Surface& out, const gdi::Surface& pixels, int left, int top) {
    for (int y = 0; y < pixels.height; ++y) {
        const int oy = top + y;
        if (oy < 0 || oy >= out.height)
            continue;
        const int x0 = std::max(0, -left), x1 = std::min(pixels.width, out.width - left);
        if (x1 <= x0)
            continue;
        std::copy_n(&pixels.pixels[size_t(y) * size_t(pixels.width) + size_t(x0)], x1 - x0,
                    &out.pixels[size_t(oy) * size_t(out.width) + size_t(left + x0)]);
    }
}

} // namespace

void ComposeChildren(gdi::Surface& out, HWND hwnd, POINT origin) {
    std::vector<HWND> children;
    {
        std::lock_guard lock(user32::DesktopLock());
        auto w = user32::FindWindowRecord(hwnd);
        if (!w)
            return;
        children = w->children;
    }
    // The first child is the top of the z-order: draw from the last one up.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        gdi::Surface pixels;
        POINT at;
        {
            std::lock_guard lock(user32::DesktopLock());
            auto c = user32::FindWindowRecord(*it);
            if (!c || !(c->style & WS_VISIBLE) || !c->surface)
                continue;
            pixels = *c->surface;
            at = user32::ClientOriginOnScreen(*c);
        }
        Blit(out, pixels, at.x - origin.x, at.y - origin.y);
        ComposeChildren(out, *it, origin);
    }
}

std::optional<gdi::Surface> ComposeWindow(HWND top) {
    gdi::Surface out;
    gdi::Surface client;
    RECT window, client_rect;
    DWORD style, ex_style;
    std::string title;
    bool active;
    {
        std::lock_guard lock(user32::DesktopLock());
        auto w = user32::FindWindowRecord(top);
        if (!w || !w->surface)
            return std::nullopt;
        window = w->window;
        client_rect = w->client;
        style = w->style;
        ex_style = w->ex_style;
        title = w->text;
        active = user32::TheDesktop().foreground == top;
        client = *w->surface;
    }
    out.width = std::max(0, int(window.right - window.left));
    out.height = std::max(0, int(window.bottom - window.top));
    out.pixels.assign(size_t(out.width) * size_t(out.height), 0);
    const bool framed = client_rect.left != window.left || client_rect.top != window.top ||
                        client_rect.right != window.right || client_rect.bottom != window.bottom;
    if (framed)
        DrawFrame(out, window, client_rect, style, ex_style, title, active);
    // The surface holds the client area from its top-left corner; the rest of it is unused.
    gdi::Surface clipped;
    clipped.width = std::clamp(int(client_rect.right - client_rect.left), 0, client.width);
    clipped.height = std::clamp(int(client_rect.bottom - client_rect.top), 0, client.height);
    clipped.pixels.resize(size_t(clipped.width) * size_t(clipped.height));
    for (int y = 0; y < clipped.height; ++y)
        std::copy_n(&client.pixels[size_t(y) * size_t(client.width)], clipped.width,
                    &clipped.pixels[size_t(y) * size_t(clipped.width)]);
    const POINT offset{client_rect.left - window.left, client_rect.top - window.top};
    Blit(out, clipped, offset.x, offset.y);
    ComposeChildren(out, top, POINT{window.left, window.top});
    return out;
}

bool PaintPendingInTree(HWND hwnd) {
    std::vector<HWND> children;
    {
        std::lock_guard lock(user32::DesktopLock());
        auto w = user32::FindWindowRecord(hwnd);
        if (!w || !(w->style & WS_VISIBLE))
            return false;
        if (w->update_pending)
            return true;
        children = w->children;
    }
    return std::any_of(children.begin(), children.end(), PaintPendingInTree);
}

} // namespace platform::present
