// The dialog manager: templates, the modal loop, the default dialog conduct and the dialog
// item calls.
#include "dialog_test.h"

#include <commctrl.h>

#include "host/codepage.h"
#include "testing/desktop.h"

#include <climits>
#include <cstring>
#include <utility>

namespace user32_test {
namespace {

using platform::testing::AnswerNextDialog;
using platform::testing::DialogScript;
using platform::testing::DialogsShown;
using platform::testing::ReadDialogItem;

TEST_F(DialogTest, InitDialogGetsTheParameterAndEndDialogsResultComesBack) {
    LPARAM seen = 0;
    HWND focus_at_init = nullptr;
    CurrentDialogHandler() = [&](HWND hwnd, UINT message, WPARAM wparam,
                                 LPARAM lparam) -> std::optional<INT_PTR> {
        if (message == WM_INITDIALOG) {
            seen = lparam;
            focus_at_init = HWND(wparam);
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
            EndDialog(hwnd, 42);
            return TRUE;
        }
        return std::nullopt;
    };
    AnswerNextDialog("basic", DialogScript().Click(IDOK));
    EXPECT_EQ(Run("BASIC", 0x1234), 42);
    EXPECT_EQ(seen, 0x1234);
    auto shown = DialogsShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].template_name, "BASIC");
    EXPECT_EQ(shown[0].caption, "Basic dialog");
    EXPECT_EQ(shown[0].owner, owner_);
    EXPECT_EQ(shown[0].param, 0x1234);
    EXPECT_TRUE(shown[0].modal);
    EXPECT_TRUE(shown[0].scripted);
    EXPECT_EQ(shown[0].result, 42);
    EXPECT_TRUE(shown[0].errors.empty());
    // The first control that takes the tab key is offered the focus, and the dialog is gone.
    EXPECT_NE(focus_at_init, nullptr);
    EXPECT_FALSE(IsWindow(shown[0].dialog));
}

TEST_F(DialogTest, TheUsersWaysOutSendTheButtonsCommand) {
    struct Case {
        const char* name;
        const char* dialog;
        std::function<void(DialogScript&)> script;
        INT_PTR result;
    };
    const Case cases[] = {
        {"Enter presses the default button", "BASIC", [](DialogScript& s) { s.PressEnter(); },
         IDOK},
        {"Enter presses a default other than OK", "DEFAULT_APPLY",
         [](DialogScript& s) { s.PressEnter(); }, IDC_APPLY},
        {"Enter without a default button presses OK", "NO_DEFAULT",
         [](DialogScript& s) { s.PressEnter(); }, IDOK},
        {"Enter on a focused push button presses it", "BASIC",
         [](DialogScript& s) {
             s.Do([](HWND dialog) { SetFocus(GetDlgItem(dialog, IDCANCEL)); }).PressEnter();
         },
         IDCANCEL},
        {"Escape is Cancel", "BASIC", [](DialogScript& s) { s.PressEscape(); }, IDCANCEL},
        {"the close box is Cancel", "BASIC", [](DialogScript& s) { s.CloseBox(); }, IDCANCEL},
        {"typing into the edit first", "BASIC",
         [](DialogScript& s) { s.SetText(IDC_EDIT, "abc").PressEnter(); }, IDOK},
        {"numbered template", MAKEINTRESOURCEA(IDD_NUMBERED),
         [](DialogScript& s) { s.PressEnter(); }, IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Commands().clear();
        platform::testing::ClearDialogs();
        DialogScript script;
        c.script(script);
        AnswerNextDialog("", std::move(script));
        EXPECT_EQ(Run(c.dialog), c.result);
        // The command is that of a click on the button: notification 0, the button's window.
        ASSERT_FALSE(Clicks().empty());
        const Command last = Clicks().back();
        EXPECT_EQ(last.id, c.result);
        EXPECT_EQ(last.code, BN_CLICKED);
        EXPECT_NE(last.control, nullptr);
        ASSERT_EQ(DialogsShown().size(), 1u);
        EXPECT_TRUE(DialogsShown()[0].errors.empty());
    }
}

TEST_F(DialogTest, TheOwnerIsDisabledWhileTheDialogRuns) {
    bool enabled_during = true;
    bool enabled_after_end = false;
    CurrentDialogHandler() = [&](HWND hwnd, UINT message, WPARAM wparam,
                                 LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
            EndDialog(hwnd, 1);
            enabled_after_end = IsWindowEnabled(owner_) != FALSE;
            return TRUE;
        }
        return std::nullopt;
    };
    AnswerNextDialog(
        "BASIC",
        DialogScript().Do([&](HWND) { enabled_during = IsWindowEnabled(owner_); }).Click(IDOK));
    // A child of the owner given as the owner: its top-level window is the one disabled.
    HWND child = CreateWindowExA(0, "TestWindow", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, owner_,
                                 nullptr, nullptr, nullptr);
    EXPECT_EQ(DialogBoxParamA(nullptr, "BASIC", child, TestDialogProc, 0), 1);
    EXPECT_FALSE(enabled_during);
    EXPECT_TRUE(enabled_after_end) << "EndDialog gives the owner back at once";
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_EQ(DialogsShown().at(0).owner, owner_);

    // An owner that was disabled before stays disabled.
    EnableWindow(owner_, FALSE);
    AnswerNextDialog("BASIC", DialogScript().Click(IDOK));
    EXPECT_EQ(Run("BASIC"), 1);
    EXPECT_FALSE(IsWindowEnabled(owner_));
}

// The program may bring its disabled owner window forward while the dialog runs (as it does
// when it applies its settings): the dialog keeps the activation and its focus, and the keys
// still reach it.
TEST_F(DialogTest, ADisabledOwnerBroughtForwardLeavesTheDialogActive) {
    AnswerNextDialog(
        "BASIC", DialogScript()
                     .Do([this](HWND dialog) {
                         EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_EDIT));
                         SetForegroundWindow(owner_);
                         SetWindowPos(owner_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
                         EXPECT_EQ(GetForegroundWindow(), dialog);
                         EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_EDIT));
                     })
                     .PressKey(VK_TAB)
                     .Do([](HWND dialog) { EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK)); })
                     .PressEscape());
    EXPECT_EQ(Run("BASIC"), IDCANCEL);
}

TEST_F(DialogTest, OtherWindowsKeepTheirTimersPaintAndMessagesWhileTheDialogRuns) {
    int timers = 0, posted = 0, painted = 0;
    CurrentHandler() = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (hwnd != owner_)
            return std::nullopt;
        if (message == WM_TIMER)
            ++timers;
        if (message == WM_APP)
            ++posted;
        if (message == WM_PAINT) {
            ++painted;
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        return std::nullopt;
    };
    ASSERT_NE(SetTimer(owner_, 1, 100, nullptr), 0u);
    platform::testing::RunUntilIdle();
    painted = 0;
    AnswerNextDialog("BASIC", DialogScript().Do([&](HWND) {
        PostMessageA(owner_, WM_APP, 0, 0);
        InvalidateRect(owner_, nullptr, FALSE);
    }));
    // Nothing answers the dialog after its script: the clock runs on for a second, then the
    // user closes it.
    platform::testing::IdleScope idle(platform::testing::AdvanceTimersFor(1000));
    EXPECT_EQ(Run("BASIC"), IDCANCEL);
    EXPECT_EQ(timers, 10);
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(painted, 1);
}

TEST_F(DialogTest, ADialogThatCannotBeClosedFailsWhenNothingIsLeftToDo) {
    // Its OK and Cancel are disabled: Enter, Escape and the close box do nothing.
    AnswerNextDialog("NO_CANCEL", DialogScript().PressEnter().PressEscape().CloseBox());
    EXPECT_EQ(Run("NO_CANCEL"), -1);
    EXPECT_TRUE(Clicks().empty());
    EXPECT_TRUE(IsWindowEnabled(owner_));
    auto shown = DialogsShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].result, -1);
    EXPECT_FALSE(IsWindow(shown[0].dialog));
}

TEST_F(DialogTest, TemplatesThatCannotBeMadeFail) {
    SetLastError(0);
    EXPECT_EQ(Run("NO_SUCH_TEMPLATE"), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(Run("MISSING_CLASS"), -1);
    EXPECT_EQ(FindWindowA("#32770", nullptr), nullptr) << "the half-made dialog is destroyed";
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_TRUE(DialogsShown().empty());
}

TEST_F(DialogTest, AProcedureThatReturnsFalseGetsTheDefaultHandling) {
    // WM_CLOSE left to the default becomes IDCANCEL; handled, it does nothing more.
    bool handle_close = false;
    int closes = 0;
    CurrentDialogHandler() = [&](HWND hwnd, UINT message, WPARAM,
                                 LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_CLOSE) {
            ++closes;
            if (handle_close) {
                EndDialog(hwnd, 7);
                return TRUE;
            }
        }
        return std::nullopt;
    };
    AnswerNextDialog("BASIC", DialogScript().CloseBox());
    EXPECT_EQ(Run("BASIC"), IDCANCEL);
    handle_close = true;
    Commands().clear();
    AnswerNextDialog("BASIC", DialogScript().CloseBox());
    EXPECT_EQ(Run("BASIC"), 7);
    EXPECT_EQ(closes, 2);
    EXPECT_TRUE(Clicks().empty());
}

INT_PTR CALLBACK OtherProcedure(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_APP + 1) {
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 99);
        return TRUE;
    }
    return FALSE;
}

TEST_F(DialogTest, MessageResultsAndTheProcedureLiveInTheWindowLongs) {
    CurrentDialogHandler() = [&](HWND hwnd, UINT message, WPARAM,
                                 LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_APP) {
            SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 1234);
            return TRUE;
        }
        return std::nullopt;
    };
    AnswerNextDialog(
        "BASIC",
        DialogScript()
            .Do([](HWND dialog) {
                EXPECT_EQ(SendMessageA(dialog, WM_APP, 0, 0), 1234);
                EXPECT_EQ(GetWindowLongPtrA(dialog, DWLP_DLGPROC),
                          reinterpret_cast<LONG_PTR>(TestDialogProc));
                EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
                // The handled message's own result is not passed on: the default one (0) is.
                EXPECT_EQ(SendMessageA(dialog, WM_APP + 1, 0, 0), 0);
                SetWindowLongPtrA(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(OtherProcedure));
                EXPECT_EQ(SendMessageA(dialog, WM_APP + 1, 0, 0), 99);
                SetWindowLongPtrA(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(TestDialogProc));
                EXPECT_EQ(GetWindowLongPtrA(dialog, DWLP_USER), 0);
            })
            .Click(IDOK));
    EXPECT_EQ(Run("BASIC"), IDOK);
}

TEST_F(DialogTest, ControlsAreMadeFromTheTemplateInPixelsOfItsFont) {
    AnswerNextDialog("CONTROLS",
                     DialogScript()
                         .Do([&](HWND dialog) {
                             struct Expect {
                                 int id;
                                 const char* cls;
                             };
                             for (Expect e : {Expect{IDC_LABEL, "Static"},
                                              {IDC_CHECK, "Button"},
                                              {IDC_NUMBER, "Edit"},
                                              {IDC_SPIN, "msctls_updown32"},
                                              {IDC_COMBO, "ComboBox"},
                                              {IDC_LIST, "ListBox"},
                                              {IDC_PICTURE, "Static"},
                                              {IDOK, "Button"}}) {
                                 SCOPED_TRACE(e.id);
                                 HWND control = GetDlgItem(dialog, e.id);
                                 ASSERT_NE(control, nullptr);
                                 EXPECT_EQ(GetDlgCtrlID(control), e.id);
                                 EXPECT_EQ(GetParent(control), dialog);
                                 char name[32];
                                 GetClassNameA(control, name, sizeof name);
                                 EXPECT_STREQ(name, e.cls);
                                 // The up-down control has no text and takes no font.
                                 if (e.id != IDC_SPIN) {
                                     EXPECT_NE(SendMessageA(control, WM_GETFONT, 0, 0), 0);
                                 }
                             }
                             EXPECT_EQ(GetDlgItem(dialog, 999), nullptr);
                             // 8-point MS Shell Dlg is Liberation Sans at 11 pixels, whose
                             // letters average 6 pixels in a cell of 12: OK at (150, 180)
                             // dialog units, 50 x 14.
                             RECT r;
                             GetWindowRect(GetDlgItem(dialog, IDOK), &r);
                             POINT origin{0, 0};
                             ClientToScreen(dialog, &origin);
                             EXPECT_EQ(r.left - origin.x, 225);
                             EXPECT_EQ(r.top - origin.y, 270);
                             EXPECT_EQ(r.right - r.left, 75);
                             EXPECT_EQ(r.bottom - r.top, 21);
                             RECT mapped{4, 8, 8, 16};
                             ASSERT_TRUE(MapDialogRect(dialog, &mapped));
                             EXPECT_EQ(mapped.left, 6);
                             EXPECT_EQ(mapped.top, 12);
                             GetClientRect(dialog, &r);
                             EXPECT_EQ(r.right, 390);
                             EXPECT_EQ(r.bottom, 300);
                             // The dialog's position counts from the owner's client area.
                             GetWindowRect(dialog, &r);
                             POINT owner_origin{0, 0};
                             ClientToScreen(owner_, &owner_origin);
                             EXPECT_EQ(r.left, owner_origin.x);
                             // The icon control shows the template's icon; the focus is on the
                             // first stop.
                             EXPECT_NE(SendDlgItemMessageA(dialog, IDC_PICTURE, STM_GETICON, 0, 0),
                                       0);
                             EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_CHECK));
                             EXPECT_EQ(GetForegroundWindow(), dialog);
                         })
                         .Click(IDOK));
    EXPECT_EQ(Run("CONTROLS"), IDOK);
    EXPECT_EQ(GetForegroundWindow(), owner_) << "the owner is active again";
}

// The font made from the template is the dialog's and goes with it; one the program gives it
// with WM_SETFONT stays the program's.
TEST_F(DialogTest, AFontTheProgramSetsStaysTheProgramsWhenTheDialogEnds) {
    LOGFONTA lf{};
    lf.lfHeight = -16;
    std::strcpy(lf.lfFaceName, "Courier New");
    HFONT mine = CreateFontIndirectA(&lf);
    ASSERT_NE(mine, nullptr);
    HFONT own = nullptr;
    AnswerNextDialog("CONTROLS", DialogScript()
                                     .Do([&](HWND dialog) {
                                         own = HFONT(SendMessageA(dialog, WM_GETFONT, 0, 0));
                                         SendMessageA(dialog, WM_SETFONT, WPARAM(mine), FALSE);
                                         EXPECT_EQ(HFONT(SendMessageA(dialog, WM_GETFONT, 0, 0)),
                                                   mine);
                                     })
                                     .Click(IDOK));
    EXPECT_EQ(Run("CONTROLS"), IDOK);
    ASSERT_NE(own, nullptr);
    LOGFONTA seen{};
    // The dialog's own font went with it; the program's is still there to use and delete.
    EXPECT_EQ(GetObjectA(own, sizeof seen, &seen), 0);
    EXPECT_EQ(GetObjectA(mine, sizeof seen, &seen), int(sizeof seen));
    EXPECT_TRUE(DeleteObject(mine));
}

// A dialog's base units come from its font as the system measures them: the average width of
// the letters A to Z and a to z, rounded to the nearest pixel, and the font's cell height. A
// template without a font is laid out in the system font.
TEST_F(DialogTest, BaseUnitsComeFromTheDialogsFont) {
    struct Case {
        const char* dialog;
        SIZE units;
    };
    // MS Shell Dlg is Liberation Sans here and Courier New Liberation Mono. At 10 points the
    // letters of Liberation Sans average 7.6 pixels: rounded, not cut, to 8.
    const Case cases[] = {
        {"UNITS_SHELL_8", {6, 12}},
        {"UNITS_SHELL_10", {8, 15}},
        {"UNITS_COURIER_12", {10, 18}},
        {"UNITS_SYSTEM", {9, 16}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dialog);
        HWND dialog =
            CreateDialogParamA(GetModuleHandleA(nullptr), c.dialog, owner_, TestDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        RECT units{0, 0, 4, 8};
        ASSERT_TRUE(MapDialogRect(dialog, &units));
        EXPECT_EQ(units.right, c.units.cx);
        EXPECT_EQ(units.bottom, c.units.cy);
        // The button at (4, 8), 40 x 16 dialog units, and the client area of 100 x 40.
        RECT button;
        GetWindowRect(GetDlgItem(dialog, IDOK), &button);
        POINT origin{0, 0};
        ClientToScreen(dialog, &origin);
        EXPECT_EQ(button.left - origin.x, c.units.cx);
        EXPECT_EQ(button.top - origin.y, c.units.cy);
        EXPECT_EQ(button.right - button.left, 10 * c.units.cx);
        EXPECT_EQ(button.bottom - button.top, 2 * c.units.cy);
        RECT client;
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, 25 * c.units.cx);
        EXPECT_EQ(client.bottom, 5 * c.units.cy);
        DestroyWindow(dialog);
    }
}

// A new dialog is moved wholly inside the work area of the monitor nearest to it: the dialog of
// a window in the bottom-right corner of the screen opens above and to the left of it, and one
// larger than the work area shows its top-left corner.
TEST_F(DialogTest, ANewDialogLiesWithinTheWorkAreaOfItsMonitor) {
    // A 1280 x 800 screen with a task bar 40 pixels high, and a second monitor to its right.
    platform::testing::MonitorScope monitors(
        {platform::user32::MonitorLayout{{0, 0, 1280, 800}, {0, 0, 1280, 760}},
         platform::user32::MonitorLayout{{1280, 0, 2304, 768}, {1280, 0, 2304, 768}}});
    struct Case {
        const char* name;
        const char* dialog;
        POINT owner;
        // The edges expected of the dialog's window; INT_MIN for an edge that follows its size.
        LONG left, top, right, bottom;
    };
    constexpr LONG kAny = INT_MIN;
    // BASIC is at (10, 20) dialog units from its owner's client area: 15 x 30 pixels.
    const Case cases[] = {
        {"room enough", "BASIC", {100, 100}, 115, 130, kAny, kAny},
        {"bottom-right corner", "BASIC", {1200, 740}, kAny, kAny, 1280, 760},
        {"second monitor's corner", "BASIC", {2250, 740}, kAny, kAny, 2304, 768},
        {"above and left of every monitor", "BASIC", {-600, -400}, 0, 0, kAny, kAny},
        {"larger than the work area", "LARGE", {1500, 200}, 1280, 0, kAny, kAny},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND owner = Popup(c.owner.x, c.owner.y, 60, 40);
        HWND dialog =
            CreateDialogParamA(GetModuleHandleA(nullptr), c.dialog, owner, TestDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        RECT r;
        GetWindowRect(dialog, &r);
        for (auto [seen, expected] :
             {std::pair{r.left, c.left}, {r.top, c.top}, {r.right, c.right}, {r.bottom, c.bottom}})
            if (expected != kAny) {
                EXPECT_EQ(seen, expected);
            }
        DestroyWindow(dialog);
        DestroyWindow(owner);
    }
}

TEST_F(DialogTest, DialogItemTextIsCopiedWithinTheBuffer) {
    platform::host::SetAnsiCodePage(932);
    // "日本語abc" in code page 932: three double-byte characters and three letters.
    const std::string text = "\x93\xfa\x96\x7b\x8c\xea"
                             "abc";
    struct Case {
        int size;
        UINT result;
        const char* copied;
    };
    const Case cases[] = {
        {64, 9,
         "\x93\xfa\x96\x7b\x8c\xea"
         "abc"},
        {10, 9,
         "\x93\xfa\x96\x7b\x8c\xea"
         "abc"},
        {9, 8,
         "\x93\xfa\x96\x7b\x8c\xea"
         "ab"},
        {6, 4, "\x93\xfa\x96\x7b"},
        {5, 4, "\x93\xfa\x96\x7b"},
        {2, 0, ""},
        {1, 0, ""},
    };
    AnswerNextDialog(
        "BASIC", DialogScript()
                     .Do([&](HWND dialog) {
                         ASSERT_TRUE(SetDlgItemTextA(dialog, IDC_EDIT, text.c_str()));
                         for (const Case& c : cases) {
                             SCOPED_TRACE(c.size);
                             char buffer[80];
                             std::memset(buffer, 'X', sizeof buffer);
                             EXPECT_EQ(GetDlgItemTextA(dialog, IDC_EDIT, buffer, c.size), c.result);
                             EXPECT_STREQ(buffer, c.copied);
                             EXPECT_EQ(buffer[c.size], 'X') << "written past the end";
                         }
                         char untouched[4] = "abc";
                         EXPECT_EQ(GetDlgItemTextA(dialog, IDC_EDIT, untouched, 0), 0u);
                         EXPECT_STREQ(untouched, "abc");
                         char none[4] = "abc";
                         EXPECT_EQ(GetDlgItemTextA(dialog, 999, none, 4), 0u);
                         EXPECT_STREQ(none, "");
                     })
                     .Click(IDOK));
    EXPECT_EQ(Run("BASIC"), IDOK);
    platform::host::SetAnsiCodePage(0);
}

TEST_F(DialogTest, DialogItemNumbers) {
    struct Case {
        const char* text;
        BOOL is_signed;
        UINT value;
        BOOL translated;
    };
    const Case cases[] = {
        {"123", FALSE, 123, TRUE},
        {"  42  ", FALSE, 42, TRUE},
        {"-5", TRUE, UINT(-5), TRUE},
        {"-5", FALSE, 0, FALSE},
        {"", FALSE, 0, FALSE},
        {"12a", FALSE, 0, FALSE},
        {"1 2", FALSE, 0, FALSE},
        {"-", TRUE, 0, FALSE},
        {"4294967295", FALSE, 4294967295u, TRUE},
        {"4294967296", FALSE, 0, FALSE},
        {"2147483647", TRUE, 2147483647u, TRUE},
        {"2147483648", TRUE, 0, FALSE},
        {"-2147483648", TRUE, 0x80000000u, TRUE},
        {"99999999999999999999999", FALSE, 0, FALSE},
    };
    AnswerNextDialog(
        "BASIC",
        DialogScript()
            .Do([&](HWND dialog) {
                for (const Case& c : cases) {
                    SCOPED_TRACE(c.text);
                    SetDlgItemTextA(dialog, IDC_EDIT, c.text);
                    BOOL translated = 2;
                    EXPECT_EQ(GetDlgItemInt(dialog, IDC_EDIT, &translated, c.is_signed), c.value);
                    EXPECT_EQ(translated, c.translated);
                    EXPECT_EQ(GetDlgItemInt(dialog, IDC_EDIT, nullptr, c.is_signed), c.value);
                }
                ASSERT_TRUE(SetDlgItemInt(dialog, IDC_EDIT, UINT(-17), TRUE));
                EXPECT_EQ(ReadDialogItem(dialog, IDC_EDIT).text, "-17");
                ASSERT_TRUE(SetDlgItemInt(dialog, IDC_EDIT, 4294967295u, FALSE));
                EXPECT_EQ(ReadDialogItem(dialog, IDC_EDIT).text, "4294967295");
                BOOL translated = TRUE;
                EXPECT_EQ(GetDlgItemInt(dialog, 999, &translated, FALSE), 0u);
                EXPECT_FALSE(translated);
            })
            .Click(IDOK));
    EXPECT_EQ(Run("BASIC"), IDOK);
}

TEST_F(DialogTest, ADisabledControlCannotBeUsed) {
    AnswerNextDialog(
        "BASIC", DialogScript()
                     .Do([](HWND dialog) {
                         EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
                         EXPECT_FALSE(ReadDialogItem(dialog, IDOK).enabled);
                         // BM_CLICK of a disabled button does nothing.
                         SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
                         EXPECT_EQ(GetNextDlgTabItem(dialog, nullptr, FALSE),
                                   GetDlgItem(dialog, IDC_EDIT));
                         EXPECT_EQ(GetNextDlgTabItem(dialog, GetDlgItem(dialog, IDC_EDIT), FALSE),
                                   GetDlgItem(dialog, IDCANCEL));
                     })
                     .Click(IDOK)
                     .SetText(IDC_EDIT, "x")
                     .PressEnter()
                     .Do([](HWND dialog) {
                         EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
                         EXPECT_EQ(ReadDialogItem(dialog, IDC_EDIT).text, "x");
                     })
                     .PressEnter());
    EXPECT_EQ(Run("BASIC"), IDOK);
    auto shown = DialogsShown();
    ASSERT_EQ(shown.size(), 1u);
    ASSERT_EQ(shown[0].errors.size(), 1u);
    EXPECT_EQ(shown[0].errors[0], "control 1 is disabled");
    // Only the last Enter pressed OK.
    int oks = 0;
    for (const Command& c : Clicks())
        oks += c.id == IDOK;
    EXPECT_EQ(oks, 1);
}

TEST_F(DialogTest, ADialogOpenedFromADialogDisablesIt) {
    HWND first = nullptr;
    bool first_enabled_inside = true;
    CurrentDialogHandler() = [&](HWND hwnd, UINT message, WPARAM wparam,
                                 LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_COMMAND && LOWORD(wparam) == IDC_APPLY) {
            if (!first) {
                first = hwnd;
                INT_PTR inner = DialogBoxParamA(nullptr, "BASIC", hwnd, TestDialogProc, 0);
                EXPECT_EQ(inner, IDCANCEL);
                EXPECT_TRUE(IsWindowEnabled(hwnd));
            }
            return TRUE;
        }
        return std::nullopt;
    };
    AnswerNextDialog("DEFAULT_APPLY", DialogScript().PressEnter().PressEnter().Click(IDOK));
    AnswerNextDialog("BASIC", DialogScript()
                                  .Do([&](HWND) { first_enabled_inside = IsWindowEnabled(first); })
                                  .PressEscape());
    EXPECT_EQ(Run("DEFAULT_APPLY"), IDOK);
    EXPECT_FALSE(first_enabled_inside);
    auto shown = DialogsShown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].owner, first);
    EXPECT_EQ(shown[1].result, IDCANCEL);
    // The second Enter of the outer script was played after the inner dialog had closed.
    EXPECT_EQ(shown[0].result, IDOK);
}

TEST_F(DialogTest, TabMovesTheFocusAmongTheStops) {
    auto focus_is = [](int id) {
        return [id](HWND dialog) { EXPECT_EQ(GetFocus(), GetDlgItem(dialog, id)) << id; };
    };
    AnswerNextDialog("BASIC", DialogScript()
                                  .Do(focus_is(IDC_EDIT))
                                  .PressKey(VK_TAB)
                                  .Do(focus_is(IDOK))
                                  .PressKey(VK_TAB)
                                  .Do(focus_is(IDCANCEL))
                                  .PressKey(VK_TAB)
                                  .Do([](HWND dialog) {
                                      SetDlgItemTextA(dialog, IDC_EDIT, "text");
                                      EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_EDIT));
                                      platform::testing::SetKeyDown(VK_SHIFT, true);
                                  })
                                  .PressKey(VK_TAB)
                                  .Do([](HWND dialog) {
                                      platform::testing::SetKeyDown(VK_SHIFT, false);
                                      EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDCANCEL));
                                  })
                                  .PressKey(VK_TAB)
                                  .PressKey(VK_TAB)
                                  .Do([](HWND dialog) {
                                      // An edit tabbed into has its text selected, to be typed
                                      // over.
                                      DWORD start = 9, end = 0;
                                      SendDlgItemMessageA(dialog, IDC_EDIT, EM_GETSEL,
                                                          WPARAM(&start), LPARAM(&end));
                                      EXPECT_EQ(start, 0u);
                                      EXPECT_EQ(end, 4u);
                                  })
                                  .PressEnter());
    EXPECT_EQ(Run("BASIC"), IDOK);
    EXPECT_TRUE(DialogsShown().at(0).errors.empty());
}

// Alt and the letter that a control's text marks: a button is clicked, a check box or a
// radio button also takes the focus, a label or a frame hands the focus to what follows it.
TEST_F(DialogTest, AltAndAnAccessKeyReachTheControlThatMarksIt) {
    struct Case {
        int key;
        int focus;   // the control with the focus afterwards
        int command; // the command the dialog heard, 0 for none
    };
    const Case cases[] = {
        {'N', IDC_EDIT, 0},
        {'C', IDC_CHECK, IDC_CHECK},
        {'G', IDC_CHECK, IDC_COLOR},
        {'F', IDC_RADIO1, 0},
        {'O', IDC_RADIO1, IDC_RADIO1},
        {'P', IDC_RADIO1, 0}, // the label's "&" is no mark with SS_NOPREFIX
        {'Z', IDC_RADIO1, 0},
    };
    DialogScript script;
    script.Do([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDIT, "text");
        SetFocus(GetDlgItem(dialog, IDOK));
    });
    for (const Case& c : cases) {
        script.Do([](HWND) {
            Commands().clear();
            platform::testing::SetKeyDown(VK_MENU, true);
        });
        script.PressKey(c.key);
        script.Do([c](HWND dialog) {
            platform::testing::SetKeyDown(VK_MENU, false);
            EXPECT_EQ(GetFocus(), GetDlgItem(dialog, c.focus)) << char(c.key);
            int heard = 0;
            for (const Command& command : Commands())
                if (command.code == BN_CLICKED)
                    heard = command.id;
            EXPECT_EQ(heard, c.command) << char(c.key);
        });
    }
    script.Do([](HWND dialog) {
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_CHECK), UINT(BST_CHECKED));
        DWORD start = 9, end = 0;
        SendDlgItemMessageA(dialog, IDC_EDIT, EM_GETSEL, WPARAM(&start), LPARAM(&end));
        EXPECT_EQ(end, 4u) << "the edit reached by its label has its text selected";
    });
    script.PressEscape();
    AnswerNextDialog("ACCESS_KEYS", script);
    EXPECT_EQ(Run("ACCESS_KEYS"), IDCANCEL);
    EXPECT_TRUE(DialogsShown().at(0).errors.empty());
}

// The arrow keys in a control that does not want them move the focus within its group, round
// from one end to the other, past what is disabled, hidden or a label; an automatic radio
// button that they reach is checked, a plain one only takes the focus.
TEST_F(DialogTest, ArrowKeysMoveTheFocusWithinTheGroup) {
    struct Case {
        int from;
        int key;
        int focus;   // the control with the focus afterwards
        int clicked; // the button the dialog heard clicked, 0 for none
    };
    const Case cases[] = {
        {IDC_RADIO1, VK_DOWN, IDC_RADIO2, IDC_RADIO2},
        {IDC_RADIO2, VK_RIGHT, IDC_OTHER_RADIO, 0},         // past the disabled one; a plain radio
        {IDC_OTHER_RADIO, VK_DOWN, IDC_RADIO1, IDC_RADIO1}, // round to the first
        {IDC_RADIO1, VK_UP, IDC_OTHER_RADIO, 0},            // round to the last
        {IDC_OTHER_RADIO, VK_LEFT, IDC_RADIO2, IDC_RADIO2},
        {IDC_CHECK, VK_DOWN, IDC_COLOR, 0}, // past the label and the hidden box
        {IDC_COLOR, VK_DOWN, IDC_EDIT, 0},
        {IDC_EDIT, VK_DOWN, IDC_EDIT, 0}, // the edit keeps its arrows
        {IDC_COLOR, VK_UP, IDC_CHECK, 0},
        {IDOK, VK_RIGHT, IDCANCEL, 0},
        {IDCANCEL, VK_DOWN, IDOK, 0},
    };
    DialogScript script;
    script.Do([](HWND dialog) { ShowWindow(GetDlgItem(dialog, IDC_MANUAL_CHECK), SW_HIDE); });
    for (const Case& c : cases) {
        script.Do([c](HWND dialog) {
            SetFocus(GetDlgItem(dialog, c.from));
            Commands().clear();
        });
        script.PressKey(c.key);
        script.Do([c](HWND dialog) {
            EXPECT_EQ(GetDlgCtrlID(GetFocus()), c.focus) << c.from << " " << c.key;
            const auto clicks = Clicks();
            EXPECT_EQ(clicks.empty() ? 0 : clicks.back().id, c.clicked) << c.from << " " << c.key;
            if (c.clicked) {
                EXPECT_EQ(IsDlgButtonChecked(dialog, c.clicked), UINT(BST_CHECKED));
                for (int other : {IDC_RADIO1, IDC_RADIO2}) {
                    if (other != c.clicked) {
                        EXPECT_EQ(IsDlgButtonChecked(dialog, other), UINT(BST_UNCHECKED));
                    }
                }
            }
        });
    }
    script.PressEscape();
    AnswerNextDialog("ARROWS", script);
    EXPECT_EQ(Run("ARROWS"), IDCANCEL);
    EXPECT_TRUE(DialogsShown().at(0).errors.empty());
}

// A letter typed while a button has the focus works as with Alt; in an edit it is typed.
TEST_F(DialogTest, ALetterOnAButtonIsAnAccessKey) {
    struct Case {
        int from;
        int key;
        int focus;
        int clicked;
        const char* edit; // the edit's text afterwards
    };
    const Case cases[] = {
        {IDOK, 'C', IDC_CHECK, IDC_CHECK, ""},
        {IDC_CHECK, 'G', IDC_CHECK, IDC_COLOR, ""},
        {IDCANCEL, 'N', IDC_EDIT, 0, ""},
        {IDC_EDIT, 'C', IDC_EDIT, 0, "c"},
        {IDOK, 'Z', IDOK, 0, "c"}, // marked by nothing
    };
    DialogScript script;
    for (const Case& c : cases) {
        script.Do([c](HWND dialog) {
            SetFocus(GetDlgItem(dialog, c.from));
            Commands().clear();
        });
        script.PressKey(c.key);
        script.Do([c](HWND dialog) {
            EXPECT_EQ(GetDlgCtrlID(GetFocus()), c.focus) << char(c.key);
            const auto clicks = Clicks();
            EXPECT_EQ(clicks.empty() ? 0 : clicks.back().id, c.clicked) << char(c.key);
            EXPECT_EQ(ReadDialogItem(dialog, IDC_EDIT).text, c.edit) << char(c.key);
        });
    }
    script.PressEscape();
    AnswerNextDialog("ACCESS_KEYS", script);
    EXPECT_EQ(Run("ACCESS_KEYS"), IDCANCEL);
    EXPECT_TRUE(DialogsShown().at(0).errors.empty());
}

// A letter typed in a control that takes characters is that control's, never the access key
// of a button beside it.
TEST_F(DialogTest, ALetterInAControlThatTakesCharactersIsNoAccessKey) {
    const int controls[] = {IDC_EDIT, IDC_LIST, IDC_COMBO, IDC_LIST_VIEW, IDC_TABS, IDC_HOT_KEY};
    DialogScript script;
    for (int id : controls) {
        script.Do([id](HWND dialog) {
            SetFocus(GetDlgItem(dialog, id));
            Commands().clear();
        });
        script.PressKey('A');
        script.Do([id](HWND) {
            EXPECT_EQ(GetDlgCtrlID(GetFocus()), id);
            EXPECT_TRUE(Clicks().empty()) << "typed in " << id << ", the button was pressed";
        });
    }
    script.PressEscape();
    AnswerNextDialog("TYPING", script);
    EXPECT_EQ(Run("TYPING"), IDCANCEL);
    EXPECT_TRUE(DialogsShown().at(0).errors.empty());
}

// A push button with the focus is drawn as the default; when the focus goes to a control that
// is no push button, the dialog's own default is drawn so again, and Enter follows the frame.
TEST_F(DialogTest, TheDefaultFrameFollowsTheFocusedPushButton) {
    struct Case {
        int focus;
        int framed; // the one push button with BS_DEFPUSHBUTTON
    };
    const Case cases[] = {
        {IDC_EDIT, IDC_APPLY}, {IDOK, IDOK},         {IDCANCEL, IDCANCEL},
        {IDC_EDIT, IDC_APPLY}, {IDCANCEL, IDCANCEL}, {IDC_APPLY, IDC_APPLY},
    };
    DialogScript script;
    for (const Case& c : cases)
        script.Do([c](HWND dialog) {
            SetFocus(GetDlgItem(dialog, c.focus));
            for (int id : {IDOK, IDC_APPLY, IDCANCEL}) {
                const LONG_PTR type = GetWindowLongPtrA(GetDlgItem(dialog, id), GWL_STYLE) & 0xF;
                EXPECT_EQ(type, id == c.framed ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)
                    << "focus on " << c.focus << ", button " << id;
            }
            // The frame's colour, which a default button doubles.
            auto pixels = platform::testing::ReadWindowPixels(dialog);
            ASSERT_TRUE(pixels);
            for (int id : {IDOK, IDCANCEL}) {
                POINT p{1, 1};
                ClientToScreen(GetDlgItem(dialog, id), &p);
                ScreenToClient(dialog, &p);
                EXPECT_EQ(platform::testing::PixelAt(*pixels, p.x, p.y) == RGB(0, 120, 215),
                          id == c.framed)
                    << "focus on " << c.focus << ", button " << id;
            }
        });
    // Enter with the focus back in the edit presses the dialog's default again.
    script.Do([](HWND dialog) { SetFocus(GetDlgItem(dialog, IDC_EDIT)); }).PressEnter();
    AnswerNextDialog("DEFAULT_APPLY", script);
    EXPECT_EQ(Run("DEFAULT_APPLY"), IDC_APPLY);
    EXPECT_TRUE(DialogsShown().at(0).errors.empty());
}

// Escape in an open drop-down list closes the list, an empty one too, and not the dialog; the
// next Escape is the dialog's.
TEST_F(DialogTest, EscapeClosesAnOpenListBeforeTheDialog) {
    for (const std::vector<const char*>& entries :
         {std::vector<const char*>{}, std::vector<const char*>{"Day", "Hour"}}) {
        SCOPED_TRACE(entries.size());
        platform::testing::ClearDialogs();
        bool checked = false;
        DialogScript script;
        script.Do([&](HWND dialog) {
            for (const char* text : entries)
                SendDlgItemMessageA(dialog, IDC_COMBO, CB_ADDSTRING, 0, LPARAM(text));
            SetFocus(GetDlgItem(dialog, IDC_COMBO));
        });
        script.PressKey(VK_F4);
        script.Do([](HWND dialog) {
            EXPECT_TRUE(SendDlgItemMessageA(dialog, IDC_COMBO, CB_GETDROPPEDSTATE, 0, 0));
        });
        script.PressEscape();
        script.Do([&](HWND dialog) {
            checked = true;
            EXPECT_FALSE(SendDlgItemMessageA(dialog, IDC_COMBO, CB_GETDROPPEDSTATE, 0, 0));
            EXPECT_TRUE(IsWindowVisible(dialog));
        });
        script.PressEscape();
        AnswerNextDialog("CONTROLS", script);
        EXPECT_EQ(Run("CONTROLS"), IDCANCEL);
        EXPECT_TRUE(checked) << "the first Escape closed the dialog";
        EXPECT_TRUE(DialogsShown().at(0).errors.empty());
    }
}

TEST_F(DialogTest, TheQuitMessageEndsTheDialogAndStaysInTheQueue) {
    AnswerNextDialog("BASIC", DialogScript().Do([](HWND) { PostQuitMessage(3); }));
    EXPECT_EQ(Run("BASIC"), 0);
    EXPECT_EQ(platform::testing::PendingQuit(), 3);
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(DialogTest, AModelessDialogRunsInTheCallersLoop) {
    HWND dialog = CreateDialogParamA(nullptr, "BASIC", owner_, TestDialogProc, 5);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowVisible(dialog)) << "the template has no WS_VISIBLE";
    EXPECT_TRUE(IsWindowEnabled(owner_));
    SendDlgItemMessageA(dialog, IDCANCEL, BM_CLICK, 0, 0);
    ASSERT_FALSE(Commands().empty());
    EXPECT_EQ(Commands().back().id, IDCANCEL);
    EXPECT_TRUE(IsWindow(dialog)) << "EndDialog leaves a modeless dialog to DestroyWindow";
    EXPECT_TRUE(DestroyWindow(dialog));
}

TEST_F(DialogTest, ADialogPaintsItsControls) {
    AnswerNextDialog("CONTROLS",
                     DialogScript()
                         .Do([](HWND dialog) {
                             CheckDlgButton(dialog, IDC_CHECK, BST_CHECKED);
                             SetDlgItemTextA(dialog, IDC_NUMBER, "42");
                             SendDlgItemMessageA(dialog, IDC_COMBO, CB_ADDSTRING, 0,
                                                 LPARAM("Entry"));
                             SendDlgItemMessageA(dialog, IDC_COMBO, CB_SETCURSEL, 0, 0);
                             auto pixels = platform::testing::ReadWindowPixels(dialog);
                             ASSERT_TRUE(pixels);
                             RECT client;
                             GetClientRect(dialog, &client);
                             POINT origin{0, 0};
                             ClientToScreen(dialog, &origin);
                             auto at = [&](HWND control, int dx, int dy) {
                                 POINT p{0, 0};
                                 ClientToScreen(control, &p);
                                 return platform::testing::PixelAt(*pixels, p.x - origin.x + dx,
                                                                   p.y - origin.y + dy);
                             };
                             // The dialog's face, an edit's white field with a dark digit
                             // somewhere, and the check box's mark.
                             EXPECT_EQ(platform::testing::PixelAt(*pixels, 2, client.bottom - 2),
                                       RGB(240, 240, 240));
                             HWND edit = GetDlgItem(dialog, IDC_NUMBER);
                             EXPECT_EQ(at(edit, 1, 1), RGB(255, 255, 255));
                             EXPECT_EQ(at(edit, 0, 0), RGB(122, 122, 122)) << "its border";
                             RECT er;
                             GetClientRect(edit, &er);
                             bool dark = false;
                             for (int y = 0; y < er.bottom && !dark; ++y)
                                 for (int x = 0; x < er.right && !dark; ++x)
                                     dark = GetRValue(at(edit, x, y)) < 128;
                             EXPECT_TRUE(dark) << "the edit shows its text";
                             HWND check = GetDlgItem(dialog, IDC_CHECK);
                             RECT cr;
                             GetClientRect(check, &cr);
                             int top = (cr.bottom - 13) / 2;
                             EXPECT_EQ(at(check, 6, top + 6), RGB(0, 0, 0));
                             CheckDlgButton(dialog, IDC_CHECK, BST_UNCHECKED);
                             pixels = platform::testing::ReadWindowPixels(dialog);
                             EXPECT_EQ(at(check, 6, top + 6), RGB(255, 255, 255));
                         })
                         .PressEnter());
    EXPECT_EQ(Run("CONTROLS"), IDOK);
}

} // namespace
} // namespace user32_test
