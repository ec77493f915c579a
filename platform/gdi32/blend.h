// Blending a glyph's coverage over a surface in the text colour, by the widest vector path that
// the machine has: AVX2 (eight pixels at a time, chosen at run time), SSE2 (four) or one pixel
// at a time. Every path gives the same pixels.
#pragma once

#include "gdi32/fonts.h"
#include "gdi32/objects.h"

#include <cstdint>

namespace platform::gdi {

enum class BlendPath { Scalar, Sse2, Avx2 };

// Whether this build, on this machine, can blend by the path.
bool HasBlendPath(BlendPath path);
// The widest path that HasBlendPath, looked up once.
BlendPath FastestBlendPath();

// Blends the glyph drawn at the pen position on the baseline inside the clip box (which lies
// within the surface), by a path that HasBlendPath. The colour's top byte is not used: a pixel
// that the glyph covers at all ends with that byte clear, the others keep theirs.
void BlendGlyph(Surface& s, const Glyph& g, int pen_x, int baseline, uint32_t color,
                const Box& clip, BlendPath path);

} // namespace platform::gdi
