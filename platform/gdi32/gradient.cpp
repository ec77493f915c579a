// msimg32's GradientFill, for rectangles.
#include "gdi32/objects.h"

#include <algorithm>

namespace platform::gdi {
namespace {

struct Channels {
    int r, g, b; // 16-bit channel values
};

Channels ChannelsOf(const TRIVERTEX& v) {
    return {v.Red, v.Green, v.Blue};
}

// The colour at step i of n steps from a to b: both ends exact, never overshooting.
uint32_t Interpolate(const Channels& a, const Channels& b, int64_t i, int64_t n) {
    auto mix = [&](int from, int to) -> uint32_t {
        int64_t v = n <= 1 ? from : from + (int64_t{to} - from) * i / (n - 1);
        return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 0xFFFF) >> 8);
    };
    return (mix(a.r, b.r) << 16) | (mix(a.g, b.g) << 8) | mix(a.b, b.b);
}

void FillGradientRect(Surface& s, const TRIVERTEX& v1, const TRIVERTEX& v2, bool vertical) {
    // The rectangle spans the two vertices whichever corner each names; the colours stay with
    // their vertices.
    const TRIVERTEX& first = vertical ? (v1.y <= v2.y ? v1 : v2) : (v1.x <= v2.x ? v1 : v2);
    const TRIVERTEX& second = &first == &v1 ? v2 : v1;
    Box r{std::min(v1.x, v2.x), std::min(v1.y, v2.y), std::max(v1.x, v2.x), std::max(v1.y, v2.y)};
    Box clipped = Intersect(r, BoundsOf(s));
    if (clipped.Empty())
        return;
    Channels a = ChannelsOf(first), b = ChannelsOf(second);
    if (vertical) {
        int64_t n = int64_t{r.bottom} - r.top;
        for (int y = clipped.top; y < clipped.bottom; ++y)
            FillBox(s, {clipped.left, y, clipped.right, y + 1}, Interpolate(a, b, y - r.top, n));
    } else {
        int64_t n = int64_t{r.right} - r.left;
        for (int x = clipped.left; x < clipped.right; ++x) {
            uint32_t pixel = Interpolate(a, b, x - r.left, n);
            for (int y = clipped.top; y < clipped.bottom; ++y)
                s.pixels[static_cast<size_t>(y) * s.width + x] = pixel;
        }
    }
}

} // namespace
} // namespace platform::gdi

using namespace platform::gdi;

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI GradientFill(HDC hdc, PTRIVERTEX pVertex, ULONG nVertex, PVOID pMesh, ULONG nMesh,
                         ULONG ulMode) {
    Surface* s = SurfaceOf(hdc);
    // Only the two rectangle modes: a triangle mesh has another record size, and reading a
    // rectangle mesh as triangles would run past the caller's array.
    if (!s || !pVertex || !pMesh ||
        (ulMode != GRADIENT_FILL_RECT_H && ulMode != GRADIENT_FILL_RECT_V)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* mesh = static_cast<const GRADIENT_RECT*>(pMesh);
    for (ULONG i = 0; i < nMesh; ++i) {
        if (mesh[i].UpperLeft >= nVertex || mesh[i].LowerRight >= nVertex) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    }
    for (ULONG i = 0; i < nMesh; ++i)
        FillGradientRect(*s, pVertex[mesh[i].UpperLeft], pVertex[mesh[i].LowerRight],
                         ulMode == GRADIENT_FILL_RECT_V);
    return TRUE;
}

PELMORA_END_EXTERN_C
