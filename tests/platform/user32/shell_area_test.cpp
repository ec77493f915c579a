#include <windows.h>
#include <shellapi.h>

#include "testing/desktop.h"
#include "testing/shell_area.h"
#include "testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using platform::testing::DesktopScope;

struct Received {
    std::vector<MSG> messages;
};
Received* received = nullptr;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (received && (message == WM_HOTKEY || message == WM_KEYDOWN || message >= WM_APP)) {
        MSG msg{};
        msg.hwnd = hwnd;
        msg.message = message;
        msg.wParam = wparam;
        msg.lParam = lparam;
        received->messages.push_back(msg);
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

class ShellArea : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::ClearShellArea();
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "ShellAreaTest";
        RegisterClassExA(&wc);
        window_ = CreateWindowExA(0, "ShellAreaTest", "Shell area", WS_POPUP | WS_VISIBLE, 10, 10,
                                  40, 20, nullptr, nullptr, nullptr, nullptr);
        received = &received_;
    }
    void TearDown() override {
        received = nullptr;
        platform::testing::ClearShellArea();
    }
    DesktopScope desktop_;
    Received received_;
    HWND window_ = nullptr;
};

TEST_F(ShellArea, HotKeyRaisesWmHotKeyAndATakenCombinationFails) {
    ASSERT_TRUE(RegisterHotKey(window_, 0, MOD_CONTROL | MOD_ALT, 'P'));
    EXPECT_FALSE(RegisterHotKey(window_, 1, MOD_CONTROL | MOD_ALT, 'P'));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_HOTKEY_ALREADY_REGISTERED));

    platform::testing::SetKeyDown(VK_CONTROL, true);
    platform::testing::SetKeyDown(VK_MENU, true);
    platform::testing::PressKey('P');
    platform::testing::SetKeyDown(VK_MENU, false);
    platform::testing::SetKeyDown(VK_CONTROL, false);
    platform::testing::PressKey('P'); // without the modifiers it is an ordinary key
    platform::testing::RunUntilIdle();

    ASSERT_GE(received_.messages.size(), 1u);
    EXPECT_EQ(received_.messages[0].message, UINT(WM_HOTKEY));
    EXPECT_EQ(received_.messages[0].wParam, 0u);
    EXPECT_EQ(received_.messages[0].lParam, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'P'));
    int hot_keys = 0;
    for (const MSG& m : received_.messages)
        hot_keys += m.message == WM_HOTKEY;
    EXPECT_EQ(hot_keys, 1);

    EXPECT_TRUE(UnregisterHotKey(window_, 0));
    EXPECT_FALSE(UnregisterHotKey(window_, 0));
    EXPECT_TRUE(RegisterHotKey(window_, 1, MOD_CONTROL | MOD_ALT, 'P'));
    DestroyWindow(window_);
    EXPECT_TRUE(platform::testing::HotKeysRegistered().empty());
}

TEST_F(ShellArea, TrayIconsAreAddedOnceModifiedAndDeleted) {
    NOTIFYICONDATAA data{};
    data.cbSize = 456; // the size the program passes
    data.hWnd = window_;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = WM_APP + 0x64;
    lstrcpyA(data.szTip, "Pelmora");
    EXPECT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &data));
    auto icons = platform::testing::TrayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].tip, "Pelmora");

    EXPECT_TRUE(platform::testing::ClickTrayIcon(window_, 1, WM_RBUTTONUP));
    platform::testing::RunUntilIdle();
    ASSERT_EQ(received_.messages.size(), 1u);
    EXPECT_EQ(received_.messages[0].message, UINT(WM_APP + 0x64));
    EXPECT_EQ(received_.messages[0].wParam, 1u);
    EXPECT_EQ(received_.messages[0].lParam, LPARAM(WM_RBUTTONUP));

    EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &data));
    EXPECT_TRUE(platform::testing::TrayIcons().empty());
    data.cbSize = 40;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &data));
}

TEST_F(ShellArea, RestartedTaskbarHasNoIconsAndAnnouncesItself) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = 7;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
    platform::testing::RestartTaskbar();
    platform::testing::RunUntilIdle();
    EXPECT_TRUE(platform::testing::TrayIcons().empty());
    UINT taskbar_created = RegisterWindowMessageA("TaskbarCreated");
    ASSERT_EQ(received_.messages.size(), 1u);
    EXPECT_EQ(received_.messages[0].message, taskbar_created);
}

TEST_F(ShellArea, SnapshotCarriesTheLayeredAlphaAfterAPaint) {
    namespace fs = std::filesystem;
    const platform::testing::TemporaryFolder folder("pelmora-snap");
    {
        platform::testing::SnapshotScope snapshots(folder.path().string());
        SetWindowLongPtrA(window_, GWL_EXSTYLE, WS_EX_LAYERED);
        SetLayeredWindowAttributes(window_, 0, 128, LWA_ALPHA);
        InvalidateRect(window_, nullptr, FALSE);
        platform::testing::RunUntilIdle();
    }
    fs::path png = folder / "Shell area.png";
    ASSERT_TRUE(fs::exists(png));
    std::ifstream in(png, std::ios::binary);
    char magic[8];
    in.read(magic, 8);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
    EXPECT_FALSE(fs::exists(folder / "Shell area.png.part"));
}

} // namespace
