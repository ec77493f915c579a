#include "test_window.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

using namespace platform::testing;
using user32_test::CurrentHandler;
using user32_test::WindowTest;

using Messages = std::vector<UINT>;

Messages Buttons(const MessageSpy& spy, HWND w) {
    Messages kept;
    for (UINT m : spy.MessagesOf(w))
        if ((m >= WM_LBUTTONDOWN && m <= WM_MBUTTONDBLCLK) || m == WM_CONTEXTMENU)
            kept.push_back(m);
    return kept;
}

TEST_F(WindowTest, RightButtonUpBecomesAContextMenuAtTheScreenPoint) {
    HWND w = Popup(100, 100, 50, 50);
    RunUntilIdle();
    MessageSpy spy;
    RightClick(POINT{110, 120});
    RunUntilIdle();
    EXPECT_EQ(Buttons(spy, w), (Messages{WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}));
    EXPECT_EQ(spy.Of(w, WM_RBUTTONUP)[0].lParam, MAKELPARAM(10, 20)); // client coordinates
    auto menu = spy.Of(w, WM_CONTEXTMENU);
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(menu[0].wParam, WPARAM(w));
    EXPECT_EQ(LOWORD(menu[0].lParam), 110);
    EXPECT_EQ(HIWORD(menu[0].lParam), 120);
}

// The wheel goes to the window under the pointer; a child that does not scroll hands it to its
// parent, and where the window under the pointer takes no input the focus gets it.
TEST_F(WindowTest, TheWheelScrollsWhatThePointerIsOver) {
    HWND top = Popup(100, 100, 200, 100);
    auto child = [&](int x, DWORD style = 0) {
        return CreateWindowExA(0, "TestWindow", "", WS_CHILD | WS_VISIBLE | style, x, 0, 50, 50,
                               top, nullptr, nullptr, nullptr);
    };
    HWND focused = child(0), scrolling = child(60), plain = child(120),
         disabled = child(180, WS_DISABLED);
    HWND other = Popup(400, 100, 50, 50);
    HWND blocked = Popup(500, 100, 50, 50, 0, "TestWindow", WS_POPUP | WS_VISIBLE | WS_DISABLED);
    RunUntilIdle();
    SetFocus(focused);
    // `scrolling` takes the wheel itself; the others leave it to the default procedure.
    CurrentHandler() = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_MOUSEWHEEL && hwnd == scrolling)
            return 0;
        return std::nullopt;
    };
    struct Case {
        const char* where;
        POINT at;
        std::vector<HWND> reached;
    };
    const Case cases[] = {
        {"a child that scrolls", {170, 110}, {scrolling}},
        {"a child that does not", {230, 110}, {plain, top}},
        {"the window itself", {150, 170}, {top}},
        {"a disabled child, which the pointer sees through", {290, 110}, {top}},
        {"another window", {410, 110}, {other}},
        {"a disabled window, as one whose dialog runs", {510, 110}, {focused, top}},
        {"no window", {700, 500}, {focused, top}},
    };
    for (const Case& c : cases) {
        MessageSpy spy;
        TurnWheel(c.at, -1);
        RunUntilIdle();
        std::vector<HWND> reached;
        for (HWND w : {focused, scrolling, plain, disabled, top, other, blocked}) {
            auto seen = spy.Of(w, WM_MOUSEWHEEL);
            if (seen.empty())
                continue;
            reached.push_back(w);
            EXPECT_EQ(SHORT(HIWORD(seen[0].wParam)), -WHEEL_DELTA) << c.where;
            EXPECT_EQ(SHORT(LOWORD(seen[0].lParam)), c.at.x) << c.where;
        }
        std::vector<HWND> expected = c.reached;
        std::sort(expected.begin(), expected.end());
        std::sort(reached.begin(), reached.end());
        EXPECT_EQ(reached, expected) << c.where;
    }
}

TEST_F(WindowTest, KeyboardContextMenuCarriesMinusOne) {
    HWND w = Popup(0, 0, 50, 50);
    RunUntilIdle();
    ASSERT_EQ(GetFocus(), w);
    struct Case {
        const char* name;
        std::function<void()> press;
    };
    for (const Case& c : {Case{"Apps", [] { PressKey(VK_APPS); }}, Case{"Shift+F10", [] {
                                                                            KeyDown(VK_SHIFT);
                                                                            PressKey(VK_F10);
                                                                            KeyUp(VK_SHIFT);
                                                                        }}}) {
        MessageSpy spy;
        c.press();
        RunUntilIdle();
        auto menu = spy.Of(w, WM_CONTEXTMENU);
        ASSERT_EQ(menu.size(), 1u) << c.name;
        EXPECT_EQ(LOWORD(menu[0].lParam), 0xFFFF) << c.name;
        EXPECT_EQ(HIWORD(menu[0].lParam), 0xFFFF) << c.name;
    }
}

TEST_F(WindowTest, DoubleClicksNeedTheClassStyleTheTimeAndTheDistance) {
    struct Case {
        const char* cls;
        uint64_t pause_ms;
        int dx;
        UINT second_down;
    };
    const Case cases[] = {
        {"TestDblClkWindow", 0, 0, WM_LBUTTONDBLCLK},
        {"TestDblClkWindow", 500, 2, WM_LBUTTONDBLCLK},
        {"TestDblClkWindow", 501, 0, WM_LBUTTONDOWN},
        {"TestDblClkWindow", 0, 3, WM_LBUTTONDOWN},
        {"TestWindow", 0, 0, WM_LBUTTONDOWN},
    };
    int n = 0;
    for (const Case& c : cases) {
        HWND w = Popup(0, 0, 50, 50, 0, c.cls);
        RunUntilIdle();
        MessageSpy spy;
        LeftClick(POINT{20, 20});
        desktop_.clock().Advance(c.pause_ms);
        LeftClick(POINT{20 + c.dx, 20});
        RunUntilIdle();
        EXPECT_EQ(Buttons(spy, w),
                  (Messages{WM_LBUTTONDOWN, WM_LBUTTONUP, c.second_down, WM_LBUTTONUP}))
            << "case " << n++;
        DestroyWindow(w);
        desktop_.clock().Advance(1000);
    }
}

TEST_F(WindowTest, KeyFlagsAndKeyStateFollowTheInput) {
    HWND w = Popup(0, 0, 50, 50);
    RunUntilIdle();
    SHORT control_during = 0;
    CurrentHandler() = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_LBUTTONDOWN)
            control_during = GetKeyState(VK_CONTROL);
        return std::nullopt;
    };
    MessageSpy spy;
    LeftDown(POINT{5, 5}, MK_CONTROL);
    EXPECT_GE(GetAsyncKeyState(VK_CONTROL), 0); // held for that input only
    EXPECT_LT(GetAsyncKeyState(VK_LBUTTON), 0);
    LeftUp(POINT{5, 5});
    RunUntilIdle();
    EXPECT_LT(control_during, 0);
    EXPECT_EQ(spy.Of(w, WM_LBUTTONDOWN)[0].wParam, WPARAM(MK_LBUTTON | MK_CONTROL));
    EXPECT_EQ(spy.Of(w, WM_LBUTTONUP)[0].wParam, WPARAM(0));
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);

    SetKeyDown(VK_LSHIFT, true);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    SetKeyDown(VK_LSHIFT, false);
    EXPECT_GE(GetAsyncKeyState(VK_SHIFT), 0);
}

TEST_F(WindowTest, ClicksFallThroughAClickThroughWindow) {
    HWND below = Popup(0, 0, 100, 100);
    HWND above = Popup(0, 0, 100, 100, WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST);
    RunUntilIdle();
    MessageSpy spy;
    LeftClick(POINT{50, 50});
    RunUntilIdle();
    EXPECT_EQ(Buttons(spy, below).size(), 2u);
    EXPECT_TRUE(Buttons(spy, above).empty());
    spy.Clear();
    SetWindowLongPtrA(above, GWL_EXSTYLE, WS_EX_LAYERED); // the topmost band stays
    desktop_.clock().Advance(1000);
    LeftClick(POINT{50, 50});
    RunUntilIdle();
    EXPECT_TRUE(Buttons(spy, below).empty());
    EXPECT_EQ(Buttons(spy, above).size(), 2u);

    // A window whose hit test says HTTRANSPARENT passes the input on as well.
    CurrentHandler() = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (h == above && m == WM_NCHITTEST)
            return HTTRANSPARENT;
        return std::nullopt;
    };
    spy.Clear();
    desktop_.clock().Advance(1000);
    LeftClick(POINT{50, 50});
    RunUntilIdle();
    EXPECT_EQ(Buttons(spy, below).size(), 2u);
}

TEST_F(WindowTest, DisabledWindowsTakeNoMouseInput) {
    // A window with a child at (10, 10, 30, 30), clicked on the child. A window disabled while
    // a dialog runs takes no input through its children either; a disabled child leaves the
    // click to its parent.
    struct Case {
        const char* name;
        bool window_enabled, child_enabled;
        size_t window_buttons, child_buttons;
    };
    const Case cases[] = {
        {"both enabled", true, true, 0, 2},
        {"window disabled", false, true, 0, 0},
        {"child disabled", true, false, 2, 0},
        {"both disabled", false, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND w = Popup(0, 0, 100, 100);
        HWND child = CreateWindowExA(0, "TestWindow", "", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, w,
                                     nullptr, nullptr, nullptr);
        RunUntilIdle();
        EnableWindow(w, c.window_enabled);
        EnableWindow(child, c.child_enabled);
        MessageSpy spy;
        LeftClick(POINT{20, 20});
        RunUntilIdle();
        EXPECT_EQ(Buttons(spy, w).size(), c.window_buttons);
        EXPECT_EQ(Buttons(spy, child).size(), c.child_buttons);
        DestroyWindow(w);
        desktop_.clock().Advance(1000);
    }
}

TEST_F(WindowTest, CursorPositionIsTheDesktops) {
    SetCursorPos(12, 34);
    POINT p{};
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 12);
    EXPECT_EQ(p.y, 34);
    MouseMove(POINT{-5, 7});
    GetCursorPos(&p);
    EXPECT_EQ(p.x, -5);
    EXPECT_FALSE(GetCursorPos(nullptr));
}

// A window dragged from anywhere: its button-down posts a caption hit, as the main window does.
class DragTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        CurrentHandler() = [this](HWND h, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
            if (m == WM_LBUTTONDOWN) {
                PostMessageA(h, WM_NCLBUTTONDOWN, HTCAPTION, l);
                return 0;
            }
            if (m == WM_ENTERSIZEMOVE)
                GetCursorPos(&cursor_at_start_);
            if (m == WM_MOVING) {
                auto* r = reinterpret_cast<RECT*>(l);
                proposed_.push_back(*r);
                if (snap_left_ && r->left < 30) {
                    r->right -= r->left;
                    r->left = 0;
                    return 1;
                }
                return 0;
            }
            return std::nullopt;
        };
        w_ = Popup(100, 100, 50, 20);
        RunUntilIdle();
    }
    HWND w_ = nullptr;
    bool snap_left_ = false;
    POINT cursor_at_start_{};
    std::vector<RECT> proposed_;
};

TEST_F(DragTest, TheMoveLoopFollowsTheCursorAndReportsEachStep) {
    MessageSpy spy;
    Drag(POINT{110, 110}, POINT{150, 130}, 4);
    RunUntilIdle();
    Messages loop;
    for (UINT m : spy.MessagesOf(w_))
        if (m == WM_ENTERSIZEMOVE || m == WM_MOVING || m == WM_EXITSIZEMOVE)
            loop.push_back(m);
    EXPECT_EQ(loop, (Messages{WM_ENTERSIZEMOVE, WM_MOVING, WM_MOVING, WM_MOVING, WM_MOVING,
                              WM_EXITSIZEMOVE}));
    EXPECT_EQ(cursor_at_start_.x, 110);
    ASSERT_EQ(proposed_.size(), 4u);
    EXPECT_EQ(proposed_[0].left, 110);
    EXPECT_EQ(proposed_[0].top, 105);
    EXPECT_EQ(proposed_[3].right, 190);
    RECT r;
    GetWindowRect(w_, &r);
    EXPECT_EQ(r.left, 140);
    EXPECT_EQ(r.top, 120);
    EXPECT_EQ(spy.Of(w_, WM_MOVE).size(), 4u);
    EXPECT_EQ(spy.Of(w_, WM_MOVE).back().lParam, MAKELPARAM(140, 120));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(DragTest, TheWindowGoesWhereWmMovingLeftTheRectangle) {
    snap_left_ = true;
    Drag(POINT{110, 110}, POINT{30, 110}, 2);
    RunUntilIdle();
    RECT r;
    GetWindowRect(w_, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 50);
}

TEST_F(DragTest, EscapePutsTheWindowBackAndEndsTheLoop) {
    MessageSpy spy;
    // Within the loop, when it waits: a move, then Escape with the button still down.
    std::vector<std::function<void()>> steps = {[] {
                                                    MouseMove(POINT{130, 115});
                                                },
                                                [] { KeyDown(VK_ESCAPE); }};
    size_t next = 0;
    IdleScope idle([&] {
        if (next == steps.size())
            return false;
        steps[next++]();
        return true;
    });
    LeftDown(POINT{110, 110});
    RunUntilIdle();
    EXPECT_EQ(next, steps.size());
    RECT r;
    GetWindowRect(w_, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 100);
    ASSERT_EQ(proposed_.size(), 1u);
    auto moves = spy.Of(w_, WM_MOVE);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves.back().lParam, MAKELPARAM(100, 100));
    EXPECT_EQ(spy.Of(w_, WM_EXITSIZEMOVE).size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);
    LeftUp(POINT{130, 115});
    RunUntilIdle();
}

TEST_F(DragTest, TheMoveStartsWhereTheButtonWentDownThoughTheCursorWentOn) {
    // The pointer is off the window before the window has handled the press: that move reaches
    // nobody, and the loop catches up with it when it starts, the caption hit carrying the
    // place of the press.
    bool released = false;
    IdleScope idle([&] {
        if (released)
            return false;
        released = true;
        LeftUp(POINT{150, 130});
        return true;
    });
    LeftDown(POINT{110, 110});
    MouseMove(POINT{150, 130});
    RunUntilIdle();
    EXPECT_TRUE(released);
    EXPECT_EQ(cursor_at_start_.x, 150);
    ASSERT_EQ(proposed_.size(), 1u);
    RECT r;
    GetWindowRect(w_, &r);
    EXPECT_EQ(r.left, 140);
    EXPECT_EQ(r.top, 120);
    EXPECT_EQ(GetCapture(), nullptr);
}

} // namespace
