#include "canvas.h"

#include "gdi32/surface.h"

#include <gtest/gtest.h>

namespace {

TEST(GdiObjects, SelectObjectReturnsThePreviousObjectOfItsKind) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(4, 5, 6));
    LOGFONTA lf{};
    lf.lfHeight = -12;
    HFONT font = CreateFontIndirectA(&lf);

    HGDIOBJ initial_bitmap = SelectObject(dc, bitmap);
    HGDIOBJ initial_brush = SelectObject(dc, brush);
    HGDIOBJ initial_pen = SelectObject(dc, pen);
    HGDIOBJ initial_font = SelectObject(dc, font);
    // A new memory DC holds a bitmap of its own and the stock white brush, black pen and
    // system font.
    EXPECT_NE(initial_bitmap, nullptr);
    EXPECT_EQ(GetObjectType(initial_bitmap), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(initial_brush, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(initial_pen, GetStockObject(BLACK_PEN));
    EXPECT_EQ(initial_font, GetStockObject(SYSTEM_FONT));

    EXPECT_EQ(SelectObject(dc, initial_bitmap), bitmap);
    EXPECT_EQ(SelectObject(dc, initial_brush), brush);
    EXPECT_EQ(SelectObject(dc, initial_pen), pen);
    EXPECT_EQ(SelectObject(dc, initial_font), font);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), initial_brush);

    for (HGDIOBJ object : {static_cast<HGDIOBJ>(bitmap), static_cast<HGDIOBJ>(brush),
                           static_cast<HGDIOBJ>(pen), static_cast<HGDIOBJ>(font)})
        EXPECT_TRUE(DeleteObject(object));
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiObjects, InvalidHandlesAreRefused) {
    HDC dc = CreateCompatibleDC(nullptr);
    auto bogus = reinterpret_cast<HGDIOBJ>(0x1234);
    EXPECT_EQ(SelectObject(dc, bogus), nullptr);
    EXPECT_EQ(SelectObject(nullptr, GetStockObject(WHITE_BRUSH)), nullptr);
    EXPECT_FALSE(DeleteObject(bogus));
    EXPECT_FALSE(DeleteObject(dc)); // a DC goes through DeleteDC
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(GetObjectType(dc), 0u);
}

// Each kind of object: one that a DC holds cannot be deleted and keeps working; selected out,
// it is deleted once.
TEST(GdiObjects, DeletingASelectedObjectFailsAndLeavesItUsable) {
    LOGFONTA lf{};
    lf.lfHeight = -12;
    struct Case {
        const char* kind;
        HGDIOBJ (*make)(HDC dc, const LOGFONTA& lf);
    } cases[] = {
        {"bitmap",
         [](HDC dc, const LOGFONTA&) -> HGDIOBJ { return CreateCompatibleBitmap(dc, 8, 8); }},
        {"brush", [](HDC, const LOGFONTA&) -> HGDIOBJ { return CreateSolidBrush(RGB(9, 9, 9)); }},
        {"pen", [](HDC, const LOGFONTA&) -> HGDIOBJ { return CreatePen(PS_SOLID, 1, 0); }},
        {"font", [](HDC, const LOGFONTA& f) -> HGDIOBJ { return CreateFontIndirectA(&f); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ object = c.make(dc, lf);
        ASSERT_NE(object, nullptr);
        HGDIOBJ previous = SelectObject(dc, object);
        ASSERT_NE(previous, nullptr);
        EXPECT_FALSE(DeleteObject(object));
        EXPECT_NE(GetObjectType(object), 0u);
        EXPECT_EQ(SelectObject(dc, previous), object);
        EXPECT_TRUE(DeleteObject(object));
        EXPECT_FALSE(DeleteObject(object));
        EXPECT_EQ(GetObjectType(object), 0u);
        EXPECT_TRUE(DeleteDC(dc));
    }
}

TEST(GdiObjects, DeleteDCLetsGoOfItsObjects) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 8, 8);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    SelectObject(dc, bitmap);
    SelectObject(dc, pen);
    EXPECT_TRUE(DeleteDC(dc));
    // The bitmap keeps its pixels and can go into another DC.
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_NE(SelectObject(other, bitmap), nullptr);
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteObject(pen));
}

TEST(GdiObjects, ABitmapGoesIntoOneDCAtATime) {
    HDC a = CreateCompatibleDC(nullptr);
    HDC b = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(a, 8, 8);
    HGDIOBJ initial_a = SelectObject(a, bitmap);
    EXPECT_EQ(SelectObject(b, bitmap), nullptr);
    SelectObject(a, initial_a);
    HGDIOBJ initial_b = SelectObject(b, bitmap);
    EXPECT_NE(initial_b, nullptr);
    SelectObject(b, initial_b);
    EXPECT_TRUE(DeleteObject(bitmap));
    DeleteDC(a);
    DeleteDC(b);
}

TEST(GdiObjects, StockObjectsSurviveDeleteObject) {
    HGDIOBJ white = GetStockObject(WHITE_BRUSH);
    ASSERT_NE(white, nullptr);
    EXPECT_TRUE(DeleteObject(white));
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), white);
    Canvas canvas(4, 4, RGB(0, 0, 0));
    RECT all{0, 0, 4, 4};
    EXPECT_TRUE(FillRect(canvas.dc(), &all, static_cast<HBRUSH>(white)));
    EXPECT_EQ(canvas.At(2, 2), RGB(255, 255, 255));
    EXPECT_EQ(GetStockObject(-1), nullptr);
    EXPECT_EQ(GetStockObject(1000), nullptr);
}

TEST(GdiObjects, BitmapSizes) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 200, 45);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 200);
    EXPECT_EQ(bm.bmHeight, 45);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmWidthBytes, 800);
    DeleteObject(bitmap);

    // An empty size gives a 1x1 bitmap; a negative or absurd one gives none.
    HBITMAP empty = CreateCompatibleBitmap(dc, 0, 10);
    ASSERT_NE(empty, nullptr);
    GetObjectA(empty, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmHeight, 1);
    DeleteObject(empty);
    EXPECT_EQ(CreateCompatibleBitmap(dc, -1, 10), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 100000, 100000), nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
    DeleteDC(dc);
}

TEST(GdiObjects, SurfaceDCDrawsOnTheSurfaceAndFollowsItsSize) {
    auto surface = std::make_shared<platform::gdi::Surface>();
    surface->width = 4;
    surface->height = 2;
    surface->pixels.assign(8, 0);
    HDC dc = platform::gdi::CreateSurfaceDC(surface);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(SetPixel(dc, 3, 1, RGB(0x11, 0x22, 0x33)), RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(surface->pixels[7], 0x112233u); // 0x00RRGGBB
    // A window DC takes no bitmap and is not deleted with DeleteDC.
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 2, 2);
    EXPECT_EQ(SelectObject(dc, bitmap), nullptr);
    EXPECT_FALSE(DeleteDC(dc));

    surface->width = 10;
    surface->height = 10;
    surface->pixels.assign(100, 0);
    EXPECT_EQ(SetPixel(dc, 9, 9, RGB(255, 0, 0)), RGB(255, 0, 0));
    EXPECT_EQ(surface->pixels[99], 0xFF0000u);

    // Caught between a new size and its pixels, the surface takes no drawing at all.
    surface->width = 50;
    RECT all{0, 0, 50, 10};
    EXPECT_FALSE(FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EXPECT_EQ(GetPixel(dc, 40, 0), CLR_INVALID);
    EXPECT_FALSE(DrawTextA(dc, "x", 1, &all, 0));
    EXPECT_FALSE(BitBlt(dc, 0, 0, 50, 10, dc, 0, 0, SRCCOPY));
    surface->width = 10;

    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    SelectObject(dc, pen);
    MoveToEx(dc, 0, 0, nullptr);
    EXPECT_TRUE(LineTo(dc, 5, 0));
    EXPECT_EQ(surface->pixels[4], 0xFF0000u);
    EXPECT_EQ(surface->pixels[5], 0u);
    platform::gdi::DeleteSurfaceDC(dc);
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(bitmap));
}

} // namespace
