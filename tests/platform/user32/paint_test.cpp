#include "test_window.h"

#include <vector>

namespace {

using platform::testing::MessageSpy;
using platform::testing::RunUntilIdle;
using user32_test::CurrentHandler;
using user32_test::WindowTest;

class PaintTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        CurrentHandler() = [this](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (m != WM_PAINT)
                return std::nullopt;
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            EXPECT_NE(dc, nullptr);
            paints_.push_back(ps.rcPaint);
            dcs_.push_back(dc);
            EndPaint(h, &ps);
            return 0;
        };
    }
    std::vector<RECT> paints_;
    std::vector<HDC> dcs_;
};

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(PaintTest, InvalidRectanglesCoalesceIntoOnePaintOfTheirUnion) {
    HWND w = Popup(0, 0, 200, 100);
    RunUntilIdle();
    paints_.clear();
    RECT a{10, 10, 20, 20}, b{50, 5, 60, 15}, outside{150, 90, 400, 400};
    InvalidateRect(w, &a, FALSE);
    InvalidateRect(w, &b, FALSE);
    InvalidateRect(w, &outside, FALSE);
    RunUntilIdle();
    ASSERT_EQ(paints_.size(), 1u);
    EXPECT_TRUE(Same(paints_[0], RECT{10, 5, 200, 100})); // clipped to the client area
    paints_.clear();
    RunUntilIdle();
    EXPECT_TRUE(paints_.empty());
    InvalidateRect(w, nullptr, FALSE);
    RunUntilIdle();
    ASSERT_EQ(paints_.size(), 1u);
    EXPECT_TRUE(Same(paints_[0], RECT{0, 0, 200, 100}));
}

TEST_F(PaintTest, AHiddenWindowIsPaintedWhenShown) {
    HWND w = Popup(0, 0, 20, 20, 0, "TestWindow", WS_POPUP);
    InvalidateRect(w, nullptr, FALSE);
    RunUntilIdle();
    EXPECT_TRUE(paints_.empty());
    ShowWindow(w, SW_SHOWNA);
    RunUntilIdle();
    EXPECT_EQ(paints_.size(), 1u);
}

TEST_F(PaintTest, UpdateWindowPaintsAtOnceWithoutTheQueue) {
    HWND w = Popup(0, 0, 20, 20);
    RunUntilIdle();
    paints_.clear();
    UpdateWindow(w); // nothing to paint
    EXPECT_TRUE(paints_.empty());
    PostMessageA(w, WM_APP, 0, 0);
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(paints_.size(), 1u);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_APP));
}

TEST_F(PaintTest, EraseIsAskedForOnlyWhenInvalidatedSo) {
    HWND w = Popup(0, 0, 20, 20);
    RunUntilIdle();
    MessageSpy spy;
    InvalidateRect(w, nullptr, FALSE);
    RunUntilIdle();
    EXPECT_TRUE(spy.Of(w, WM_ERASEBKGND).empty());
    InvalidateRect(w, nullptr, TRUE);
    RunUntilIdle();
    EXPECT_EQ(spy.Of(w, WM_ERASEBKGND).size(), 1u);
}

TEST_F(PaintTest, AnOwnDCClassGivesTheSameDCEveryTime) {
    HWND own = Popup(0, 0, 20, 20, 0, "TestOwnDCWindow");
    RunUntilIdle();
    HDC dc = GetDC(own);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(ReleaseDC(own, dc), 1);
    EXPECT_EQ(GetDC(own), dc);
    InvalidateRect(own, nullptr, FALSE);
    RunUntilIdle();
    ASSERT_FALSE(dcs_.empty());
    EXPECT_EQ(dcs_.back(), dc);

    HWND plain = Popup(0, 0, 20, 20);
    HDC a = GetDC(plain);
    EXPECT_EQ(ReleaseDC(plain, dc), 0); // not this window's DC
    EXPECT_EQ(ReleaseDC(plain, a), 1);
    EXPECT_EQ(ReleaseDC(plain, a), 0); // released once only
    HDC screen = GetDC(nullptr);
    EXPECT_NE(screen, nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

} // namespace

namespace {

// A class background or a FillRect may name a system colour as a brush.
TEST_F(PaintTest, SystemColourBrushesPaintTheirColour) {
    struct Case {
        int index;
        COLORREF color;
    };
    const Case cases[] = {{COLOR_WINDOW, RGB(255, 255, 255)},
                          {COLOR_BTNFACE, RGB(240, 240, 240)},
                          {COLOR_INFOBK, RGB(255, 255, 225)}};
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (const Case& c : cases) {
        EXPECT_EQ(GetSysColor(c.index), c.color);
        RECT all{0, 0, 4, 4};
        EXPECT_TRUE(FillRect(dc, &all, reinterpret_cast<HBRUSH>(INT_PTR(c.index + 1))));
        EXPECT_EQ(GetPixel(dc, 3, 3), c.color) << "colour " << c.index;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(INT_PTR(COLOR_INFOBK + 1));
    wc.lpszClassName = "SystemColourBackground";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    HWND w = Popup(0, 0, 20, 20, 0, "SystemColourBackground");
    RunUntilIdle();
    auto pixels = platform::testing::ReadWindowPixels(w);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(platform::testing::PixelAt(*pixels, 10, 10), RGB(255, 255, 225));
}

} // namespace
