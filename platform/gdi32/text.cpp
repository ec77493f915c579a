// Fonts as GDI objects, text metrics and DrawTextA.
#include "gdi32/blend.h"
#include "gdi32/fonts.h"
#include "gdi32/objects.h"

#include "host/codepage.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace platform::gdi {
namespace {

struct Line {
    std::u32string text;
    int underline = -1; // index of the character after a '&' prefix, or -1
};

// A line as drawn: its text where it lies (in a Line or in the decoded text itself).
struct LineView {
    std::u32string_view text;
    int underline = -1;
};

// Turns "&x" into an underlined x and "&&" into "&" (unless DT_NOPREFIX).
Line WithoutPrefixes(std::u32string_view text, bool no_prefix) {
    Line line;
    if (no_prefix) {
        line.text = text;
        return line;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'&') {
            if (i + 1 == text.size())
                break;
            ++i;
            if (text[i] != U'&' && line.underline < 0)
                line.underline = static_cast<int>(line.text.size());
        }
        line.text.push_back(text[i]);
    }
    return line;
}

int TabWidth(FontInstance& font) {
    return 8 * font.Metrics().ave_char_width;
}

int Advance(FontInstance& font, char32_t c, int x, bool expand_tabs) {
    if (c == U'\t' && expand_tabs) {
        int tab = std::max(1, TabWidth(font));
        return (x / tab + 1) * tab - x;
    }
    return font.GlyphOf(c).advance;
}

int WidthOf(FontInstance& font, std::u32string_view text, bool expand_tabs) {
    int x = 0;
    for (char32_t c : text)
        x += Advance(font, c, x, expand_tabs);
    return x;
}

// DT_WORDBREAK: each line broken at spaces into pieces no wider than `limit`; the space at a
// break goes, and a word wider than the limit stands alone on its line.
std::vector<Line> WrapLines(FontInstance& font, const std::vector<Line>& lines, int limit,
                            bool expand_tabs) {
    std::vector<Line> out;
    for (const Line& line : lines) {
        const std::u32string& t = line.text;
        size_t start = 0; // of the piece being filled
        size_t end = 0;   // of the words taken into it
        auto emit = [&](size_t from, size_t to) {
            Line piece;
            piece.text = t.substr(from, to - from);
            if (line.underline >= int(from) && line.underline < int(to))
                piece.underline = line.underline - int(from);
            out.push_back(std::move(piece));
        };
        size_t at = 0;
        while (true) {
            size_t word_end = t.find(U' ', at);
            if (word_end == std::u32string::npos)
                word_end = t.size();
            if (end > start && WidthOf(font, std::u32string_view(t).substr(start, word_end - start),
                                       expand_tabs) > limit) {
                emit(start, end);
                start = at;
            }
            end = word_end;
            if (word_end >= t.size())
                break;
            at = word_end + 1;
        }
        emit(start, t.size());
    }
    return out;
}

// Draws a line measured as `width` pixels.
void DrawLine(const DeviceContext& dc, Surface& s, FontInstance& font, LineView line, int width,
              int x, int y, bool expand_tabs, const Box& clip) {
    const FontMetrics& m = font.Metrics();
    if (dc.bk_mode == OPAQUE)
        FillBox(s, Intersect({x, y, x + width, y + m.height}, clip), PixelFromColor(dc.bk_color));
    uint32_t color = PixelFromColor(dc.text_color);
    const BlendPath path = FastestBlendPath();
    int baseline = y + m.ascent;
    int pen = x;
    for (size_t i = 0; i < line.text.size(); ++i) {
        char32_t c = line.text[i];
        int advance;
        if (c == U'\t' && expand_tabs) {
            advance = Advance(font, c, pen - x, expand_tabs);
        } else {
            const Glyph& glyph = font.GlyphOf(c);
            advance = glyph.advance;
            if (c != U'\t')
                BlendGlyph(s, glyph, pen, baseline, color, clip, path);
        }
        if (static_cast<int>(i) == line.underline) {
            int top = baseline + m.underline_position;
            FillBox(s, Intersect({pen, top, pen + advance, top + m.underline_thickness}, clip),
                    color);
        }
        pen += advance;
    }
    if (m.underline) {
        int top = baseline + m.underline_position;
        FillBox(s, Intersect({x, top, pen, top + m.underline_thickness}, clip), color);
    }
    if (m.strike_out) {
        int top = baseline - m.ascent / 3;
        FillBox(s, Intersect({x, top, pen, top + m.underline_thickness}, clip), color);
    }
}

// The text of a call, decoded. A text of up to KEPT_BYTES goes into a buffer that the thread
// keeps (it decodes to no more characters than it has bytes), so that drawing the display's
// row texts allocates nothing; a longer one into a string of its own.
class DecodedText {
public:
    DecodedText(LPCSTR text, int count) {
        size_t n = !text ? 0 : count < 0 ? std::strlen(text) : static_cast<size_t>(count);
        thread_local std::u32string kept;
        std::u32string& out = n <= KEPT_BYTES ? kept : own_;
        host::AnsiToUtf32(std::string_view(text ? text : "", n), out);
        text_ = out;
    }
    DecodedText(const DecodedText&) = delete;
    DecodedText& operator=(const DecodedText&) = delete;

    std::u32string_view Text() const { return text_; }

private:
    static constexpr size_t KEPT_BYTES = 1024;
    std::u32string own_;
    std::u32string_view text_;
};

// Calls visit(LineView) for each line of a DrawTextA text in order: the whole text for
// DT_SINGLELINE, else the pieces between CR, LF or CR LF, broken further at spaces for
// DT_WORDBREAK; '&' prefixes taken out unless DT_NOPREFIX. A single line without prefixes is
// the decoded text itself.
template <typename Visit>
void ForEachLine(FontInstance& font, std::u32string_view text, UINT format, int limit,
                 Visit visit) {
    bool no_prefix = (format & DT_NOPREFIX) != 0;
    if (format & DT_SINGLELINE) {
        if (no_prefix) {
            visit(LineView{text});
            return;
        }
        Line line = WithoutPrefixes(text, false);
        visit(LineView{line.text, line.underline});
        return;
    }
    std::vector<Line> lines;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == U'\n' || text[i] == U'\r') {
            lines.push_back(WithoutPrefixes(text.substr(start, i - start), no_prefix));
            if (i + 1 < text.size() && text[i] == U'\r' && text[i + 1] == U'\n')
                ++i;
            start = i + 1;
        }
    }
    if (format & DT_WORDBREAK)
        lines = WrapLines(font, lines, limit, (format & DT_EXPANDTABS) != 0);
    for (const Line& line : lines)
        visit(LineView{line.text, line.underline});
}

} // namespace
} // namespace platform::gdi

using namespace platform::gdi;

PELMORA_BEGIN_EXTERN_C

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* lplf) {
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto font = std::make_shared<Font>();
    font->logfont = *lplf;
    // The face name need not be terminated within its 32 bytes; the copy always is.
    font->logfont.lfFaceName[LF_FACESIZE - 1] = '\0';
    return static_cast<HFONT>(AddObject(std::move(font)));
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
    auto dc = FindDC(hdc);
    if (!dc || !lptm) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const FontMetrics& m = FontOf(*dc).Metrics();
    TEXTMETRICA tm{};
    tm.tmHeight = m.height;
    tm.tmAscent = m.ascent;
    tm.tmDescent = m.descent;
    tm.tmInternalLeading = m.internal_leading;
    tm.tmExternalLeading = m.external_leading;
    tm.tmAveCharWidth = m.ave_char_width;
    tm.tmMaxCharWidth = m.max_char_width;
    tm.tmWeight = m.weight;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFF;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = m.italic ? 0xFF : 0;
    tm.tmUnderlined = m.underline ? 0xFF : 0;
    tm.tmStruckOut = m.strike_out ? 0xFF : 0;
    tm.tmPitchAndFamily = m.pitch_and_family;
    tm.tmCharSet = m.charset;
    *lptm = tm;
    return TRUE;
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
    auto dc = FindDC(hdc);
    if (!dc || !psizl || c < 0 || (c > 0 && !lpString)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    FontInstance& font = FontOf(*dc);
    psizl->cx = WidthOf(font, DecodedText(lpString, c).Text(), false);
    psizl->cy = font.Metrics().height;
    return TRUE;
}

int WINAPI DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    auto dc = FindDC(hdc);
    Surface* surface = dc ? SurfaceOf(*dc) : nullptr;
    if (!surface || !lprc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    FontInstance& font = FontOf(*dc);
    const FontMetrics& m = font.Metrics();
    bool expand_tabs = (format & DT_EXPANDTABS) != 0;
    bool single = (format & DT_SINGLELINE) != 0;
    DecodedText decoded(lpchText, cchText);
    int limit = lprc->right - lprc->left;

    if (format & DT_CALCRECT) {
        int widest = 0, count = 0;
        ForEachLine(font, decoded.Text(), format, limit, [&](LineView line) {
            widest = std::max(widest, WidthOf(font, line.text, expand_tabs));
            ++count;
        });
        lprc->right = lprc->left + widest;
        lprc->bottom = lprc->top + m.height * count;
        return m.height * count;
    }

    Box clip = BoundsOf(*surface);
    if (!(format & DT_NOCLIP))
        clip = Intersect(clip, {lprc->left, lprc->top, lprc->right, lprc->bottom});
    int y = lprc->top;
    if (single && (format & DT_VCENTER))
        y = lprc->top + (lprc->bottom - lprc->top - m.height) / 2;
    else if (single && (format & DT_BOTTOM))
        y = lprc->bottom - m.height;
    int count = 0;
    // Each line is measured once, for its placement and its background.
    ForEachLine(font, decoded.Text(), format, limit, [&](LineView line) {
        int width = WidthOf(font, line.text, expand_tabs);
        int x = lprc->left;
        if (format & DT_CENTER)
            x = lprc->left + (limit - width) / 2;
        else if (format & DT_RIGHT)
            x = lprc->right - width;
        DrawLine(*dc, *surface, font, line, width, x, y, expand_tabs, clip);
        y += m.height;
        ++count;
    });
    // The height drawn, counted from the rectangle's top when the text was moved down.
    if (single && (format & (DT_VCENTER | DT_BOTTOM)))
        return y - lprc->top;
    return m.height * count;
}

PELMORA_END_EXTERN_C
