#include "user32/compose.h"

#include "user32/window_manager.h"

namespace platform::user32 {

namespace {

void Compose(gdi::Surface& out, HWND hwnd, POINT origin, int depth) {
    std::vector<HWND> children;
    {
        auto w = FindWindowRecord(hwnd);
        if (!w || depth > 32)
            return;
        std::lock_guard lock(DesktopLock());
        children = w->children;
    }
    // The first child is the top of the z-order: draw from the last one up.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        auto c = FindWindowRecord(*it);
        if (!c)
            continue;
        gdi::Surface pixels;
        POINT at;
        {
            std::lock_guard lock(DesktopLock());
            if (!(c->style & WS_VISIBLE) || !c->surface)
                continue;
            pixels = *c->surface;
            at = ClientOriginOnScreen(*c);
        }
        int left = at.x - origin.x, top = at.y - origin.y;
        for (int y = 0; y < pixels.height; ++y) {
            int oy = top + y;
            if (oy < 0 || oy >= out.height)
                continue;
            for (int x = 0; x < pixels.width; ++x) {
                int ox = left + x;
                if (ox >= 0 && ox < out.width)
                    out.pixels[size_t(oy) * size_t(out.width) + size_t(ox)] =
                        pixels.pixels[size_t(y) * size_t(pixels.width) + size_t(x)];
            }
        }
        Compose(out, *it, origin, depth + 1);
    }
}

} // namespace

std::optional<gdi::Surface> ComposeWindow(HWND hwnd) {
    gdi::Surface out;
    POINT origin;
    {
        auto w = FindWindowRecord(hwnd);
        if (!w)
            return std::nullopt;
        std::lock_guard lock(DesktopLock());
        if (!w->surface)
            return std::nullopt;
        out = *w->surface;
        origin = ClientOriginOnScreen(*w);
    }
    Compose(out, hwnd, origin, 0);
    return out;
}

SIZE ClientSize(HWND hwnd) {
    auto w = FindWindowRecord(hwnd);
    if (!w)
        return SIZE{0, 0};
    std::lock_guard lock(DesktopLock());
    return SIZE{w->client.right - w->client.left, w->client.bottom - w->client.top};
}

} // namespace platform::user32
