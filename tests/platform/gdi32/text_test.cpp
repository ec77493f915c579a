#include "canvas.h"

#include "gdi32/fonts.h"
#include "host/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace {

constexpr COLORREF WHITE = RGB(255, 255, 255);

LOGFONTA Font(LONG height, const char* face, LONG weight = FW_NORMAL,
              BYTE charset = DEFAULT_CHARSET) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = charset;
    lf.lfOutPrecision = OUT_CHARACTER_PRECIS;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

// A canvas with a font selected, in black on white, background transparent.
class TextCanvas : public Canvas {
public:
    TextCanvas(int width, int height, const LOGFONTA& lf) : Canvas(width, height) {
        font_ = CreateFontIndirectA(&lf);
        old_ = SelectObject(dc(), font_);
        SetBkMode(dc(), TRANSPARENT);
        SetTextColor(dc(), RGB(0, 0, 0));
    }
    ~TextCanvas() {
        SelectObject(dc(), old_);
        DeleteObject(font_);
    }
    TEXTMETRICA Metrics() const {
        TEXTMETRICA tm{};
        EXPECT_TRUE(GetTextMetricsA(dc(), &tm));
        return tm;
    }

private:
    HFONT font_;
    HGDIOBJ old_;
};

// The row font of the display: Times New Roman, bold, 13 pixels of character height, found as
// the metric-compatible Liberation Serif, whose cell is 15 pixels as the original's.
TEST(Fonts, TheRowFontHasTheCellOfTimesNewRoman) {
    TextCanvas c(10, 10, Font(-13, "Times New Roman", FW_BOLD));
    TEXTMETRICA tm = c.Metrics();
    EXPECT_EQ(tm.tmHeight, 15);
    EXPECT_EQ(tm.tmAscent, 12);
    EXPECT_EQ(tm.tmDescent, 3);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 13);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);
    EXPECT_GT(tm.tmAveCharWidth, 4);
    EXPECT_LT(tm.tmAveCharWidth, 10);
    EXPECT_EQ(platform::gdi::OpenFont(Font(-13, "Times New Roman", FW_BOLD))->Family(),
              "Liberation Serif");
}

TEST(Fonts, HeightNamesTheCharacterWhenNegativeAndTheCellWhenPositive) {
    for (LONG height : {-8, -13, -20, -33, -64}) {
        SCOPED_TRACE(height);
        TextCanvas c(10, 10, Font(height, "Arial"));
        TEXTMETRICA tm = c.Metrics();
        EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -height);
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    }
    for (LONG height : {10, 15, 24, 50}) {
        SCOPED_TRACE(height);
        TextCanvas c(10, 10, Font(height, "Arial"));
        TEXTMETRICA tm = c.Metrics();
        EXPECT_EQ(tm.tmHeight, height);
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        EXPECT_LT(tm.tmHeight - tm.tmInternalLeading, height);
    }
    // Larger characters are taller and wider.
    TextCanvas small(10, 10, Font(-10, "Arial")), large(10, 10, Font(-30, "Arial"));
    SIZE a{}, b{};
    GetTextExtentPoint32A(small.dc(), "Hello", 5, &a);
    GetTextExtentPoint32A(large.dc(), "Hello", 5, &b);
    EXPECT_GT(b.cx, 2 * a.cx);
    EXPECT_EQ(a.cy, small.Metrics().tmHeight);
}

TEST(Fonts, JapaneseFacesFallBackToAJapaneseFace) {
    platform::host::SetAnsiCodePage(932);
    // "MS Gothic" in code page 932.
    const char ms_gothic[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
    for (const char* face : {"MS UI Gothic", ms_gothic}) {
        auto font = platform::gdi::OpenFont(Font(-12, face, FW_NORMAL, SHIFTJIS_CHARSET));
        EXPECT_NE(font->Family().find("IPA"), std::string::npos) << font->Family();
    }
    // A Latin face draws Japanese text from a face that has it.
    TextCanvas c(40, 30, Font(-16, "Times New Roman"));
    RECT r{0, 0, 40, 30};
    DrawTextA(c.dc(), "\x82\xA0", -1, &r, DT_SINGLELINE | DT_NOPREFIX); // HIRAGANA A
    RECT ink = c.InkBox(WHITE);
    EXPECT_GT(ink.right - ink.left, 8);
    EXPECT_GT(ink.bottom - ink.top, 8);
    platform::host::SetAnsiCodePage(0);
}

struct AlignCase {
    UINT format;
    const char* name;
};

class DrawTextAlignment : public ::testing::TestWithParam<AlignCase> {};

// The display's three row formats: single line, vertically centred, '&' as a plain character,
// left, centred or right.
TEST_P(DrawTextAlignment, PutsTheInkWhereTheFormatSays) {
    TextCanvas c(200, 40, Font(-13, "Times New Roman", FW_BOLD));
    RECT r{20, 5, 180, 35};
    const char* text = "HH&HH";
    SIZE extent{};
    GetTextExtentPoint32A(c.dc(), text, 5, &extent);
    int height = DrawTextA(c.dc(), text, -1, &r, GetParam().format);
    EXPECT_GT(height, 0);
    RECT ink = c.InkBox(WHITE);
    ASSERT_GT(ink.right, ink.left);
    int width = ink.right - ink.left;
    EXPECT_NEAR(width, extent.cx, 3);
    switch (GetParam().format & 3) {
    case DT_LEFT:
        EXPECT_NEAR(ink.left, r.left, 2);
        break;
    case DT_CENTER:
        EXPECT_NEAR((ink.left + ink.right) / 2.0, (r.left + r.right) / 2.0, 2);
        break;
    case DT_RIGHT:
        EXPECT_NEAR(ink.right, r.right, 2);
        break;
    }
    // Centred vertically: the cell (15 pixels) sits in the middle of the 30-pixel rectangle,
    // so capitals stand on the baseline 7 + 12 pixels below the top.
    int cell_top = r.top + (30 - 15) / 2;
    EXPECT_NEAR(ink.bottom, cell_top + 12, 1);
    EXPECT_GE(ink.top, cell_top);
    // The text colour is reached where the ink is solid.
    bool solid = false;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x)
            solid = solid || c.At(x, y) == RGB(0, 0, 0);
    EXPECT_TRUE(solid);
}

INSTANTIATE_TEST_SUITE_P(RowFormats, DrawTextAlignment,
                         ::testing::Values(AlignCase{0x824, "left"}, AlignCase{0x825, "centre"},
                                           AlignCase{0x826, "right"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DrawText, ClipsToItsRectangle) {
    TextCanvas c(200, 60, Font(-20, "Arial"));
    RECT r{50, 20, 80, 30}; // narrower and lower than the text
    DrawTextA(c.dc(), "WWWWWWWWWW", -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
    RECT ink = c.InkBox(WHITE);
    ASSERT_GT(ink.right, ink.left);
    EXPECT_GE(ink.left, r.left);
    EXPECT_LE(ink.right, r.right);
    EXPECT_GE(ink.top, r.top);
    EXPECT_LE(ink.bottom, r.bottom);

    // A rectangle above the bitmap's top edge: the part inside is drawn, nothing breaks.
    c.Fill(WHITE);
    RECT above{0, -10, 200, 5};
    DrawTextA(c.dc(), "Hello", -1, &above, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    ink = c.InkBox(WHITE);
    EXPECT_LE(ink.bottom, 5);
    // DT_NOCLIP lets the text run past its rectangle.
    c.Fill(WHITE);
    DrawTextA(c.dc(), "WWWWWWWWWW", -1, &r, DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
    EXPECT_GT(c.InkBox(WHITE).right, r.right);
}

TEST(DrawText, WordBreakWrapsAtSpacesWithinTheWidth) {
    TextCanvas c(300, 120, Font(-13, "Arial"));
    TEXTMETRICA tm{};
    GetTextMetricsA(c.dc(), &tm);
    struct Case {
        const char* text;
        int width;
        int lines;
    };
    const Case cases[] = {
        {"one two three four", 300, 1},
        {"one two three four", 1, 4},           // narrower than any word: a word a line
        {"unbreakablewordthatiswide x", 40, 2}, // a wide word stands alone
        {"first\nsecond line here", 60, 3},
        {"", 60, 1},
    };
    for (const Case& k : cases) {
        RECT r{0, 0, k.width, 120};
        int height = DrawTextA(c.dc(), k.text, -1, &r, DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
        EXPECT_EQ(height, k.lines * tm.tmHeight) << k.text << " in " << k.width;
    }
    // What is drawn keeps within the width.
    c.Fill(WHITE);
    RECT r{10, 0, 70, 120};
    DrawTextA(c.dc(), "one two three four five six", -1, &r, DT_WORDBREAK | DT_NOPREFIX);
    RECT ink = c.InkBox(WHITE);
    EXPECT_LE(ink.right, r.right);
    EXPECT_GT(ink.bottom, 2 * tm.tmHeight);
}

TEST(DrawText, BackgroundModes) {
    TextCanvas c(100, 30, Font(-13, "Arial"));
    RECT r{0, 0, 100, 30};
    // Transparent: nothing but ink changes, the bars under the text stay.
    c.Fill(RGB(0, 200, 0));
    DrawTextA(c.dc(), "A B", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(c.At(99, 29), RGB(0, 200, 0));
    TEXTMETRICA tm = c.Metrics();
    EXPECT_EQ(c.At(0, tm.tmHeight - 1), RGB(0, 200, 0));
    // Opaque: the text's cell is filled with the background colour.
    SetBkMode(c.dc(), OPAQUE);
    SetBkColor(c.dc(), RGB(0, 0, 255));
    DrawTextA(c.dc(), "A B", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(c.At(0, tm.tmHeight - 1), RGB(0, 0, 255));
    EXPECT_EQ(c.At(0, tm.tmHeight), RGB(0, 200, 0));
    EXPECT_EQ(c.At(99, 0), RGB(0, 200, 0));
}

TEST(DrawText, PrefixesAndMeasuring) {
    TextCanvas c(200, 40, Font(-13, "Arial"));
    RECT calc{10, 10, 10, 10};
    int h = DrawTextA(c.dc(), "A&B", -1, &calc, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    SIZE with_amp{};
    GetTextExtentPoint32A(c.dc(), "A&B", 3, &with_amp);
    EXPECT_EQ(calc.right - calc.left, with_amp.cx);
    EXPECT_EQ(h, c.Metrics().tmHeight);
    EXPECT_EQ(c.InkBox(WHITE).right, 0); // measuring draws nothing

    RECT prefixed{10, 10, 10, 10};
    DrawTextA(c.dc(), "A&B", -1, &prefixed, DT_SINGLELINE | DT_CALCRECT);
    SIZE plain{};
    GetTextExtentPoint32A(c.dc(), "AB", 2, &plain);
    EXPECT_EQ(prefixed.right - prefixed.left, plain.cx);

    // An empty text draws nothing.
    RECT r{0, 0, 200, 40};
    DrawTextA(c.dc(), "", -1, &r, 0x826);
    DrawTextA(c.dc(), "xyz", 0, &r, 0x826);
    EXPECT_EQ(c.InkBox(WHITE).right, 0);
}

} // namespace

namespace {

// The row font comes from the settings file as 60 bytes of hexadecimal: any bytes at all.
TEST(Fonts, AnyLogfontBytesGiveAUsableFont) {
    std::mt19937 random(2024);
    for (int i = 0; i < 24; ++i) {
        LOGFONTA lf;
        auto* bytes = reinterpret_cast<unsigned char*>(&lf);
        for (size_t k = 0; k < sizeof lf; ++k)
            bytes[k] = static_cast<unsigned char>(random());
        if (i % 2 == 0)
            lf.lfHeight = static_cast<LONG>(random() % 200) - 100; // sizes a user could pick
        if (i == 1)
            lf.lfHeight = INT32_MIN;
        TextCanvas c(64, 64, lf);
        TEXTMETRICA tm = c.Metrics();
        EXPECT_GT(tm.tmHeight, 0);
        EXPECT_LE(tm.tmHeight, 4096);
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        RECT r{0, 0, 64, 64};
        EXPECT_GT(DrawTextA(c.dc(), "Ag", -1, &r, 0x825), 0);
    }
}

} // namespace

namespace {

// Edges of glyphs blend the text colour over what lies beneath, per channel, rounded:
// (under * (255 - a) + text * a + 127) / 255. The coverage a of every pixel is read from white
// text drawn on black; the same text is then drawn in a colour over a varied background. Each
// character has a cell of its own, so that no two glyphs blend into one pixel.
TEST(DrawText, EdgesBlendEveryChannelExactly) {
    const LOGFONTA lf = Font(-13, "Times New Roman", FW_BOLD);
    const std::string text = "Memory:75%(2048MB/)gjpqyW@&";
    const int cell = 18, width = cell * int(text.size()) + 4, height = 20;
    auto draw = [&](HDC dc) {
        for (size_t i = 0; i < text.size(); ++i) {
            // Odd and even starts, so that pixel pairs begin on either column.
            RECT rect{int(i) * cell + int(i % 2), 2, int(i + 1) * cell + 1, height};
            DrawTextA(dc, &text[i], 1, &rect, DT_SINGLELINE | DT_NOPREFIX);
        }
    };

    TextCanvas coverage(width, height, lf);
    coverage.Fill(RGB(0, 0, 0));
    SetTextColor(coverage.dc(), WHITE);
    draw(coverage.dc());

    struct Case {
        COLORREF text;
        int seed;
    };
    for (const Case& c :
         {Case{RGB(200, 30, 90), 1}, Case{RGB(0, 255, 128), 2}, Case{RGB(255, 255, 255), 3}}) {
        SCOPED_TRACE(c.seed);
        TextCanvas canvas(width, height, lf);
        std::mt19937 random(c.seed);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                SetPixel(canvas.dc(), x, y, RGB(random() & 0xFF, random() & 0xFF, random() & 0xFF));
        std::vector<COLORREF> under;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                under.push_back(canvas.At(x, y));
        SetTextColor(canvas.dc(), c.text);
        draw(canvas.dc());
        int partial = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                int a = GetRValue(coverage.At(x, y));
                partial += a > 0 && a < 255;
                COLORREF d = under[size_t(y) * width + x];
                auto mix = [a](int under_channel, int text_channel) {
                    return (under_channel * (255 - a) + text_channel * a + 127) / 255;
                };
                COLORREF expected =
                    RGB(mix(GetRValue(d), GetRValue(c.text)), mix(GetGValue(d), GetGValue(c.text)),
                        mix(GetBValue(d), GetBValue(c.text)));
                ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y << " coverage " << a;
            }
        }
        EXPECT_GT(partial, 100); // the text has edges to blend
    }
}

} // namespace

namespace {

// Glyphs cut by the bitmap's own right edge, at every width modulo four: the part inside is
// drawn, and nothing is read or written past a row's end (AddressSanitizer watches the pixels).
TEST(DrawText, GlyphsCutByTheBitmapsRightEdge) {
    for (int width = 9; width <= 16; ++width) {
        SCOPED_TRACE(width);
        TextCanvas c(width, 20, Font(-16, "Arial", FW_BOLD));
        RECT r{width - 7, 0, width + 20, 20};
        DrawTextA(c.dc(), "W@", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
        RECT ink = c.InkBox(WHITE);
        EXPECT_GE(ink.left, width - 7);
        EXPECT_EQ(ink.right, width);
        // Left of the text the row is as it was.
        for (int x = 0; x < width - 7; ++x)
            for (int y = 0; y < 20; ++y)
                ASSERT_EQ(c.At(x, y), WHITE) << x << "," << y;
    }
}

} // namespace

namespace {

int MeasuredWidth(HDC dc, const std::string& text, UINT format = DT_SINGLELINE | DT_NOPREFIX) {
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), int(text.size()), &r, format | DT_CALCRECT);
    return r.right - r.left;
}

// Texts are decoded into room kept from one call to the next: each is measured and drawn as
// itself whatever came before it, short after long, long beyond the room kept, Shift JIS
// after ASCII and the other way round.
TEST(DrawText, EachTextIsItselfWhateverWasDrawnBefore) {
    TextCanvas c(200, 40, Font(-13, "Arial"));
    SIZE w{}, x{};
    GetTextExtentPoint32A(c.dc(), "W", 1, &w);
    GetTextExtentPoint32A(c.dc(), "x", 1, &x);
    ASSERT_GT(w.cx, x.cx);
    const std::string japanese = "\x93\xfa\x96\x7b"; // two characters in code page 932
    const int japanese_width = MeasuredWidth(c.dc(), japanese);
    struct Case {
        std::string text;
        int width;
    };
    const Case cases[] = {
        {std::string(40, 'W'), 40 * w.cx},
        {"x", x.cx},
        {std::string(5000, 'x'), 5000 * x.cx},
        {"W", w.cx},
        {japanese, japanese_width},
        {"xW", x.cx + w.cx},
        {japanese + std::string(3000, 'W'), japanese_width + 3000 * w.cx},
        {"", 0},
    };
    for (UINT format : {UINT(DT_SINGLELINE | DT_NOPREFIX), UINT(DT_SINGLELINE), UINT(0)}) {
        for (const Case& k : cases) {
            SCOPED_TRACE(k.text.substr(0, 12) + "... " + std::to_string(format));
            EXPECT_EQ(MeasuredWidth(c.dc(), k.text, format), k.width);
            SIZE extent{};
            GetTextExtentPoint32A(c.dc(), k.text.c_str(), int(k.text.size()), &extent);
            EXPECT_EQ(extent.cx, k.width);
        }
    }
    // Drawn after a longer text, a short one leaves the ink of itself alone.
    RECT r{0, 0, 200, 40};
    DrawTextA(c.dc(), "WWWWWWWW", -1, &r, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    c.Fill(WHITE);
    r = {0, 0, 200, 40};
    DrawTextA(c.dc(), "x", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_LE(c.InkBox(WHITE).right, x.cx + 1);
}

// The DC keeps the font it last drew with at hand: selecting another one, going back to the
// first, or deleting it and creating a new one, text follows the font selected.
TEST(DrawText, FollowsTheFontSelectedSinceTheLastCall) {
    Canvas c(400, 80);
    const LOGFONTA small_lf = Font(-11, "Arial"), big_lf = Font(-40, "Arial");
    HFONT small_font = CreateFontIndirectA(&small_lf);
    HFONT big_font = CreateFontIndirectA(&big_lf);
    HGDIOBJ old = SelectObject(c.dc(), small_font);
    const int small_width = MeasuredWidth(c.dc(), "Width");
    SelectObject(c.dc(), big_font);
    const int big_width = MeasuredWidth(c.dc(), "Width");
    EXPECT_GT(big_width, 2 * small_width);
    SelectObject(c.dc(), small_font);
    EXPECT_EQ(MeasuredWidth(c.dc(), "Width"), small_width);
    TEXTMETRICA tm{};
    GetTextMetricsA(c.dc(), &tm);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11);

    SelectObject(c.dc(), old);
    DeleteObject(small_font);
    HFONT replacement = CreateFontIndirectA(&big_lf);
    SelectObject(c.dc(), replacement);
    EXPECT_EQ(MeasuredWidth(c.dc(), "Width"), big_width);
    SelectObject(c.dc(), old);
    DeleteObject(replacement);
    DeleteObject(big_font);
}

} // namespace
