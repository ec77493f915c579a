#include "gdi32/blend.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// The AVX2 path is compiled for its own functions alone and taken when the processor has it.
#if defined(__SSE2__) && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PELMORA_BLEND_AVX2 1
#include <immintrin.h>
#endif

namespace platform::gdi {
namespace {

// One pixel: d * (255 - a) + c * a + 127, divided by 255, per channel. Red and blue are done
// at once, 16 bits apart: each sum stays below 2^16, and (v + 1 + (v >> 8)) >> 8 equals v / 255
// for every such v. A pixel that the glyph covers at all gets a clear top byte.
inline uint32_t BlendPixel(uint32_t p, uint32_t color, uint32_t a) {
    auto divide = [](uint32_t v) {
        return ((v + 0x00010001u + ((v >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    };
    uint32_t rb = (p & 0x00FF00FFu) * (255 - a) + (color & 0x00FF00FFu) * a + 0x007F007Fu;
    uint32_t g = ((p >> 8) & 0xFFu) * (255 - a) + ((color >> 8) & 0xFFu) * a + 0x7Fu;
    return divide(rb) | (divide(g) << 8);
}

// Where a glyph lands: the box it covers inside the clip, its origin, and how far each row may
// be taken several pixels at a time (`wide_end`). Where the glyph is not cut on the right, the
// last pixels of a row go several at a time too: the padding of its coverage rows covers
// nothing, so the pixels past the glyph are written back unchanged (and never past the end of
// the surface's row). A run of n pixels from x is taken whole while x + n <= wide_end.
struct Placement {
    Box box;
    int ox = 0, oy = 0;
    int wide_end = 0;
};

Placement Place(const Surface& s, const Glyph& g, int pen_x, int baseline, const Box& clip) {
    Placement p;
    p.ox = pen_x + g.left;
    p.oy = baseline - g.top;
    p.box = Intersect({p.ox, p.oy, p.ox + g.width, p.oy + g.height}, clip);
    p.wide_end = p.box.right == p.ox + g.width ? std::min(p.ox + g.stride, s.width) : p.box.right;
    return p;
}

inline const uint8_t* CoverageRow(const Glyph& g, const Placement& p, int y) {
    return g.coverage.data() + static_cast<size_t>(y - p.oy) * g.stride - p.ox;
}

inline uint32_t* SurfaceRow(Surface& s, int y) {
    return s.pixels.data() + static_cast<size_t>(y) * s.width;
}

// Pixels x .. end - 1 of a row, one at a time; `cov` is indexed by surface column.
inline void BlendRun(uint32_t* row, const uint8_t* cov, int x, int end, uint32_t color) {
    for (; x < end; ++x) {
        uint32_t a = cov[x];
        if (a == 0)
            continue;
        row[x] = a == 255 ? color : BlendPixel(row[x], color, a);
    }
}

void BlendScalar(Surface& s, const Glyph& g, const Placement& p, uint32_t color) {
    for (int y = p.box.top; y < p.box.bottom; ++y)
        BlendRun(SurfaceRow(s, y), CoverageRow(g, p, y), p.box.left, p.box.right, color);
}

// The vector paths blend every block of pixels, covered or not: an uncovered pixel comes back
// as it was (top byte and all) and a fully covered one as the colour, so testing for either
// would only cost branches that text mispredicts.

#if defined(__SSE2__)
// Four pixels at a time in 16-bit lanes, by the same arithmetic as BlendPixel but for the
// division: each sum v stays below 2^16, and (v * 0x8081) >> 23 equals v / 255 for every such v.
class Quads {
public:
    explicit Quads(uint32_t color)
        : color16_(_mm_unpacklo_epi8(_mm_set1_epi32(int(color)), _mm_setzero_si128())) {}

    // Pixels x .. x + 3.
    void Blend(uint32_t* px, const uint8_t* cov) const {
        uint32_t a4;
        std::memcpy(&a4, cov, sizeof a4);
        const __m128i zero = _mm_setzero_si128();
        __m128i a8 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(a4)), zero);
        __m128i a16 = _mm_unpacklo_epi16(a8, a8);
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px));
        __m128i lo = Channels(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi32(a16, a16));
        __m128i hi = Channels(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi32(a16, a16));
        // An uncovered pixel keeps its top byte; a covered one has it clear.
        __m128i uncovered = _mm_cmpeq_epi32(_mm_unpacklo_epi16(a8, zero), zero);
        __m128i mask = _mm_or_si128(uncovered, _mm_set1_epi32(0x00FFFFFF));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(px),
                         _mm_and_si128(_mm_packus_epi16(lo, hi), mask));
    }

private:
    __m128i Channels(__m128i d, __m128i alpha) const {
        __m128i v = _mm_add_epi16(
            _mm_add_epi16(_mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(255), alpha)),
                          _mm_mullo_epi16(color16_, alpha)),
            _mm_set1_epi16(127));
        return _mm_srli_epi16(_mm_mulhi_epu16(v, _mm_set1_epi16(short(0x8081))), 7);
    }

    __m128i color16_;
};

void BlendSse2(Surface& s, const Glyph& g, const Placement& p, uint32_t color) {
    const Quads quads(color);
    for (int y = p.box.top; y < p.box.bottom; ++y) {
        const uint8_t* cov = CoverageRow(g, p, y);
        uint32_t* row = SurfaceRow(s, y);
        int x = p.box.left;
        for (; x + 4 <= p.wide_end; x += 4)
            quads.Blend(row + x, cov + x);
        BlendRun(row, cov, x, p.box.right, color);
    }
}
#endif

#if defined(PELMORA_BLEND_AVX2)
// Eight pixels at a time, by the arithmetic of Quads in 256-bit registers; a row's last four
// go by Quads. Each 128-bit half holds four pixels, unpacked and packed again within the half.
__attribute__((target("avx2"))) void BlendAvx2(Surface& s, const Glyph& g, const Placement& p,
                                               uint32_t color) {
    const Quads quads(color);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i color16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(int(color)), zero);
    const __m256i full = _mm256_set1_epi16(255);
    const __m256i round = _mm256_set1_epi16(127);
    const __m256i by_255 = _mm256_set1_epi16(short(0x8081));
    const __m256i low_three = _mm256_set1_epi32(0x00FFFFFF);
    // Each pixel's coverage byte into the four bytes of its pixel.
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, //
                                            4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7);
    for (int y = p.box.top; y < p.box.bottom; ++y) {
        const uint8_t* cov = CoverageRow(g, p, y);
        uint32_t* row = SurfaceRow(s, y);
        int x = p.box.left;
        for (; x + 8 <= p.wide_end; x += 8) {
            uint64_t a8;
            std::memcpy(&a8, cov + x, sizeof a8);
            __m256i* px = reinterpret_cast<__m256i*>(row + x);
            __m256i a = _mm256_shuffle_epi8(_mm256_set1_epi64x(static_cast<long long>(a8)), spread);
            __m256i d = _mm256_loadu_si256(px);
            __m256i out[2];
            for (int half = 0; half < 2; ++half) {
                __m256i d16 = half ? _mm256_unpackhi_epi8(d, zero) : _mm256_unpacklo_epi8(d, zero);
                __m256i a16 = half ? _mm256_unpackhi_epi8(a, zero) : _mm256_unpacklo_epi8(a, zero);
                __m256i v = _mm256_add_epi16(
                    _mm256_add_epi16(_mm256_mullo_epi16(d16, _mm256_sub_epi16(full, a16)),
                                     _mm256_mullo_epi16(color16, a16)),
                    round);
                out[half] = _mm256_srli_epi16(_mm256_mulhi_epu16(v, by_255), 7);
            }
            // An uncovered pixel keeps its top byte; a covered one has it clear.
            __m256i mask = _mm256_or_si256(_mm256_cmpeq_epi32(a, zero), low_three);
            _mm256_storeu_si256(px, _mm256_and_si256(_mm256_packus_epi16(out[0], out[1]), mask));
        }
        if (x + 4 <= p.wide_end) {
            quads.Blend(row + x, cov + x);
            x += 4;
        }
        BlendRun(row, cov, x, p.box.right, color);
    }
}
#endif

} // namespace

bool HasBlendPath(BlendPath path) {
    switch (path) {
    case BlendPath::Scalar:
        return true;
    case BlendPath::Sse2:
#if defined(__SSE2__)
        return true;
#else
        return false;
#endif
    case BlendPath::Avx2:
#if defined(PELMORA_BLEND_AVX2)
        __builtin_cpu_init(); // in case of a call before the run-time's own constructors
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

BlendPath FastestBlendPath() {
    static const BlendPath fastest = HasBlendPath(BlendPath::Avx2)   ? BlendPath::Avx2
                                     : HasBlendPath(BlendPath::Sse2) ? BlendPath::Sse2
                                                                     : BlendPath::Scalar;
    return fastest;
}

void BlendGlyph(Surface& s, const Glyph& g, int pen_x, int baseline, uint32_t color,
                const Box& clip, BlendPath path) {
    Placement p = Place(s, g, pen_x, baseline, clip);
    if (p.box.Empty())
        return;
    color &= 0x00FFFFFF;
    switch (path) {
#if defined(PELMORA_BLEND_AVX2)
    case BlendPath::Avx2:
        BlendAvx2(s, g, p, color);
        return;
#endif
#if defined(__SSE2__)
    case BlendPath::Sse2:
        BlendSse2(s, g, p, color);
        return;
#endif
    default:
        BlendScalar(s, g, p, color);
        return;
    }
}

} // namespace platform::gdi
