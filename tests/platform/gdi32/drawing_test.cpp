#include "canvas.h"

#include "gdi32/objects.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

COLORREF Unique(int x, int y) {
    return RGB(x * 7 + 1, y * 11 + 1, (x + y) & 0xFF);
}

struct BlitCase {
    const char* name;
    int x, y, cx, cy, x1, y1;
};

// Destination 20 x 16, source 12 x 10 with a different colour at every pixel: every case is
// checked against the plain rule "a destination pixel inside the target rectangle whose source
// pixel lies inside the source surface takes that pixel; every other pixel keeps its colour".
class BitBltClipping : public ::testing::TestWithParam<BlitCase> {};

TEST_P(BitBltClipping, CopiesOnlyWhatLiesOnBothSurfaces) {
    const BlitCase& c = GetParam();
    Canvas dst(20, 16, RGB(9, 9, 9));
    Canvas src(12, 10);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            SetPixel(src.dc(), x, y, Unique(x, y));
    ASSERT_TRUE(BitBlt(dst.dc(), c.x, c.y, c.cx, c.cy, src.dc(), c.x1, c.y1, SRCCOPY));
    for (int y = 0; y < dst.height(); ++y) {
        for (int x = 0; x < dst.width(); ++x) {
            COLORREF expected = RGB(9, 9, 9);
            int sx = c.x1 + (x - c.x), sy = c.y1 + (y - c.y);
            if (x >= c.x && x < c.x + c.cx && y >= c.y && y < c.y + c.cy && sx >= 0 && sy >= 0 &&
                sx < src.width() && sy < src.height())
                expected = Unique(sx, sy);
            ASSERT_EQ(dst.At(x, y), expected) << "at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Edges, BitBltClipping,
                         ::testing::Values(BlitCase{"inside", 3, 2, 5, 4, 1, 1},
                                           BlitCase{"past_destination_left", -3, 2, 8, 4, 0, 0},
                                           BlitCase{"past_destination_top", 2, -4, 6, 8, 0, 0},
                                           BlitCase{"past_destination_right", 15, 2, 12, 4, 0, 0},
                                           BlitCase{"past_destination_bottom", 2, 12, 10, 10, 0, 0},
                                           BlitCase{"past_source_left", 5, 5, 8, 3, -4, 2},
                                           BlitCase{"past_source_top", 5, 5, 3, 8, 2, -3},
                                           BlitCase{"past_source_right", 0, 0, 12, 3, 6, 0},
                                           BlitCase{"past_source_bottom", 0, 0, 3, 12, 0, 5},
                                           BlitCase{"past_every_edge", -2, -2, 30, 30, -1, -1},
                                           BlitCase{"beyond_source", 0, 0, 5, 5, 12, 10},
                                           BlitCase{"beyond_destination", 20, 16, 5, 5, 0, 0},
                                           BlitCase{"empty", 4, 4, 0, 3, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BitBlt, OverlappingCopyWithinOneBitmapMovesThePixels) {
    for (int dy : {-2, 2}) {
        for (int dx : {-3, 3}) {
            Canvas c(16, 12);
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 16; ++x)
                    SetPixel(c.dc(), x, y, Unique(x, y));
            ASSERT_TRUE(BitBlt(c.dc(), 4 + dx, 4 + dy, 6, 5, c.dc(), 4, 4, SRCCOPY));
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 6; ++x)
                    ASSERT_EQ(c.At(4 + dx + x, 4 + dy + y), Unique(4 + x, 4 + y))
                        << dx << "," << dy << " at " << x << "," << y;
        }
    }
}

TEST(BitBlt, NeedsASourceForACopy) {
    Canvas c(4, 4);
    EXPECT_FALSE(BitBlt(c.dc(), 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(c.dc(), 0, 0, 2, 2, nullptr, 0, 0, BLACKNESS));
    EXPECT_EQ(c.At(1, 1), RGB(0, 0, 0));
    EXPECT_EQ(c.At(2, 2), RGB(255, 255, 255));
}

void Gradient(HDC dc, COLORREF c1, COLORREF c2, int left, int top, int right, int bottom,
              ULONG mode) {
    TRIVERTEX v[2] = {
        {left, top, static_cast<COLOR16>(GetRValue(c1) << 8),
         static_cast<COLOR16>(GetGValue(c1) << 8), static_cast<COLOR16>(GetBValue(c1) << 8), 0},
        {right, bottom, static_cast<COLOR16>(GetRValue(c2) << 8),
         static_cast<COLOR16>(GetGValue(c2) << 8), static_cast<COLOR16>(GetBValue(c2) << 8), 0}};
    GRADIENT_RECT r{0, 1};
    ASSERT_TRUE(GradientFill(dc, v, 2, &r, 1, mode));
}

TEST(GradientFill, HorizontalRunsFromTheFirstColourToTheSecond) {
    Canvas c(100, 10, RGB(1, 1, 1));
    const COLORREF from = RGB(0x80, 0x10, 0xFF), to = RGB(0x20, 0xF0, 0x00);
    Gradient(c.dc(), from, to, 5, 2, 95, 8, GRADIENT_FILL_RECT_H);
    EXPECT_EQ(c.At(5, 2), from);
    EXPECT_EQ(c.At(94, 7), to);
    EXPECT_EQ(c.At(4, 5), RGB(1, 1, 1));
    EXPECT_EQ(c.At(95, 5), RGB(1, 1, 1));
    EXPECT_EQ(c.At(50, 1), RGB(1, 1, 1));
    EXPECT_EQ(c.At(50, 8), RGB(1, 1, 1));
    for (int x = 6; x < 95; ++x) {
        COLORREF a = c.At(x - 1, 4), b = c.At(x, 4);
        EXPECT_LE(GetRValue(b), GetRValue(a));
        EXPECT_GE(GetGValue(b), GetGValue(a));
        EXPECT_LE(GetBValue(b), GetBValue(a));
        EXPECT_EQ(c.At(x, 2), c.At(x, 7)); // columns are of one colour
    }
}

TEST(GradientFill, VerticalRunsFromTopToBottom) {
    Canvas c(10, 60);
    const COLORREF from = RGB(0, 0, 0), to = RGB(0xFF, 0x80, 0x40);
    Gradient(c.dc(), from, to, 0, 0, 10, 60, GRADIENT_FILL_RECT_V);
    EXPECT_EQ(c.At(0, 0), from);
    EXPECT_EQ(c.At(9, 59), to);
    for (int y = 1; y < 60; ++y) {
        EXPECT_GE(GetRValue(c.At(3, y)), GetRValue(c.At(3, y - 1)));
        EXPECT_EQ(c.At(0, y), c.At(9, y)); // rows are of one colour
    }
}

TEST(GradientFill, ClippedRectangleKeepsTheColoursOfTheWholeOne) {
    Canvas whole(40, 2), cut(20, 2);
    Gradient(whole.dc(), RGB(0, 0, 0), RGB(200, 200, 200), 0, 0, 40, 2, GRADIENT_FILL_RECT_H);
    Gradient(cut.dc(), RGB(0, 0, 0), RGB(200, 200, 200), 0, 0, 40, 2, GRADIENT_FILL_RECT_H);
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(cut.At(x, 0), whole.At(x, 0));
}

TEST(GradientFill, RefusesTrianglesAndBadIndices) {
    Canvas c(10, 10, RGB(7, 7, 7));
    TRIVERTEX v[2] = {{0, 0, 0xFF00, 0, 0, 0}, {10, 10, 0, 0xFF00, 0, 0}};
    GRADIENT_RECT r{0, 1};
    // A rectangle mesh is two indices; read as a triangle it would be three.
    EXPECT_FALSE(GradientFill(c.dc(), v, 2, &r, 1, GRADIENT_FILL_TRIANGLE));
    EXPECT_FALSE(GradientFill(c.dc(), v, 2, &r, 1, 7));
    GRADIENT_RECT bad{0, 2};
    EXPECT_FALSE(GradientFill(c.dc(), v, 2, &bad, 1, GRADIENT_FILL_RECT_H));
    EXPECT_EQ(c.InkBox(RGB(7, 7, 7)).right, 0);
}

TEST(Lines, LeaveOutTheEndPoint) {
    Canvas c(20, 20);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(c.dc(), pen);
    // A tick as the scale draws it: from 3 above the bottom line to the bottom line.
    MoveToEx(c.dc(), 5, 17, nullptr);
    LineTo(c.dc(), 5, 20);
    EXPECT_EQ(c.At(5, 16), RGB(255, 255, 255));
    EXPECT_EQ(c.At(5, 17), RGB(255, 0, 0));
    EXPECT_EQ(c.At(5, 19), RGB(255, 0, 0));
    RECT ink = c.InkBox(RGB(255, 255, 255));
    EXPECT_EQ(ink.left, 5);
    EXPECT_EQ(ink.right, 6);
    EXPECT_EQ(ink.top, 17);
    EXPECT_EQ(ink.bottom, 20);

    // Horizontal, then on from where it ended: the corner is drawn once, the end left out.
    c.Fill(RGB(255, 255, 255));
    MoveToEx(c.dc(), 2, 3, nullptr);
    LineTo(c.dc(), 8, 3);
    LineTo(c.dc(), 8, 9);
    POINT last{};
    MoveToEx(c.dc(), 0, 0, &last);
    EXPECT_EQ(last.x, 8);
    EXPECT_EQ(last.y, 9);
    for (int x = 2; x <= 8; ++x)
        EXPECT_EQ(c.At(x, 3), RGB(255, 0, 0)) << x;
    EXPECT_EQ(c.At(9, 3), RGB(255, 255, 255));
    EXPECT_EQ(c.At(8, 8), RGB(255, 0, 0));
    EXPECT_EQ(c.At(8, 9), RGB(255, 255, 255));

    // Diagonal: one pixel per step.
    c.Fill(RGB(255, 255, 255));
    MoveToEx(c.dc(), 0, 0, nullptr);
    LineTo(c.dc(), 5, 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(c.At(i, i), RGB(255, 0, 0));
    EXPECT_EQ(c.At(5, 5), RGB(255, 255, 255));

    // Off the bitmap: clipped, no harm.
    MoveToEx(c.dc(), -50, 10, nullptr);
    EXPECT_TRUE(LineTo(c.dc(), 100, 10));
    EXPECT_EQ(c.At(0, 10), RGB(255, 0, 0));
    EXPECT_EQ(c.At(19, 10), RGB(255, 0, 0));

    SelectObject(c.dc(), GetStockObject(NULL_PEN));
    c.Fill(RGB(255, 255, 255));
    MoveToEx(c.dc(), 0, 4, nullptr);
    LineTo(c.dc(), 19, 4);
    EXPECT_EQ(c.InkBox(RGB(255, 255, 255)).right, 0);
    SelectObject(c.dc(), old);
    DeleteObject(pen);
}

TEST(Rectangles, FillAndFrameCoverTheirPixelsOnly) {
    Canvas c(12, 12);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 200));
    RECT r{2, 3, 9, 8};
    ASSERT_TRUE(FillRect(c.dc(), &r, brush));
    RECT ink = c.InkBox(RGB(255, 255, 255));
    EXPECT_EQ(ink.left, 2);
    EXPECT_EQ(ink.top, 3);
    EXPECT_EQ(ink.right, 9);
    EXPECT_EQ(ink.bottom, 8);
    EXPECT_EQ(c.At(5, 5), RGB(0, 0, 200));

    c.Fill(RGB(255, 255, 255));
    ASSERT_TRUE(FrameRect(c.dc(), &r, brush));
    ink = c.InkBox(RGB(255, 255, 255));
    EXPECT_EQ(ink.left, 2);
    EXPECT_EQ(ink.top, 3);
    EXPECT_EQ(ink.right, 9);
    EXPECT_EQ(ink.bottom, 8);
    EXPECT_EQ(c.At(2, 5), RGB(0, 0, 200));
    EXPECT_EQ(c.At(8, 5), RGB(0, 0, 200));
    EXPECT_EQ(c.At(5, 3), RGB(0, 0, 200));
    EXPECT_EQ(c.At(5, 7), RGB(0, 0, 200));
    EXPECT_EQ(c.At(5, 5), RGB(255, 255, 255));
    EXPECT_EQ(c.At(3, 4), RGB(255, 255, 255));

    // Rectangles past the bitmap are clipped; empty ones draw nothing.
    RECT huge{-100, -100, 100, 100};
    EXPECT_TRUE(FillRect(c.dc(), &huge, brush));
    EXPECT_EQ(c.At(0, 0), RGB(0, 0, 200));
    EXPECT_EQ(c.At(11, 11), RGB(0, 0, 200));
    c.Fill(RGB(255, 255, 255));
    RECT inverted{8, 8, 2, 2};
    EXPECT_TRUE(FillRect(c.dc(), &inverted, brush));
    EXPECT_TRUE(FrameRect(c.dc(), &inverted, brush));
    EXPECT_EQ(c.InkBox(RGB(255, 255, 255)).right, 0);
    DeleteObject(brush);
}

TEST(Rectangles, SystemColourBrushesComeFromTheInstalledLookup) {
    Canvas c(4, 4);
    RECT all{0, 0, 4, 4};
    auto colour_5 = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(5 + 1));
    platform::gdi::SetSystemColorLookup(nullptr);
    EXPECT_FALSE(FillRect(c.dc(), &all, colour_5));
    platform::gdi::SetSystemColorLookup(
        [](int index) -> COLORREF { return index == 5 ? RGB(10, 20, 30) : 0; });
    EXPECT_TRUE(FillRect(c.dc(), &all, colour_5));
    EXPECT_EQ(c.At(3, 3), RGB(10, 20, 30));
    EXPECT_FALSE(FillRect(c.dc(), &all, reinterpret_cast<HBRUSH>(uintptr_t{40})));
    platform::gdi::SetSystemColorLookup(nullptr);
}

TEST(Pixels, OutsideTheBitmapIsInvalid) {
    Canvas c(3, 3);
    EXPECT_EQ(GetPixel(c.dc(), 3, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(c.dc(), 0, -1), CLR_INVALID);
    EXPECT_EQ(SetPixel(c.dc(), -1, 0, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(c.dc(), 2, 2, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(c.At(2, 2), RGB(1, 2, 3));
}

} // namespace
