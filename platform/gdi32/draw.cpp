// Pixels, rectangles, lines and blits.
#include "gdi32/objects.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform::gdi {
namespace {

Box BoxOf(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

void PutPixel(Surface& s, int x, int y, uint32_t pixel) {
    if (x >= 0 && y >= 0 && x < s.width && y < s.height)
        s.pixels[static_cast<size_t>(y) * s.width + x] = pixel;
}

// Applies a raster operation to one destination pixel.
uint32_t Raster(DWORD rop, uint32_t dst, uint32_t src, uint32_t pattern) {
    switch (rop) {
    case SRCCOPY:
        return src;
    case SRCPAINT:
        return dst | src;
    case SRCAND:
        return dst & src;
    case SRCINVERT:
        return dst ^ src;
    case PATCOPY:
        return pattern;
    case DSTINVERT:
        return ~dst & 0xFFFFFF;
    case BLACKNESS:
        return 0;
    case WHITENESS:
        return 0xFFFFFF;
    default:
        return dst;
    }
}

bool NeedsSource(DWORD rop) {
    return rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND || rop == SRCINVERT;
}

} // namespace
} // namespace platform::gdi

using namespace platform::gdi;

PELMORA_BEGIN_EXTERN_C

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    Surface* s = SurfaceOf(hdc);
    if (!s || x < 0 || y < 0 || x >= s->width || y >= s->height)
        return CLR_INVALID;
    return ColorFromPixel(s->pixels[static_cast<size_t>(y) * s->width + x]);
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    Surface* s = SurfaceOf(hdc);
    if (!s || x < 0 || y < 0 || x >= s->width || y >= s->height)
        return CLR_INVALID;
    s->pixels[static_cast<size_t>(y) * s->width + x] = PixelFromColor(color);
    return color & 0xFFFFFF;
}

int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    Surface* s = SurfaceOf(hDC);
    auto brush = BrushOf(hbr);
    if (!s || !lprc || !brush) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!brush->hollow)
        FillBox(*s, Intersect(BoxOf(*lprc), BoundsOf(*s)), PixelFromColor(brush->color));
    return 1;
}

int WINAPI FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    Surface* s = SurfaceOf(hDC);
    auto brush = BrushOf(hbr);
    if (!s || !lprc || !brush) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Box r = BoxOf(*lprc);
    if (r.Empty() || brush->hollow)
        return 1;
    uint32_t pixel = PixelFromColor(brush->color);
    Box bounds = BoundsOf(*s);
    FillBox(*s, Intersect({r.left, r.top, r.right, r.top + 1}, bounds), pixel);
    FillBox(*s, Intersect({r.left, r.bottom - 1, r.right, r.bottom}, bounds), pixel);
    FillBox(*s, Intersect({r.left, r.top, r.left + 1, r.bottom}, bounds), pixel);
    FillBox(*s, Intersect({r.right - 1, r.top, r.right, r.bottom}, bounds), pixel);
    return 1;
}

BOOL WINAPI DrawFocusRect(HDC hDC, const RECT* lprc) {
    Surface* s = SurfaceOf(hDC);
    if (!s || !lprc)
        return FALSE;
    Box r = BoxOf(*lprc);
    if (r.Empty())
        return TRUE;
    // A dotted frame drawn by inverting every other pixel, so that a second call takes it away.
    auto invert = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < s->width && y < s->height) {
            uint32_t& p = s->pixels[static_cast<size_t>(y) * s->width + x];
            p = ~p & 0xFFFFFF;
        }
    };
    for (int x = r.left; x < r.right; x += 2) {
        invert(x, r.top);
        if (r.bottom - 1 != r.top)
            invert(x, r.bottom - 1);
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        if (((y - r.top) & 1) != 0)
            continue;
        invert(r.left, y);
        if (r.right - 1 != r.left)
            invert(r.right - 1, y);
    }
    return TRUE;
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    auto dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    if (lppt)
        *lppt = dc->position;
    dc->position = {x, y};
    return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    auto dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    auto pen = FindObjectAs<Pen>(dc->pen);
    POINT from = dc->position;
    dc->position = {x, y};
    if (!pen || pen->style == PS_NULL || !SurfaceOf(*dc))
        return TRUE;
    Surface& s = *SurfaceOf(*dc);
    uint32_t pixel = PixelFromColor(pen->color);
    int w = pen->width;
    auto plot = [&](int px, int py) {
        if (w <= 1) {
            PutPixel(s, px, py, pixel);
            return;
        }
        int left = px - w / 2, top = py - w / 2;
        FillBox(s, Intersect({left, top, left + w, top + w}, BoundsOf(s)), pixel);
    };
    // Bresenham from the current position; the end point is left out, so that joined lines
    // draw each corner once.
    int x0 = from.x, y0 = from.y;
    int dx = std::abs(x - x0), sx = x0 < x ? 1 : -1;
    int dy = -std::abs(y - y0), sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    while (x0 != x || y0 != y) {
        plot(x0, y0);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
    return TRUE;
}

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    auto dst_dc = FindDC(hdc);
    if (!dst_dc || !SurfaceOf(*dst_dc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Surface& dst = *SurfaceOf(*dst_dc);
    Surface* src = nullptr;
    if (NeedsSource(rop)) {
        src = SurfaceOf(hdcSrc);
        if (!src) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
    }
    if (cx <= 0 || cy <= 0)
        return TRUE;
    // Clip against the destination and, when there is one, the source; both rectangles shrink
    // together so that every copied pixel keeps its offset.
    int64_t left = std::max<int64_t>({0, -int64_t{x}, src ? -int64_t{x1} : 0});
    int64_t top = std::max<int64_t>({0, -int64_t{y}, src ? -int64_t{y1} : 0});
    int64_t right = std::min<int64_t>(cx, int64_t{dst.width} - x);
    int64_t bottom = std::min<int64_t>(cy, int64_t{dst.height} - y);
    if (src) {
        right = std::min<int64_t>(right, int64_t{src->width} - x1);
        bottom = std::min<int64_t>(bottom, int64_t{src->height} - y1);
    }
    if (right <= left || bottom <= top)
        return TRUE;
    uint32_t pattern = 0;
    if (auto brush = FindObjectAs<Brush>(dst_dc->brush))
        pattern = PixelFromColor(brush->color);
    int width = static_cast<int>(right - left);
    std::vector<uint32_t> row(width);
    // Rows run bottom-up when the copy moves down within one surface, so that no source row is
    // overwritten before it is read.
    bool upward = src == &dst && y > y1;
    for (int64_t i = 0; i < bottom - top; ++i) {
        int64_t oy = upward ? bottom - 1 - i : top + i;
        uint32_t* d = dst.pixels.data() + static_cast<size_t>(y + oy) * dst.width + (x + left);
        if (rop == SRCCOPY) {
            // memmove: the rows may overlap within one surface.
            std::memmove(
                d, src->pixels.data() + static_cast<size_t>(y1 + oy) * src->width + (x1 + left),
                static_cast<size_t>(width) * sizeof(uint32_t));
            continue;
        }
        if (src) {
            const uint32_t* sp =
                src->pixels.data() + static_cast<size_t>(y1 + oy) * src->width + (x1 + left);
            std::copy(sp, sp + width, row.begin());
        }
        for (int k = 0; k < width; ++k)
            d[k] = Raster(rop, d[k], row[k], pattern);
    }
    return TRUE;
}

PELMORA_END_EXTERN_C
