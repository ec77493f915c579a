#include "program_fixture.h"

#include "shell/appearance.h"
#include "shell/main_window.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "shell/program.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Appearance : public ProgramTest {
protected:
    // Starts with these MainWindow keys (and GraphGeneral ones) in the settings file.
    void StartWith(const std::string& main_window, const std::string& graph_general = "") {
        WriteSettings("MainWindow[\r\n" + main_window + "]\r\nGraphGeneral[\r\n" + graph_general +
                      "]\r\n");
        Start();
    }
    std::vector<uint32_t> Sleeps() { return desktop_.clock().Sleeps(); }
};

std::vector<int> Range(int from, int to, int step) {
    std::vector<int> values;
    for (int v = from; step > 0 ? v <= to : v >= to; v += step)
        values.push_back(v);
    return values;
}

TEST_F(Appearance, FadeInAndOutStepTheAlphaWithTheirSleeps) {
    StartWith("\tOpacity=255\r\n\tFadeTime=500\r\n\tFade=1\r\n");
    // ApplyMainWindowSettings sets the opacity, then the fade starts from 0.
    std::vector<int> expected = {255, 0};
    for (int a : Range(0, 240, 16))
        expected.push_back(a);
    expected.push_back(255);
    EXPECT_EQ(layered_.Alphas(), expected);
    EXPECT_EQ(Sleeps(), std::vector<uint32_t>(16, 33));
    EXPECT_TRUE(IsWindowVisible(Window()));

    layered_.Clear();
    desktop_.clock().ClearSleeps();
    SendMessageA(Window(), WM_CLOSE, 0, 0);
    expected = Range(255, 15, -16);
    expected.push_back(0);
    EXPECT_EQ(layered_.Alphas(), expected);
    EXPECT_EQ(Sleeps(), std::vector<uint32_t>(16, 33));
}

TEST_F(Appearance, FadesOfALowOpacityAreOneSleep) {
    StartWith("\tOpacity=16\r\n\tFadeTime=300\r\n");
    EXPECT_EQ(layered_.Alphas(), (std::vector<int>{16, 0, 16}));
    EXPECT_EQ(Sleeps(), std::vector<uint32_t>{300});
    layered_.Clear();
    SendMessageA(Window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(layered_.Alphas(), (std::vector<int>{0}));
    EXPECT_EQ(Sleeps(), (std::vector<uint32_t>{300, 300}));
}

TEST_F(Appearance, WithoutFadeTheWindowComesAndGoesAtOnce) {
    StartWith("\tOpacity=200\r\n\tFade=0\r\n");
    EXPECT_EQ(layered_.Alphas(), std::vector<int>{200});
    EXPECT_TRUE(Sleeps().empty());
    EXPECT_TRUE(IsWindowVisible(Window()));
    TearDownMainWindow();
    EXPECT_FALSE(IsWindowVisible(Window()));
    EXPECT_TRUE(Sleeps().empty());
}

TEST_F(Appearance, AKeyedOutBackgroundKeepsItsKeyAndShowsTheTrayIcon) {
    StartWith("\tTrayIcon=0\r\n\tFadeTime=100\r\n",
              "\tBackground=4\r\n\tBackgroundColor1=65280\r\n");
    ASSERT_FALSE(layered_.Changes().empty());
    for (const auto& change : layered_.Changes()) {
        EXPECT_EQ(change.flags, DWORD(LWA_ALPHA | LWA_COLORKEY));
        EXPECT_EQ(change.key, COLORREF(65280));
    }
    EXPECT_EQ(platform::testing::TrayIcons().size(), 1u);
}

TEST_F(Appearance, ClickThroughIsTransparentCheckedAndInTheTray) {
    StartWith("\tPermeateOperation=1\r\n\tFade=0\r\n");
    EXPECT_TRUE(GetWindowLongPtrA(Window(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_TRUE(GetMenuState(hPopupMenu, 1001, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(platform::testing::TrayIcons().size(), 1u);
    // Always on top, the default, is checked and the window is topmost.
    EXPECT_TRUE(GetMenuState(hPopupMenu, 1000, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetWindowLongPtrA(Window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Appearance, PlainSettingsLeaveTheTrayEmptyAndTheWindowOpaqueToTheMouse) {
    StartWith("\tFade=0\r\n\tAlwaysOnTop=0\r\n");
    EXPECT_FALSE(GetWindowLongPtrA(Window(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_FALSE(GetMenuState(hPopupMenu, 1001, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(hPopupMenu, 1000, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetWindowLongPtrA(Window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(platform::testing::TrayIcons().empty());
}

TEST_F(Appearance, PassingLowersTheOpacityUntilTheCursorHasLeft) {
    StartWith("\tFade=0\r\n\tChangeOpacityWhenPassing=1\r\n\tOpacityWhenPassing=0\r\n"
              "\tPositionX=100\r\n\tPositionY=100\r\n");
    platform::testing::RunUntilIdle();
    layered_.Clear();
    platform::testing::MouseMove({110, 105});
    platform::testing::RunUntilIdle();
    EXPECT_EQ(layered_.Alphas(), std::vector<int>{0});
    platform::testing::MouseMove({120, 106}); // still passing: nothing changes
    platform::testing::RunFor(300);
    EXPECT_EQ(layered_.Alphas(), std::vector<int>{0});

    SetCursorPos(10, 10);
    platform::testing::RunFor(100);
    EXPECT_EQ(layered_.Alphas(), (std::vector<int>{0, 255}));
}

TEST_F(Appearance, PassingWithCtrlKeepsTheNormalOpacity) {
    StartWith("\tFade=0\r\n\tChangeOpacityWhenPassing=1\r\n\tOpacityWhenPassing=40\r\n"
              "\tPositionX=100\r\n\tPositionY=100\r\n");
    platform::testing::RunUntilIdle();
    layered_.Clear();
    platform::testing::MouseMove({110, 105}, MK_CONTROL);
    platform::testing::RunUntilIdle();
    EXPECT_TRUE(layered_.Alphas().empty());
    SetCursorPos(10, 10);
    platform::testing::RunFor(100);
    platform::testing::MouseMove({110, 105});
    platform::testing::RunUntilIdle();
    EXPECT_EQ(layered_.Alphas(), (std::vector<int>{255, 40}));
}

// The program's state is that of a new process at every start, passing included.
TEST_F(Appearance, ANewStartIsNotStillPassing) {
    const std::string passing = "\tFade=0\r\n\tChangeOpacityWhenPassing=1\r\n"
                                "\tOpacityWhenPassing=0\r\n\tPositionX=100\r\n\tPositionY=100\r\n";
    StartWith(passing);
    platform::testing::MouseMove({110, 105});
    platform::testing::RunUntilIdle();
    ShutDown();
    DestroyWindow(Window());

    ResetProgramState();
    StartWith(passing);
    platform::testing::RunUntilIdle();
    layered_.Clear();
    platform::testing::MouseMove({110, 105});
    platform::testing::RunUntilIdle();
    EXPECT_EQ(layered_.Alphas(), std::vector<int>{0});
}

TEST_F(Appearance, AChangedHotKeyReplacesTheOldOne) {
    StartWith("\tFade=0\r\n\tModifiersKey=3\r\n\tVirtualKey=80\r\n");
    auto keys = platform::testing::HotKeysRegistered();
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].modifiers, UINT(MOD_CONTROL | MOD_SHIFT));
    EXPECT_EQ(keys[0].vk, 80u);
    pMainWindowCategory->SetInteger("ModifiersKey", 4);
    pMainWindowCategory->SetInteger("VirtualKey", 81);
    ApplyMainWindowSettings();
    keys = platform::testing::HotKeysRegistered();
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].modifiers, UINT(MOD_ALT));
    EXPECT_EQ(keys[0].vk, 81u);
}

TEST_F(Appearance, AWidthBeyondTheMonitorsReadsAsTheDefault) {
    StartWith("\tFade=0\r\n\tWidth=5000\r\n");
    RECT r;
    GetWindowRect(Window(), &r);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_NE(ReadSettings().find("Width"), std::string::npos);
}

TEST(PointInRect, AllFourEdgesCountAsInside) {
    RECT r{10, 20, 30, 40};
    EXPECT_TRUE(IsPointInRect(r, {10, 20}));
    EXPECT_TRUE(IsPointInRect(r, {30, 40}));
    EXPECT_FALSE(IsPointInRect(r, {9, 30}));
    EXPECT_FALSE(IsPointInRect(r, {20, 41}));
}

} // namespace
