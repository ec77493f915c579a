// Fonts: a LOGFONTA matched through fontconfig to a face on this machine and rendered with
// FreeType at the pixel size that the LOGFONTA asks for, with a cache of rendered glyphs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::gdi {

// One rendered glyph: 8-bit coverage, placed relative to the pen position on the baseline.
struct Glyph {
    int left = 0; // from the pen position to the first column
    int top = 0;  // from the baseline up to the first row
    int width = 0;
    int height = 0;
    int advance = 0; // whole pixels
    // Rows of `stride` bytes, the width rounded up to four; the bytes past the width are 0, so
    // that a row can be read four pixels at a time.
    int stride = 0;
    std::vector<uint8_t> coverage;
};

// Cell metrics in pixels, as TEXTMETRICA reports them.
struct FontMetrics {
    int height = 0; // ascent + descent: the cell height
    int ascent = 0;
    int descent = 0;
    int internal_leading = 0; // height - the character height (em)
    int external_leading = 0;
    int ave_char_width = 0;
    int max_char_width = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strike_out = false;
    BYTE charset = DEFAULT_CHARSET;
    BYTE pitch_and_family = 0;
    int underline_position = 0; // below the baseline
    int underline_thickness = 1;
};

class FontInstance {
public:
    virtual ~FontInstance() = default;
    virtual const FontMetrics& Metrics() const = 0;
    // The glyph of a character (from a fallback face when the matched face lacks it); a
    // character that no face has draws the matched face's missing-glyph box. The reference holds
    // until the next GlyphOf of the font (a full cache starts again).
    virtual const Glyph& GlyphOf(char32_t c) = 0;
    // The matched face's family name and file, UTF-8.
    virtual const std::string& Family() const = 0;
    virtual const std::string& File() const = 0;
};

// Never null: a face that cannot be matched or opened gives an instance without glyphs whose
// metrics still follow the requested height. Instances are kept for the process.
std::shared_ptr<FontInstance> OpenFont(const LOGFONTA& logfont);

// The font families of this machine, scalable ones, in the ANSI code page and sorted without
// regard to case, with the Windows faces that stand for one of them by its metrics.
std::vector<std::string> FontFamilies();

} // namespace platform::gdi
