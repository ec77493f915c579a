#include "test_window.h"

#include "user32/window_manager.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using platform::testing::MessageSpy;
using user32_test::CurrentHandler;
using user32_test::WindowTest;

using Messages = std::vector<UINT>;

// The messages of `all` that are in `wanted`, in order.
Messages Only(const Messages& all, const Messages& wanted) {
    Messages kept;
    for (UINT m : all)
        if (std::find(wanted.begin(), wanted.end(), m) != wanted.end())
            kept.push_back(m);
    return kept;
}

TEST_F(WindowTest, ClassNamesAreUniqueWhateverTheirCase) {
    SetLastError(0);
    EXPECT_EQ(user32_test::RegisterTestClass("testwindow"), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc - 8;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "Short";
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    HWND w = Popup(0, 0, 10, 10);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(UnregisterClassA("TestWindow", nullptr));
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassA("TestWindow", nullptr));
    EXPECT_FALSE(UnregisterClassA("TestWindow", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));
    EXPECT_EQ(CreateWindowExA(0, "TestWindow", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST_F(WindowTest, CreationSendsTheSystemsMessagesInOrder) {
    MessageSpy spy;
    const CREATESTRUCTA* seen = nullptr;
    int param = 7;
    LPVOID seen_param = nullptr;
    CurrentHandler() = [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (m == WM_CREATE) {
            seen = reinterpret_cast<const CREATESTRUCTA*>(l);
            seen_param = seen->lpCreateParams;
        }
        return std::nullopt;
    };
    HWND hidden = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW, "TestWindow", "Pelmora",
                                  WS_POPUP, 30, 40, 0, 0, nullptr, nullptr, nullptr, &param);
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(spy.MessagesOf(hidden), (Messages{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE,
                                                WM_CREATE, WM_SIZE, WM_MOVE}));
    EXPECT_EQ(seen_param, &param);
    EXPECT_EQ(spy.Of(hidden, WM_MOVE)[0].lParam, MAKELPARAM(30, 40));
    EXPECT_EQ(spy.Of(hidden, WM_SIZE)[0].lParam, MAKELPARAM(0, 0));
    EXPECT_FALSE(IsWindowVisible(hidden));
    char text[16];
    EXPECT_EQ(GetWindowTextA(hidden, text, sizeof text), 7);
    EXPECT_STREQ(text, "Pelmora");

    HWND shown = Popup(0, 0, 50, 20);
    Messages got = spy.MessagesOf(shown);
    EXPECT_EQ(Only(got, {WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING,
                         WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED}),
              (Messages{WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING,
                        WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED}));
    EXPECT_TRUE(IsWindowVisible(shown));
    EXPECT_EQ(GetForegroundWindow(), shown);
    EXPECT_EQ(GetFocus(), shown);
}

TEST_F(WindowTest, AWindowThatRefusesCreationIsNotCreated) {
    struct Case {
        UINT message;
        LRESULT refusal;
        Messages after; // messages after the refusal
    };
    for (Case c : {Case{WM_NCCREATE, FALSE, {WM_NCDESTROY}},
                   Case{WM_CREATE, -1, {WM_DESTROY, WM_NCDESTROY}}}) {
        MessageSpy spy;
        HWND created = nullptr;
        CurrentHandler() = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
            created = h;
            if (m == c.message)
                return c.refusal;
            return std::nullopt;
        };
        EXPECT_EQ(Popup(0, 0, 10, 10), nullptr);
        EXPECT_FALSE(IsWindow(created));
        Messages got = spy.MessagesOf(created);
        auto at = std::find(got.begin(), got.end(), c.message);
        ASSERT_NE(at, got.end());
        EXPECT_EQ(Messages(at + 1, got.end()), c.after) << c.message;
    }
}

TEST_F(WindowTest, DestroyingAParentDestroysItsChildrenBeforeItsOwnNonClientPart) {
    HWND parent = Popup(0, 0, 100, 100);
    HWND child = CreateWindowExA(0, "TestWindow", "", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, parent,
                                 HMENU(5), nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent);
    MessageSpy spy;
    PostMessageA(parent, WM_APP, 0, 0);
    PostMessageA(child, WM_APP, 0, 0);
    ASSERT_TRUE(DestroyWindow(parent));
    Messages order;
    for (const auto& e : spy.Entries())
        if (e.message == WM_DESTROY || e.message == WM_NCDESTROY)
            order.push_back(e.message | (e.hwnd == child ? 0x10000 : 0));
    EXPECT_EQ(order,
              (Messages{WM_DESTROY, 0x10000 | WM_DESTROY, 0x10000 | WM_NCDESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    // What was posted to them is dropped; nothing more reaches a destroyed window.
    spy.Clear();
    platform::testing::RunUntilIdle();
    EXPECT_TRUE(spy.Entries().empty());
    SetLastError(0);
    EXPECT_EQ(SendMessageA(parent, WM_APP, 0, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PostMessageA(parent, WM_APP, 0, 0));
}

TEST_F(WindowTest, OwnedWindowsGoWithTheirOwner) {
    HWND owner = Popup(0, 0, 100, 100);
    HWND owned = CreateWindowExA(0, "TestWindow", "", WS_POPUP, 0, 0, 10, 10, owner, nullptr,
                                 nullptr, nullptr);
    EXPECT_EQ(GetParent(owned), owner);
    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(owned));
}

// An owned window (a dialog) stays in front of its owner whatever is done to the owner's place,
// and in the owner's band: a topmost owner's dialog is topmost too, so the dialog takes the
// clicks where it lies over an owner kept on top.
TEST_F(WindowTest, AnOwnedWindowStaysInFrontOfItsOwner) {
    HWND owner = Popup(0, 0, 100, 100, WS_EX_TOPMOST);
    HWND other = Popup(0, 0, 100, 100);
    HWND owned = CreateWindowExA(0, "TestWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, owner,
                                 nullptr, nullptr, nullptr);
    struct Case {
        const char* what;
        std::function<void()> act;
        HWND front;
        bool owned_topmost;
    };
    const auto place = [](HWND h, HWND after) {
        SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    };
    const Case cases[] = {
        {"made over a topmost owner", [] {}, owned, true},
        {"the owner made topmost again", [&] { place(owner, HWND_TOPMOST); }, owned, true},
        {"the owner brought to the top", [&] { place(owner, HWND_TOP); }, owned, true},
        {"the owner made an ordinary window", [&] { place(owner, HWND_NOTOPMOST); }, owned, false},
        {"another window brought to the top", [&] { place(other, HWND_TOP); }, other, false},
        {"the owner activated", [&] { SetForegroundWindow(owner); }, owned, false},
        {"the owner topmost once more", [&] { place(owner, HWND_TOPMOST); }, owned, true},
    };
    for (const Case& c : cases) {
        c.act();
        EXPECT_EQ(WindowFromPoint(POINT{50, 50}), c.front) << c.what;
        EXPECT_EQ((GetWindowLongPtrA(owned, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, c.owned_topmost)
            << c.what;
    }
}

TEST_F(WindowTest, CloseDestroysAndTheQuitMessageEndsTheLoop) {
    CurrentHandler() = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_DESTROY) {
            PostQuitMessage(3);
            return 0;
        }
        return std::nullopt;
    };
    HWND w = Popup(0, 0, 10, 10);
    PostMessageA(w, WM_CLOSE, 0, 0);
    MSG msg{};
    BOOL result;
    int loops = 0;
    while ((result = GetMessageA(&msg, nullptr, 0, 0)) == 1 && loops++ < 100) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(WindowTest, WindowLongsAndTheirBounds) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.cbWndExtra = 16;
    wc.lpszClassName = "Extra";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    HWND w = CreateWindowExA(WS_EX_LAYERED, "Extra", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(w, GWL_STYLE), LONG_PTR(LONG(WS_POPUP)));
    EXPECT_EQ(SetWindowLongPtrA(w, GWL_EXSTYLE, WS_EX_LAYERED | WS_EX_TRANSPARENT), WS_EX_LAYERED);
    EXPECT_EQ(GetWindowLongPtrA(w, GWL_EXSTYLE), WS_EX_LAYERED | WS_EX_TRANSPARENT);
    EXPECT_EQ(SetWindowLongPtrA(w, GWLP_USERDATA, 42), 0);
    EXPECT_EQ(GetLastError(), 0u); // a previous value of 0 is no failure
    EXPECT_EQ(GetWindowLongPtrA(w, GWLP_USERDATA), 42);
    EXPECT_EQ(GetWindowLongPtrA(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&DefWindowProcA));

    // The extra bytes: a LONG_PTR fits at 0 and 8 and nowhere past them.
    EXPECT_EQ(SetWindowLongPtrA(w, 8, 0x1122334455667788), 0);
    EXPECT_EQ(GetWindowLongPtrA(w, 8), 0x1122334455667788);
    for (int index : {9, 16, -100}) {
        SetLastError(0);
        EXPECT_EQ(SetWindowLongPtrA(w, index, 1), 0) << index;
        EXPECT_NE(GetLastError(), 0u) << index;
        EXPECT_EQ(GetWindowLongPtrA(w, index), 0) << index;
    }
    // Topmost follows SetWindowPos alone.
    SetWindowLongPtrA(w, GWL_EXSTYLE, WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(WindowTest, RectanglesOfFramedAndBareWindows) {
    HWND bare = Popup(10, 20, 200, 64);
    RECT r;
    ASSERT_TRUE(GetWindowRect(bare, &r));
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 210);
    EXPECT_EQ(r.bottom, 84);
    ASSERT_TRUE(GetClientRect(bare, &r));
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 64);

    HWND framed = Popup(0, 0, 300, 200, 0, "TestWindow", WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(GetClientRect(framed, &r));
    EXPECT_LT(r.right, 300);
    EXPECT_LT(r.bottom, 200);
    POINT p{0, 0};
    ClientToScreen(framed, &p);
    EXPECT_GT(p.y, p.x); // the caption lies above the client area
    EXPECT_EQ(SendMessageA(framed, WM_NCHITTEST, 0, MAKELPARAM(150, 10)), HTCAPTION);
    EXPECT_EQ(SendMessageA(bare, WM_NCHITTEST, 0, MAKELPARAM(15, 25)), HTCLIENT);
    EXPECT_FALSE(GetWindowRect(HWND(0x7777), &r));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowTest, MoveWindowSendsMoveAndSizeAtOnceOnlyForWhatChanged) {
    HWND w = Popup(0, 0, 100, 50);
    struct Case {
        int x, y, cx, cy;
        Messages expected;
    };
    for (Case c : {Case{5, 6, 100, 50, {WM_MOVE}}, Case{5, 6, 120, 50, {WM_SIZE}},
                   Case{7, 8, 130, 60, {WM_SIZE, WM_MOVE}}, Case{7, 8, 130, 60, {}}}) {
        MessageSpy spy;
        ASSERT_TRUE(MoveWindow(w, c.x, c.y, c.cx, c.cy, TRUE));
        EXPECT_EQ(Only(spy.MessagesOf(w), {WM_MOVE, WM_SIZE}), c.expected) << c.x << "," << c.cx;
        if (!c.expected.empty()) {
            auto last = spy.Entries();
            for (auto& e : last) {
                if (e.message == WM_MOVE) {
                    EXPECT_EQ(e.lParam, MAKELPARAM(c.x, c.y));
                }
                if (e.message == WM_SIZE) {
                    EXPECT_EQ(e.lParam, MAKELPARAM(c.cx, c.cy));
                }
            }
        }
    }
    // The window's surface follows its size.
    auto record = platform::user32::FindWindowRecord(w);
    EXPECT_EQ(record->surface->width, 130);
    EXPECT_EQ(record->surface->height, 60);
    EXPECT_EQ(record->surface->pixels.size(), size_t(130 * 60));
}

TEST_F(WindowTest, TopmostIsKeptInTheStyleAndTheZOrder) {
    HWND low = Popup(0, 0, 100, 100);
    HWND high = Popup(0, 0, 100, 100);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), high);
    ASSERT_TRUE(SetWindowPos(low, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE));
    EXPECT_TRUE(GetWindowLongPtrA(low, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), low);
    // A later window does not cover a topmost one, even when activated.
    HWND later = Popup(0, 0, 100, 100);
    SetForegroundWindow(later);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), low);
    ASSERT_TRUE(SetWindowPos(low, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE));
    EXPECT_FALSE(GetWindowLongPtrA(low, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), low); // at the top of the ordinary windows

    // Show and hide through SetWindowPos; 0x43 also shows a hidden window.
    ShowWindow(low, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(low));
    SetWindowPos(low, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    EXPECT_TRUE(IsWindowVisible(low));
    SetWindowPos(low, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_HIDEWINDOW);
    EXPECT_FALSE(IsWindowVisible(low));
}

TEST_F(WindowTest, ShowWindowCommands) {
    HWND other = Popup(0, 0, 10, 10);
    HWND w = Popup(0, 0, 10, 10, 0, "TestWindow", WS_POPUP);
    EXPECT_EQ(GetForegroundWindow(), other);
    MessageSpy spy;
    EXPECT_FALSE(ShowWindow(w, SW_SHOWNA)); // it was hidden
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(GetForegroundWindow(), other); // shown without activation
    EXPECT_EQ(spy.Of(w, WM_SHOWWINDOW).size(), 1u);
    EXPECT_EQ(spy.Of(w, WM_SHOWWINDOW)[0].wParam, WPARAM(TRUE));
    EXPECT_TRUE(ShowWindow(w, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_EQ(spy.Of(w, WM_SHOWWINDOW).back().wParam, WPARAM(FALSE));
    EXPECT_FALSE(ShowWindow(w, SW_HIDE));
    ShowWindow(w, SW_SHOW);
    EXPECT_EQ(GetForegroundWindow(), w);
    EXPECT_EQ(GetFocus(), w);
}

TEST_F(WindowTest, TextCopiesStayInsideTheBuffer) {
    HWND w = Popup(0, 0, 10, 10);
    ASSERT_TRUE(SetWindowTextA(w, "Pelmora"));
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetWindowTextA(w, buffer, 4), 3);
    EXPECT_STREQ(buffer, "Pel");
    EXPECT_EQ(buffer[4], '#');
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetWindowTextA(w, buffer, 0), 0);
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(GetWindowTextLengthA(w), 7);
    // A double-byte character that does not fit whole is left out.
    SetWindowTextA(w, "a\x82\xa0");
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetWindowTextA(w, buffer, 3), 1);
    EXPECT_STREQ(buffer, "a");

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetClassNameA(w, buffer, 5), 4);
    EXPECT_STREQ(buffer, "Test");
    EXPECT_EQ(GetClassNameA(w, buffer, 0), 0);
    EXPECT_EQ(FindWindowA("testwindow", "a\x82\xa0"), w);
    EXPECT_EQ(FindWindowA(nullptr, "nothing"), nullptr);
}

TEST_F(WindowTest, FocusEnableAndForeground) {
    HWND a = Popup(0, 0, 10, 10);
    HWND b = Popup(20, 0, 10, 10);
    MessageSpy spy;
    EXPECT_EQ(SetFocus(a), b);
    EXPECT_EQ(GetFocus(), a);
    EXPECT_EQ(GetForegroundWindow(), a);
    EXPECT_EQ(spy.Of(b, WM_KILLFOCUS).size(), 1u);
    EXPECT_EQ(spy.Of(a, WM_SETFOCUS).size(), 1u);
    EXPECT_TRUE(SetForegroundWindow(b));
    EXPECT_EQ(GetForegroundWindow(), b);
    EXPECT_EQ(GetFocus(), b);

    EXPECT_FALSE(EnableWindow(a, FALSE)); // it was enabled
    EXPECT_FALSE(IsWindowEnabled(a));
    EXPECT_TRUE(EnableWindow(a, TRUE));
    EXPECT_TRUE(IsWindowEnabled(a));
    EXPECT_EQ(spy.Of(a, WM_ENABLE).size(), 2u);
}

TEST_F(WindowTest, WindowFromPointPassesOverClickThroughWindows) {
    HWND below = Popup(0, 0, 100, 100);
    HWND above = Popup(0, 0, 100, 100, WS_EX_LAYERED | WS_EX_TRANSPARENT);
    HWND child = CreateWindowExA(0, "TestWindow", "", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, below,
                                 nullptr, nullptr, nullptr);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), below);
    EXPECT_EQ(WindowFromPoint(POINT{15, 15}), child);
    EXPECT_EQ(WindowFromPoint(POINT{500, 500}), nullptr);
    // Either style alone does not let input through.
    SetWindowLongPtrA(above, GWL_EXSTYLE, WS_EX_TRANSPARENT);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), above);
    SetWindowLongPtrA(above, GWL_EXSTYLE, WS_EX_LAYERED);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), above);
    ShowWindow(above, SW_HIDE);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), below);
}

} // namespace

namespace {

using platform::testing::MessageSpy;
using user32_test::CurrentHandler;
using user32_test::WindowTest;

TEST_F(WindowTest, BroadcastsReachEveryTopLevelWindowOnly) {
    HWND a = Popup(0, 0, 10, 10);
    HWND b = Popup(0, 0, 10, 10, 0, "TestWindow", WS_POPUP);
    HWND child =
        CreateWindowExA(0, "TestWindow", "", WS_CHILD, 0, 0, 5, 5, a, nullptr, nullptr, nullptr);
    HWND message_only = CreateWindowExA(0, "TestWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        nullptr, nullptr);
    ASSERT_NE(message_only, nullptr);
    EXPECT_FALSE(IsWindowVisible(message_only));
    UINT taskbar = RegisterWindowMessageA("TaskbarCreated");
    MessageSpy spy;
    SendMessageA(HWND_BROADCAST, taskbar, 0, 0);
    PostMessageA(HWND_BROADCAST, taskbar, 1, 0);
    platform::testing::RunUntilIdle();
    EXPECT_EQ(spy.Of(a, taskbar).size(), 2u);
    EXPECT_EQ(spy.Of(b, taskbar).size(), 2u);
    EXPECT_TRUE(spy.Of(child, taskbar).empty());
    EXPECT_TRUE(spy.Of(message_only, taskbar).empty());
}

TEST_F(WindowTest, LayeredAttributesNeedTheLayeredStyle) {
    HWND plain = Popup(0, 0, 10, 10);
    EXPECT_FALSE(SetLayeredWindowAttributes(plain, 0, 128, LWA_ALPHA));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    HWND layered = Popup(0, 0, 10, 10, WS_EX_LAYERED);
    BYTE alpha = 0;
    EXPECT_FALSE(GetLayeredWindowAttributes(layered, nullptr, &alpha, nullptr)); // never set
    ASSERT_TRUE(SetLayeredWindowAttributes(layered, RGB(1, 2, 3), 200, LWA_ALPHA | LWA_COLORKEY));
    COLORREF key = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(layered, &key, &alpha, &flags));
    EXPECT_EQ(key, RGB(1, 2, 3));
    EXPECT_EQ(alpha, 200);
    EXPECT_EQ(flags, DWORD(LWA_ALPHA | LWA_COLORKEY));
    // Taking the style away forgets them.
    SetWindowLongPtrA(layered, GWL_EXSTYLE, 0);
    SetWindowLongPtrA(layered, GWL_EXSTYLE, WS_EX_LAYERED);
    EXPECT_FALSE(GetLayeredWindowAttributes(layered, &key, &alpha, &flags));
}

TEST_F(WindowTest, AClickActivatesTheWindowUnlessItAsksNotTo) {
    HWND clicked = Popup(0, 0, 50, 50);
    HWND other = Popup(100, 0, 50, 50);
    Popup(200, 0, 50, 50, WS_EX_NOACTIVATE);
    platform::testing::RunUntilIdle();
    ASSERT_EQ(GetForegroundWindow(), other); // showing activates, except WS_EX_NOACTIVATE
    platform::testing::LeftClick(POINT{10, 10});
    EXPECT_EQ(GetForegroundWindow(), clicked);
    platform::testing::LeftClick(POINT{210, 10});
    EXPECT_EQ(GetForegroundWindow(), clicked);
    // A window that eats the activating click does not see it.
    CurrentHandler() = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (h == other && m == WM_MOUSEACTIVATE)
            return MA_ACTIVATEANDEAT;
        return std::nullopt;
    };
    MessageSpy spy;
    platform::testing::LeftClick(POINT{110, 10});
    platform::testing::RunUntilIdle();
    EXPECT_EQ(GetForegroundWindow(), other);
    EXPECT_TRUE(spy.Of(other, WM_LBUTTONDOWN).empty());
    EXPECT_EQ(spy.Of(other, WM_LBUTTONUP).size(), 1u);
}

} // namespace
