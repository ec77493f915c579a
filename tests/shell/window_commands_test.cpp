#include "program_fixture.h"

#include "dialogs/about.h"
#include "dialogs/options_sheet.h"
#include "resource.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "shell/environment.h"
#include "shell/main_window.h"
#include "shell/program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace platform::testing;

class WindowCommands : public ProgramTest {
protected:
    // Starts with these MainWindow keys; without fading unless they name "Fade".
    void StartWith(const std::string& main_window) {
        const bool fade = main_window.find("Fade=") != std::string::npos;
        WriteSettings(std::string("MainWindow[\r\n") + (fade ? "" : "\tFade=0\r\n") +
                      "\tPositionX=300\r\n\tPositionY=200\r\n" + main_window + "]\r\n");
        Start();
        RunUntilIdle();
    }
    // A point inside the window.
    POINT Inside() const { return POINT{310, 205}; }
    bool Checked(UINT id) const {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STATE;
        EXPECT_TRUE(GetMenuItemInfoA(hPopupMenu, id, FALSE, &info));
        return (info.fState & MFS_CHECKED) != 0;
    }
    LONG_PTR ExStyle() const { return GetWindowLongPtrA(Window(), GWL_EXSTYLE); }
    bool Setting(const char* key) const { return pMainWindowCategory->GetBoolean(key); }
    // Chooses a command from the menu that a right click on the window opens.
    void ChooseFromWindowMenu(UINT command) {
        AnswerNextMenu(command);
        RightClick(Inside());
        RunUntilIdle();
    }
    void ChooseFromTrayMenu(UINT command) {
        AnswerNextMenu(command);
        ASSERT_TRUE(ClickTrayIcon(Window(), 1, WM_RBUTTONUP));
        RunUntilIdle();
    }
};

// The menu opens at the window's corner from the keyboard and at the cursor from the mouse,
// always with TPM_RIGHTBUTTON and the main window as owner.
TEST_F(WindowCommands, TheMenuOpensAtTheCornerFromTheKeyboardAndAtTheCursorFromTheMouse) {
    StartWith("");
    struct Case {
        const char* name;
        std::function<void()> open;
        POINT at;
    } cases[] = {
        {"menu key", [] { PressKey(VK_APPS); }, POINT{300, 200}},
        {"Shift+F10",
         [] {
             KeyDown(VK_SHIFT);
             PressKey(VK_F10);
             KeyUp(VK_SHIFT);
         },
         POINT{300, 200}},
        {"right click",
         [this] {
             RightClick(POINT{317, 209});
         },
         POINT{317, 209}},
        {"tray icon", [this] { ClickTrayIcon(Window(), 1, WM_RBUTTONUP); }, POINT{317, 209}},
    };
    // The tray icon is there for the last case.
    Shell_NotifyIconA(NIM_ADD, &nidTrayIcon);
    for (const Case& c : cases) {
        ClearMenuAnswers();
        SetForegroundWindow(Window());
        CancelNextMenu();
        c.open();
        RunUntilIdle();
        ASSERT_EQ(MenusShown().size(), 1u) << c.name;
        const ShownMenu& shown = MenusShown()[0];
        EXPECT_EQ(shown.menu, hPopupMenu) << c.name;
        EXPECT_EQ(shown.flags, UINT(TPM_RIGHTBUTTON)) << c.name;
        EXPECT_EQ(shown.at.x, c.at.x) << c.name;
        EXPECT_EQ(shown.at.y, c.at.y) << c.name;
        EXPECT_EQ(shown.owner, Window()) << c.name;
    }
}

TEST_F(WindowCommands, TheTrayIconBringsTheWindowForwardAndItsMenuIsFollowedByANullMessage) {
    StartWith("\tTrayIcon=1\r\n");
    HWND other = CreateWindowExA(0, "Static", "other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    ClickTrayIcon(Window(), 1, WM_LBUTTONUP);
    RunUntilIdle();
    EXPECT_EQ(GetForegroundWindow(), Window());

    SetForegroundWindow(other);
    MessageSpy spy;
    bool foreground_while_open = false;
    AnswerNextMenuWith([&](const ShownMenu&) {
        foreground_while_open = GetForegroundWindow() == Window();
        return 0u;
    });
    ClickTrayIcon(Window(), 1, WM_RBUTTONUP);
    RunUntilIdle();
    EXPECT_TRUE(foreground_while_open);
    EXPECT_EQ(spy.Of(Window(), WM_NULL).size(), 1u);
    DestroyWindow(other);
}

// While the About dialog or the options sheet runs, a right click or a double click on the tray
// icon opens nothing.
TEST_F(WindowCommands, TheTrayIconOpensNothingWhileADialogRuns) {
    StartWith("\tTrayIcon=1\r\n");
    struct Case {
        const char* name;
        std::function<void()> run; // runs a dialog that plays `script`
    } cases[] = {
        {"About from the menu", [] { SendMessageA(GetMainWindow(), WM_COMMAND, IDM_ABOUT, 0); }},
        {"the options sheet",
         [] {
             // The sheet runs its dialogs with the flag set, as here.
             bDialogShown = true;
             ShowAboutDialog(GetMainWindow());
             bDialogShown = false;
         }},
    };
    for (const Case& c : cases) {
        ClearDialogs();
        ClearMenuAnswers();
        bool flag_while_open = false;
        AnswerNextDialog("ABOUT", DialogScript()
                                      .Do([&](HWND) {
                                          flag_while_open = bDialogShown;
                                          ClickTrayIcon(GetMainWindow(), 1, WM_RBUTTONUP);
                                          ClickTrayIcon(GetMainWindow(), 1, WM_LBUTTONDBLCLK);
                                      })
                                      .Do([](HWND) {})
                                      .Click(IDOK));
        c.run();
        RunUntilIdle();
        EXPECT_TRUE(flag_while_open) << c.name;
        EXPECT_FALSE(bDialogShown) << c.name;
        EXPECT_TRUE(MenusShown().empty()) << c.name;
        auto dialogs = DialogsShown();
        ASSERT_EQ(dialogs.size(), 1u) << c.name;
        EXPECT_TRUE(dialogs[0].errors.empty()) << c.name;
        EXPECT_EQ(dialogs[0].result, INT_PTR(IDOK)) << c.name;
    }
    // With no dialog open, a right click opens the menu again.
    CancelNextMenu();
    ClickTrayIcon(Window(), 1, WM_RBUTTONUP);
    RunUntilIdle();
    EXPECT_EQ(MenusShown().size(), 1u);
}

// The hot key hides at once, without a fade, and shows without taking the focus from the
// window in front; another id does nothing.
TEST_F(WindowCommands, TheHotKeyHidesAndShowsTheWindow) {
    StartWith("\tModifiersKey=2\r\n\tVirtualKey=80\r\n\tFade=1\r\n\tOpacity=200\r\n");
    RunUntilIdle();
    HWND other = CreateWindowExA(0, "Static", "other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    layered_.Clear();
    auto press = [] {
        SetKeyDown(VK_CONTROL, true);
        PressKey('P');
        SetKeyDown(VK_CONTROL, false);
        RunUntilIdle();
    };
    press();
    EXPECT_FALSE(IsWindowVisible(Window()));
    press();
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_EQ(GetForegroundWindow(), other);
    EXPECT_TRUE(layered_.Alphas().empty());
    EXPECT_TRUE(ExStyle() & WS_EX_TOPMOST);

    SendMessageA(Window(), WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL, 'P'));
    EXPECT_TRUE(IsWindowVisible(Window()));
    ShowWindow(Window(), SW_HIDE);
    SendMessageA(Window(), WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL, 'P'));
    EXPECT_FALSE(IsWindowVisible(Window()));
    DestroyWindow(other);
}

// Always on top flips the setting, the check mark and the z-order, and shows a hidden window.
TEST_F(WindowCommands, AlwaysOnTopTogglesAndShowsAHiddenWindow) {
    StartWith("\tAlwaysOnTop=1\r\n\tTrayIcon=1\r\n");
    ASSERT_TRUE(Checked(IDM_ALWAYSONTOP));
    ShowWindow(Window(), SW_HIDE); // as the hot key hides it
    SendMessageA(Window(), WM_COMMAND, IDM_ALWAYSONTOP, 0);
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_FALSE(Setting("AlwaysOnTop"));
    EXPECT_FALSE(Checked(IDM_ALWAYSONTOP));
    EXPECT_FALSE(ExStyle() & WS_EX_TOPMOST);

    ShowWindow(Window(), SW_HIDE);
    ChooseFromTrayMenu(IDM_ALWAYSONTOP); // the window is hidden: only the tray reaches it
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_TRUE(Setting("AlwaysOnTop"));
    EXPECT_TRUE(Checked(IDM_ALWAYSONTOP));
    EXPECT_TRUE(ExStyle() & WS_EX_TOPMOST);
}

// Click-through from the menu: checked, the mouse passes, the tray icon comes and "TrayIcon" is
// set; switched off from the tray menu, the icon and the setting stay.
TEST_F(WindowCommands, ClickThroughFromTheMenuAddsTheTrayIconWhichStaysWhenItGoesOff) {
    StartWith("");
    ASSERT_TRUE(TrayIcons().empty());
    ChooseFromWindowMenu(IDM_PERMEATE);
    EXPECT_TRUE(Checked(IDM_PERMEATE));
    EXPECT_TRUE(ExStyle() & WS_EX_TRANSPARENT);
    EXPECT_TRUE(Setting("PermeateOperation"));
    EXPECT_TRUE(Setting("TrayIcon"));
    ASSERT_EQ(TrayIcons().size(), 1u);
    EXPECT_EQ(TrayIcons()[0].hwnd, Window());
    MessageSpy spy;
    LeftClick(Inside());
    RightClick(Inside());
    RunUntilIdle();
    EXPECT_TRUE(spy.Of(Window(), WM_LBUTTONDOWN).empty());
    EXPECT_TRUE(spy.Of(Window(), WM_CONTEXTMENU).empty());

    ChooseFromTrayMenu(IDM_PERMEATE);
    EXPECT_FALSE(Checked(IDM_PERMEATE));
    EXPECT_FALSE(ExStyle() & WS_EX_TRANSPARENT);
    EXPECT_FALSE(Setting("PermeateOperation"));
    EXPECT_TRUE(Setting("TrayIcon"));
    EXPECT_EQ(TrayIcons().size(), 1u);
    spy.Clear();
    LeftClick(Inside());
    RunUntilIdle();
    EXPECT_EQ(spy.Of(Window(), WM_LBUTTONDOWN).size(), 1u);
}

// The exit command and a WM_CLOSE from the system take the same road: the fade-out, the icon
// and the hot key gone, the window destroyed and the quit message posted.
TEST_F(WindowCommands, ExitRunsTheSameClosePathAsWmClose) {
    struct Case {
        const char* name;
        std::function<void()> close;
    } cases[] = {
        {"exit command", [this] { ChooseFromWindowMenu(IDM_EXIT); }},
        {"WM_CLOSE", [] { SendMessageA(GetMainWindow(), WM_CLOSE, 0, 0); }},
    };
    std::vector<std::vector<int>> alphas;
    for (const Case& c : cases) {
        ResetProgramState();
        ClearShellArea();
        StartWith("\tTrayIcon=1\r\n\tFade=1\r\n\tModifiersKey=2\r\n\tVirtualKey=80\r\n");
        HWND window = Window();
        ASSERT_EQ(TrayIcons().size(), 1u);
        MessageSpy spy;
        layered_.Clear();
        c.close();
        RunUntilIdle();
        EXPECT_EQ(spy.Of(window, WM_CLOSE).size(), 1u) << c.name;
        EXPECT_EQ(spy.Of(window, WM_DESTROY).size(), 1u) << c.name;
        EXPECT_FALSE(IsWindow(window)) << c.name;
        EXPECT_TRUE(TrayIcons().empty()) << c.name;
        EXPECT_TRUE(HotKeysRegistered().empty()) << c.name;
        EXPECT_EQ(PendingQuit(), 0) << c.name;
        alphas.push_back(layered_.Alphas());
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        ShutDown();
    }
    EXPECT_FALSE(alphas[0].empty());
    EXPECT_EQ(alphas[0], alphas[1]);
}

// After the task bar restarts, the icon comes back only when "TrayIcon" is set.
TEST_F(WindowCommands, ARestartedTaskBarGetsTheIconBackOnlyWhenTheSettingAsks) {
    struct Case {
        const char* settings;
        size_t icons_after;
    } cases[] = {
        {"\tTrayIcon=1\r\n", 1},
        {"\tTrayIcon=0\r\n\tPermeateOperation=1\r\n", 0},
    };
    for (const Case& c : cases) {
        ResetProgramState();
        ClearShellArea();
        StartWith(c.settings);
        ASSERT_EQ(TrayIcons().size(), 1u) << c.settings;
        RestartTaskbar();
        RunUntilIdle();
        EXPECT_EQ(TrayIcons().size(), c.icons_after) << c.settings;
        ShutDown();
        DestroyWindow(Window());
    }
}

// Read Me opens the program folder's Readme.txt; a missing one shows nothing of the program's.
TEST_F(WindowCommands, ReadMeOpensTheFileInTheProgramFolder) {
    StartWith("");
    SendMessageA(Window(), WM_COMMAND, IDM_README, 0);
    ASSERT_EQ(shell_requests_.Requests().size(), 1u);
    EXPECT_EQ(shell_requests_.Requests()[0].result, SE_ERR_FNF);
    EXPECT_TRUE(MessageBoxesShown().empty());

    // The build puts the read-me into the program folder.
    namespace fs = std::filesystem;
    fs::path readme = fs::path(PELMORA_PROGRAM_DIR) / "Readme.txt";
    ASSERT_TRUE(fs::exists(readme));
    fs::copy_file(readme, folder_ / "Readme.txt");
    shell_requests_.Clear();
    ChooseFromWindowMenu(IDM_README);
    auto requests = shell_requests_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].owner, Window());
    EXPECT_EQ(requests[0].verb, "");
    EXPECT_EQ(requests[0].file, std::string(GetApplicationDirectory()) + "Readme.txt");
    EXPECT_EQ(requests[0].show, SW_SHOW);
    EXPECT_EQ(requests[0].target, (folder_ / "Readme.txt").string());
    EXPECT_GT(requests[0].result, 32);
}

TEST_F(WindowCommands, AnUnknownCommandDoesNothing) {
    StartWith("");
    const std::string before = GetDriveProfile()->Render();
    const LONG_PTR style = ExStyle();
    MessageSpy spy;
    for (WORD id : {WORD(999), WORD(1006), WORD(0)})
        SendMessageA(Window(), WM_COMMAND, id, 0);
    RunUntilIdle();
    EXPECT_EQ(GetDriveProfile()->Render(), before);
    EXPECT_EQ(ExStyle(), style);
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_TRUE(TrayIcons().empty());
    EXPECT_TRUE(shell_requests_.Requests().empty());
    EXPECT_TRUE(DialogsShown().empty());
    EXPECT_TRUE(MenusShown().empty());
}

} // namespace
