// PropertySheetA as the program relies on it: pages made when first shown, the notifications in
// the system's order, Apply enabled by PSM_CHANGED, OK closing only when every page agrees,
// Cancel, the page handles released, and the owner's queue served meanwhile.
#include <commctrl.h>

#include "comctl32/tab.h"
#include "testing/desktop.h"
#include "testing/sheet.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace {

using platform::testing::DialogScript;
using platform::testing::PressSheetButton;
using platform::testing::ReadDialogItem;
using platform::testing::SelectSheetPage;
using Trace = std::vector<std::string>;

constexpr int IDC_PAGE_EDIT = 10;
constexpr int IDC_PAGE_BUTTON = 11;
constexpr int kStrip = -1; // the tab strip, in the tables below

Trace& Log() {
    static Trace trace;
    return trace;
}

// What a page answers to a notification, by page number and code.
std::map<std::pair<int, UINT>, LRESULT>& Answers() {
    static std::map<std::pair<int, UINT>, LRESULT> answers;
    return answers;
}

const char* CodeName(UINT code) {
    switch (code) {
    case PSN_SETACTIVE:
        return "setactive";
    case PSN_KILLACTIVE:
        return "killactive";
    case PSN_APPLY:
        return "apply";
    case PSN_RESET:
        return "reset";
    case PSN_QUERYCANCEL:
        return "querycancel";
    }
    return "other";
}

template <int N> INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM, LPARAM lparam) {
    const std::string page = std::to_string(N) + " ";
    if (message == WM_INITDIALOG) {
        auto* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lparam);
        Log().push_back(page + "init " + std::to_string(psp ? psp->lParam : -1));
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        auto* n = reinterpret_cast<const PSHNOTIFY*>(lparam);
        std::string entry = page + CodeName(n->hdr.code);
        if ((n->hdr.code == PSN_APPLY || n->hdr.code == PSN_RESET) && n->lParam)
            entry += " closing";
        Log().push_back(entry);
        EXPECT_EQ(n->hdr.hwndFrom, GetParent(hwnd));
        auto it = Answers().find({N, n->hdr.code});
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, it == Answers().end() ? 0 : it->second);
        return TRUE;
    }
    return FALSE;
}

class PropertySheetTest : public ::testing::Test {
protected:
    PropertySheetTest() {
        Log().clear();
        Answers().clear();
    }

    HPROPSHEETPAGE Page(const char* name, DLGPROC proc, LPARAM param) {
        PROPSHEETPAGEA psp{};
        psp.dwSize = 88;
        psp.hInstance = GetModuleHandleA(nullptr);
        psp.pszTemplate = name;
        psp.pfnDlgProc = proc;
        psp.lParam = param;
        return CreatePropertySheetPageA(&psp);
    }

    // Runs a sheet of three test pages with this script; returns PropertySheetA's result.
    INT_PTR Run(DialogScript script, HWND owner = nullptr,
                std::array<const char*, 3> names = {"PAGE_ONE", "PAGE_TWO", "PAGE_THREE"}) {
        pages_[0] = Page(names[0], PageProc<0>, 100);
        pages_[1] = Page(names[1], PageProc<1>, 101);
        pages_[2] = Page(names[2], PageProc<2>, 102);
        PROPSHEETHEADERA psh{};
        psh.dwSize = 96;
        psh.dwFlags = PSH_NOCONTEXTHELP;
        psh.hwndParent = owner;
        psh.pszCaption = "Sheet";
        psh.nPages = 3;
        psh.phpage = pages_;
        platform::testing::AnswerNextDialog("Sheet", std::move(script));
        return PropertySheetA(&psh);
    }

    platform::testing::ShownDialog Shown() { return platform::testing::DialogsShown().back(); }

    platform::testing::DesktopScope desktop_;
    HPROPSHEETPAGE pages_[3] = {};
};

TEST_F(PropertySheetTest, PagesHearTheirNotificationsInTheSystemsOrder) {
    INT_PTR result = Run(DialogScript()
                             .Then(SelectSheetPage(1))
                             .Do([](HWND sheet) {
                                 SendMessageA(sheet, PSM_CHANGED,
                                              WPARAM(platform::testing::SheetPage(sheet, 1)), 0);
                             })
                             .Then(PressSheetButton(ID_APPLY_NOW))
                             .Then(PressSheetButton(IDOK)));
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(Shown().errors.empty());
    EXPECT_EQ(Log(), (Trace{"0 init 100", "0 setactive", "0 killactive", "1 init 101",
                            "1 setactive", "1 killactive", "0 apply", "1 apply", "1 setactive",
                            "1 killactive", "0 apply closing", "1 apply closing"}));
    // The sheet released the page handles it was given.
    for (HPROPSHEETPAGE page : pages_)
        EXPECT_FALSE(DestroyPropertySheetPage(page));
}

TEST_F(PropertySheetTest, ApplyIsEnabledByPsmChangedAndDisabledByApplyingOrPsmUnchanged) {
    std::vector<bool> enabled;
    auto read = [&](HWND sheet) { enabled.push_back(ReadDialogItem(sheet, ID_APPLY_NOW).enabled); };
    auto changed = [](UINT message) {
        return [message](HWND sheet) {
            SendMessageA(sheet, message, WPARAM(platform::testing::SheetPage(sheet, 0)), 0);
        };
    };
    Run(DialogScript()
            .Do(read)
            .Do(changed(PSM_CHANGED))
            .Do(read)
            .Do(changed(PSM_UNCHANGED))
            .Do(read)
            .SetText(IDC_PAGE_EDIT, "x") // typing alone changes nothing: the page must say so
            .Do(read)
            .Do(changed(PSM_CHANGED))
            .Then(PressSheetButton(ID_APPLY_NOW))
            .Do(read)
            .Then(PressSheetButton(ID_APPLY_NOW))); // refused: disabled
    EXPECT_EQ(enabled, (std::vector<bool>{false, true, false, false, false}));
    ASSERT_EQ(Shown().errors.size(), 1u);
    EXPECT_EQ(Shown().result, 1); // applied once, then closed by its close box
}

// A page that refuses to be left keeps its tab; a page that refuses the apply keeps the sheet
// open; a page that refuses the cancel keeps it open too.
TEST_F(PropertySheetTest, PagesThatRefuseKeepTheSheetWhereItIs) {
    struct Case {
        const char* name;
        int page;
        UINT code;
        LRESULT answer;
        DialogScript script;
        Trace expected;
        INT_PTR result;
        size_t errors = 0; // steps the refusal kept from being taken
    };
    std::vector<Case> cases;
    cases.push_back(
        {"leaving",
         0,
         PSN_KILLACTIVE,
         TRUE,
         DialogScript()
             .Then(SelectSheetPage(1))
             .Do([](HWND sheet) { EXPECT_EQ(platform::testing::CurrentSheetPage(sheet), 0); })
             .Then(PressSheetButton(IDCANCEL)),
         {"0 init 100", "0 setactive", "0 killactive", "0 querycancel", "0 reset"},
         0,
         1});
    cases.push_back({"applying",
                     0,
                     PSN_APPLY,
                     PSNRET_INVALID_NOCHANGEPAGE,
                     DialogScript()
                         .Then(PressSheetButton(IDOK))
                         .Do([](HWND sheet) { EXPECT_TRUE(IsWindowVisible(sheet)); })
                         .Then(PressSheetButton(IDCANCEL)),
                     {"0 init 100", "0 setactive", "0 killactive", "0 apply closing", "0 setactive",
                      "0 querycancel", "0 reset"},
                     0});
    cases.push_back(
        {"cancelling",
         0,
         PSN_QUERYCANCEL,
         TRUE,
         DialogScript()
             .Then(PressSheetButton(IDCANCEL))
             .Do([](HWND) { Answers().clear(); })
             .CloseBox(),
         {"0 init 100", "0 setactive", "0 querycancel", "0 querycancel", "0 reset closing"},
         0});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Log().clear();
        Answers().clear();
        Answers()[{c.page, c.code}] = c.answer;
        EXPECT_EQ(Run(c.script), c.result);
        EXPECT_EQ(Log(), c.expected);
        EXPECT_EQ(Shown().errors.size(), c.errors);
    }
}

// The sheet is modal to its owner: the owner is disabled meanwhile and its timers still run.
TEST_F(PropertySheetTest, TheOwnerIsDisabledWhileItsTimersRunOn) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_TIMER)
            Log().push_back("timer");
        return DefWindowProcA(h, m, w, l);
    };
    wc.lpszClassName = "SheetOwner";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    HWND owner = CreateWindowExA(0, "SheetOwner", "Owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    SetTimer(owner, 1, 100, nullptr);
    bool disabled = false;
    platform::testing::IdleScope idle(platform::testing::AdvanceTimersFor(250));
    Run(DialogScript().Do([&](HWND) { disabled = !IsWindowEnabled(owner); }), owner);
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(std::count(Log().begin(), Log().end(), "timer"), 2);
}

TEST_F(PropertySheetTest, BadHeadersAndPagesAreRefused) {
    EXPECT_EQ(PropertySheetA(nullptr), -1);
    PROPSHEETHEADERA psh{};
    psh.dwSize = 96;
    psh.nPages = 0;
    EXPECT_EQ(PropertySheetA(&psh), -1);
    HPROPSHEETPAGE missing = Page("NO_SUCH_PAGE", PageProc<0>, 0);
    ASSERT_NE(missing, nullptr);
    psh.nPages = 1;
    psh.phpage = &missing;
    EXPECT_EQ(PropertySheetA(&psh), -1);
    EXPECT_FALSE(DestroyPropertySheetPage(missing)); // released all the same
    PROPSHEETPAGEA tooSmall{};
    tooSmall.dwSize = 40;
    EXPECT_EQ(CreatePropertySheetPageA(&tooSmall), nullptr);
}

// Tab goes through the page's controls and on to the sheet's buttons; Enter presses OK.
TEST_F(PropertySheetTest, TabLeavesThePageForTheSheetsButtonsAndEnterIsOk) {
    std::vector<int> focus;
    auto read = [&](HWND) { focus.push_back(GetDlgCtrlID(GetFocus())); };
    INT_PTR result = Run(
        DialogScript().Do(read).PressKey(VK_TAB).Do(read).PressKey(VK_TAB).Do(read).PressEnter());
    EXPECT_EQ(focus, (std::vector<int>{1, IDC_PAGE_EDIT, IDOK}));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Log().back(), "0 apply closing");
}

// The tab strip is a stop of Tab between the sheet's buttons and the page; while it has the
// focus the arrows go from tab to tab, stopping at either end. Ctrl with Page Down or Page Up
// goes round the pages as Ctrl+Tab and Ctrl+Shift+Tab do.
TEST_F(PropertySheetTest, TheTabStripTakesTheFocusAndTheKeysChangePage) {
    struct Step {
        std::vector<int> keys; // held down in order
        int page;              // shown afterwards
        int focus;             // the focus control's identifier, or kStrip
    };
    const Step steps[] = {
        {{VK_TAB}, 0, IDC_PAGE_EDIT},
        {{VK_TAB}, 0, IDOK},
        {{VK_TAB}, 0, IDCANCEL},
        {{VK_TAB}, 0, kStrip}, // past Apply, which is disabled
        {{VK_TAB}, 0, 1},
        {{VK_SHIFT, VK_TAB}, 0, kStrip},
        {{VK_RIGHT}, 1, kStrip},
        {{VK_RIGHT}, 2, kStrip},
        {{VK_RIGHT}, 2, kStrip},
        {{VK_LEFT}, 1, kStrip},
        {{VK_CONTROL, VK_NEXT}, 2, kStrip},
        {{VK_CONTROL, VK_NEXT}, 0, kStrip},
        {{VK_CONTROL, VK_PRIOR}, 2, kStrip},
        {{VK_CONTROL, VK_PRIOR}, 1, kStrip},
        {{VK_CONTROL, VK_TAB}, 2, kStrip},
        {{VK_CONTROL, VK_SHIFT, VK_TAB}, 1, kStrip},
    };
    const auto focus_of = [](HWND sheet) {
        HWND focus = GetFocus();
        return focus == GetDlgItem(sheet, 0x3020) ? kStrip : GetDlgCtrlID(focus);
    };
    DialogScript script;
    for (const Step& step : steps) {
        script.Then([keys = step.keys](HWND) -> std::optional<std::string> {
            for (int vk : keys)
                platform::testing::KeyDown(vk);
            for (auto it = keys.rbegin(); it != keys.rend(); ++it)
                platform::testing::KeyUp(*it);
            return std::nullopt;
        });
        script.Do([step, focus_of](HWND sheet) {
            EXPECT_EQ(platform::testing::CurrentSheetPage(sheet), step.page)
                << "step to " << step.page << "/" << step.focus;
            EXPECT_EQ(focus_of(sheet), step.focus) << "step to " << step.page << "/" << step.focus;
        });
    }
    // A click on a tab gives the strip the focus.
    script.Do([](HWND sheet) {
        SetFocus(GetDlgItem(platform::testing::SheetPage(sheet, 1), IDC_PAGE_EDIT));
        HWND strip = GetDlgItem(sheet, 0x3020);
        RECT tab{};
        ASSERT_TRUE(SendMessageA(strip, platform::comctl32::kTabGetItemRect, 2, LPARAM(&tab)));
        POINT at{(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2};
        ClientToScreen(strip, &at);
        platform::testing::LeftClick(at);
    });
    script.Do([focus_of](HWND sheet) {
        EXPECT_EQ(platform::testing::CurrentSheetPage(sheet), 2);
        EXPECT_EQ(focus_of(sheet), kStrip);
    });
    script.PressEscape();
    EXPECT_EQ(Run(script), 0);
    EXPECT_TRUE(Shown().errors.empty());
}

// A push button of a page that has the focus takes the sheet's default frame from OK; the
// focus going to a control that is no push button gives it back.
TEST_F(PropertySheetTest, APagesFocusedPushButtonIsTheDefaultWhileItHasTheFocus) {
    const auto framed = [](HWND button) {
        return (GetWindowLongPtrA(button, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON;
    };
    INT_PTR result = Run(DialogScript()
                             .Then(SelectSheetPage(1))
                             .Do([&](HWND sheet) {
                                 HWND page = platform::testing::SheetPage(sheet, 1);
                                 HWND push = GetDlgItem(page, IDC_PAGE_BUTTON);
                                 SetFocus(push);
                                 EXPECT_TRUE(framed(push));
                                 EXPECT_FALSE(framed(GetDlgItem(sheet, IDOK)));
                                 SetFocus(GetDlgItem(page, IDC_PAGE_EDIT));
                                 EXPECT_FALSE(framed(push));
                                 EXPECT_TRUE(framed(GetDlgItem(sheet, IDOK)));
                                 SetFocus(push);
                             })
                             // Leaving the page leaves no second frame on it.
                             .Then(SelectSheetPage(0))
                             .Do([&](HWND sheet) {
                                 HWND page = platform::testing::SheetPage(sheet, 1);
                                 EXPECT_FALSE(framed(GetDlgItem(page, IDC_PAGE_BUTTON)));
                                 EXPECT_TRUE(framed(GetDlgItem(sheet, IDOK)));
                             })
                             .Then(PressSheetButton(IDCANCEL)));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(Shown().errors.empty());
}

// The sheet is big enough for its largest page, and every page fills the same area.
TEST_F(PropertySheetTest, EveryPageFitsTheSheet) {
    RECT client{}, first{}, second{};
    Run(DialogScript().Then(SelectSheetPage(1)).Do([&](HWND sheet) {
        GetClientRect(sheet, &client);
        GetWindowRect(platform::testing::SheetPage(sheet, 0), &first);
        GetWindowRect(platform::testing::SheetPage(sheet, 1), &second);
        RECT units{0, 0, 200, 100};
        MapDialogRect(sheet, &units);
        EXPECT_GE(second.right - second.left, units.right);
        EXPECT_GE(second.bottom - second.top, units.bottom);
        POINT origin{0, 0};
        ClientToScreen(sheet, &origin);
        EXPECT_LE(second.right - origin.x, client.right);
        EXPECT_LE(second.bottom - origin.y, client.bottom);
    }));
    EXPECT_EQ(first.left, second.left);
    EXPECT_EQ(first.top, second.top);
    EXPECT_EQ(first.right, second.right);
    EXPECT_EQ(first.bottom, second.bottom);
}

// The sheet is laid out in its own font, the system's dialog font, whatever font the pages name:
// a page larger in its own font's units than in the sheet's is cut at the page area, as the
// system cuts it.
TEST_F(PropertySheetTest, PagesAreSizedInTheSheetsFontAndCutWhenTheirsIsLarger) {
    RECT units{0, 0, 4, 8}, area{0, 0, 200, 100}, page{}, edit{};
    Run(DialogScript().Do([&](HWND sheet) {
        MapDialogRect(sheet, &units);
        MapDialogRect(sheet, &area);
        HWND window = platform::testing::SheetPage(sheet, 0);
        GetClientRect(window, &page);
        GetWindowRect(GetDlgItem(window, IDC_PAGE_EDIT), &edit);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        edit = RECT{edit.left - origin.x, edit.top - origin.y, edit.right - origin.x,
                    edit.bottom - origin.y};
    }),
        nullptr, {"PAGE_LARGE_FONT", "PAGE_ONE", "PAGE_THREE"});
    // 8-point MS Shell Dlg: Liberation Sans at 11 pixels.
    EXPECT_EQ(units.right, 6);
    EXPECT_EQ(units.bottom, 12);
    EXPECT_EQ(page.right, area.right);
    EXPECT_EQ(page.bottom, area.bottom);
    EXPECT_GT(edit.right, page.right);
    EXPECT_GT(edit.bottom, page.bottom);
}

// Grown to its pages, the sheet of a window in the bottom-right corner of the screen is kept on
// the work area, as a dialog of its size would be.
TEST_F(PropertySheetTest, TheSheetLiesWithinTheWorkArea) {
    platform::testing::MonitorScope monitors(
        {platform::user32::MonitorLayout{{0, 0, 1280, 800}, {0, 0, 1280, 760}}});
    HWND owner = CreateWindowExA(0, "#32770", "Owner", WS_POPUP | WS_VISIBLE, 1200, 740, 60, 40,
                                 nullptr, nullptr, nullptr, nullptr);
    RECT r{};
    Run(DialogScript().Do([&](HWND sheet) { GetWindowRect(sheet, &r); }), owner);
    EXPECT_GT(r.right - r.left, 300);
    EXPECT_GE(r.left, 0);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.right, 1280);
    EXPECT_LE(r.bottom, 760);
    DestroyWindow(owner);
}

} // namespace
