#include "test_window.h"

#include "testing/temporary_folder.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::testing::ExitTrap;
using platform::testing::MessageSpy;
using platform::testing::ProcessExited;
using platform::testing::RunUntilIdle;
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
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 1000 && done == 0; ++i) { // up to 10 s
        done = waitpid(child, &status, WNOHANG);
        if (done == 0)
            usleep(10'000);
    }
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the child did not end";
    }
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::ifstream in(session_file);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "endsession 1");
}

INSTANTIATE_TEST_SUITE_P(TerminateInterruptAndHangUp, SessionSignal,
                         ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST_F(WindowTest, ASignalSendsTheEndOfSessionToEveryTopLevelWindow) {
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
