// WH_CALLWNDPROCRET hooks, MsgWaitForMultipleObjects and SendMessageTimeoutA.
#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::testing::CreateImeWindow;

std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
}
HINSTANCE Self() {
    return GetModuleHandleA(nullptr);
}

// Each hook notes its name and what it saw of WM_USER, then passes the call on.
template <char Name> LRESULT CALLBACK NotingHook(int code, WPARAM wparam, LPARAM lparam) {
    auto* ret = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
    if (code == HC_ACTION && ret->message == WM_USER)
        Calls().push_back(std::string(1, Name) + " " + std::to_string(ret->lResult) + " " +
                          std::to_string(ret->wParam) + " " + std::to_string(ret->lParam));
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK Answer7(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_USER) {
        Calls().push_back("procedure");
        return 7;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

class Hooks : public ::testing::Test {
protected:
    Hooks() {
        Calls().clear();
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Answer7;
        wc.lpszClassName = "Hook Test";
        RegisterClassExA(&wc);
        window_ = CreateWindowExA(0, "Hook Test", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    }
    platform::testing::DesktopScope desktop_;
    HWND window_;
};

TEST_F(Hooks, RunAfterTheProcedureNewestFirstWithItsResult) {
    HHOOK a = SetWindowsHookExA(WH_CALLWNDPROCRET, NotingHook<'a'>, Self(), 0);
    HHOOK b = SetWindowsHookExA(WH_CALLWNDPROCRET, NotingHook<'b'>, nullptr, GetCurrentThreadId());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SendMessageA(window_, WM_USER, 3, 4), 7);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"procedure", "b 7 3 4", "a 7 3 4"}));

    // A posted message is not watched; one sent from another thread runs the hooks here, on the
    // thread of the procedure.
    Calls().clear();
    PostMessageA(window_, WM_USER, 5, 6);
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Calls(), (std::vector<std::string>{"procedure"}));
    Calls().clear();
    std::atomic<bool> done{false};
    std::thread sender([&] {
        SendMessageA(window_, WM_USER, 8, 9);
        done = true;
    });
    while (!done) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
    sender.join();
    EXPECT_EQ(Calls(), (std::vector<std::string>{"procedure", "b 7 8 9", "a 7 8 9"}));

    EXPECT_TRUE(UnhookWindowsHookEx(b));
    EXPECT_FALSE(UnhookWindowsHookEx(b));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HOOK_HANDLE));
    Calls().clear();
    SendMessageA(window_, WM_USER, 1, 2);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"procedure", "a 7 1 2"}));
    UnhookWindowsHookEx(a);
}

TEST_F(Hooks, AThreadsHookWatchesThatThreadAlone) {
    HHOOK hook =
        SetWindowsHookExA(WH_CALLWNDPROCRET, NotingHook<'t'>, nullptr, GetCurrentThreadId());
    std::thread([] {
        HWND other = CreateWindowExA(0, "Hook Test", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                     nullptr, nullptr, nullptr);
        SendMessageA(other, WM_USER, 0, 0);
        DestroyWindow(other);
    }).join();
    EXPECT_EQ(Calls(), (std::vector<std::string>{"procedure"}));
    UnhookWindowsHookEx(hook);
}

HHOOK self_removing = nullptr;
LRESULT CALLBACK RemovesItself(int code, WPARAM wparam, LPARAM lparam) {
    Calls().push_back("removes itself");
    UnhookWindowsHookEx(self_removing);
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
HHOOK removed_later = nullptr;
LRESULT CALLBACK RemovesTheNext(int code, WPARAM wparam, LPARAM lparam) {
    Calls().push_back("removes the next");
    UnhookWindowsHookEx(removed_later);
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST_F(Hooks, AHookRemovedIsNotCalledAgainEvenInTheChainUnderWay) {
    removed_later = SetWindowsHookExA(WH_CALLWNDPROCRET, NotingHook<'x'>, Self(), 0);
    HHOOK remover = SetWindowsHookExA(WH_CALLWNDPROCRET, RemovesTheNext, Self(), 0);
    self_removing = SetWindowsHookExA(WH_CALLWNDPROCRET, RemovesItself, Self(), 0);
    SendMessageA(window_, WM_USER, 0, 0);
    EXPECT_EQ(Calls(),
              (std::vector<std::string>{"procedure", "removes itself", "removes the next"}));
    Calls().clear();
    SendMessageA(window_, WM_USER, 0, 0);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"procedure", "removes the next"}));
    UnhookWindowsHookEx(remover);
}

TEST_F(Hooks, RefusesWhatItDoesNotOffer) {
    struct Case {
        int id;
        HOOKPROC proc;
        HINSTANCE module;
        DWORD error;
    } cases[] = {
        {4 /* WH_CALLWNDPROC */, NotingHook<'n'>, Self(), ERROR_INVALID_HOOK_FILTER},
        {WH_CALLWNDPROCRET, nullptr, Self(), ERROR_INVALID_PARAMETER},
        {WH_CALLWNDPROCRET, NotingHook<'n'>, nullptr, ERROR_HOOK_NEEDS_HMOD},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SetWindowsHookExA(c.id, c.proc, c.module, 0), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(Hooks, AMessageWaitEndsForASendAndASendCanTimeOut) {
    // Nothing comes: the wait times out.
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE),
              DWORD(WAIT_TIMEOUT));
    DWORD_PTR result = 0;
    std::atomic<LRESULT> timed_out{-1};
    std::atomic<DWORD> error{0};
    std::thread sender([&] {
        // This thread does not answer at first: the send gives up.
        timed_out = SendMessageTimeoutA(window_, WM_USER, 0, 0, SMTO_NORMAL, 50, &result);
        error = GetLastError();
        SendMessageA(window_, WM_USER, 1, 1);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(timed_out, 0);
    EXPECT_EQ(error, DWORD(ERROR_TIMEOUT));
    // The second send is waiting; the wait ends for it, and a peek answers it.
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_SENDMESSAGE), WAIT_OBJECT_0);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    sender.join();
    // The withdrawn message never reached the procedure.
    EXPECT_EQ(Calls(), (std::vector<std::string>{"procedure"}));
    EXPECT_EQ(SendMessageTimeoutA(window_, WM_USER, 0, 0, SMTO_NORMAL, 50, &result), 1);
    EXPECT_EQ(result, 7u);
}

} // namespace
