#include "test_window.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

namespace {

using platform::testing::MessageSpy;
using platform::testing::RunUntilIdle;
using user32_test::CurrentHandler;
using user32_test::WindowTest;

using Messages = std::vector<UINT>;

TEST_F(WindowTest, SendMessageNestsInsideAHandler) {
    HWND w = Popup(0, 0, 10, 10);
    std::vector<std::pair<UINT, int>> trace; // message, 0 = enter / 1 = leave
    CurrentHandler() = [&](HWND h, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m < WM_APP || m > WM_APP + 2)
            return std::nullopt;
        trace.push_back({m, 0});
        LRESULT inner = m < WM_APP + 2 ? SendMessageA(h, m + 1, wp + 1, 0) : LRESULT(wp);
        trace.push_back({m, 1});
        return inner * 10;
    };
    EXPECT_EQ(SendMessageA(w, WM_APP, 1, 0), 3000);
    EXPECT_EQ(trace, (std::vector<std::pair<UINT, int>>{{WM_APP, 0},
                                                        {WM_APP + 1, 0},
                                                        {WM_APP + 2, 0},
                                                        {WM_APP + 2, 1},
                                                        {WM_APP + 1, 1},
                                                        {WM_APP, 1}}));
    EXPECT_FALSE(InSendMessage()); // a send within the thread is a plain call
}

TEST_F(WindowTest, QueueOrderPostedThenPaintThenTimers) {
    HWND w = Popup(0, 0, 10, 10);
    RunUntilIdle();
    SetTimer(w, 1, 100, nullptr);
    desktop_.clock().Advance(100);
    InvalidateRect(w, nullptr, FALSE);
    PostMessageA(w, WM_APP + 1, 0, 0);
    PostMessageA(w, WM_APP + 2, 0, 0);
    PostMessageA(w, WM_APP + 3, 0, 0);
    MessageSpy spy;
    RunUntilIdle();
    Messages got;
    for (UINT m : spy.MessagesOf(w))
        if (m == WM_PAINT || m == WM_TIMER || m >= WM_APP)
            got.push_back(m);
    EXPECT_EQ(got, (Messages{WM_APP + 1, WM_APP + 2, WM_APP + 3, WM_PAINT, WM_TIMER}));
}

TEST_F(WindowTest, PeekMessageRemovesOnlyWhenAsked) {
    HWND w = Popup(0, 0, 10, 10);
    RunUntilIdle();
    PostMessageA(w, WM_APP, 1, 0);
    PostMessageA(w, WM_USER, 2, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, w, WM_APP, WM_APP, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_APP));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(RegisteredMessages, SameNameSameNumberInTheRegisteredRange) {
    UINT a = RegisterWindowMessageA("TaskbarCreated");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("taskbarcreated"), a);
    UINT b = RegisterWindowMessageA("SomethingElse");
    EXPECT_NE(b, a);
    EXPECT_GE(b, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
    EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
}

TEST_F(WindowTest, PostedQueueHasABound) {
    HWND w = Popup(0, 0, 10, 10);
    RunUntilIdle();
    int posted = 0;
    while (PostMessageA(w, WM_APP, 0, 0) && posted < 20000)
        ++posted;
    EXPECT_EQ(posted, 10000);
    EXPECT_EQ(GetLastError(), 1816u); // ERROR_NOT_ENOUGH_QUOTA
    RunUntilIdle();
    EXPECT_TRUE(PostMessageA(w, WM_APP, 0, 0));
}

TEST_F(WindowTest, IdleManualClockEndsGetMessageInsteadOfBlocking) {
    HWND w = Popup(0, 0, 10, 10);
    RunUntilIdle();
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));

    // Run a program's loop for 3.5 s of the clock, then close its window.
    int ticks = 0;
    CurrentHandler() = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_TIMER)
            ++ticks;
        if (m == WM_DESTROY)
            PostQuitMessage(0);
        return std::nullopt;
    };
    SetTimer(w, 1, 1000, nullptr);
    platform::testing::IdleScope idle(
        platform::testing::AdvanceTimersFor(3500, [w] { PostMessageA(w, WM_CLOSE, 0, 0); }));
    BOOL result;
    while ((result = GetMessageA(&msg, nullptr, 0, 0)) == 1)
        DispatchMessageA(&msg);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(WindowTest, DispatchCallsOnlyTheProcedureOfALiveTimer) {
    HWND w = Popup(0, 0, 10, 10);
    RunUntilIdle();
    static int calls = 0;
    calls = 0;
    TIMERPROC proc = [](HWND, UINT, UINT_PTR, DWORD) { ++calls; };
    // A forged WM_TIMER carrying an address is not a call through it.
    MSG forged{w, WM_TIMER, 9, reinterpret_cast<LPARAM>(proc), 0, {}};
    DispatchMessageA(&forged);
    EXPECT_EQ(calls, 0);
    UINT_PTR id = SetTimer(nullptr, 0, 50, proc);
    ASSERT_NE(id, 0u);
    desktop_.clock().Advance(50);
    RunUntilIdle();
    EXPECT_EQ(calls, 1);
    KillTimer(nullptr, id);
}

TEST_F(WindowTest, TranslateMessageMakesCharacters) {
    HWND w = Popup(0, 0, 10, 10);
    RunUntilIdle();
    // What a path, a format text or a negative number needs: letters, digits, the shifted
    // digits and the punctuation of the keyboard, the number pad.
    struct Case {
        int vk;
        bool shift;
        WPARAM ch;
    };
    const Case cases[] = {
        {'A', false, 'a'},
        {'B', true, 'B'},
        {'5', false, '5'},
        {'5', true, '%'},
        {'1', true, '!'},
        {'0', true, ')'},
        {VK_OEM_1, true, ':'},
        {VK_OEM_1, false, ';'},
        {VK_OEM_5, false, '\\'},
        {VK_OEM_2, false, '/'},
        {VK_OEM_MINUS, false, '-'},
        {VK_OEM_MINUS, true, '_'},
        {VK_OEM_PERIOD, false, '.'},
        {VK_OEM_PLUS, true, '+'},
        {VK_OEM_7, true, '"'},
        {VK_NUMPAD0 + 7, false, '7'},
        {VK_SUBTRACT, false, '-'},
        {VK_SPACE, false, ' '},
    };
    for (const Case& c : cases) {
        MessageSpy spy;
        platform::testing::SetKeyDown(VK_SHIFT, c.shift);
        platform::testing::PressKey(c.vk);
        platform::testing::SetKeyDown(VK_SHIFT, false);
        RunUntilIdle();
        std::vector<WPARAM> chars;
        for (auto& e : spy.Of(w, WM_CHAR))
            chars.push_back(e.wParam);
        EXPECT_EQ(chars, std::vector<WPARAM>{c.ch}) << "key " << c.vk << " shift " << c.shift;
    }
    // Keys that make no character.
    MessageSpy spy;
    platform::testing::PressKey(VK_F5);
    platform::testing::PressKey(VK_LEFT);
    RunUntilIdle();
    EXPECT_TRUE(spy.Of(w, WM_CHAR).empty());
}

// Real clock from here on: no desktop scope with its manual clock.
class RealClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(user32_test::RegisterTestClass("RealClockWindow"), 0);
        w_ = CreateWindowExA(0, "RealClockWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
        ASSERT_NE(w_, nullptr);
        RunUntilIdle();
    }
    void TearDown() override {
        user32_test::CurrentHandler() = {};
        DestroyWindow(w_);
        UnregisterClassA("RealClockWindow", nullptr);
    }
    HWND w_ = nullptr;
};

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

TEST_F(RealClockTest, GetMessageSleepsUntilTheTimerIsDue) {
    SetTimer(w_, 7, 50, nullptr);
    auto start = std::chrono::steady_clock::now();
    double cpu_start = ThreadCpuMs();
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    double cpu = ThreadCpuMs() - cpu_start;
    auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - start)
                    .count();
    KillTimer(w_, 7);
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_GE(wall, 40);
    EXPECT_LT(cpu, 25.0) << "the wait spun";
}

TEST_F(RealClockTest, APostFromAnotherThreadWakesGetMessage) {
    std::thread poster([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        PostMessageA(w_, WM_APP + 5, 0, 0);
    });
    MSG msg;
    BOOL result = GetMessageA(&msg, nullptr, 0, 0);
    poster.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(msg.message, UINT(WM_APP + 5));
}

TEST_F(RealClockTest, ATimerOutsideTheFilterDoesNotWakeTheWait) {
    HWND other = CreateWindowExA(0, "RealClockWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    SetTimer(other, 1, 10, nullptr); // due again and again, but not asked for
    std::thread poster([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        PostMessageA(w_, WM_APP + 6, 0, 0);
    });
    double cpu_start = ThreadCpuMs();
    MSG msg;
    BOOL result = GetMessageA(&msg, w_, 0, 0);
    double cpu = ThreadCpuMs() - cpu_start;
    poster.join();
    DestroyWindow(other);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(msg.message, UINT(WM_APP + 6));
    EXPECT_LT(cpu, 25.0) << "the wait spun";
}

TEST_F(RealClockTest, ASendFromAnotherThreadIsHandledOnTheWindowsThread) {
    DWORD gui = GetCurrentThreadId();
    std::atomic<DWORD> handled_on{0};
    user32_test::CurrentHandler() = [&](HWND, UINT m, WPARAM wp,
                                        LPARAM l) -> std::optional<LRESULT> {
        if (m != WM_APP + 1)
            return std::nullopt;
        handled_on = GetCurrentThreadId();
        EXPECT_TRUE(InSendMessage());
        // The sender's record may be read until the send returns.
        return LRESULT(wp) + *reinterpret_cast<const int*>(l);
    };
    std::atomic<LRESULT> result{0};
    std::thread sender([&] {
        int record = 40;
        result = SendMessageA(w_, WM_APP + 1, 2, LPARAM(&record));
        PostMessageA(w_, WM_APP + 2, 0, 0);
    });
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) == 1 && msg.message != WM_APP + 2)
        DispatchMessageA(&msg);
    sender.join();
    EXPECT_EQ(result.load(), 42);
    EXPECT_EQ(handled_on.load(), gui);
}

} // namespace
