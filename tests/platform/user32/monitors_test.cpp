// Monitors of the headless desktop and of layouts that tests set.
#include <windows.h>

#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::testing::MonitorScope;
using platform::user32::MonitorLayout;

struct Seen {
    HMONITOR monitor;
    RECT rect;
};

std::vector<Seen> Enumerate(LPCRECT clip = nullptr, size_t stop_after = 100) {
    struct State {
        std::vector<Seen> seen;
        size_t stop_after;
    } state{{}, stop_after};
    EXPECT_TRUE(EnumDisplayMonitors(
        nullptr, clip,
        [](HMONITOR m, HDC, LPRECT r, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<State*>(data);
            s->seen.push_back({m, *r});
            return s->seen.size() < s->stop_after;
        },
        reinterpret_cast<LPARAM>(&state)));
    return state.seen;
}

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(Monitors, DefaultIsOneFullHdMonitorWithATaskBar) {
    const auto seen = Enumerate();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(Same(seen[0].rect, RECT{0, 0, 1920, 1080}));
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoA(seen[0].monitor, &info));
    EXPECT_TRUE(Same(info.rcMonitor, RECT{0, 0, 1920, 1080}));
    EXPECT_TRUE(Same(info.rcWork, RECT{0, 0, 1920, 1040}));
    EXPECT_EQ(info.dwFlags, DWORD(MONITORINFOF_PRIMARY));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);

    MONITORINFOEXA ex{};
    ex.cbSize = sizeof ex;
    ASSERT_TRUE(GetMonitorInfoA(seen[0].monitor, reinterpret_cast<LPMONITORINFO>(&ex)));
    EXPECT_STREQ(ex.szDevice, "\\\\.\\DISPLAY1");

    info.cbSize = 36;
    SetLastError(0);
    EXPECT_FALSE(GetMonitorInfoA(seen[0].monitor, &info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(Monitors, SecondMonitorToTheLeft) {
    MonitorScope layout({MonitorLayout{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                         MonitorLayout{{-1280, 0, 0, 1024}, {-1280, 0, 0, 1024}}});
    const auto seen = Enumerate();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(Same(seen[1].rect, RECT{-1280, 0, 0, 1024}));
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoA(seen[1].monitor, &info));
    EXPECT_EQ(info.dwFlags, 0u);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920) << "the primary monitor";
    EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), -1280);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 3200);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1080);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);

    struct PointCase {
        POINT point;
        DWORD flags;
        HMONITOR expected;
    };
    const PointCase points[] = {
        {{-100, 10}, MONITOR_DEFAULTTONULL, seen[1].monitor},
        {{0, 0}, MONITOR_DEFAULTTONULL, seen[0].monitor},
        {{-1, 1023}, MONITOR_DEFAULTTONULL, seen[1].monitor},
        {{-100, 1050}, MONITOR_DEFAULTTONULL, nullptr}, // below the smaller monitor
        {{-100, 1050}, MONITOR_DEFAULTTOPRIMARY, seen[0].monitor},
        {{-100, 1030}, MONITOR_DEFAULTTONEAREST, seen[1].monitor},
        {{5000, 10}, MONITOR_DEFAULTTONEAREST, seen[0].monitor},
    };
    for (const PointCase& c : points)
        EXPECT_EQ(MonitorFromPoint(c.point, c.flags), c.expected) << c.point.x << ", " << c.point.y;

    const RECT mostly_left{-300, 0, 100, 100};
    EXPECT_EQ(MonitorFromRect(&mostly_left, MONITOR_DEFAULTTONULL), seen[1].monitor);
    const RECT outside{5000, 5000, 5010, 5010};
    EXPECT_EQ(MonitorFromRect(&outside, MONITOR_DEFAULTTONULL), nullptr);

    // A window's monitor is the one that holds most of it; a window that is gone has none.
    platform::testing::DesktopScope desktop;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "MonitorOfWindow";
    RegisterClassExA(&wc);
    HWND window = CreateWindowExA(0, "MonitorOfWindow", "", WS_POPUP, -300, 0, 400, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    EXPECT_EQ(MonitorFromWindow(window, MONITOR_DEFAULTTONULL), seen[1].monitor);
    MoveWindow(window, 6000, 10, 50, 50, FALSE);
    EXPECT_EQ(MonitorFromWindow(window, MONITOR_DEFAULTTONULL), nullptr);
    EXPECT_EQ(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), seen[0].monitor);
    DestroyWindow(window);
    EXPECT_EQ(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), nullptr);

    const RECT clip{-10, 0, 10, 10};
    const auto clipped = Enumerate(&clip);
    ASSERT_EQ(clipped.size(), 2u);
    EXPECT_TRUE(Same(clipped[0].rect, RECT{0, 0, 10, 10}));
    EXPECT_TRUE(Same(clipped[1].rect, RECT{-10, 0, 0, 10}));
    EXPECT_EQ(Enumerate(nullptr, 1).size(), 1u) << "a FALSE from the callback stops it";
}

TEST(Monitors, HandlesOfAnEarlierLayoutAreRefused) {
    HMONITOR old = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MonitorScope layout({MonitorLayout{{0, 0, 800, 600}, {0, 0, 800, 560}}});
    MONITORINFO info{};
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetMonitorInfoA(old, &info));
    EXPECT_TRUE(GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, 0), &info));
    EXPECT_EQ(info.rcWork.bottom, 560);
}

} // namespace
