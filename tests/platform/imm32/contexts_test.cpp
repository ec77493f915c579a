#include "testing/desktop.h"

#include <imm.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace platform::testing;

TEST(InputContexts, AThreadsWindowsShareItsContextUnlessGivenNone) {
    DesktopScope desktop;
    MessageSpy spy;
    HWND first = CreateImeWindow(true);
    HWND second = CreateImeWindow(true);
    HWND without = CreateImeWindow(false);
    HIMC himc = ImmGetContext(first);
    ASSERT_NE(himc, nullptr);
    EXPECT_EQ(ImmGetContext(second), himc);
    EXPECT_EQ(ImmGetContext(without), nullptr);
    EXPECT_EQ(ImmGetContext(reinterpret_cast<HWND>(0x7777)), nullptr);
    EXPECT_FALSE(ImmGetOpenStatus(himc)); // closed to begin with

    spy.Clear();
    EXPECT_TRUE(ImmSetOpenStatus(himc, TRUE));
    EXPECT_TRUE(ImmGetOpenStatus(himc));
    for (HWND hwnd : {first, second}) {
        auto notes = spy.Of(hwnd, WM_IME_NOTIFY);
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].wParam, WPARAM(IMN_SETOPENSTATUS));
    }
    EXPECT_TRUE(spy.Of(without, WM_IME_NOTIFY).empty());
    // No change, no notification.
    spy.Clear();
    EXPECT_TRUE(ImmSetOpenStatus(himc, TRUE));
    EXPECT_TRUE(spy.Of(first, WM_IME_NOTIFY).empty());
    EXPECT_TRUE(ImmReleaseContext(first, himc));

    // Given the context back, the window has it again; another thread has one of its own.
    EXPECT_EQ(ImmAssociateContext(without, himc), nullptr);
    EXPECT_EQ(ImmGetContext(without), himc);
    HIMC other = nullptr;
    std::thread([&] {
        HWND w = CreateImeWindow(true);
        other = ImmGetContext(w);
        DestroyWindow(w);
    }).join();
    EXPECT_NE(other, nullptr);
    EXPECT_NE(other, himc);
    EXPECT_FALSE(ImmGetOpenStatus(other));
    EXPECT_FALSE(ImmSetOpenStatus(reinterpret_cast<HIMC>(0x1234), TRUE));
}

} // namespace
