// The options sheet's frame: opening, the apply sequence, change tracking, the shared colour
// dialog state and bDialogShown, driven as a user drives the sheet.
#include "sheet_fixture.h"

#include "comdlg32/color_dialog.h"
#include "dialogs/graph_detail_page.h"
#include "dialogs/graph_general_page.h"
#include "dialogs/options_sheet.h"
#include "dialogs/window_page.h"
#include "display/display_state.h"
#include "display/rows.h"
#include "plugin_sdk/pmp.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/main_window.h"
#include "shell/program.h"

#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

namespace {

using platform::testing::DialogScript;
using platform::testing::PressSheetButton;
using platform::testing::ReadDialogItem;
using platform::testing::SelectSheetPage;
using Events = std::vector<std::string>;

namespace cd = platform::comdlg32;

class OptionsSheetTest : public SheetTest {
protected:
    void SetUp() override {
        WriteSheetSettings("\tWidth=180\r\n\tOpacity=200\r\n");
        Start();
        platform::testing::RunUntilIdle();
        ClearPluginEvents();
    }
};

TEST_F(OptionsSheetTest, OpensOnTheWindowPageWithThreeTabsAndBDialogShownMeanwhile) {
    bool shownInside = false;
    std::vector<std::string> tabs;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    ASSERT_TRUE(OpenSheet(DialogScript().Do([&](HWND sheet) {
        shownInside = bDialogShown;
        tabs = platform::testing::SheetTabs(sheet);
        owner = platform::testing::DialogsShown().back().owner;
        ownerEnabled = IsWindowEnabled(Window()) != FALSE;
        EXPECT_EQ(platform::testing::CurrentSheetPage(sheet), 0);
        EXPECT_NE(platform::testing::SheetPage(sheet, 0), nullptr);
        EXPECT_EQ(platform::testing::SheetPage(sheet, 1), nullptr); // made when first shown
        EXPECT_FALSE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
    })));
    EXPECT_TRUE(shownInside);
    EXPECT_FALSE(bDialogShown);
    EXPECT_EQ(tabs, (std::vector<std::string>{"Window", "Graphs", "Rows"}));
    EXPECT_EQ(owner, Window());
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(Window()));
    EXPECT_EQ(LastSheet().result, 0); // closed by its close box once the script ran out
}

// A double click on the tray icon opens the sheet; while it runs, a right click or a double click
// on the icon opens neither the menu nor a second sheet.
TEST_F(OptionsSheetTest, TheTrayIconOpensTheSheetAndNothingMoreWhileItRuns) {
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nidTrayIcon));
    platform::testing::ClearDialogs();
    platform::testing::ClearMenuAnswers();
    bool shownInside = false;
    bool clicked = true;
    platform::testing::AnswerNextDialog(
        kCaption, DialogScript()
                      .Do([&](HWND) {
                          shownInside = bDialogShown;
                          for (UINT mouse : {UINT(WM_RBUTTONUP), UINT(WM_LBUTTONDBLCLK)})
                              clicked &= platform::testing::ClickTrayIcon(Window(), 1, mouse);
                      })
                      .Do([](HWND) {}) // the icon's messages run inside the sheet
                      .Then(PressSheetButton(IDCANCEL)));
    ASSERT_TRUE(platform::testing::ClickTrayIcon(Window(), 1, WM_LBUTTONDBLCLK));
    platform::testing::RunUntilIdle();
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(shownInside);
    EXPECT_FALSE(bDialogShown);
    EXPECT_TRUE(platform::testing::MenusShown().empty());
    auto dialogs = platform::testing::DialogsShown();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].caption, kCaption);
    EXPECT_EQ(dialogs[0].owner, Window());
    EXPECT_TRUE(dialogs[0].errors.empty());
}

// A left click on the tray icon brings the program to the front, also while the sheet runs:
// the activation of the disabled main window goes to the sheet. It opens nothing more.
TEST_F(OptionsSheetTest, ALeftClickOnTheTrayIconWhileTheSheetRunsBringsTheSheetForward) {
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nidTrayIcon));
    platform::testing::ClearDialogs();
    platform::testing::ClearMenuAnswers();
    // Another program's window, in front when the user clicks.
    HWND other = CreateWindowExA(0, "Static", "Other", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    HWND sheetWindow = nullptr, before = nullptr, after = nullptr;
    bool clicked = false, running = false;
    ASSERT_TRUE(OpenSheet(DialogScript()
                              .Do([&](HWND sheet) {
                                  sheetWindow = sheet;
                                  SetForegroundWindow(other);
                                  before = GetForegroundWindow();
                                  clicked =
                                      platform::testing::ClickTrayIcon(Window(), 1, WM_LBUTTONUP);
                              })
                              .Do([&](HWND sheet) {
                                  after = GetForegroundWindow();
                                  running = IsWindowVisible(sheet) && bDialogShown;
                              })
                              .Then(PressSheetButton(IDCANCEL))));
    DestroyWindow(other);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(before, other);
    EXPECT_EQ(after, sheetWindow);
    EXPECT_TRUE(running);
    EXPECT_TRUE(platform::testing::MenusShown().empty());
    EXPECT_EQ(platform::testing::DialogsShown().size(), 1u);
    EXPECT_TRUE(LastSheet().errors.empty());
}

// bDialogShown is false again whichever way the sheet closed.
TEST_F(OptionsSheetTest, EveryWayOfClosingEndsTheSheetAndClearsBDialogShown) {
    struct Case {
        const char* name;
        DialogScript script;
    };
    std::vector<Case> cases = {
        {"OK", DialogScript().Then(PressSheetButton(IDOK))},
        {"Cancel", DialogScript().Then(PressSheetButton(IDCANCEL))},
        {"Enter", DialogScript().PressEnter()},
        {"Escape", DialogScript().PressEscape()},
        {"close box", DialogScript().CloseBox()},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(OpenSheet(c.script));
        EXPECT_FALSE(bDialogShown);
        EXPECT_TRUE(LastSheet().result.has_value());
        EXPECT_TRUE(LastSheet().errors.empty());
        EXPECT_FALSE(IsWindow(LastSheet().dialog));
        EXPECT_FALSE(pWindowPage->bInitialized);
    }
}

// OK without the graph pages writes only what the window page holds, but the rows still end
// and begin once each, in that order, so the plug-in's calls stay paired.
TEST_F(OptionsSheetTest, OkWithoutTheGraphPagesWritesTheWindowPageAndRestartsTheRowsOnce) {
    ASSERT_TRUE(OpenSheet(
        DialogScript().SetText(IDC_WINDOW_WIDTH_EDIT, "150").Then(PressSheetButton(IDOK))));
    EXPECT_EQ(LastSheet().result, 1);
    EXPECT_EQ(PluginEvents(), (Events{"Good.pmp after", "Good.pmp before"}));
    EXPECT_EQ(MainWindowValue(Literals::Width), "150");
    EXPECT_EQ(MainWindowValue(Literals::Opacity), "200");
    RECT r;
    GetWindowRect(Window(), &r);
    EXPECT_EQ(r.right - r.left, 150);
    EXPECT_EQ(platform::testing::SheetPage(LastSheet().dialog, 1), nullptr);
}

// Apply writes and re-applies and leaves the sheet open; a later Cancel keeps what Apply wrote
// and the next opening shows it.
TEST_F(OptionsSheetTest, ApplyThenCancelKeepsWhatApplyWroteAndTheNextOpeningShowsIt) {
    bool applyEnabledAfterTyping = false, applyEnabledAfterApply = true;
    ASSERT_TRUE(OpenSheet(DialogScript()
                              .SetText(IDC_WINDOW_OPACITY_EDIT, "99")
                              .Do([&](HWND sheet) {
                                  applyEnabledAfterTyping =
                                      ReadDialogItem(sheet, ID_APPLY_NOW).enabled;
                              })
                              .Then(PressSheetButton(ID_APPLY_NOW))
                              .Do([&](HWND sheet) {
                                  applyEnabledAfterApply =
                                      ReadDialogItem(sheet, ID_APPLY_NOW).enabled;
                                  EXPECT_TRUE(IsWindowVisible(sheet));
                              })
                              .SetText(IDC_WINDOW_OPACITY_EDIT, "42")
                              .Then(PressSheetButton(IDCANCEL))));
    EXPECT_TRUE(applyEnabledAfterTyping);
    EXPECT_FALSE(applyEnabledAfterApply);
    EXPECT_EQ(LastSheet().result, 1); // something was applied
    EXPECT_EQ(MainWindowValue(Literals::Opacity), "99");
    EXPECT_EQ(PluginEvents(), (Events{"Good.pmp after", "Good.pmp before"}));

    int shown = 0;
    ASSERT_TRUE(OpenSheet(DialogScript().Do(
        [&](HWND sheet) { shown = ReadDialogItem(sheet, IDC_WINDOW_OPACITY).position; })));
    EXPECT_EQ(shown, 99);
}

// Only a change that the user makes enables Apply: the tracking call looks at the control's
// class and code, and nothing is sent while bFillingPage is set.
TEST_F(OptionsSheetTest, TrackControlChangeMarksOnlyTrackedClassesAndCodes) {
    struct Case {
        int id;
        const char* className;
        WORD code;
        WORD expected;
        bool filling;
        int result;
    };
    const Case cases[] = {
        {IDC_WINDOW_WIDTH_EDIT, "Edit", EN_CHANGE, EN_CHANGE, false, 1}, // typed into a buddy
        {IDC_WINDOW_ALWAYSONTOP, "Button", BN_CLICKED, BN_CLICKED, false, 1},
        {IDC_WINDOW_WIDTH, "Edit", EN_CHANGE, EN_CHANGE, false, 0},      // the up-down itself
        {IDC_WINDOW_WIDTH_EDIT, "edit", EN_CHANGE, EN_CHANGE, false, 0}, // case counts
        {IDC_WINDOW_WIDTH_EDIT, "Edit", EN_UPDATE, EN_CHANGE, false, 0},
        {IDC_WINDOW_ALWAYSONTOP, "Edit", BN_CLICKED, BN_CLICKED, false, 0},
        {IDC_WINDOW_WIDTH_EDIT, "Edit", EN_CHANGE, EN_CHANGE, true, 1}, // reported, not sent
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "control " << c.id << " as " << c.className);
        int result = -1;
        bool apply = true;
        ASSERT_TRUE(OpenSheet(DialogScript().Do([&](HWND sheet) {
            HWND page = platform::testing::SheetPage(sheet, 0);
            bFillingPage = c.filling;
            result = TrackControlChange(pWindowPage, GetDlgItem(page, c.id), c.className, c.code,
                                        c.expected);
            bFillingPage = false;
            apply = ReadDialogItem(sheet, ID_APPLY_NOW).enabled;
        })));
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(apply, c.result == 1 && !c.filling);
    }
}

// What the user does decides Apply: typing into an up-down's edit or moving it by its arrows
// (which rewrites the edit) marks the page changed, and so does a combo box's new selection;
// picking in a list box marks nothing, although its selection change has the combo box's code.
TEST_F(OptionsSheetTest, EditsAndCombosEnableApplyButListBoxSelectionsDoNot) {
    struct Case {
        const char* name;
        int page;
        std::function<void(DialogScript&)> act;
        bool apply;
    };
    const Case cases[] = {
        {"typed into the width's edit", 0,
         [](DialogScript& s) { s.SetText(IDC_WINDOW_WIDTH_EDIT, "150"); }, true},
        {"the width's up arrow", 0, [](DialogScript& s) { s.UpDown(IDC_WINDOW_WIDTH, true); },
         true},
        {"a background picked", 1, [](DialogScript& s) { s.Pick(IDC_GENERAL_BACKGROUND, 1); },
         true},
        {"an available item picked", 2,
         [](DialogScript& s) { s.Pick(IDC_DETAIL_SOURCES, "Good|1"); }, false},
        // Which graph the controls edit is a view, not a setting.
        {"graph 2 chosen for editing", 2, [](DialogScript& s) { s.Pick(IDC_DETAIL_GRAPH, 1); },
         false},
        {"a graph's position picked", 2, [](DialogScript& s) { s.Pick(IDC_DETAIL_POSITION, 1); },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool before = true, after = !c.apply;
        DialogScript script;
        script.Then(SelectSheetPage(c.page)).Do([&](HWND sheet) {
            before = ReadDialogItem(sheet, ID_APPLY_NOW).enabled;
        });
        c.act(script);
        script.Do([&](HWND sheet) { after = ReadDialogItem(sheet, ID_APPLY_NOW).enabled; });
        ASSERT_TRUE(OpenSheet(script));
        EXPECT_TRUE(LastSheet().errors.empty())
            << (LastSheet().errors.empty() ? "" : LastSheet().errors.front());
        EXPECT_FALSE(before);
        EXPECT_EQ(after, c.apply);
    }
}

// OK stores each setting the user changed on a graph page under its own key. The cases run one
// after another on one store, each on settings the others leave alone.
TEST_F(OptionsSheetTest, OkStoresEachSettingChangedOnTheGraphPages) {
    using Stored = std::vector<std::pair<const char*, DWORD>>;
    struct Case {
        const char* name;
        int page;
        std::function<void(DialogScript&)> act;
        const char* category; // a data item's key; null for GraphGeneral
        Stored stored;
    };
    auto colour = [](DialogScript& s, int button) {
        s.Do([](HWND) { AnswerNextColorDialog(10, 200, 30); }).Click(button);
    };
    const Case cases[] = {
        {"graph 2's position", 2,
         [](DialogScript& s) {
             s.Pick(IDC_DETAIL_GRAPH, 1).Click(IDC_DETAIL_DRAWN).Pick(IDC_DETAIL_POSITION, 2);
         },
         "Good.pmp|0",
         Stored{{Literals::DrawnGraphs, 3},
                {Literals::Graph2Position, 2},
                {Literals::Graph1Position, 0}}},
        {"the text colour", 2, [&](DialogScript& s) { colour(s, IDC_DETAIL_TEXTCOLOR); },
         "Good.pmp|0", Stored{{Literals::TextColor, RGB(10, 200, 30)}}},
        {"the scale and its colour", 1,
         [&](DialogScript& s) {
             s.Click(IDC_GENERAL_DRAWSCALE);
             colour(s, IDC_GENERAL_SCALECOLOR);
         },
         nullptr, Stored{{Literals::DrawScale, 1}, {Literals::ScaleColor, RGB(10, 200, 30)}}},
        {"the first background colour", 1, [&](DialogScript& s) { colour(s, IDC_GENERAL_COLOR1); },
         nullptr, Stored{{Literals::BackgroundColor1, RGB(10, 200, 30)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::testing::ClearDialogs();
        DialogScript script;
        script.Then(SelectSheetPage(c.page));
        c.act(script);
        script.Then(PressSheetButton(IDOK));
        ASSERT_TRUE(OpenSheet(script));
        for (const auto& d : platform::testing::DialogsShown())
            EXPECT_TRUE(d.errors.empty()) << d.caption << ": " << d.errors.front();
        CDriveProfileCategory* category =
            c.category ? pPluginsCategory->GetCategory(c.category)
                       : GetDriveProfile()->GetCategory(Literals::GraphGeneral);
        for (const auto& [key, value] : c.stored)
            EXPECT_EQ(category->GetDWordOrDefault(key, 0xDEADBEEF), value) << key;
    }
}

// A graph page not opened in this sheet writes nothing on OK, also when an earlier sheet had
// opened it: the stored background, picture, font and rows stay as they were.
TEST_F(OptionsSheetTest, OkKeepsTheStoredSettingsOfGraphPagesNotOpenedInThisSheet) {
    struct Case {
        const char* name;
        int earlier; // the page an earlier, cancelled sheet opened; -1 for none
    };
    const Case cases[] = {{"never opened", -1},
                          {"the Graphs page opened before", 1},
                          {"the Rows page opened before", 2}};
    CDriveProfileCategory* general = GetDriveProfile()->GetCategory(Literals::GraphGeneral);
    general->SetInteger(Literals::Background, 2);
    general->SetString(Literals::Image, "C:\\pictures\\sky.bmp");
    LOGFONTA font{};
    font.lfHeight = -19;
    font.lfWeight = FW_BOLD;
    lstrcpyA(font.lfFaceName, "Courier New");
    general->SetBinary(Literals::LOGFONTStructure, &font, sizeof font);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.earlier >= 0) {
            ASSERT_TRUE(OpenSheet(
                DialogScript().Then(SelectSheetPage(c.earlier)).Then(PressSheetButton(IDCANCEL))));
            EXPECT_FALSE(pGraphGeneralPage->bInitialized);
            EXPECT_FALSE(pGraphDetailPage->bInitialized);
        }
        ASSERT_TRUE(OpenSheet(
            DialogScript().SetText(IDC_WINDOW_WIDTH_EDIT, "150").Then(PressSheetButton(IDOK))));
        EXPECT_EQ(LastSheet().result, 1);
        EXPECT_EQ(general->GetInteger(Literals::Background), 2);
        EXPECT_STREQ(general->GetString(Literals::Image), "C:\\pictures\\sky.bmp");
        LOGFONTA stored{};
        general->GetBinary(Literals::LOGFONTStructure, &stored, sizeof stored);
        EXPECT_EQ(std::memcmp(&stored, &font, sizeof font), 0);
        EXPECT_EQ(pGraphDetailCategory->GetInteger(Literals::NumberOfGraphs), 1);
        EXPECT_STREQ(pGraphDetailCategory->GetString("Graph0"), "Good.pmp|0");
        EXPECT_EQ(lNumberOfGraphs, 1);
    }
}

// The width is stored before the display is rebuilt: a widened window is drawn across its
// whole width, its new part in the background colour like the rest.
TEST_F(OptionsSheetTest, AWidenedWindowIsDrawnAcrossItsWholeWidth) {
    ASSERT_TRUE(OpenSheet(
        DialogScript().SetText(IDC_WINDOW_WIDTH_EDIT, "260").Then(PressSheetButton(IDOK))));
    platform::testing::RunUntilIdle();
    auto picture = platform::testing::ReadWindowPixels(Window());
    ASSERT_TRUE(picture.has_value());
    ASSERT_EQ(picture->width, 260);
    // The background colour 0xFF8080 as the surface holds it (red in the high byte).
    constexpr uint32_t kBackground = 0x8080FF;
    int bare = 0, first = -1;
    for (int x = 180; x < 260; ++x) {
        bool background = false;
        for (int y = 0; y < picture->height; ++y)
            background |=
                (picture->pixels[size_t(y * picture->width + x)] & 0xFFFFFF) == kBackground;
        if (!background && bare++ == 0)
            first = x;
    }
    EXPECT_EQ(bare, 0) << "columns without background from " << first;
}

// A refill's notifications enable nothing: typing while bFillingPage is set leaves Apply off.
TEST_F(OptionsSheetTest, ARefillUnderBFillingPageDoesNotEnableApply) {
    bool during = true, after = false;
    ASSERT_TRUE(OpenSheet(
        DialogScript()
            .Do([](HWND) { bFillingPage = true; })
            .SetText(IDC_WINDOW_SNAP_EDIT, "7")
            .Do([&](HWND sheet) {
                during = ReadDialogItem(sheet, ID_APPLY_NOW).enabled;
                bFillingPage = false;
            })
            .SetText(IDC_WINDOW_SNAP_EDIT, "8")
            .Do([&](HWND sheet) { after = ReadDialogItem(sheet, ID_APPLY_NOW).enabled; })));
    EXPECT_FALSE(during);
    EXPECT_TRUE(after);
}

// The colour dialog of one page remembers the custom colours for every later one; a cancelled
// dialog changes nothing and marks nothing changed.
TEST_F(OptionsSheetTest, CustomColoursSurviveFromOneColourDialogToTheNext) {
    COLORREF colour = RGB(1, 2, 3);
    bool first = false, second = false, third = true;
    bool applyAfterCancel = true;
    platform::testing::AnswerNextDialog(cd::kColorDialogCaption, DialogScript()
                                                                     .SetText(cd::kRedEdit, "10")
                                                                     .SetText(cd::kGreenEdit, "20")
                                                                     .SetText(cd::kBlueEdit, "30")
                                                                     .Click(cd::kAddCustom)
                                                                     .Click(IDOK));
    platform::testing::AnswerNextDialog(
        cd::kColorDialogCaption, DialogScript().SetText(cd::kRedEdit, "200").Click(IDCANCEL));
    platform::testing::AnswerNextDialog(
        cd::kColorDialogCaption,
        DialogScript().Click(cd::kBasicSwatchFirst).Click(cd::kCustomSwatchFirst).Click(IDOK));
    ASSERT_TRUE(OpenSheet(DialogScript().Do([&](HWND sheet) {
        first = pWindowPage->ChooseItemColor(colour, IDC_WINDOW_ALWAYSONTOP);
        // Apply was enabled by the choice; it is applied so that the cancel can be seen.
        SendMessageA(sheet, PSM_UNCHANGED, WPARAM(platform::testing::SheetPage(sheet, 0)), 0);
        COLORREF before = colour;
        second = pWindowPage->ChooseItemColor(colour, IDC_WINDOW_ALWAYSONTOP);
        EXPECT_EQ(colour, before);
        applyAfterCancel = ReadDialogItem(sheet, ID_APPLY_NOW).enabled;
        colour = 0;
        third = pWindowPage->ChooseItemColor(colour, IDC_WINDOW_ALWAYSONTOP);
    })));
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_FALSE(applyAfterCancel);
    EXPECT_TRUE(third);
    EXPECT_EQ(colour, RGB(10, 20, 30)); // the custom colour, picked after a basic one
    EXPECT_EQ(rgbCustomColors[0], RGB(10, 20, 30));
    for (int i = 1; i < 16; ++i)
        EXPECT_EQ(rgbCustomColors[i], 0u);
    for (const auto& d : platform::testing::DialogsShown())
        EXPECT_TRUE(d.errors.empty()) << d.caption << ": " << d.errors.front();
}

// While the sheet runs, its loop still serves the main window: a row reported from a source's
// own thread is taken in and answered, and the window is painted.
TEST_F(OptionsSheetTest, ReportsAndPaintsOfTheMainWindowAreHandledWhileTheSheetRuns) {
    PMPDATA report{};
    report.dwMaxValue = 100;
    report.dwCurrentValue1 = 77;
    std::atomic<LRESULT> answer{-1};
    std::thread source;
    bool queued = false;
    size_t paints = 0;
    DWORD stored = 0;
    platform::testing::MessageSpy spy;
    ASSERT_TRUE(OpenSheet(DialogScript()
                              .Do([&](HWND) {
                                  spy.Clear();
                                  InvalidateRect(Window(), nullptr, FALSE);
                                  HWND window = Window();
                                  source = std::thread([&, window] {
                                      answer =
                                          SendMessageA(window, WM_APP_ROWDATA, 0, LPARAM(&report));
                                  });
                                  // The report waits in the queue for the sheet's loop.
                                  queued =
                                      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000,
                                                                QS_SENDMESSAGE) == WAIT_OBJECT_0;
                              })
                              .Do([&](HWND) {
                                  source.join();
                                  stored = GetGraph(0)->pmpIrregularData.dwCurrentValue1;
                                  paints = spy.Of(Window(), WM_PAINT).size();
                              })
                              .Then(PressSheetButton(IDCANCEL))));
    if (source.joinable())
        source.join();
    EXPECT_TRUE(queued);
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(stored, 77u);
    EXPECT_GE(paints, 1u);
    EXPECT_TRUE(LastSheet().errors.empty());
}

// Ctrl+Tab goes to the next page (made on first showing), Ctrl+Shift+Tab back; the tab strip
// does the same by a click.
TEST_F(OptionsSheetTest, CtrlTabAndTheTabsSwitchPages) {
    std::vector<int> pages;
    ASSERT_TRUE(OpenSheet(
        DialogScript()
            .Then(platform::testing::PressKeys({VK_CONTROL, VK_TAB}))
            .Do([&](HWND sheet) { pages.push_back(platform::testing::CurrentSheetPage(sheet)); })
            .Then(platform::testing::PressKeys({VK_CONTROL, VK_SHIFT, VK_TAB}))
            .Do([&](HWND sheet) { pages.push_back(platform::testing::CurrentSheetPage(sheet)); })
            .Then(SelectSheetPage(2))
            .Do([&](HWND sheet) {
                pages.push_back(platform::testing::CurrentSheetPage(sheet));
                EXPECT_TRUE(IsWindowVisible(platform::testing::SheetPage(sheet, 2)));
                EXPECT_FALSE(IsWindowVisible(platform::testing::SheetPage(sheet, 0)));
            })
            .Then(PressSheetButton(IDOK))));
    EXPECT_EQ(pages, (std::vector<int>{1, 0, 2}));
    EXPECT_TRUE(LastSheet().errors.empty());
}

} // namespace

namespace {

// A session that ends while the sheet is open runs the shutdown inside the sheet's loop; the
// sheet then closes without touching the pages, the rows or the store again.
TEST_F(OptionsSheetTest, ASessionEndingWhileTheSheetIsOpenLeavesNothingToApply) {
    ASSERT_TRUE(OpenSheet(DialogScript()
                              .SetText(IDC_WINDOW_WIDTH_EDIT, "123")
                              .Do([&](HWND) { SendMessageA(Window(), WM_ENDSESSION, TRUE, 0); })
                              .Then(PressSheetButton(IDOK))));
    EXPECT_TRUE(IsShutDown());
    EXPECT_EQ(pWindowPage, nullptr);
    EXPECT_FALSE(bDialogShown);
    std::string settings = ReadSettings();
    EXPECT_NE(settings.find("\tWidth=180\r\n"), std::string::npos) << settings;
    EXPECT_EQ(PluginEvents(), (Events{"Good.pmp after", "Good.pmp finalize", "Good.pmp detach"}));
}

} // namespace
