// The window page: what it loads, how its controls depend on each other, the monitor ranges,
// the hot key and what OK writes, driven as a user drives the sheet.
#include "sheet_fixture.h"

#include "dialogs/options_sheet.h"
#include "kernel32/process.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"

#include <functional>
#include <map>

namespace {

using platform::testing::DialogItem;
using platform::testing::DialogScript;
using platform::testing::PressSheetButton;
using platform::testing::ReadDialogItem;

class WindowPageTest : public SheetTest {
protected:
    void Start(const std::string& mainWindow = "", const std::string& general = "") {
        WriteSheetSettings(mainWindow, general);
        ProgramTest::Start();
        platform::testing::RunUntilIdle();
    }
    // Opens the sheet, plays the steps, then reads the page's controls before the sheet closes.
    std::map<int, DialogItem> Run(const std::function<void(DialogScript&)>& steps,
                                  std::vector<int> ids) {
        std::map<int, DialogItem> items;
        DialogScript script;
        steps(script);
        script.Do([&](HWND sheet) {
            for (int id : ids)
                items[id] = ReadDialogItem(sheet, id);
        });
        EXPECT_TRUE(OpenSheet(script));
        EXPECT_TRUE(LastSheet().errors.empty())
            << (LastSheet().errors.empty() ? "" : LastSheet().errors.front());
        return items;
    }
};

// Click-through forces the tray icon on and takes the passing opacity away; the other way back
// the passing box comes back unchecked and the tray box keeps its check, unless the background
// shows nothing.
struct Expected {
    bool enabled;
    UINT check;
};
struct ClickThroughCase {
    const char* name;
    const char* mainWindow;
    const char* general;
    std::vector<int> clicks; // on the page, in order
    Expected tray, passing;
    bool passingValue; // the passing opacity's edit and arrows enabled
};
constexpr const char* kOff =
    "\tPermeateOperation=0\r\n\tTrayIcon=0\r\n\tChangeOpacityWhenPassing=1\r\n";
const ClickThroughCase kClickThroughCases[] = {
    {"StoredOn",
     "\tPermeateOperation=1\r\n\tTrayIcon=0\r\n\tChangeOpacityWhenPassing=1\r\n",
     "",
     {},
     {false, BST_CHECKED},
     {false, BST_UNCHECKED},
     false},
    {"StoredOff", kOff, "", {}, {true, BST_UNCHECKED}, {true, BST_CHECKED}, true},
    {"Checked",
     kOff,
     "",
     {IDC_WINDOW_PERMEATE},
     {false, BST_CHECKED},
     {false, BST_UNCHECKED},
     false},
    {"CheckedAndUnchecked",
     kOff,
     "",
     {IDC_WINDOW_PERMEATE, IDC_WINDOW_PERMEATE},
     {true, BST_CHECKED},
     {true, BST_UNCHECKED},
     false},
    {"BackgroundNone",
     kOff,
     "\tBackground=4\r\n",
     {},
     {false, BST_CHECKED},
     {true, BST_CHECKED},
     true},
    {"BackgroundNoneCheckedAndUnchecked",
     kOff,
     "\tBackground=4\r\n",
     {IDC_WINDOW_PERMEATE, IDC_WINDOW_PERMEATE},
     {false, BST_CHECKED},
     {true, BST_UNCHECKED},
     false},
    {"PassingBoxUncheckedByTheUser",
     kOff,
     "",
     {IDC_WINDOW_CHANGEOPACITY},
     {true, BST_UNCHECKED},
     {true, BST_UNCHECKED},
     false},
};

class ClickThroughTest : public WindowPageTest,
                         public ::testing::WithParamInterface<ClickThroughCase> {};

TEST_P(ClickThroughTest, DecidesTheTrayIconAndPassingOpacityBoxes) {
    const ClickThroughCase& c = GetParam();
    Start(c.mainWindow, c.general);
    auto items = Run(
        [&](DialogScript& s) {
            for (int id : c.clicks)
                s.Click(id);
        },
        {IDC_WINDOW_TRAYICON, IDC_WINDOW_CHANGEOPACITY, IDC_WINDOW_PASSINGOPACITY,
         IDC_WINDOW_PASSINGOPACITY_EDIT});
    EXPECT_EQ(items[IDC_WINDOW_TRAYICON].enabled, c.tray.enabled);
    EXPECT_EQ(items[IDC_WINDOW_TRAYICON].check, c.tray.check);
    EXPECT_EQ(items[IDC_WINDOW_CHANGEOPACITY].enabled, c.passing.enabled);
    EXPECT_EQ(items[IDC_WINDOW_CHANGEOPACITY].check, c.passing.check);
    EXPECT_EQ(items[IDC_WINDOW_PASSINGOPACITY].enabled, c.passingValue);
    EXPECT_EQ(items[IDC_WINDOW_PASSINGOPACITY_EDIT].enabled, c.passingValue);
}

INSTANTIATE_TEST_SUITE_P(WindowPage, ClickThroughTest, ::testing::ValuesIn(kClickThroughCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The position ranges run over every monitor; a monitor left of and above the primary makes
// them negative, and the Y range is given top-down so that its up arrow lowers the value.
struct MonitorCase {
    const char* name;
    std::vector<platform::user32::MonitorLayout> monitors;
    int xLower, xUpper, yLower, yUpper, widthUpper;
};
const RECT kPrimary{0, 0, 1920, 1080};
const RECT kLeftAbove{-1280, -300, 0, 724};
const RECT kRight{1920, 0, 3200, 1024};
const MonitorCase kMonitorCases[] = {
    {"OneMonitor", {{kPrimary, kPrimary}}, -1920, 1920, 1080, -1080, 1920},
    {"OneLeftOfAndAboveIt",
     {{kPrimary, kPrimary}, {kLeftAbove, kLeftAbove}},
     -3200,
     1920,
     1080,
     -1380,
     1920},
    {"OneRightOfIt", {{kPrimary, kPrimary}, {kRight, kRight}}, -3200, 3200, 1080, -1080, 3200},
};

class MonitorRangeTest : public WindowPageTest,
                         public ::testing::WithParamInterface<MonitorCase> {};

TEST_P(MonitorRangeTest, PositionRangesSpanTheMonitorsAndTheYArrowsRunReversed) {
    const MonitorCase& c = GetParam();
    platform::testing::MonitorScope monitors(c.monitors);
    Start("\tPositionX=-5\r\n\tPositionY=-7\r\n");
    int range[3][2] = {};
    auto items = Run(
        [&](DialogScript& s) {
            s.Do([&](HWND sheet) {
                int ids[3] = {IDC_WINDOW_POSITIONX, IDC_WINDOW_POSITIONY, IDC_WINDOW_WIDTH};
                for (int i = 0; i < 3; ++i)
                    SendMessageA(platform::testing::ScriptControl(sheet, ids[i]), UDM_GETRANGE32,
                                 WPARAM(&range[i][0]), LPARAM(&range[i][1]));
            });
            s.UpDown(IDC_WINDOW_POSITIONX, true).UpDown(IDC_WINDOW_POSITIONY, true);
        },
        {IDC_WINDOW_POSITIONX, IDC_WINDOW_POSITIONY, IDC_WINDOW_POSITIONY_EDIT});
    EXPECT_EQ(range[0][0], c.xLower);
    EXPECT_EQ(range[0][1], c.xUpper);
    EXPECT_EQ(range[1][0], c.yLower);
    EXPECT_EQ(range[1][1], c.yUpper);
    EXPECT_EQ(range[2][0], 1);
    EXPECT_EQ(range[2][1], c.widthUpper);
    EXPECT_EQ(items[IDC_WINDOW_POSITIONX].position, -4);
    EXPECT_EQ(items[IDC_WINDOW_POSITIONY].position, -8);
    EXPECT_EQ(items[IDC_WINDOW_POSITIONY_EDIT].text, "-8");
}

INSTANTIATE_TEST_SUITE_P(WindowPage, MonitorRangeTest, ::testing::ValuesIn(kMonitorCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The hot-key control takes the key pressed while it has the focus; a key alone or with Shift
// alone becomes Ctrl+Alt with that key. Each change enables Apply.
TEST_F(WindowPageTest, TheHotKeyControlTakesKeysAndMendsInvalidCombinations) {
    struct Case {
        const char* name;
        std::vector<int> keys;
        const char* text;
        WORD value;
    };
    const Case cases[] = {
        {"key alone", {'P'}, "Ctrl + Alt + P", MAKEWORD('P', HOTKEYF_CONTROL | HOTKEYF_ALT)},
        {"Shift and key",
         {VK_SHIFT, 'P'},
         "Ctrl + Alt + P",
         MAKEWORD('P', HOTKEYF_CONTROL | HOTKEYF_ALT)},
        {"Ctrl and key", {VK_CONTROL, 'Q'}, "Ctrl + Q", MAKEWORD('Q', HOTKEYF_CONTROL)},
        {"Ctrl, Shift and key",
         {VK_CONTROL, VK_SHIFT, VK_F5},
         "Ctrl + Shift + F5",
         MAKEWORD(VK_F5, HOTKEYF_CONTROL | HOTKEYF_SHIFT)},
        {"Alt and key", {VK_MENU, '7'}, "Alt + 7", MAKEWORD('7', HOTKEYF_ALT)},
        {"Backspace clears", {VK_BACK}, "None", 0},
    };
    Start("\tVirtualKey=72\r\n\tModifiersKey=6\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WORD value = 0;
        bool apply = false;
        std::string before;
        auto items = Run(
            [&](DialogScript& s) {
                s.Do([&](HWND sheet) { before = ReadDialogItem(sheet, IDC_WINDOW_HOTKEY).text; });
                s.Then(platform::testing::FocusControl(IDC_WINDOW_HOTKEY));
                switch (c.keys.size()) {
                case 1:
                    s.Then(platform::testing::PressKeys({c.keys[0]}));
                    break;
                case 2:
                    s.Then(platform::testing::PressKeys({c.keys[0], c.keys[1]}));
                    break;
                default:
                    s.Then(platform::testing::PressKeys({c.keys[0], c.keys[1], c.keys[2]}));
                }
                s.Do([&](HWND sheet) {
                    value = WORD(
                        SendMessageA(platform::testing::ScriptControl(sheet, IDC_WINDOW_HOTKEY),
                                     HKM_GETHOTKEY, 0, 0));
                    apply = ReadDialogItem(sheet, ID_APPLY_NOW).enabled;
                });
            },
            {IDC_WINDOW_HOTKEY});
        EXPECT_EQ(before, "Ctrl + Alt + H");
        EXPECT_EQ(items[IDC_WINDOW_HOTKEY].text, c.text);
        EXPECT_EQ(value, c.value);
        EXPECT_TRUE(apply);
        EXPECT_EQ(MainWindowValue(Literals::VirtualKey), "72"); // closed without OK
    }
}

// OK on a sheet where nothing changed still writes every key of the window page and applies
// them to the running window.
TEST_F(WindowPageTest, OkWithoutAChangeRewritesEveryMainWindowKeyAndReapplies) {
    Start("\tPositionX=30\r\n\tPositionY=40\r\n\tWidth=170\r\n\tOpacity=0180\r\n"
          "\tVirtualKey=80\r\n\tModifiersKey=6\r\n");
    // Sized behind the window's back (a move would be saved as the new position): applying
    // gives the window the size its settings say.
    SetWindowPos(Window(), nullptr, 0, 0, 90, 20, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(OpenSheet(DialogScript().Then(PressSheetButton(IDOK))));
    const std::pair<const char*, const char*> written[] = {
        {Literals::AlwaysOnTop, "1"},
        {Literals::PermeateOperation, "0"},
        {Literals::TrayIcon, "0"},
        {Literals::PositionX, "30"},
        {Literals::PositionY, "40"},
        {Literals::Width, "170"},
        {Literals::Opacity, "180"},
        {Literals::ChangeOpacityWhenPassing, "0"},
        {Literals::OpacityWhenPassing, "255"},
        {Literals::SnapThreshold, "0"},
        {Literals::Shadow, "0"},
        {Literals::Fade, "1"},
        {Literals::FadeTime, "500"},
        {Literals::ModifiersKey, "6"},
        {Literals::VirtualKey, "80"},
    };
    for (const auto& [key, value] : written)
        EXPECT_EQ(MainWindowValue(key), value) << key;
    RECT r;
    GetWindowRect(Window(), &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 170);
}

// What OK stores is the position of the up-down control, not the text of its edit: a value
// typed outside the range (or no number at all) leaves the last position, so an opacity of 0
// never makes the window vanish; the bounds themselves are taken.
TEST_F(WindowPageTest, ValuesTypedOutsideTheirRangeKeepTheLastPosition) {
    struct Case {
        int edit;
        const char* typed;
        const char* key;
        bool taken;
    };
    const Case cases[] = {
        {IDC_WINDOW_OPACITY_EDIT, "0", Literals::Opacity, false},
        {IDC_WINDOW_OPACITY_EDIT, "256", Literals::Opacity, false},
        {IDC_WINDOW_OPACITY_EDIT, "", Literals::Opacity, false},
        {IDC_WINDOW_OPACITY_EDIT, "1", Literals::Opacity, true},
        {IDC_WINDOW_WIDTH_EDIT, "0", Literals::Width, false},
        {IDC_WINDOW_WIDTH_EDIT, "99999", Literals::Width, false},
        {IDC_WINDOW_PASSINGOPACITY_EDIT, "256", Literals::OpacityWhenPassing, false},
        {IDC_WINDOW_PASSINGOPACITY_EDIT, "0", Literals::OpacityWhenPassing, true},
        {IDC_WINDOW_SNAP_EDIT, "51", Literals::SnapThreshold, false},
        {IDC_WINDOW_SNAP_EDIT, "50", Literals::SnapThreshold, true},
        {IDC_WINDOW_FADETIME_EDIT, "99", Literals::FadeTime, false},
        {IDC_WINDOW_FADETIME_EDIT, "1001", Literals::FadeTime, false},
        {IDC_WINDOW_FADETIME_EDIT, "1000", Literals::FadeTime, true},
        {IDC_WINDOW_POSITIONX_EDIT, "abc", Literals::PositionX, false},
    };
    Start("\tWidth=170\r\n\tOpacity=180\r\n\tChangeOpacityWhenPassing=1\r\n"
          "\tOpacityWhenPassing=100\r\n\tSnapThreshold=5\r\n\tFadeTime=400\r\n"
          "\tPositionX=30\r\n\tPositionY=40\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " typed as \"" << c.typed << "\"");
        const std::string before = MainWindowValue(c.key);
        ASSERT_TRUE(
            OpenSheet(DialogScript().SetText(c.edit, c.typed).Then(PressSheetButton(IDOK))));
        EXPECT_TRUE(LastSheet().errors.empty())
            << (LastSheet().errors.empty() ? "" : LastSheet().errors.front());
        EXPECT_EQ(LastSheet().result, 1);
        EXPECT_EQ(MainWindowValue(c.key), c.taken ? c.typed : before);
        BYTE alpha = 0;
        GetLayeredWindowAttributes(Window(), nullptr, &alpha, nullptr);
        EXPECT_EQ(std::to_string(alpha), MainWindowValue(Literals::Opacity));
    }
}

// Before Windows XP the shadow box is unchecked, whatever is stored, and OK writes false.
TEST_F(WindowPageTest, BeforeWindowsXpTheShadowIsOff) {
    platform::SetReportedVersion({5, 0, 2195});
    Start("\tShadow=1\r\n");
    UINT check = BST_CHECKED;
    ASSERT_TRUE(OpenSheet(
        DialogScript()
            .Do([&](HWND sheet) { check = ReadDialogItem(sheet, IDC_WINDOW_SHADOW).check; })
            .Then(PressSheetButton(IDOK))));
    platform::SetReportedVersion({10, 0, 19045});
    EXPECT_EQ(check, UINT(BST_UNCHECKED));
    EXPECT_EQ(MainWindowValue(Literals::Shadow), "0");
}

// The fade-time controls are usable only while the Fade box is checked, as loaded and as the
// user clicks it.
TEST_F(WindowPageTest, TheFadeTimeControlsFollowTheFadeBox) {
    struct Case {
        const char* name;
        const char* stored;
        bool clicked;
        bool enabled;
    };
    const Case cases[] = {{"stored on", "1", false, true},
                          {"stored off", "0", false, false},
                          {"switched off", "1", true, false},
                          {"switched on", "0", true, true}};
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pMainWindowCategory->SetString(Literals::Fade, c.stored);
        auto items = Run(
            [&](DialogScript& s) {
                if (c.clicked)
                    s.Click(IDC_WINDOW_FADE);
            },
            {IDC_WINDOW_FADETIME_EDIT, IDC_WINDOW_FADETIME, IDC_WINDOW_FADETIME_UNIT});
        for (const auto& [id, item] : items)
            EXPECT_EQ(item.enabled, c.enabled) << "control " << id;
    }
}

// The sheet is centred on the monitor of its owner, the main window, over the whole monitor:
// the task bars that make the work areas smaller move it not.
TEST_F(WindowPageTest, TheSheetIsCentredOnTheMonitorOfTheMainWindow) {
    const RECT primary{0, 0, 1920, 1080};
    const RECT primaryWork{0, 0, 1920, 1040};
    const RECT second{1920, 100, 3200, 1124};
    const RECT secondWork{2000, 160, 3200, 1124}; // task bars at its left and top
    platform::testing::MonitorScope monitors({{primary, primaryWork}, {second, secondWork}});
    Start("\tPositionX=2000\r\n\tPositionY=200\r\n");
    RECT sheet{};
    ASSERT_TRUE(OpenSheet(DialogScript().Do([&](HWND s) { GetWindowRect(s, &sheet); })));
    const int width = sheet.right - sheet.left, height = sheet.bottom - sheet.top;
    EXPECT_EQ(sheet.left, 1920 + (1280 - width) / 2);
    EXPECT_EQ(sheet.top, 100 + (1024 - height) / 2);
}

} // namespace
