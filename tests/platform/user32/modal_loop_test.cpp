#include "test_window.h"

#include "host/clock.h"
#include "user32/modal_loop.h"

#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

using platform::user32::MessageSource;
using platform::user32::ModalAction;
using platform::user32::ModalIdle;
using platform::user32::ModalLoopHandlers;
using platform::user32::RunModalLoop;
using user32_test::WindowTest;

// The loop's handlers in the order a state sees them: ended before each retrieval, the message,
// idle on an empty queue, stalled when the manual clock has nothing more to do.
TEST_F(WindowTest, ModalLoopCallsItsHandlersAndEndsOnStall) {
    HWND w = Popup(0, 0, 10, 10);
    platform::testing::RunUntilIdle();
    PostMessageA(w, WM_APP, 0, 0);
    PostMessageA(w, WM_APP + 1, 0, 0);
    std::vector<std::string> trace;
    int idles = 0;
    ModalLoopHandlers handlers;
    handlers.ended = [&] {
        trace.push_back("ended?");
        return false;
    };
    handlers.message = [&](MSG& msg) {
        trace.push_back("message " + std::to_string(msg.message - WM_APP));
        return msg.message == WM_APP ? ModalAction::Drop : ModalAction::Dispatch;
    };
    handlers.idle = [&] {
        trace.push_back("idle");
        if (idles++ == 0) {
            PostMessageA(w, WM_APP + 2, 0, 0);
            return ModalIdle::LookAgain;
        }
        return ModalIdle::Wait;
    };
    handlers.stalled = [&] {
        trace.push_back("stalled");
        return false;
    };
    auto outcome = RunModalLoop(handlers);
    EXPECT_TRUE(outcome.stalled);
    EXPECT_FALSE(outcome.quit);
    EXPECT_EQ(trace, (std::vector<std::string>{"ended?", "message 0", "ended?", "message 1",
                                               "ended?", "idle", "ended?", "message 2", "ended?",
                                               "idle", "stalled"}));
}

TEST_F(WindowTest, ModalLoopEndsOnQuitAndLeavesItToTheCaller) {
    PostQuitMessage(7);
    auto outcome = RunModalLoop({});
    EXPECT_EQ(outcome.quit, 7);
    EXPECT_FALSE(platform::testing::PendingQuit()); // taken: the caller posts it again
}

// With the real clock a thread that waits sees a message source's descriptor: what its pump
// posts when the descriptor becomes readable is retrieved by GetMessageA as by a modal loop.
TEST_F(WindowTest, MessageSourceWakesTheWaitAndItsPumpPosts) {
    HWND w = Popup(0, 0, 10, 10);
    platform::testing::RunUntilIdle();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int pumped = 0;
    platform::user32::SetMessageSource(MessageSource{fds[0], [&] {
                                                         char byte;
                                                         pollfd p{fds[0], POLLIN, 0};
                                                         while (poll(&p, 1, 0) > 0 &&
                                                                read(fds[0], &byte, 1) == 1) {
                                                             ++pumped;
                                                             PostMessageA(w, WM_APP + byte, 0, 0);
                                                         }
                                                     }});
    platform::host::InstallClock(nullptr); // the real clock: the wait polls
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        char byte = 5;
        (void)!write(fds[1], &byte, 1);
    });
    MSG msg{};
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    writer.join();
    platform::host::InstallClock(&desktop_.clock());
    platform::user32::SetMessageSource({});
    close(fds[0]);
    close(fds[1]);
    EXPECT_EQ(got, TRUE);
    EXPECT_EQ(msg.message, UINT(WM_APP + 5));
    EXPECT_EQ(pumped, 1);
}

} // namespace
