#include "program_fixture.h"

#include "display/default_colors.h"
#include "display/display_state.h"
#include "display/graph_display.h"
#include "plugin_host/plugin_list.h"
#include "plugin_sdk/pmp.h"
#include "settings/literals.h"
#include "settings/settings_file.h"
#include "shell/appearance.h"
#include "shell/main_window.h"
#include "shell/program.h"

#include <gtest/gtest.h>

namespace {

using platform::testing::DefWindowProcSpy;
using platform::testing::MessageSpy;

class MainWindow : public ProgramTest {};

TEST_F(MainWindow, IsALayeredHiddenToolWindowOfItsClassUntilShown) {
    ResetProgramState();
    InitializeApplication();
    InitializeLiterals();
    InitializeEnvironment();
    LoadSettingsFile();
    LoadPlugins();
    CreateMainWindow();
    HWND window = GetMainWindow();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    CHAR name[64];
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ(name, "Pelmora Main Window Class");
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TOOLWINDOW),
              LONG_PTR(WS_EX_LAYERED | WS_EX_TOOLWINDOW));
    EXPECT_EQ(DWORD(GetWindowLongPtrA(window, GWL_STYLE)), DWORD(WS_POPUP));
    EXPECT_EQ(GetSubMenu(hMainMenu, 0), hPopupMenu);
    EXPECT_EQ(GetMenuItemCount(hPopupMenu) >= 6, true);
    EXPECT_EQ(nidTrayIcon.cbSize, 456u);
    EXPECT_EQ(nidTrayIcon.hWnd, window);
    EXPECT_EQ(nidTrayIcon.uID, 1u);
    EXPECT_EQ(nidTrayIcon.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(nidTrayIcon.uCallbackMessage, WM_APP_TRAYICON);
    EXPECT_NE(nidTrayIcon.hIcon, nullptr);
    EXPECT_STREQ(nidTrayIcon.szTip, "Pelmora");
    EXPECT_EQ(wmTaskbarCreated, RegisterWindowMessageA("TaskbarCreated"));
}

// Each of the window procedure's messages reaches its handler and gives that handler's result;
// none of them reaches DefWindowProcA. Any other message goes there with its arguments as they
// came.
TEST_F(MainWindow, DispatchesItsMessagesAndPassesTheRestOn) {
    Start();
    HWND window = Window();
    PMPDATA report{};
    RECT moving{0, 0, 200, 30};
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result;
    } handled[] = {
        {WM_TIMER, 77, 0, 0},
        {WM_PAINT, 0, 0, 0},
        {WM_MOVE, 0, MAKELPARAM(5, 6), 0},
        {WM_ENTERSIZEMOVE, 0, 0, 0},
        {WM_MOVING, 0, LPARAM(&moving), 0},
        {WM_MOUSEMOVE, 0, MAKELPARAM(3, 4), 0},
        {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4), 0},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 4), 0},
        {WM_COMMAND, 4242, 0, 0},
        {WM_NOTIFY, 1, 0, 0},
        {WM_CONTEXTMENU, WPARAM(window), MAKELPARAM(10, 10), 0},
        {WM_APP_TRAYICON, 1, WM_MOUSEMOVE, 0},
        {WM_HOTKEY, 9, 0, 0},
        {wmTaskbarCreated, 0, 0, 0},
        {WM_APP_REDRAWROW, 0, 0, 1},
        {WM_APP_ROWDATA, 0, LPARAM(&report), 1},
        {WM_ENDSESSION, 0, 0, 0},
    };
    DefWindowProcSpy defaults;
    for (const Case& c : handled) {
        defaults.Clear();
        EXPECT_EQ(SendMessageA(window, c.message, c.wParam, c.lParam), c.result) << c.message;
        for (const auto& call : defaults.Calls())
            EXPECT_NE(call.message, c.message) << "reached DefWindowProcA: " << c.message;
    }
    struct Passed {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } passed[] = {{WM_NCHITTEST, 0, MAKELPARAM(5, 5)},
                  {WM_USER + 7, 1234, -99},
                  {WM_KEYDOWN, 'A', 1},
                  {WM_RBUTTONUP, 0, MAKELPARAM(2, 2)}};
    for (const Passed& p : passed) {
        defaults.Clear();
        SendMessageA(window, p.message, p.wParam, p.lParam);
        auto calls = defaults.Calls();
        ASSERT_FALSE(calls.empty()) << p.message;
        const auto& call = calls.front();
        EXPECT_EQ(call.hwnd, window);
        EXPECT_EQ(call.message, p.message);
        EXPECT_EQ(call.wParam, p.wParam);
        EXPECT_EQ(call.lParam, p.lParam);
    }
    // A right-button release becomes WM_CONTEXTMENU, which reaches the window's own handler.
    MessageSpy spy;
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(spy.Of(window, WM_CONTEXTMENU).size(), 1u);
}

TEST_F(MainWindow, UpdateTimerRepaintsEverySecondOfTheClock) {
    Start();
    MessageSpy spy;
    platform::testing::RunUntilIdle();
    spy.Clear();
    platform::testing::RunFor(999);
    EXPECT_EQ(spy.Of(Window(), WM_PAINT).size(), 0u);
    platform::testing::RunFor(1);
    EXPECT_EQ(spy.Of(Window(), WM_TIMER).size(), 1u);
    EXPECT_EQ(spy.Of(Window(), WM_PAINT).size(), 1u);
    platform::testing::RunFor(3000);
    EXPECT_EQ(spy.Of(Window(), WM_PAINT).size(), 4u);
}

TEST_F(MainWindow, CloseTearsDownDestroysEndsTheLoopAndShutsDownOnce) {
    MessageSpy spy;
    bool posted = false;
    // The program runs as a process would, its loop included; once the first second has been
    // drawn, the system closes its window.
    platform::testing::IdleScope idle(platform::testing::AdvanceTimersFor(1000, [&] {
        PostMessageA(GetMainWindow(), WM_CLOSE, 0, 0);
        posted = true;
    }));
    HWND window = nullptr;
    {
        ApplicationMain();
        window = spy.Entries().empty() ? nullptr : spy.Entries().front().hwnd;
    }
    EXPECT_TRUE(posted);
    EXPECT_TRUE(IsShutDown());
    EXPECT_FALSE(IsWindow(GetMainWindow()));
    EXPECT_EQ(spy.Of(GetMainWindow(), WM_DESTROY).size(), 1u);
    EXPECT_EQ(GetResourceLibrary(), nullptr);
    EXPECT_TRUE(platform::testing::TrayIcons().empty());
    EXPECT_TRUE(platform::testing::HotKeysRegistered().empty());
    // The settings were written once, at the end, with what start-up read.
    std::string settings = ReadSettings();
    EXPECT_NE(settings.find("MainWindow[\r\n"), std::string::npos);
    EXPECT_NE(settings.find("\tOpacity=255\r\n"), std::string::npos);
    (void)window;
}

// After a run, the globals are a new process's again: the display's and the colour cycle's too.
TEST_F(MainWindow, ResetGivesANewProcesssGlobals) {
    Start();
    ShutDown();
    DestroyWindow(Window());
    ASSERT_GT(lNumberOfGraphs, 0);
    ASSERT_NE(lDefaultColorIndex, 0);
    ResetProgramState();
    EXPECT_EQ(lNumberOfGraphs, 0);
    EXPECT_EQ(lRowHeight, 0);
    EXPECT_EQ(lTotalHeight, 0);
    EXPECT_EQ(lGraphWidth, 0);
    EXPECT_FALSE(bGraphsStarted);
    EXPECT_EQ(hBufferDC, nullptr);
    EXPECT_EQ(hBackgroundDC, nullptr);
    EXPECT_EQ(hGraphImageDC, nullptr);
    EXPECT_EQ(hGraphFont, nullptr);
    EXPECT_EQ(GetMainWindowHeight(), 0);
    EXPECT_EQ(lDefaultColorIndex, 0);
    EXPECT_EQ(rgbDefaultGraphColors[0], 0u);
}

TEST_F(MainWindow, EndOfSessionShutsDownInsideTheProcedureButCancelledChangesNothing) {
    WriteSettings("MainWindow[\r\n\tTrayIcon=1\r\n\tVirtualKey=80\r\n\tModifiersKey=2\r\n]\r\n");
    Start();
    HWND window = Window();
    ASSERT_EQ(platform::testing::TrayIcons().size(), 1u);
    ASSERT_EQ(platform::testing::HotKeysRegistered().size(), 1u);

    EXPECT_EQ(SendMessageA(window, WM_ENDSESSION, 0, 0), 0);
    platform::testing::RunUntilIdle();
    MessageSpy spy;
    platform::testing::RunFor(1000);
    EXPECT_EQ(spy.Of(window, WM_PAINT).size(), 1u);
    EXPECT_FALSE(IsShutDown());
    EXPECT_EQ(platform::testing::TrayIcons().size(), 1u);
    EXPECT_EQ(platform::testing::HotKeysRegistered().size(), 1u);
    EXPECT_FALSE(SettingsExist() && ReadSettings().find("Opacity=") != std::string::npos);

    EXPECT_EQ(SendMessageA(window, WM_ENDSESSION, 1, 0), 0);
    EXPECT_TRUE(IsShutDown());
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(platform::testing::PendingQuit().has_value());
    EXPECT_TRUE(platform::testing::TrayIcons().empty());
    EXPECT_TRUE(platform::testing::HotKeysRegistered().empty());
    EXPECT_NE(ReadSettings().find("\tVirtualKey=80\r\n"), std::string::npos);
    // A late message touches nothing that the shutdown released.
    spy.Clear();
    SendMessageA(window, WM_PAINT, 0, 0);
    SendMessageA(window, WM_APP_REDRAWROW, 0, 0);
    platform::testing::RunFor(2000);
    EXPECT_EQ(spy.Of(window, WM_TIMER).size(), 0u);
}

TEST_F(MainWindow, ARowNumberBeyondAnIntNamesNoRow) {
    Start();
    PMPDATA report{};
    report.dwMaxValue = 100;
    report.dwCurrentValue1 = 50;
    EXPECT_EQ(SendMessageA(Window(), WM_APP_ROWDATA, (WPARAM(1) << 32) | 0, LPARAM(&report)), 1);
    EXPECT_EQ(SendMessageA(Window(), WM_APP_REDRAWROW, ~WPARAM(0), 0), 1);
}

} // namespace
