// Drawing of rows, checked pixel by pixel in the back buffer and the window.
#include "display_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

namespace {

using platform::testing::PixelAt;

constexpr COLORREF BACKGROUND = 0x000000;
constexpr COLORREF RED = 0x0000FF;
constexpr COLORREF BLUE = 0xFF0000;
constexpr COLORREF GREEN = 0x00FF00;
constexpr COLORREF WHITE = 0xFFFFFF;

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= tolerance &&
           std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= tolerance &&
           std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= tolerance;
}

// Sources "R" (regular) and "P" (pushing), both with two graphs and four items, on a black
// background 200 pixels wide; no item draws text or bars unless a test says so.
class DrawFixture : public DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        sources::Add({.identifier = "R", .name = "regular", .items = 4});
        sources::Add(
            {.identifier = "P", .name = "pushing", .type = PMP_TYPE_IRREGULAR, .items = 4});
        for (const char* id : {"R", "P"})
            for (int j = 0; j < 4; ++j) {
                PlainItem(id, j);
                Item(id, j)->SetInteger(Literals::DrawnGraphs, 0);
            }
        Category(Literals::GraphGeneral)->SetDWord(Literals::BackgroundColor1, BACKGROUND);
        SetWidth(200);
    }

    // A row of item j of R with graph 1 only.
    void Graph1(const char* id, int j, LONG type, LONG position, COLORREF c1, COLORREF c2) {
        CDriveProfileCategory* item = Item(id, j);
        item->SetInteger(Literals::DrawnGraphs, 1);
        item->SetInteger(Literals::Graph1Type, type);
        item->SetInteger(Literals::Graph1Position, position);
        item->SetDWord(Literals::Graph1Color1, c1);
        item->SetDWord(Literals::Graph1Color2, c2);
    }

    // Marks the window so that a test can see what a single-row redraw left alone.
    void MarkWindow(COLORREF colour) {
        for (uint32_t& p : window_->pixels)
            p = (uint32_t(GetRValue(colour)) << 16) | (uint32_t(GetGValue(colour)) << 8) |
                GetBValue(colour);
    }
};

// Every band of a 15-pixel row, with a solid and both gradient fills.
class BarBandTest : public DrawFixture,
                    public ::testing::WithParamInterface<std::tuple<LONG, LONG>> {};

TEST_P(BarBandTest, ABarCoversItsBandForValueOverMaximumOfTheWidth) {
    auto [type, position] = GetParam();
    SetRows({"R|0", "R|1"});
    Graph1("R", 1, type, position, RED, BLUE);
    sources::SetData(0, 1, 10, 5, 0);
    StartDisplay();
    ASSERT_EQ(lRowHeight, 15) << "the default font gives rows of 15 pixels";
    DrawGraphRows();
    auto pixels = Buffer();

    // Row 1 lies at y 15..29; the upper half is its lines 0..7, the lower half 7..14.
    int top = 15 + (position == 2 ? 7 : 0);
    int bottom = position == 0 ? 30 : top + 8;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 200; ++x) {
            bool inside = y >= top && y < bottom && x < 100;
            COLORREF pixel = PixelAt(pixels, x, y);
            ASSERT_EQ(pixel != BACKGROUND, inside) << "x " << x << " y " << y;
            if (!inside)
                continue;
            if (type == 0) {
                ASSERT_EQ(pixel, RED) << "x " << x << " y " << y;
            } else if (type == 1) {
                // Colour 1 at the left edge of the row, half way to colour 2 at x 100 of 200.
                ASSERT_EQ(pixel, PixelAt(pixels, x, top)) << "columns are uniform";
            } else {
                ASSERT_EQ(pixel, PixelAt(pixels, 0, y)) << "lines are uniform";
            }
        }
    if (type == 1) {
        EXPECT_TRUE(Near(PixelAt(pixels, 0, top), RED, 4));
        EXPECT_TRUE(Near(PixelAt(pixels, 99, top), 0x7F0080, 6));
        for (int x = 1; x < 100; ++x)
            EXPECT_GE(GetRValue(PixelAt(pixels, x - 1, top)), GetRValue(PixelAt(pixels, x, top)));
    }
    if (type == 2) {
        EXPECT_TRUE(Near(PixelAt(pixels, 0, top), RED, 4));
        COLORREF last = PixelAt(pixels, 0, bottom - 1);
        EXPECT_GT(GetBValue(last), 0xC0);
        EXPECT_LT(GetRValue(last), 0x40);
        for (int y = top + 1; y < bottom; ++y)
            EXPECT_GT(GetBValue(PixelAt(pixels, 0, y)), GetBValue(PixelAt(pixels, 0, y - 1)));
    }
}

std::string FillAndBand(const ::testing::TestParamInfo<BarBandTest::ParamType>& info) {
    static const char* const fills[] = {"Solid", "LeftToRight", "TopToBottom"};
    static const char* const bands[] = {"WholeRow", "UpperHalf", "LowerHalf"};
    return std::string(fills[std::get<0>(info.param)]) + "_" + bands[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(FillsAndBands, BarBandTest,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Values(0, 1, 2)),
                         FillAndBand);

TEST_F(DrawFixture, AFillTypeThatNamesNoGradientPaintsColourOneSolid) {
    SetRows({"R|0"});
    Graph1("R", 0, 5, 1, GREEN, BLUE);
    sources::SetData(0, 0, 4, 1, 0);
    StartDisplay();
    DrawGraphRows();
    auto pixels = Buffer();
    EXPECT_EQ(PixelAt(pixels, 0, 0), GREEN);
    EXPECT_EQ(PixelAt(pixels, 49, 7), GREEN);
    EXPECT_EQ(PixelAt(pixels, 50, 0), BACKGROUND);
    EXPECT_EQ(PixelAt(pixels, 0, 8), BACKGROUND);
}

TEST_F(DrawFixture, GraphTwoComesFromItsOwnBarLaterOverGraphOne) {
    SetRows({"R|0"});
    Graph1("R", 0, 0, 1, RED, RED);
    CDriveProfileCategory* item = Item("R", 0);
    item->SetInteger(Literals::DrawnGraphs, 3);
    item->SetInteger(Literals::Graph2Position, 2);
    item->SetDWord(Literals::Graph2Color1, GREEN);
    sources::SetData(0, 0, 4, 2, 1);
    StartDisplay();
    DrawGraphRows();
    auto pixels = Buffer();
    EXPECT_EQ(PixelAt(pixels, 99, 0), RED);
    EXPECT_EQ(PixelAt(pixels, 100, 0), BACKGROUND);
    // The middle line 7 belongs to both halves; graph 2 is drawn last.
    EXPECT_EQ(PixelAt(pixels, 49, 7), GREEN);
    EXPECT_EQ(PixelAt(pixels, 50, 7), RED);
    EXPECT_EQ(PixelAt(pixels, 49, 14), GREEN);
    EXPECT_EQ(PixelAt(pixels, 50, 14), BACKGROUND);
}

TEST_F(DrawFixture, BarLengthsAtTheEdges) {
    struct Case {
        DWORD maximum, value;
        int lit; // columns of the bar
    } cases[] = {{100, 100, 200},
                 {100, 0, 0},
                 {100, 150, 200},
                 {0, 5, 0},
                 {3, 1, 66},
                 {1, 0xFFFFFFFF, 200},
                 {0xFFFFFFFF, 0xFFFFFFFE, 199}};
    SetRows({"R|0"});
    Graph1("R", 0, 0, 0, RED, RED);
    StartDisplay();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " of " + std::to_string(c.maximum));
        sources::SetData(0, 0, c.maximum, c.value, 0);
        DrawGraphRows();
        auto pixels = Buffer();
        int lit = 0;
        for (int x = 0; x < 200; ++x)
            lit += PixelAt(pixels, x, 3) == RED;
        EXPECT_EQ(lit, c.lit);
    }
}

TEST_F(DrawFixture, DrawnGraphsNeedTheGraphsTheSourceOffers) {
    sources::Add({.identifier = "One", .name = "one", .graphs = PMP_GRAPHS_ONE});
    sources::Add({.identifier = "None", .name = "none", .graphs = PMP_GRAPHS_NONE});
    SetRows({"One|0", "None|0"});
    for (const char* id : {"One", "None"}) {
        Graph1(id, 0, 0, 0, RED, RED);
        Item(id, 0)->SetInteger(Literals::Graph2Position, 0);
        Item(id, 0)->SetDWord(Literals::Graph2Color1, GREEN);
        Item(id, 0)->SetInteger(Literals::TextHorizontalPosition, 0);
    }
    // One offers graph 1 only: bit 1 alone draws nothing. None offers no graph: DrawnGraphs is
    // forced to 0 when read.
    Item("One", 0)->SetInteger(Literals::DrawnGraphs, 2);
    Item("None", 0)->SetInteger(Literals::DrawnGraphs, 3);
    sources::SetData(2, 0, 1, 1, 1);
    sources::SetData(3, 0, 1, 1, 1);
    StartDisplay();
    DrawGraphRows();
    auto pixels = Buffer();
    for (int y = 0; y < 2 * lRowHeight; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(PixelAt(pixels, x, y), BACKGROUND) << "x " << x << " y " << y;
}

// Columns of the scale's colour in the last three lines of row 0.
std::vector<int> TickLengths(const platform::gdi::Surface& pixels, int width, int h) {
    std::vector<int> lengths(size_t(width), 0);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < h; ++y)
            if (PixelAt(pixels, x, y) == WHITE) {
                EXPECT_GE(y, h - 3) << "a tick stands on the bottom line, x " << x;
                ++lengths[size_t(x)];
            }
    return lengths;
}

class ScaleTest : public DrawFixture, public ::testing::WithParamInterface<int> {};

TEST_P(ScaleTest, TenTicksStandOnTheBottomLineOfEachRow) {
    int width = GetParam();
    SetWidth(width);
    SetRows({"R|0", "R|1"});
    Category(Literals::GraphGeneral)->SetBoolean(Literals::DrawScale, true);
    Category(Literals::GraphGeneral)->SetDWord(Literals::ScaleColor, WHITE);
    StartDisplay();
    DrawGraphRows();
    auto pixels = Buffer();

    std::vector<int> expected(size_t(width), 0);
    std::vector<int> ticks = width == 200
                                 ? std::vector<int>{19, 39, 59, 79, 99, 119, 139, 159, 179, 199}
                                 : std::vector<int>{15, 30, 46, 61, 77, 92, 108, 123, 139, 154};
    for (size_t k = 0; k < ticks.size(); ++k)
        expected[size_t(ticks[k])] = (k == 4 || k == 9) ? 3 : 2;
    EXPECT_EQ(TickLengths(pixels, width, lRowHeight), expected);
    // Row 1 has its own scale, on its own bottom line.
    EXPECT_EQ(PixelAt(pixels, ticks[4], 2 * lRowHeight - 3), WHITE);
    EXPECT_EQ(PixelAt(pixels, ticks[4], 2 * lRowHeight - 4), BACKGROUND);
}

INSTANTIATE_TEST_SUITE_P(Widths, ScaleTest, ::testing::Values(200, 155),
                         [](const auto& info) { return "Width" + std::to_string(info.param); });

// Leftmost and rightmost columns of text pixels in row 0, or -1 when there are none.
std::pair<int, int> TextColumns(const platform::gdi::Surface& pixels, int width, int top, int h) {
    int first = -1, last = -1;
    for (int x = 0; x < width; ++x)
        for (int y = top; y < top + h; ++y)
            if (PixelAt(pixels, x, y) != BACKGROUND) {
                if (first < 0)
                    first = x;
                last = x;
            }
    return {first, last};
}

TEST_F(DrawFixture, TextIsAlignedLeftCentredOrRightAndOtherwiseNotDrawn) {
    sources::SetData(0, 0, 1, 0, 0, {"MMMM"});
    struct Case {
        LONG position;
        int first, last; // -1: no text
    } cases[] = {{1, 0, -1}, {2, 0, -1}, {3, 0, -1}, {0, -1, -1}, {4, -1, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        Item("R", 0)->SetString(Literals::Format, "%1");
        Item("R", 0)->SetInteger(Literals::TextHorizontalPosition, c.position);
        Item("R", 0)->SetDWord(Literals::TextColor, WHITE);
        SetRows({"R|0"});
        StartDisplay();
        sources::SetData(0, 0, 1, 0, 0, {"MMMM"});
        DrawGraphRows();
        auto [first, last] = TextColumns(Buffer(), 200, 0, lRowHeight);
        switch (c.position) {
        case 1:
            EXPECT_GE(first, 0);
            EXPECT_LE(first, 2);
            EXPECT_LT(last, 100);
            break;
        case 2:
            EXPECT_GT(first, 50);
            EXPECT_LE(std::abs((first + last) - 199), 4) << first << ".." << last;
            break;
        case 3:
            EXPECT_GE(last, 196);
            EXPECT_LE(last, 199);
            EXPECT_GT(first, 100);
            break;
        default:
            EXPECT_EQ(first, -1);
        }
        ReleaseGraphDisplay();
        CreateGraphList();
    }
}

TEST_F(DrawFixture, TheTextIsOneVerticallyCentredLineWithPlainAmpersands) {
    // The row must look exactly like DrawTextA with DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX and
    // the alignment: 0x824, 0x825, 0x826.
    const char* text = "&&M&x";
    for (LONG position : {1, 2, 3}) {
        SCOPED_TRACE(position);
        Item("R", 0)->SetString(Literals::Format, "%1");
        Item("R", 0)->SetInteger(Literals::TextHorizontalPosition, position);
        Item("R", 0)->SetDWord(Literals::TextColor, WHITE);
        SetRows({"R|0"});
        StartDisplay();
        sources::SetData(0, 0, 1, 0, 0, {text});
        DrawGraphRows();
        auto pixels = Buffer();

        HDC reference = CreateCompatibleDC(windowDC_);
        HBITMAP bitmap = CreateCompatibleBitmap(windowDC_, 200, lRowHeight);
        HGDIOBJ oldBitmap = SelectObject(reference, bitmap);
        HGDIOBJ oldFont = SelectObject(reference, hGraphFont);
        RECT rect = {0, 0, 200, lRowHeight};
        FillRect(reference, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SetBkMode(reference, TRANSPARENT);
        SetTextColor(reference, WHITE);
        DrawTextA(reference, text, -1, &rect, 0x823u + UINT(position));
        auto expected = *platform::testing::ReadPixels(reference);
        SelectObject(reference, oldFont);
        SelectObject(reference, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(reference);

        int lit = 0;
        for (int y = 0; y < lRowHeight; ++y)
            for (int x = 0; x < 200; ++x) {
                ASSERT_EQ(PixelAt(pixels, x, y), PixelAt(expected, x, y)) << x << "," << y;
                lit += PixelAt(pixels, x, y) != BACKGROUND;
            }
        EXPECT_GT(lit, 0);
        ReleaseGraphDisplay();
        CreateGraphList();
    }
}

TEST_F(DrawFixture, TheTextPositionMovesEveryRowsTextIntoTheRowAbove) {
    SetRows({"R|0", "R|1"});
    Item("R", 1)->SetString(Literals::Format, "%1");
    Item("R", 1)->SetInteger(Literals::TextHorizontalPosition, 1);
    Item("R", 1)->SetDWord(Literals::TextColor, WHITE);
    Category(Literals::GraphGeneral)->SetInteger(Literals::TextVerticalPosition, -10);
    sources::SetData(0, 1, 1, 0, 0, {"MMMM"});
    StartDisplay();
    DrawGraphRows();
    auto pixels = Buffer();
    EXPECT_NE(TextColumns(pixels, 200, 0, lRowHeight).first, -1);
    // Nothing of it reaches the last lines of row 1.
    EXPECT_EQ(TextColumns(pixels, 200, 2 * lRowHeight - 5, 5).first, -1);
}

TEST_F(DrawFixture, ARegularSourceIsAskedForASampleAtEveryRepaint) {
    SetRows({"R|2"});
    StartDisplay();
    DrawGraphRows();
    DrawGraphRows();
    EXPECT_EQ(sources::CountCalls("get 0 2"), 2);
}

TEST_F(DrawFixture, AReportedRowIsDrawnAloneAndCachedForRepaints) {
    SetRows({"R|0", "P|1"});
    Item("P", 1)->SetString(Literals::Format, "$3 %1");
    Graph1("P", 1, 0, 0, RED, RED);
    Graph1("R", 0, 0, 0, GREEN, GREEN);
    sources::SetData(0, 0, 1, 1, 0);
    StartDisplay();
    MarkWindow(0x00ABCDEF);

    PMPDATA report = {};
    report.dwMaxValue = 3;
    report.dwCurrentValue1 = 1;
    report.pszFormatParams[0] = "x";
    StoreGraphReport(1, &report);
    DrawGraphRow(windowDC_, 1);

    COneGraph* row = GetGraph(1);
    EXPECT_STREQ(row->szIrregular, "33.33 x");
    EXPECT_EQ(row->dwIrregularMaxValue, 3u);
    EXPECT_EQ(row->dwIrregularCurrentValue1, 1u);
    int h = lRowHeight;
    // Row 1 of the window shows the bar; row 0 keeps its pixels.
    EXPECT_EQ(PixelAt(*window_, 0, h), RED);
    EXPECT_EQ(PixelAt(*window_, 65, 2 * h - 1), RED);
    EXPECT_EQ(PixelAt(*window_, 67, 2 * h - 1), BACKGROUND);
    EXPECT_EQ(PixelAt(*window_, 0, 0), 0x00ABCDEFu);
    EXPECT_EQ(PixelAt(*window_, 199, h - 1), 0x00ABCDEFu);

    // A repaint shows the cached row without reading the record again.
    std::memset(row->GetIrregularData(), 0, sizeof(PMPDATA));
    DrawGraphRows();
    auto pixels = Buffer();
    EXPECT_EQ(PixelAt(pixels, 65, h), RED);
    EXPECT_EQ(PixelAt(pixels, 0, 0), GREEN);
}

TEST_F(DrawFixture, APushingRowShowsItsClearedCacheUntilItIsRedrawn) {
    SetRows({"P|0"});
    Graph1("P", 0, 0, 0, RED, RED);
    Item("P", 0)->SetInteger(Literals::TextHorizontalPosition, 1);
    StartDisplay();
    // The source writes its record itself; a repaint does not read it.
    PMPDATA* record = sources::Received(1, 0);
    ASSERT_EQ(record, GetGraph(0)->GetIrregularData());
    record->dwMaxValue = 2;
    record->dwCurrentValue1 = 2;
    DrawGraphRows();
    EXPECT_EQ(PixelAt(Buffer(), 0, 0), BACKGROUND);
    DrawGraphRow(windowDC_, 0);
    EXPECT_EQ(PixelAt(*window_, 199, 0), RED);
    DrawGraphRows();
    EXPECT_EQ(PixelAt(Buffer(), 199, 0), RED);
}

TEST_F(DrawFixture, AReportForARegularRowIsStoredButNotDrawn) {
    SetRows({"R|0"});
    Graph1("R", 0, 0, 0, RED, RED);
    StartDisplay();
    MarkWindow(0x00ABCDEF);
    PMPDATA report = {};
    report.dwMaxValue = 1;
    report.dwCurrentValue1 = 1;
    StoreGraphReport(0, &report);
    DrawGraphRow(windowDC_, 0);
    EXPECT_EQ(GetGraph(0)->pmpIrregularData.dwMaxValue, 1u);
    EXPECT_EQ(PixelAt(*window_, 0, 0), 0x00ABCDEFu);
}

TEST_F(DrawFixture, AReportForARowNotInUseTouchesNothing) {
    SetRows({"P|0", "P|1"});
    StartDisplay();
    MarkWindow(0x00ABCDEF);
    PMPDATA report = {};
    report.dwMaxValue = 7;
    for (int row : {-1, 2, 31, 32, 1000}) {
        StoreGraphReport(row, &report);
        DrawGraphRow(windowDC_, row);
    }
    StoreGraphReport(0, nullptr);
    for (int r = 0; r < MAX_GRAPHS; ++r)
        EXPECT_EQ(GetGraph(r)->pmpIrregularData.dwMaxValue, 0u) << r;
    EXPECT_EQ(PixelAt(*window_, 0, 0), 0x00ABCDEFu);
}

TEST_F(DrawFixture, ARowTextLongerThanTheCacheIsCut) {
    SetRows({"P|0"});
    Item("P", 0)->SetString(Literals::Format, "%1%2");
    StartDisplay();
    std::string a(600, 'a'), b(600, 'b');
    PMPDATA report = {};
    report.pszFormatParams[0] = a.c_str();
    report.pszFormatParams[1] = b.c_str();
    StoreGraphReport(0, &report);
    DrawGraphRow(windowDC_, 0);
    EXPECT_EQ(std::string(GetGraph(0)->szIrregular), a + std::string(1027 - 600, 'b'));
}

TEST_F(DrawFixture, PaintBackgroundShowsTheBareBackground) {
    SetRows({"R|0"});
    Graph1("R", 0, 0, 0, RED, RED);
    Category(Literals::GraphGeneral)->SetDWord(Literals::BackgroundColor1, BLUE);
    sources::SetData(0, 0, 1, 1, 0);
    StartDisplay();
    DrawGraphRows();
    PaintBackground(windowDC_);
    EXPECT_EQ(PixelAt(*window_, 10, 3), BLUE);
    EXPECT_EQ(PixelAt(*window_, 10, lRowHeight), 0u);
}

// Rows that would be drawn as the back buffer shows them are left alone; every other row is
// drawn just as a repaint of the whole buffer would draw it.
class KeptRowsTest : public DrawFixture {
protected:
    void SetUp() override {
        DrawFixture::SetUp();
        SetRows({"R|0", "R|1", "R|2", "P|0"});
        for (int j = 0; j < 3; ++j) {
            Graph1("R", j, 0, 1, RED, RED);
            CDriveProfileCategory* item = Item("R", j);
            item->SetInteger(Literals::DrawnGraphs, 3);
            item->SetInteger(Literals::Graph2Position, 2);
            item->SetDWord(Literals::Graph2Color1, BLUE);
            item->SetDWord(Literals::Graph2Color2, BLUE);
            item->SetString(Literals::Format, "$1 %1");
            item->SetInteger(Literals::TextHorizontalPosition, 1);
            item->SetDWord(Literals::TextColor, WHITE);
            sources::SetData(0, DWORD(j), 10, 3 + DWORD(j), 5, {"MW"});
        }
        Graph1("P", 0, 0, 0, GREEN, GREEN);
        Item("P", 0)->SetInteger(Literals::TextHorizontalPosition, 2);
        Item("P", 0)->SetString(Literals::Format, "%1");
    }

    // Marks the middle of every row's last line in the back buffer.
    void MarkRows() {
        HBRUSH brush = CreateSolidBrush(0x00ABCDEF);
        for (int i = 0; i < lNumberOfGraphs; ++i) {
            RECT mark = {140, lRowHeight * (i + 1) - 1, 141, lRowHeight * (i + 1)};
            FillRect(hBufferDC, &mark, brush);
        }
        DeleteObject(brush);
    }
    bool Marked(const platform::gdi::Surface& pixels, int row) {
        return PixelAt(pixels, 140, lRowHeight * (row + 1) - 1) == 0x00ABCDEFu;
    }

    // What a repaint of the whole buffer shows now.
    platform::gdi::Surface Whole() {
        ForgetDrawnRows();
        DrawGraphRows();
        return Buffer();
    }
};

TEST_F(KeptRowsTest, OnlyAChangedRowIsDrawnAgainAndItMatchesAWholeRepaint) {
    StartDisplay();
    PMPDATA report = {};
    report.dwMaxValue = 4;
    report.dwCurrentValue1 = 1;
    report.pszFormatParams[0] = "push";
    StoreGraphReport(3, &report);
    DrawGraphRow(windowDC_, 3);
    DrawGraphRows();

    COnePlugin* r = sources::Plugin(0);
    struct Change {
        const char* what;
        std::function<void()> make;
        std::vector<int> drawn; // the rows drawn again
    };
    std::vector<Change> changes = {
        {"nothing", [] {}, {}},
        {"value 1 of row 0", [] { sources::SetData(0, 0, 10, 9, 5, {"MW"}); }, {0}},
        {"value 2 of row 1", [] { sources::SetData(0, 1, 10, 4, 1, {"MW"}); }, {1}},
        {"the text of row 2", [] { sources::SetData(0, 2, 10, 5, 5, {"WM"}); }, {2}},
        {"the same bars and text again", [] { sources::SetData(0, 2, 10, 5, 5, {"WM"}); }, {}},
        {"the text colour of row 1", [r] { r->rgbTextColor[1] = GREEN; }, {1}},
        {"the text position of row 0", [r] { r->lTextHorizontalPosition[0] = 3; }, {0}},
        {"the drawn graphs of row 2", [r] { r->lDrawnGraphs[2] = 1; }, {2}},
        {"the band of graph 1 of row 0", [r] { r->lPosition1[0] = 0; }, {0}},
        {"row 1 without a source", [] { GetGraph(1)->Plugin = nullptr; }, {1}},
        {"a report of row 3",
         [&report, this] {
             report.dwCurrentValue1 = 3;
             StoreGraphReport(3, &report);
             DrawGraphRow(windowDC_, 3);
         },
         {0, 1, 2, 3}},
        {"the scale", [] { bDrawScale = true; }, {0, 1, 2, 3}},
        {"the width", [] { lGraphWidth = 150; }, {0, 1, 2, 3}},
    };
    for (const Change& change : changes) {
        MarkRows();
        change.make();
        DrawGraphRows();
        auto kept = Buffer();
        for (int i = 0; i < 4; ++i) {
            bool drawn =
                std::find(change.drawn.begin(), change.drawn.end(), i) != change.drawn.end();
            EXPECT_EQ(Marked(kept, i), !drawn) << change.what << ": row " << i;
        }
        // Apart from the marks of the rows left alone, the pixels are a whole repaint's.
        auto whole = Whole();
        for (int i = 0; i < 4; ++i)
            if (Marked(kept, i)) {
                size_t at = size_t(lRowHeight * (i + 1) - 1) * size_t(kept.width) + 140;
                kept.pixels[at] = whole.pixels[at];
            }
        EXPECT_TRUE(kept.pixels == whole.pixels) << change.what;
    }
}

// Every row is drawn again when a text may reach into the next row, and after a new set-up.
TEST_F(KeptRowsTest, EveryRowIsDrawnWhenRowsMayNotBeLeftAlone) {
    struct Case {
        const char* what;
        int textOffset;
        bool setUpAgain;
    };
    for (const Case& c : {Case{"a text moved down", 3, false}, Case{"a text moved up", -2, false},
                          Case{"a new set-up", 0, true}}) {
        Category(Literals::GraphGeneral)->SetInteger(Literals::TextVerticalPosition, c.textOffset);
        StartDisplay();
        DrawGraphRows();
        MarkRows();
        if (c.setUpAgain)
            SetupGraphDisplay();
        DrawGraphRows();
        auto pixels = Buffer();
        for (int i = 0; i < 4; ++i)
            EXPECT_FALSE(Marked(pixels, i)) << c.what << ": row " << i;
        ReleaseGraphDisplay();
    }
}

} // namespace
