// Glyph blending by each path the machine has: every path gives, pixel for pixel, the blend
// worked out here one channel at a time, for every coverage value over varied pixels and for
// glyphs cut by the clip or by the surface's edges. A path the machine lacks is skipped.
#include "gdi32/blend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::gdi::BlendGlyph;
using platform::gdi::BlendPath;
using platform::gdi::Box;
using platform::gdi::Glyph;
using platform::gdi::HasBlendPath;
using platform::gdi::Surface;

// A glyph of `coverage(x, y)`, its rows padded to a multiple of four with zeros as the fonts
// pad them, standing on the baseline with its top `height` above it.
template <typename Coverage> Glyph MakeGlyph(int width, int height, Coverage coverage) {
    Glyph g;
    g.width = width;
    g.height = height;
    g.top = height;
    g.advance = width;
    g.stride = (width + 3) / 4 * 4;
    g.coverage.assign(static_cast<size_t>(g.stride) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            g.coverage[size_t(y) * g.stride + x] = static_cast<uint8_t>(coverage(x, y));
    return g;
}

// Pixels of every kind: random channels, and top bytes clear, set and random.
Surface VariedSurface(int width, int height, unsigned seed) {
    Surface s;
    s.width = width;
    s.height = height;
    std::mt19937 random(seed);
    for (int i = 0; i < width * height; ++i) {
        uint32_t top = i % 3 == 0 ? 0 : i % 3 == 1 ? 0xFF000000u : random() & 0xFF000000u;
        s.pixels.push_back(top | (random() & 0x00FFFFFFu));
    }
    return s;
}

// Each channel (under * (255 - a) + text * a + 127) / 255; an uncovered pixel stays as it was,
// top byte and all, and a covered one has its top byte clear.
uint32_t Blended(uint32_t under, uint32_t color, int a) {
    if (a == 0)
        return under;
    uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
        int d = int(under >> shift) & 0xFF, c = int(color >> shift) & 0xFF;
        out |= uint32_t((d * (255 - a) + c * a + 127) / 255) << shift;
    }
    return out;
}

// The surface as the glyph at (pen_x, baseline) blended inside the clip should leave it.
Surface Expected(const Surface& before, const Glyph& g, int pen_x, int baseline, uint32_t color,
                 const Box& clip) {
    Surface s = before;
    int ox = pen_x + g.left, oy = baseline - g.top;
    for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
            int sx = ox + x, sy = oy + y;
            if (sx < clip.left || sx >= clip.right || sy < clip.top || sy >= clip.bottom)
                continue;
            uint32_t& p = s.pixels[size_t(sy) * s.width + sx];
            p = Blended(p, color, g.coverage[size_t(y) * g.stride + x]);
        }
    }
    return s;
}

class Blend : public testing::TestWithParam<BlendPath> {
protected:
    void SetUp() override {
        if (!HasBlendPath(GetParam()))
            GTEST_SKIP() << "this machine or build has no such path";
    }

    // Blends by the path under test and compares every pixel of the surface with Expected.
    void Check(const Surface& before, const Glyph& g, int pen_x, int baseline, uint32_t color,
               const Box& clip) {
        Surface s = before;
        BlendGlyph(s, g, pen_x, baseline, color, clip, GetParam());
        Surface want = Expected(before, g, pen_x, baseline, color, clip);
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                size_t i = size_t(y) * s.width + x;
                ASSERT_EQ(s.pixels[i], want.pixels[i])
                    << "at " << x << "," << y << " under " << std::hex << before.pixels[i]
                    << " colour " << color;
            }
    }
};

const uint32_t COLORS[] = {0x000000, 0xFFFFFF, 0xC81E5A, 0x7F807F, 0xFF00FF80};

// Row a has coverage a, and column d has a pixel whose channels are d, 255 - d and 37 d: every
// coverage value over every channel value, in each colour.
TEST_P(Blend, EveryCoverageOverEveryChannelValue) {
    Glyph g = MakeGlyph(256, 256, [](int, int y) { return y; });
    Surface before = VariedSurface(256, 256, 7);
    for (int y = 0; y < 256; ++y)
        for (int d = 0; d < 256; ++d) {
            uint32_t& p = before.pixels[size_t(y) * 256 + d];
            p = (p & 0xFF000000u) | uint32_t(d) << 16 | uint32_t(255 - d) << 8 | ((37 * d) & 0xFF);
        }
    for (uint32_t color : COLORS) {
        SCOPED_TRACE(color);
        Check(before, g, 0, 256, color, {0, 0, 256, 256});
    }
}

// Glyphs of every width modulo eight, at every start modulo eight, so that rows end in whole
// blocks, in part blocks and in single pixels; their coverage runs through every value.
TEST_P(Blend, GlyphsOfEveryWidthAndStart) {
    for (int width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 15, 16, 17, 23, 24, 29}) {
        int height = 256 / width + 2;
        Glyph g = MakeGlyph(width, height, [&](int x, int y) { return (y * width + x) * 7 % 256; });
        for (int start = 0; start < 8; ++start) {
            SCOPED_TRACE(std::to_string(width) + " wide from " + std::to_string(start));
            Surface before = VariedSurface(48, height + 2, unsigned(width * 8 + start));
            for (uint32_t color : COLORS)
                Check(before, g, 3 + start, height + 1, color, {0, 0, 48, height + 2});
        }
    }
}

// The clip cuts the glyph on each side by every amount, or leaves nothing of it; the surface's
// right edge cuts it, or ends just at it with the padding of its rows past the edge; it stands
// in the bottom right corner, where a read or write past the row's end would leave the pixels
// (AddressSanitizer watches them), or past the left edge.
TEST_P(Blend, GlyphsCutByTheClipAndTheSurfacesEdges) {
    struct Case {
        const char* name;
        int surface_width, surface_height;
        int pen_x, baseline;
        Box clip; // within the surface
    };
    for (int width : {3, 6, 9, 13, 20}) {
        const int height = 12;
        Glyph g = MakeGlyph(width, height, [](int x, int y) { return 40 + 19 * x + 23 * y; });
        std::vector<Case> cases;
        for (int cut = 1; cut < width; ++cut) {
            cases.push_back({"left", 40, 20, 10, 14, {10 + cut, 0, 40, 20}});
            cases.push_back({"right", 40, 20, 10, 14, {0, 0, 10 + cut, 20}});
            cases.push_back({"both sides", 40, 20, 10, 14, {10 + cut / 2, 0, 10 + cut, 20}});
            cases.push_back({"surface's right edge", 10 + cut, 20, 10, 14, {0, 0, 10 + cut, 20}});
        }
        for (int cut = 1; cut < height; ++cut) {
            cases.push_back({"top", 40, 20, 10, 14, {0, 2 + cut, 40, 20}});
            cases.push_back({"bottom", 40, 20, 10, 14, {0, 0, 40, 2 + cut}});
        }
        for (int pad = 0; pad < 8; ++pad)
            cases.push_back({"ends at the right edge",
                             10 + width + pad,
                             20,
                             10,
                             14,
                             {0, 0, 10 + width + pad, 20}});
        cases.push_back(
            {"bottom right corner", 10 + width, height, 10, height, {0, 0, 10 + width, height}});
        cases.push_back({"past the left edge", 40, 20, -2, 14, {0, 0, 40, 20}});
        cases.push_back({"outside the clip", 40, 20, 10, 14, {10 + width, 0, 40, 20}});
        cases.push_back({"clip empty", 40, 20, 10, 14, {12, 5, 12, 9}});
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(width) + " wide, clip " +
                         std::to_string(c.clip.left) + ".." + std::to_string(c.clip.right) + " x " +
                         std::to_string(c.clip.top) + ".." + std::to_string(c.clip.bottom));
            Surface before = VariedSurface(c.surface_width, c.surface_height, 11);
            for (uint32_t color : {0x000000u, 0xC81E5Au})
                Check(before, g, c.pen_x, c.baseline, color, c.clip);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, Blend,
                         testing::Values(BlendPath::Scalar, BlendPath::Sse2, BlendPath::Avx2),
                         [](const testing::TestParamInfo<BlendPath>& info) {
                             switch (info.param) {
                             case BlendPath::Scalar:
                                 return std::string("Scalar");
                             case BlendPath::Sse2:
                                 return std::string("Sse2");
                             case BlendPath::Avx2:
                                 return std::string("Avx2");
                             }
                             return std::string("Unknown");
                         });

} // namespace
