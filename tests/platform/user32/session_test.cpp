#include "test_window.h"

#include "testing/signals.h"
#include "testing/temporary_folder.h"
#include "user32/window_manager.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::testing::ExitTrap;
using platform::testing::MessageSpy;
using platform::testing::ProcessExited;
using platform::testing::RunUntilIdle;
using platform::user32::InstallSessionSignals;
using user32_test::CurrentHandler;
using user32_test::WindowTest;

std::string session_file;

LRESULT CALLBACK SessionChildProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_ENDSESSION) {
        if (FILE* f = std::fopen(session_file.c_str(), "w")) {
            std::fprintf(f, "endsession %d", int(wp));
            std::fclose(f);
        }
        return 0;
    }
    return DefWindowProcA(h, m, wp, lp);
}

// The child: a window and its message loop, as the program has them; exits 3 when the loop
// ends in any other way than the session's end.
[[noreturn]] void RunSessionChild(int ready_fd) {
    InstallSessionSignals(); // as the program's start does
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = SessionChildProc;
    wc.lpszClassName = "SessionChild";
    RegisterClassExA(&wc);
    HWND w = CreateWindowExA(0, "SessionChild", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
    if (!w)
        _exit(2);
    char byte = 1;
    if (write(ready_fd, &byte, 1) != 1)
        _exit(2);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) == 1)
        DispatchMessageA(&msg);
    _exit(3);
}

class SessionSignal : public ::testing::TestWithParam<int> {};

TEST_P(SessionSignal, EndsTheSessionThroughTheMessageLoop) {
    const platform::testing::TemporaryFolder folder("pelmora-session");
    session_file = (folder / "ended").string();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        RunSessionChild(ready[1]);
    }
    close(ready[1]);
    pollfd pfd{ready[0], POLLIN, 0};
    ASSERT_EQ(poll(&pfd, 1, 10'000), 1);
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    ASSERT_EQ(kill(child, GetParam()), 0);
    const std::optional<int> status = platform::testing::EndOfChild(child, 10);
    ASSERT_TRUE(status) << "the child did not end";
    EXPECT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    std::ifstream in(session_file);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "endsession 1");
}

INSTANTIATE_TEST_SUITE_P(TerminateInterruptAndHangUp, SessionSignal,
                         ::testing::Values(SIGTERM, SIGINT, SIGHUP), [](const auto& info) {
                             switch (info.param) {
                             case SIGTERM:
                                 return std::string("SIGTERM");
                             case SIGINT:
                                 return std::string("SIGINT");
                             default:
                                 return std::string("SIGHUP");
                             }
                         });

void SendOneByOne(pid_t pid, const std::vector<int>& signals) {
    for (int signal : signals) {
        for (int i = 0; i < 1000 && platform::testing::SignalPending(pid, signal);
             ++i) // up to 10 s
            usleep(10'000);
        kill(pid, signal);
    }
}

// A child whose window takes its time over the end of session, or over its own close, as a
// program fading its window out does: it tells the parent, which sends more stop signals, and
// goes on once the parent says so.
int to_parent = -1;
int from_parent = -1;

void TellParentAndWait(char what) {
    if (write(to_parent, &what, 1) != 1)
        _exit(2);
    char go = 0;
    if (read(from_parent, &go, 1) != 1)
        _exit(2);
}

void WriteSessionFile(const char* text) {
    if (FILE* f = std::fopen(session_file.c_str(), "w")) {
        std::fputs(text, f);
        std::fclose(f);
    }
}

LRESULT CALLBACK SlowEndProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_ENDSESSION:
        TellParentAndWait('e');
        WriteSessionFile("endsession");
        return 0;
    case WM_CLOSE:
        TellParentAndWait('c');
        DestroyWindow(h);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(h, m, wp, lp);
}

// Exits 4 when its loop ends by its own close.
[[noreturn]] void RunSlowEndChild(bool closes) {
    InstallSessionSignals();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = SlowEndProc;
    wc.lpszClassName = "SlowEnd";
    RegisterClassExA(&wc);
    HWND w = CreateWindowExA(0, "SlowEnd", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             nullptr);
    if (!w)
        _exit(2);
    if (closes)
        PostMessageA(w, WM_CLOSE, 0, 0);
    TellParentAndWait('r');
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) == 1)
        DispatchMessageA(&msg);
    WriteSessionFile("own end");
    _exit(4);
}

// Only the first stop signal counts: those after it, back to back with it or while the end is
// under way, must not end the process before its window has done with the end.
TEST(SessionSignals, LaterStopSignalsWaitForTheEnd) {
    // A child that ends early must fail the case, not end this process with its pipe.
    std::signal(SIGPIPE, SIG_IGN);
    struct Case {
        const char* what;
        bool closes;             // the child closes its window itself, saying 'c'
        std::vector<int> first;  // sent at once, back to back
        std::vector<int> during; // sent while the child is in its end
        int exit;
        const char* file;
    } cases[] = {
        {"TERM, CONT and HUP back to back", false, {SIGTERM, SIGCONT, SIGHUP}, {}, 0, "endsession"},
        {"Ctrl+C three times during the end",
         false,
         {SIGINT},
         {SIGINT, SIGINT, SIGINT},
         0,
         "endsession"},
        {"every stop signal during the end",
         false,
         {SIGHUP},
         {SIGTERM, SIGINT, SIGHUP},
         0,
         "endsession"},
        {"a stop while the window closes", true, {}, {SIGTERM}, 4, "own end"},
        {"stops while the window closes", true, {}, {SIGTERM, SIGINT, SIGHUP}, 4, "own end"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const platform::testing::TemporaryFolder folder("pelmora-session");
        session_file = (folder / "ended").string();
        int up[2], down[2];
        ASSERT_EQ(pipe(up), 0);
        ASSERT_EQ(pipe(down), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(up[0]);
            close(down[1]);
            to_parent = up[1];
            from_parent = down[0];
            RunSlowEndChild(test.closes);
        }
        close(up[1]);
        close(down[0]);
        auto hear = [&](char expected) {
            pollfd pfd{up[0], POLLIN, 0};
            char word = 0;
            return poll(&pfd, 1, 10'000) == 1 && read(up[0], &word, 1) == 1 && word == expected;
        };
        auto say = [&] {
            char go = 1;
            return write(down[1], &go, 1) == 1;
        };
        EXPECT_TRUE(hear('r'));
        EXPECT_TRUE(say());
        SendOneByOne(child, test.first);
        EXPECT_TRUE(hear(test.closes ? 'c' : 'e'));
        SendOneByOne(child, test.during);
        EXPECT_TRUE(say());
        const std::optional<int> status = platform::testing::EndOfChild(child, 10);
        close(up[0]);
        close(down[1]);
        if (!status || !WIFEXITED(*status)) {
            ADD_FAILURE() << (!status ? "the child did not end" : "the child was killed");
            continue;
        }
        EXPECT_EQ(WEXITSTATUS(*status), test.exit);
        std::ifstream in(session_file);
        std::string text;
        std::getline(in, text);
        EXPECT_EQ(text, test.file);
    }
}

TEST_F(WindowTest, ASignalSendsTheEndOfSessionToEveryTopLevelWindow) {
    InstallSessionSignals();
    HWND a = Popup(0, 0, 10, 10);
    HWND b = Popup(0, 0, 10, 10, 0, "TestWindow", WS_POPUP);
    RunUntilIdle();
    MessageSpy spy;
    ExitTrap trap;
    raise(SIGTERM);
    UINT code = 99;
    try {
        RunUntilIdle();
    } catch (const ProcessExited& exited) {
        code = exited.code;
    }
    EXPECT_EQ(code, 0u);
    for (HWND w : {a, b}) {
        auto ended = spy.Of(w, WM_ENDSESSION);
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_EQ(ended[0].wParam, WPARAM(TRUE));
        EXPECT_EQ(spy.Of(w, WM_QUERYENDSESSION).size(), 1u);
    }
}

// A wait that takes sent messages too, for an object that is never signalled (a lock whose
// holder never lets go), does not keep a stop signal from ending the program: the end of the
// session comes as sent messages, and they wake the wait.
TEST_F(WindowTest, AStopSignalWakesAWaitForSentMessages) {
    InstallSessionSignals();
    HWND w = Popup(0, 0, 10, 10);
    RunUntilIdle();
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    MessageSpy spy;
    ExitTrap trap;
    raise(SIGTERM);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &never, FALSE, 10'000, QS_SENDMESSAGE),
              DWORD(WAIT_OBJECT_0 + 1));
    UINT code = 99;
    try {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    } catch (const ProcessExited& exited) {
        code = exited.code;
    }
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(spy.Of(w, WM_ENDSESSION).size(), 1u);
    CloseHandle(never);
}

// Another thread that takes its messages (a plug-in's, with a hidden window of its own) leaves
// the end of the session to the program's thread. Were it to end the session itself, it would
// wait in its sends for that thread, whose shutdown waits for it to end: neither would go on.
TEST_F(WindowTest, AnotherThreadLeavesTheEndOfTheSessionToTheWindowsThread) {
    InstallSessionSignals();
    HWND w = Popup(0, 0, 10, 10);
    RunUntilIdle();
    auto wait_for = [](const std::atomic<bool>& state) {
        for (int i = 0; i < 1000 && !state; ++i) // up to 10 s
            usleep(10'000);
        return state.load();
    };
    std::atomic<bool> peeked{false}, quit{false}, done{false}, exited_there{false};
    bool other_ended = false;
    CurrentHandler() = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (h != w || m != WM_ENDSESSION)
            return std::nullopt;
        // The shutdown stops the other thread and waits for it.
        quit = true;
        other_ended = wait_for(done);
        return 0;
    };
    ExitTrap trap;
    raise(SIGTERM);
    std::thread other([&] {
        HWND hidden = CreateWindowExA(0, "TestWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      nullptr, nullptr);
        try {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
            peeked = true;
            while (!quit) {
                if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageA(&msg);
                std::this_thread::yield();
            }
        } catch (const ProcessExited&) {
            exited_there = true;
        }
        DestroyWindow(hidden);
        done = true;
    });
    EXPECT_TRUE(wait_for(peeked)) << "the other thread took the end of the session";
    // Sent messages are taken until the process ends here or the other thread has ended.
    UINT code = 99;
    for (int i = 0; i < 1000 && code == 99 && !done; ++i) { // up to 10 s
        try {
            RunUntilIdle();
        } catch (const ProcessExited& exited) {
            code = exited.code;
        }
        if (code == 99 && !done)
            usleep(10'000);
    }
    other.join();
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(other_ended);
    EXPECT_FALSE(exited_there);
}

TEST_F(WindowTest, ACancelledEndOfSessionChangesNothing) {
    HWND w = Popup(0, 0, 10, 10);
    SetTimer(w, 1, 100, nullptr);
    ExitTrap trap;
    EXPECT_EQ(SendMessageA(w, WM_ENDSESSION, FALSE, 0), 0);
    EXPECT_EQ(SendMessageA(w, WM_ENDSESSION, TRUE, 0), 0); // only a signal ends the process
    EXPECT_TRUE(IsWindow(w));
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_TRUE(KillTimer(w, 1));
}

} // namespace
