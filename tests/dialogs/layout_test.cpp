// Every control of the resource library's dialogs lies inside its dialog, and every control of
// every page of the options sheet inside its page and the sheet, laid out in the units of the
// dialogs' fonts as the system lays them out.
//
// With PELMORA_PLATFORM_SNAPSHOT set, the layouts seen are also written there, as
// "options_sheet_layout.txt" and "dialogs_layout.txt" in the form the Windows build's probe
// prints them (the Wine check compares the two), with a picture of the sheet for each page and
// of each dialog.
#include "sheet_fixture.h"

#include "present/headless.h"
#include "shell/program.h"
#include "user32/resources.h"
#include "user32/window_manager.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace platform::testing;

std::vector<HWND> ChildrenOf(HWND hwnd) {
    std::lock_guard lock(platform::user32::DesktopLock());
    auto w = platform::user32::FindWindowRecord(hwnd);
    return w ? w->children : std::vector<HWND>{};
}

// A window's rectangle in the client coordinates of `to`.
RECT RectIn(HWND window, HWND to) {
    RECT r{};
    GetWindowRect(window, &r);
    POINT origin{0, 0};
    ClientToScreen(to, &origin);
    return RECT{r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y};
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Text(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
           " " + std::to_string(r.bottom);
}

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// Fails for each child of `dialog` made visible that reaches outside `dialog`'s client area or
// outside `area` (in the client coordinates of `frame`); appends each child's line of the
// layout report, its rectangle in `dialog`'s client coordinates.
void ExpectControlsInside(HWND dialog, HWND frame, const RECT& area, const std::string& what,
                          const std::string& line_start, std::ostream& report) {
    RECT client{};
    GetClientRect(dialog, &client);
    for (HWND control : ChildrenOf(dialog)) {
        // Its own style: a dialog not shown yet shows none of its controls.
        if (!(GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE))
            continue;
        const RECT own = RectIn(control, dialog);
        const RECT outer = RectIn(control, frame);
        const std::string name = ClassOf(control) + " " + std::to_string(GetDlgCtrlID(control));
        EXPECT_TRUE(Inside(own, client) && Inside(outer, area))
            << what << ": the " << name << " at " << Text(own) << " lies outside " << Text(client)
            << " or " << Text(outer) << " outside " << Text(area);
        report << line_start << GetDlgCtrlID(control) << " " << ClassOf(control) << " " << Text(own)
               << "\n";
    }
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

class LayoutTest : public SheetTest {
protected:
    void SetUp() override {
        Start(); // a first start: the rows and settings the Windows build starts with
        RunUntilIdle();
    }
};

TEST_F(LayoutTest, EveryPageOfTheOptionsSheetLiesWithinThePageAndTheSheet) {
    std::ostringstream report;
    DialogScript script;
    script.Do([&](HWND sheet) {
        RECT client{}, units{0, 0, 4, 8};
        GetClientRect(sheet, &client);
        MapDialogRect(sheet, &units);
        report << "sheet " << client.right << " " << client.bottom << " units " << units.right
               << " " << units.bottom << "\n";
    });
    for (int index = 0; index < 3; ++index) {
        script.Then(SelectSheetPage(index)).Do([&report, index](HWND sheet) {
            HWND page = SheetPage(sheet, index);
            ASSERT_TRUE(page && IsWindowVisible(page)) << "page " << index;
            RECT client{};
            GetClientRect(sheet, &client);
            const RECT rect = RectIn(page, sheet);
            EXPECT_TRUE(Inside(rect, client)) << "page " << index << " at " << Text(rect);
            report << "page " << index << " " << Text(rect) << "\n";
            ExpectControlsInside(page, sheet, client, "page " + std::to_string(index),
                                 "control " + std::to_string(index) + " ", report);
            WritePictureIfAsked(sheet, "options_sheet_page_" + std::to_string(index));
        });
    }
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
    EXPECT_TRUE(LastSheet().errors.empty());
    if (auto folder = platform::present::SnapshotFolder())
        std::ofstream(*folder + "/options_sheet_layout.txt") << report.str();
}

// The dialogs of the resource library, each from its template: the pages as children of a
// dialog of their own, the rest as the program opens them, over the main window.
TEST_F(LayoutTest, EveryDialogTemplateHoldsItsControls) {
    const PelmoraRcTable* table = platform::user32::FindResourceTable(GetResourceLibrary());
    ASSERT_NE(table, nullptr);
    ASSERT_GT(table->dialog_count, 0u);
    HWND parent = CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                  nullptr, nullptr);
    std::ostringstream report;
    for (uint32_t i = 0; i < table->dialog_count; ++i) {
        const PelmoraRcDialog& d = table->dialogs[i];
        const std::string name = d.name ? d.name : "#" + std::to_string(d.id);
        const bool page = (d.style & WS_CHILD) != 0;
        HWND dialog =
            CreateDialogParamA(GetResourceLibrary(), d.name ? d.name : MAKEINTRESOURCEA(d.id),
                               page ? parent : Window(), QuietDialogProc, 0);
        ASSERT_NE(dialog, nullptr) << name;
        RECT client{}, units{0, 0, 4, 8};
        GetClientRect(dialog, &client);
        MapDialogRect(dialog, &units);
        report << "dialog " << name << " " << Text(client) << " units " << units.right << " "
               << units.bottom << "\n";
        ExpectControlsInside(dialog, dialog, client, name, "control " + name + " ", report);
        if (!page) {
            ShowWindow(dialog, SW_SHOWNA);
            WritePictureIfAsked(dialog, name);
        }
        DestroyWindow(dialog);
    }
    DestroyWindow(parent);
    if (auto folder = platform::present::SnapshotFolder())
        std::ofstream(*folder + "/dialogs_layout.txt") << report.str();
}

} // namespace
