// The standard controls and the up-down control: their messages and the notifications they send
// their parent.
#include "dialog_test.h"

#include <commctrl.h>

#include "comctl32/updown.h"
#include "host/codepage.h"
#include "testing/desktop.h"
#include "user32/icons.h"

#include <cstring>
#include <functional>
#include <string>

namespace user32_test {
namespace {

using platform::testing::ReadDialogItem;

// The "CONTROLS" template made modeless and shown, so that its controls can be driven
// directly.
class ControlsTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        CurrentDialogHandler() = [this](HWND, UINT message, WPARAM wparam,
                                        LPARAM lparam) -> std::optional<INT_PTR> {
            if (message == WM_NOTIFY) {
                auto* nm = reinterpret_cast<const NMUPDOWN*>(lparam);
                if (nm->hdr.code == UDN_DELTAPOS) {
                    deltas.push_back(*nm);
                    if (refuse_delta) {
                        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
                        return TRUE;
                    }
                }
            }
            if (message == WM_VSCROLL)
                scrolls.push_back(LOWORD(wparam));
            if (message == WM_DRAWITEM) {
                auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
                drawn.push_back(*item);
                HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
                FillRect(item->hDC, &item->rcItem, brush);
                DeleteObject(brush);
                return TRUE;
            }
            return std::nullopt;
        };
        dialog =
            CreateDialogParamA(GetModuleHandleA(nullptr), "CONTROLS", owner_, TestDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        ShowWindow(dialog, SW_SHOW);
        platform::testing::RunUntilIdle();
        Commands().clear();
    }
    HWND Item(int id) const { return GetDlgItem(dialog, id); }
    LRESULT Send(int id, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const {
        return SendDlgItemMessageA(dialog, id, message, wparam, lparam);
    }
    // The notifications of one control, in order.
    std::vector<int> CodesOf(int id) const {
        std::vector<int> codes;
        for (const Command& c : Commands())
            if (c.id == id)
                codes.push_back(c.code);
        return codes;
    }
    int Count(int id, int code) const {
        int n = 0;
        for (const Command& c : Commands())
            n += c.id == id && c.code == code;
        return n;
    }
    void Play(platform::testing::DialogScript script) {
        for (const auto& step : script.steps()) {
            std::optional<std::string> error = step(dialog);
            EXPECT_FALSE(error) << *error;
            platform::testing::RunUntilIdle();
        }
    }
    POINT CentreOf(int id) const {
        RECT r;
        GetWindowRect(Item(id), &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    HWND dialog = nullptr;
    std::vector<NMUPDOWN> deltas;
    std::vector<int> scrolls;
    std::vector<DRAWITEMSTRUCT> drawn;
    bool refuse_delta = false;
};

TEST_F(ControlsTest, ButtonsCheckAndNotify) {
    struct Case {
        int id;
        std::vector<UINT> after_each_click;
    };
    // The automatic kinds change their state; a plain check box only reports the click.
    const Case cases[] = {
        {IDC_CHECK, {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}},
        {IDC_MANUAL_CHECK, {BST_UNCHECKED, BST_UNCHECKED}},
        {IDC_THREE_STATE, {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}},
        {IDOK, {BST_UNCHECKED}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        Commands().clear();
        for (UINT expected : c.after_each_click) {
            Send(c.id, BM_CLICK);
            EXPECT_EQ(Send(c.id, BM_GETCHECK), LRESULT(expected));
            EXPECT_EQ(IsDlgButtonChecked(dialog, c.id), expected);
        }
        EXPECT_EQ(Count(c.id, BN_CLICKED), int(c.after_each_click.size()));
        ASSERT_FALSE(Commands().empty());
        EXPECT_EQ(Commands().back().control, Item(c.id));
    }
    // BM_SETCHECK and CheckDlgButton set without a notification; a two-state box takes
    // BST_INDETERMINATE as checked.
    Commands().clear();
    EXPECT_TRUE(CheckDlgButton(dialog, IDC_MANUAL_CHECK, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_MANUAL_CHECK), UINT(BST_CHECKED));
    Send(IDC_CHECK, BM_SETCHECK, BST_INDETERMINATE);
    EXPECT_EQ(Send(IDC_CHECK, BM_GETCHECK), BST_CHECKED);
    Send(IDC_THREE_STATE, BM_SETCHECK, BST_INDETERMINATE);
    EXPECT_EQ(Send(IDC_THREE_STATE, BM_GETCHECK), BST_INDETERMINATE);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(IsDlgButtonChecked(dialog, 999), 0u);
    EXPECT_FALSE(CheckDlgButton(dialog, 999, BST_CHECKED));
}

TEST_F(ControlsTest, AClickOfTheMouseOnACheckBox) {
    platform::testing::LeftClick(CentreOf(IDC_CHECK));
    platform::testing::RunUntilIdle();
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_CHECK), UINT(BST_CHECKED));
    EXPECT_EQ(Count(IDC_CHECK, BN_CLICKED), 1);
    EXPECT_EQ(GetFocus(), Item(IDC_CHECK));
    // A disabled control takes no click.
    EnableWindow(Item(IDC_CHECK), FALSE);
    platform::testing::LeftClick(CentreOf(IDC_CHECK));
    platform::testing::RunUntilIdle();
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_CHECK), UINT(BST_CHECKED));
    EXPECT_EQ(Count(IDC_CHECK, BN_CLICKED), 1);
    // The space bar presses the focused button.
    EnableWindow(Item(IDC_CHECK), TRUE);
    SetFocus(Item(IDC_CHECK));
    platform::testing::PressKey(VK_SPACE);
    platform::testing::RunUntilIdle();
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_CHECK), UINT(BST_UNCHECKED));
}

TEST_F(ControlsTest, RadioButtonsOfAGroup) {
    Play(platform::testing::DialogScript().Click(IDC_OTHER_RADIO).Click(IDC_RADIO2));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_RADIO2), UINT(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_OTHER_RADIO), UINT(BST_CHECKED))
        << "another group keeps its choice";
    Play(platform::testing::DialogScript().Click(IDC_RADIO3));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_RADIO2), UINT(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_RADIO3), UINT(BST_CHECKED));
    EXPECT_EQ(Count(IDC_RADIO3, BN_CLICKED), 1);
    EXPECT_TRUE(CheckRadioButton(dialog, IDC_RADIO1, IDC_RADIO3, IDC_RADIO1));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_RADIO1), UINT(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_RADIO3), UINT(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_OTHER_RADIO), UINT(BST_CHECKED));
    // A group box is no button to press.
    Send(IDC_GROUP, BM_CLICK);
    EXPECT_EQ(Count(IDC_GROUP, BN_CLICKED), 0);
}

TEST_F(ControlsTest, AnEditsTextAndItsChangeNotices) {
    // A program's text is taken whole, whatever the limit, and reported as a change.
    Send(IDC_PLAIN_EDIT, EM_LIMITTEXT, 4);
    EXPECT_EQ(Send(IDC_PLAIN_EDIT, EM_GETLIMITTEXT), 4);
    EXPECT_TRUE(SetDlgItemTextA(dialog, IDC_PLAIN_EDIT, "too long for the limit"));
    EXPECT_EQ(ReadDialogItem(dialog, IDC_PLAIN_EDIT).text, "too long for the limit");
    EXPECT_EQ(Count(IDC_PLAIN_EDIT, EN_CHANGE), 1);
    EXPECT_EQ(Send(IDC_PLAIN_EDIT, WM_GETTEXTLENGTH), 22);

    // The user's typing stops at the limit; each character typed is a change.
    Commands().clear();
    Play(platform::testing::DialogScript().SetText(IDC_PLAIN_EDIT, "abcdef"));
    EXPECT_EQ(ReadDialogItem(dialog, IDC_PLAIN_EDIT).text, "abcd");
    EXPECT_EQ(Count(IDC_PLAIN_EDIT, EN_CHANGE), 4);
    EXPECT_EQ(Count(IDC_PLAIN_EDIT, EN_MAXTEXT), 2);
    Play(platform::testing::DialogScript().SetText(IDC_PLAIN_EDIT, ""));
    EXPECT_EQ(ReadDialogItem(dialog, IDC_PLAIN_EDIT).text, "");

    // A number field takes digits only.
    Play(platform::testing::DialogScript().SetText(IDC_NUMBER, "1a2-3"));
    EXPECT_EQ(ReadDialogItem(dialog, IDC_NUMBER).text, "123");

    // EM_LIMITTEXT 0 lifts the limit as far as it goes.
    Send(IDC_PLAIN_EDIT, EM_LIMITTEXT, 0);
    EXPECT_EQ(Send(IDC_PLAIN_EDIT, EM_GETLIMITTEXT), 0x7FFFFFFE);
}

// A focused edit shows its caret and its selection, and a line longer than the box moves so
// that the caret stays in view; a click puts the caret where it was.
TEST_F(ControlsTest, AnEditShowsItsCaretAndSelectionInView) {
    HWND edit = Item(IDC_PLAIN_EDIT);
    RECT screen;
    GetWindowRect(edit, &screen);
    POINT origin{screen.left, screen.top};
    ScreenToClient(dialog, &origin);
    const int width = screen.right - screen.left, height = screen.bottom - screen.top;
    // The columns of the edit (its own x) drawn in black from top to bottom of the line: the
    // caret, as no glyph of "x" is a full-height stroke.
    const auto caret_columns = [&] {
        std::vector<int> columns;
        auto pixels = platform::testing::ReadWindowPixels(dialog);
        EXPECT_TRUE(pixels);
        if (!pixels)
            return columns;
        for (int x = 1; x < width - 1; ++x) {
            bool full = true;
            for (int y = 3; y < height - 3 && full; ++y)
                full =
                    platform::testing::PixelAt(*pixels, origin.x + x, origin.y + y) == RGB(0, 0, 0);
            if (full)
                columns.push_back(x);
        }
        return columns;
    };
    const auto lit = [&] {
        auto pixels = platform::testing::ReadWindowPixels(dialog);
        // Above the low letters, where no glyph covers the light.
        return pixels &&
               platform::testing::PixelAt(*pixels, origin.x + 4, origin.y + 3) == RGB(0, 120, 215);
    };
    SetFocus(edit);
    Play(platform::testing::DialogScript().SetText(IDC_PLAIN_EDIT, std::string(40, 'x')));
    std::vector<int> at = caret_columns();
    ASSERT_EQ(at.size(), 1u) << "no caret, or more than one";
    EXPECT_GT(at[0], width / 2) << "the end of a long line is out of view";
    platform::testing::PressKey(VK_HOME);
    platform::testing::RunUntilIdle();
    at = caret_columns();
    ASSERT_EQ(at.size(), 1u);
    EXPECT_LT(at[0], 5);
    EXPECT_FALSE(lit());
    Send(IDC_PLAIN_EDIT, EM_SETSEL, 0, -1);
    platform::testing::RunUntilIdle();
    EXPECT_TRUE(lit()) << "the selection is not shown";
    // A click in the middle: the caret goes there, the selection goes.
    platform::testing::LeftClick(POINT{screen.left + width / 2, screen.top + height / 2});
    platform::testing::RunUntilIdle();
    at = caret_columns();
    ASSERT_EQ(at.size(), 1u);
    EXPECT_NEAR(at[0], width / 2, 4);
    DWORD start = 0, end = 0;
    Send(IDC_PLAIN_EDIT, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(start, end);
    EXPECT_GT(start, 0u);
    EXPECT_LT(start, 40u);
    // Shift with the arrows, Home and End selects from where the caret was; the arrows alone
    // leave the selection at its edge.
    const DWORD click = start;
    struct Key {
        int vk;
        bool shift;
        DWORD start, end;
    };
    const Key keys[] = {
        {VK_END, true, click, 40}, {VK_HOME, true, 0, click}, {VK_RIGHT, true, 1, click},
        {VK_LEFT, false, 1, 1},    {VK_RIGHT, true, 1, 2},    {VK_RIGHT, false, 2, 2},
    };
    for (const Key& k : keys) {
        platform::testing::SetKeyDown(VK_SHIFT, k.shift);
        platform::testing::PressKey(k.vk);
        platform::testing::SetKeyDown(VK_SHIFT, false);
        platform::testing::RunUntilIdle();
        Send(IDC_PLAIN_EDIT, EM_GETSEL, WPARAM(&start), LPARAM(&end));
        EXPECT_EQ(start, k.start) << "key " << k.vk << " shift " << k.shift;
        EXPECT_EQ(end, k.end) << "key " << k.vk << " shift " << k.shift;
    }
    // Without the focus neither caret nor selection shows.
    Send(IDC_PLAIN_EDIT, EM_SETSEL, 0, -1);
    SetFocus(Item(IDC_NUMBER));
    platform::testing::RunUntilIdle();
    EXPECT_TRUE(caret_columns().empty());
    EXPECT_FALSE(lit());
}

TEST_F(ControlsTest, AnEditReplacesItsSelectionAndUndoesIt) {
    SetDlgItemTextA(dialog, IDC_PLAIN_EDIT, "%1 and");
    Send(IDC_PLAIN_EDIT, EM_SETSEL, 3, 3);
    DWORD start = 0, end = 0;
    Send(IDC_PLAIN_EDIT, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(start, 3u);
    EXPECT_EQ(end, 3u);
    Commands().clear();
    Send(IDC_PLAIN_EDIT, EM_REPLACESEL, TRUE, LPARAM("%3 "));
    EXPECT_EQ(ReadDialogItem(dialog, IDC_PLAIN_EDIT).text, "%1 %3 and");
    EXPECT_EQ(Count(IDC_PLAIN_EDIT, EN_CHANGE), 1);
    EXPECT_TRUE(Send(IDC_PLAIN_EDIT, EM_CANUNDO));
    // Ctrl+Z as the user types it.
    SetFocus(Item(IDC_PLAIN_EDIT));
    Send(IDC_PLAIN_EDIT, WM_CHAR, 0x1A);
    EXPECT_EQ(ReadDialogItem(dialog, IDC_PLAIN_EDIT).text, "%1 and");
    // The replacement too stops at the limit, at a whole character.
    platform::host::SetAnsiCodePage(932);
    SetDlgItemTextA(dialog, IDC_PLAIN_EDIT, "ab");
    Send(IDC_PLAIN_EDIT, EM_LIMITTEXT, 5);
    Send(IDC_PLAIN_EDIT, EM_SETSEL, 2, 2);
    Send(IDC_PLAIN_EDIT, EM_REPLACESEL, FALSE, LPARAM("c\x93\xfa\x96\x7b"));
    EXPECT_EQ(ReadDialogItem(dialog, IDC_PLAIN_EDIT).text, "abc\x93\xfa");
    // A selection never ends inside a double-byte character.
    Send(IDC_PLAIN_EDIT, EM_SETSEL, 0, 4);
    Send(IDC_PLAIN_EDIT, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(end, 3u);
    platform::host::SetAnsiCodePage(0);
}

// Ctrl+Z takes back the whole run of typing (Backspaces among it), not its last character; a
// caret moved, Delete, a replacement or typing over a selection begins a new step.
TEST_F(ControlsTest, CtrlZUndoesTheWholeRunOfTyping) {
    enum Kind { Type, Key, Replace, Select };
    struct Op {
        Kind kind;
        std::string text; // Type: the characters ('\b' Backspace); Replace: the new text
        WPARAM key = 0;   // Key: a virtual key pressed; Select: the selection's end
    };
    struct Case {
        const char* name;
        const char* text; // the edit's text, the caret at its end
        std::vector<Op> ops;
        const char* typed;  // the text after the ops
        const char* undone; // after Ctrl+Z
    };
    const Case cases[] = {
        {"typing", "x", {{Type, "abc"}}, "xabc", "x"},
        {"typing with a Backspace", "x", {{Type, "ab\bc"}}, "xac", "x"},
        {"typing after the caret moved",
         "x",
         {{Type, "ab"}, {Key, "", VK_LEFT}, {Type, "c"}},
         "xacb",
         "xab"},
        {"typing after Delete",
         "xy",
         {{Key, "", VK_HOME}, {Key, "", VK_DELETE}, {Type, "ab"}},
         "aby",
         "y"},
        {"typing after a replacement", "x", {{Replace, "yz"}, {Type, "ab"}}, "xyzab", "xyz"},
        {"a replacement after typing", "x", {{Type, "ab"}, {Replace, "!"}}, "xab!", "xab"},
        {"typing over a selection", "hello", {{Select, "", 0}, {Type, "ab"}}, "ab", "hello"},
    };
    SetFocus(Item(IDC_PLAIN_EDIT));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetDlgItemTextA(dialog, IDC_PLAIN_EDIT, c.text);
        Send(IDC_PLAIN_EDIT, EM_SETSEL, std::strlen(c.text), std::strlen(c.text));
        for (const Op& op : c.ops) {
            switch (op.kind) {
            case Type:
                for (char ch : op.text)
                    Send(IDC_PLAIN_EDIT, WM_CHAR, WPARAM(BYTE(ch)));
                break;
            case Key:
                platform::testing::PressKey(int(op.key));
                platform::testing::RunUntilIdle();
                break;
            case Replace:
                Send(IDC_PLAIN_EDIT, EM_REPLACESEL, TRUE, LPARAM(op.text.c_str()));
                break;
            case Select:
                Send(IDC_PLAIN_EDIT, EM_SETSEL, op.key, -1);
                break;
            }
        }
        EXPECT_EQ(ReadDialogItem(dialog, IDC_PLAIN_EDIT).text, c.typed);
        Send(IDC_PLAIN_EDIT, WM_CHAR, 0x1A);
        EXPECT_EQ(ReadDialogItem(dialog, IDC_PLAIN_EDIT).text, c.undone);
        // A second Ctrl+Z takes the undo back.
        Send(IDC_PLAIN_EDIT, WM_CHAR, 0x1A);
        EXPECT_EQ(ReadDialogItem(dialog, IDC_PLAIN_EDIT).text, c.typed);
    }
}

TEST_F(ControlsTest, AChangeThatCannotBeUndoneEndsTheOlderUndo) {
    SetDlgItemTextA(dialog, IDC_PLAIN_EDIT, "%1");
    Send(IDC_PLAIN_EDIT, EM_SETSEL, 2, 2);
    Send(IDC_PLAIN_EDIT, EM_REPLACESEL, TRUE, LPARAM(" %2"));
    EXPECT_TRUE(Send(IDC_PLAIN_EDIT, EM_CANUNDO));
    Send(IDC_PLAIN_EDIT, EM_REPLACESEL, FALSE, LPARAM(" %3"));
    EXPECT_FALSE(Send(IDC_PLAIN_EDIT, EM_CANUNDO));
    EXPECT_FALSE(Send(IDC_PLAIN_EDIT, EM_UNDO));
    EXPECT_EQ(ReadDialogItem(dialog, IDC_PLAIN_EDIT).text, "%1 %2 %3");
}

TEST_F(ControlsTest, HidingTheFocusControlHandsTheFocusToItsParent) {
    SetFocus(Item(IDC_PLAIN_EDIT));
    Commands().clear();
    ShowWindow(Item(IDC_PLAIN_EDIT), SW_HIDE);
    EXPECT_EQ(Count(IDC_PLAIN_EDIT, EN_KILLFOCUS), 1);
    // The dialog takes it and gives it on to a control that can have it.
    EXPECT_NE(GetFocus(), Item(IDC_PLAIN_EDIT));
    EXPECT_EQ(GetParent(GetFocus()), dialog);
    // A hidden top-level window takes the focus of its controls away, and they hear it.
    SetFocus(Item(IDC_NUMBER));
    Commands().clear();
    ShowWindow(dialog, SW_HIDE);
    EXPECT_EQ(Count(IDC_NUMBER, EN_KILLFOCUS), 1);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(ControlsTest, TextCopiesAreBoundedByTheBuffer) {
    platform::host::SetAnsiCodePage(932);
    const std::string text = "a\x93\xfa"
                             "b";
    struct Case {
        int size;
        LRESULT result;
        const char* copied;
    };
    const Case cases[] = {
        {5, 4,
         "a\x93\xfa"
         "b"},
        {4, 3, "a\x93\xfa"},
        {3, 1, "a"},
        {2, 1, "a"},
        {1, 0, ""},
    };
    SetDlgItemTextA(dialog, IDC_PLAIN_EDIT, text.c_str());
    SetDlgItemTextA(dialog, IDC_LABEL, text.c_str());
    SendDlgItemMessageA(dialog, IDC_COMBO, CB_ADDSTRING, 0, LPARAM(text.c_str()));
    SendDlgItemMessageA(dialog, IDC_COMBO, CB_SETCURSEL, 0, 0);
    for (int id : {IDC_PLAIN_EDIT, IDC_LABEL, IDC_CHECK, IDC_COMBO}) {
        if (id == IDC_CHECK)
            SetDlgItemTextA(dialog, id, text.c_str());
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "control " << id << ", buffer " << c.size);
            char buffer[16];
            std::memset(buffer, 'X', sizeof buffer);
            EXPECT_EQ(Send(id, WM_GETTEXT, WPARAM(c.size), LPARAM(buffer)), c.result);
            EXPECT_STREQ(buffer, c.copied);
            EXPECT_EQ(buffer[c.size], 'X');
        }
        char untouched[2] = "Z";
        EXPECT_EQ(Send(id, WM_GETTEXT, 0, LPARAM(untouched)), 0);
        EXPECT_EQ(untouched[0], 'Z');
    }
    platform::host::SetAnsiCodePage(0);
}

TEST_F(ControlsTest, AComboBoxKeepsItsEntriesInTheOrderAdded) {
    for (const char* text : {"Megabytes", "gigabytes", "Bytes"}) {
        Send(IDC_COMBO, CB_ADDSTRING, 0, LPARAM(text));
        Send(IDC_SORTED, CB_ADDSTRING, 0, LPARAM(text));
    }
    EXPECT_EQ(ReadDialogItem(dialog, IDC_COMBO).entries,
              (std::vector<std::string>{"Megabytes", "gigabytes", "Bytes"}));
    // CBS_SORT sorts without regard to case.
    EXPECT_EQ(ReadDialogItem(dialog, IDC_SORTED).entries,
              (std::vector<std::string>{"Bytes", "gigabytes", "Megabytes"}));
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCOUNT), 3);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), CB_ERR);

    // Selection: an index that is no entry clears it and fails; no notification comes.
    EXPECT_EQ(Send(IDC_COMBO, CB_SETCURSEL, 1), 1);
    EXPECT_EQ(ReadDialogItem(dialog, IDC_COMBO).text, "gigabytes");
    EXPECT_EQ(Send(IDC_COMBO, CB_SETCURSEL, 3), CB_ERR);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(ReadDialogItem(dialog, IDC_COMBO).text, "");
    Send(IDC_COMBO, CB_SETCURSEL, 2);
    EXPECT_EQ(Send(IDC_COMBO, CB_SETCURSEL, WPARAM(-1)), CB_ERR);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(Count(IDC_COMBO, CBN_SELCHANGE), 0);

    // Inserting and deleting keep the selection on its entry.
    Send(IDC_COMBO, CB_SETCURSEL, 1);
    EXPECT_EQ(Send(IDC_COMBO, CB_INSERTSTRING, 0, LPARAM("Kilobytes")), 0);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), 2);
    EXPECT_EQ(Send(IDC_COMBO, CB_INSERTSTRING, WPARAM(-1), LPARAM("Terabytes")), 4);
    EXPECT_EQ(Send(IDC_COMBO, CB_INSERTSTRING, 9, LPARAM("Nowhere")), CB_ERR);
    EXPECT_EQ(Send(IDC_COMBO, CB_DELETESTRING, 0), 4);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), 1);
    EXPECT_EQ(Send(IDC_COMBO, CB_DELETESTRING, 1), 3);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(Send(IDC_COMBO, CB_DELETESTRING, 7), CB_ERR);
    EXPECT_EQ(ReadDialogItem(dialog, IDC_COMBO).entries,
              (std::vector<std::string>{"Megabytes", "Bytes", "Terabytes"}));

    // Entry texts and data.
    EXPECT_EQ(Send(IDC_COMBO, CB_GETLBTEXTLEN, 1), 5);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETLBTEXTLEN, 3), CB_ERR);
    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETLBTEXT, 1, LPARAM(buffer)), 5);
    EXPECT_STREQ(buffer, "Bytes");
    EXPECT_EQ(buffer[6], 'X');
    EXPECT_EQ(Send(IDC_COMBO, CB_GETLBTEXT, 3, LPARAM(buffer)), CB_ERR);
    EXPECT_EQ(Send(IDC_COMBO, CB_SETITEMDATA, 2, 0x5150), TRUE);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETITEMDATA, 2), 0x5150);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETITEMDATA, 0), 0);
    EXPECT_EQ(Send(IDC_COMBO, CB_SETITEMDATA, 3, 1), CB_ERR);

    // The dropped list is at least as wide as the control.
    RECT r;
    GetWindowRect(Item(IDC_COMBO), &r);
    EXPECT_EQ(Send(IDC_COMBO, CB_SETDROPPEDWIDTH, 450), 450);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETDROPPEDWIDTH), 450);
    EXPECT_EQ(Send(IDC_COMBO, CB_SETDROPPEDWIDTH, 10), r.right - r.left);

    EXPECT_EQ(Send(IDC_COMBO, CB_RESETCONTENT), CB_OKAY);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCOUNT), 0);
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), CB_ERR);
}

TEST_F(ControlsTest, FindingAComboEntryIgnoresCase) {
    for (const char* text : {"C:\\", "D:\\", "c:\\data", "E:\\"})
        Send(IDC_COMBO, CB_ADDSTRING, 0, LPARAM(text));
    struct Case {
        UINT message;
        int start;
        const char* text;
        LRESULT found;
    };
    const Case cases[] = {
        {CB_FINDSTRINGEXACT, -1, "c:\\", 0},
        {CB_FINDSTRINGEXACT, 0, "c:\\", 0}, // from entry 1 on, round to entry 0
        {CB_FINDSTRINGEXACT, 0, "d:\\", 1},
        {CB_FINDSTRINGEXACT, 2, "C:\\DATA", 2},
        {CB_FINDSTRINGEXACT, -1, "F:\\", CB_ERR},
        {CB_FINDSTRINGEXACT, -1, "c:", CB_ERR},
        {CB_FINDSTRINGEXACT, 99, "e:\\", 3},
        {CB_FINDSTRING, -1, "c:", 0},
        {CB_FINDSTRING, 0, "c:", 2},
        {CB_FINDSTRING, -1, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " from " << c.start);
        EXPECT_EQ(Send(IDC_COMBO, c.message, WPARAM(c.start), LPARAM(c.text)), c.found);
    }
    EXPECT_EQ(Send(IDC_COMBO, CB_FINDSTRINGEXACT, WPARAM(-1), 0), CB_ERR);
    EXPECT_EQ(Send(IDC_SORTED, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("x")), CB_ERR);
}

TEST_F(ControlsTest, TheUsersPickOfAComboEntryIsAChange) {
    for (const char* text : {"Day", "Half day", "Hour", "Minute"})
        Send(IDC_COMBO, CB_ADDSTRING, 0, LPARAM(text));
    Play(platform::testing::DialogScript().Pick(IDC_COMBO, 2));
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), 2);
    EXPECT_EQ(CodesOf(IDC_COMBO), (std::vector<int>{CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE,
                                                    CBN_SELENDOK, CBN_CLOSEUP}));
    Commands().clear();
    Play(platform::testing::DialogScript().Pick(IDC_COMBO, "half DAY"));
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), 1);
    EXPECT_EQ(Count(IDC_COMBO, CBN_SELCHANGE), 1);
    // The arrow keys move the selection too.
    Commands().clear();
    platform::testing::PressKey(VK_DOWN);
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), 2);
    EXPECT_EQ(Count(IDC_COMBO, CBN_SELCHANGE), 1);
    // A pick that a user cannot make.
    platform::testing::DialogScript script;
    script.Pick(IDC_COMBO, 4).Pick(IDC_COMBO, "Second");
    for (const auto& step : script.steps())
        EXPECT_TRUE(step(dialog));
    EnableWindow(Item(IDC_COMBO), FALSE);
    EXPECT_EQ(*platform::testing::DialogScript().Pick(IDC_COMBO, 0).steps()[0](dialog),
              "control 32 is disabled");
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), 2);
}

// The list drops down as a window of its own below the control: a click on an entry picks it,
// a click anywhere else closes the list and leaves the selection as it was.
TEST_F(ControlsTest, AComboBoxsListDropsDownBelowItForTheMouse) {
    for (const char* text : {"Day", "Half day", "Hour", "Minute"})
        Send(IDC_COMBO, CB_ADDSTRING, 0, LPARAM(text));
    Send(IDC_COMBO, CB_SETCURSEL, 0);
    RECT combo;
    GetWindowRect(Item(IDC_COMBO), &combo);
    // Inside the list's frame, 16 pixels an entry.
    const auto entry = [&](int index) {
        return POINT{(combo.left + combo.right) / 2, combo.bottom + 1 + index * 16 + 8};
    };
    struct Case {
        const char* what;
        POINT second_click;
        int selection;
        std::vector<int> codes;
    };
    const Case cases[] = {
        {"a click on an entry", entry(2), 2, {CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}},
        {"a click beside the list", POINT{combo.right + 40, combo.bottom + 20}, 2, {CBN_CLOSEUP}},
        {"a click on the control again", CentreOf(IDC_COMBO), 2, {CBN_CLOSEUP}},
    };
    for (const Case& c : cases) {
        platform::testing::LeftClick(CentreOf(IDC_COMBO));
        platform::testing::RunUntilIdle();
        EXPECT_TRUE(Send(IDC_COMBO, CB_GETDROPPEDSTATE)) << c.what;
        HWND list = WindowFromPoint(entry(1));
        EXPECT_NE(list, nullptr) << c.what;
        EXPECT_NE(list, dialog) << c.what << ": no list below the control";
        Commands().clear();
        platform::testing::LeftClick(c.second_click);
        platform::testing::RunUntilIdle();
        EXPECT_FALSE(Send(IDC_COMBO, CB_GETDROPPEDSTATE)) << c.what;
        EXPECT_FALSE(IsWindow(list)) << c.what << ": the list stays";
        EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), c.selection) << c.what;
        std::vector<int> codes;
        for (int code : CodesOf(IDC_COMBO))
            if (code != CBN_SETFOCUS && code != CBN_KILLFOCUS)
                codes.push_back(code);
        EXPECT_EQ(codes, c.codes) << c.what;
        EXPECT_EQ(GetCapture(), nullptr) << c.what;
    }
    // The keys: the list drops with F4 and Escape closes it without closing the dialog.
    SetFocus(Item(IDC_COMBO));
    platform::testing::PressKey(VK_F4);
    platform::testing::RunUntilIdle();
    EXPECT_TRUE(Send(IDC_COMBO, CB_GETDROPPEDSTATE));
    platform::testing::PressKey(VK_ESCAPE);
    platform::testing::RunUntilIdle();
    EXPECT_FALSE(Send(IDC_COMBO, CB_GETDROPPEDSTATE));
    EXPECT_TRUE(IsWindowVisible(dialog));
}

// A character typed in a list box or a closed drop-down list picks the next entry that starts
// with it, without regard to case, round to the first; a change is the user's (the parent hears
// of it) and a character that starts no entry leaves the selection.
TEST_F(ControlsTest, ACharacterTypedPicksTheNextEntryStartingWithIt) {
    struct Case {
        int id;
        int notice; // what the parent hears of a change
    };
    for (const Case& c : {Case{IDC_LIST, LBN_SELCHANGE}, Case{IDC_COMBO, CBN_SELCHANGE}}) {
        SCOPED_TRACE(c.id);
        const bool combo = c.id == IDC_COMBO;
        for (const char* text : {"Beta", "apple", "Banana", "cherry"})
            Send(c.id, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, LPARAM(text));
        SetFocus(Item(c.id));
        struct Step {
            int key;
            int selection;
        };
        const Step steps[] = {{'B', 0}, {'B', 2}, {'B', 0}, {'A', 1}, {'Z', 1}, {'C', 3}};
        for (const Step& step : steps) {
            Commands().clear();
            const int before = int(Send(c.id, combo ? CB_GETCURSEL : LB_GETCURSEL));
            platform::testing::PressKey(step.key);
            platform::testing::RunUntilIdle();
            EXPECT_EQ(Send(c.id, combo ? CB_GETCURSEL : LB_GETCURSEL), step.selection)
                << char(step.key);
            EXPECT_EQ(Count(c.id, c.notice), before == step.selection ? 0 : 1) << char(step.key);
        }
        if (combo) {
            EXPECT_FALSE(Send(c.id, CB_GETDROPPEDSTATE)) << "the list stays closed";
        }
    }
}

// Alt and an up or down arrow open and close a drop-down list, as F4 does.
TEST_F(ControlsTest, AltAndAnArrowOpenADropDownList) {
    for (const char* text : {"Day", "Hour"})
        Send(IDC_COMBO, CB_ADDSTRING, 0, LPARAM(text));
    SetFocus(Item(IDC_COMBO));
    struct Step {
        bool alt;
        int key;
        bool dropped;
    };
    const Step steps[] = {{true, VK_DOWN, true},  {true, VK_UP, false}, {true, VK_UP, true},
                          {true, VK_DOWN, false}, {false, VK_F4, true}, {false, VK_F4, false}};
    for (const Step& step : steps) {
        platform::testing::SetKeyDown(VK_MENU, step.alt);
        platform::testing::PressKey(step.key);
        platform::testing::SetKeyDown(VK_MENU, false);
        platform::testing::RunUntilIdle();
        EXPECT_EQ(Send(IDC_COMBO, CB_GETDROPPEDSTATE) != 0, step.dropped) << step.key;
    }
    EXPECT_EQ(Send(IDC_COMBO, CB_GETCURSEL), CB_ERR) << "opening picks nothing";
}

TEST_F(ControlsTest, AListBox) {
    for (const char* text : {"%1", "%2", "%3"})
        Send(IDC_LIST, LB_ADDSTRING, 0, LPARAM(text));
    EXPECT_EQ(Send(IDC_LIST, LB_GETCOUNT), 3);
    EXPECT_EQ(Send(IDC_LIST, LB_INSERTSTRING, 1, LPARAM("%0")), 1);
    EXPECT_EQ(Send(IDC_LIST, LB_SETCURSEL, 2), 2);
    EXPECT_EQ(Send(IDC_LIST, LB_DELETESTRING, 0), 3);
    EXPECT_EQ(Send(IDC_LIST, LB_GETCURSEL), 1);
    char buffer[8];
    EXPECT_EQ(Send(IDC_LIST, LB_GETTEXT, 1, LPARAM(buffer)), 2);
    EXPECT_STREQ(buffer, "%2");
    EXPECT_EQ(Send(IDC_LIST, LB_GETTEXTLEN, 5), LB_ERR);
    EXPECT_EQ(Send(IDC_LIST, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("%3")), 2);
    Commands().clear();
    Play(platform::testing::DialogScript().Pick(IDC_LIST, 2).DoubleClickEntry(IDC_LIST, 0));
    EXPECT_EQ(Count(IDC_LIST, LBN_SELCHANGE), 2);
    EXPECT_EQ(Count(IDC_LIST, LBN_DBLCLK), 1);
    EXPECT_EQ(Send(IDC_LIST, LB_GETCURSEL), 0);
    EXPECT_EQ(ReadDialogItem(dialog, IDC_LIST).selection, 0);
}

// Each entry keeps its own data as entries are inserted and deleted around it, also among
// entries of one text; a new entry's data is 0.
TEST_F(ControlsTest, AListBoxEntryKeepsItsOwnData) {
    for (const char* text : {"Alpha|0", "Alpha|0", "Beta|0"})
        Send(IDC_LIST, LB_ADDSTRING, 0, LPARAM(text));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Send(IDC_LIST, LB_SETITEMDATA, WPARAM(i), 10 + i), TRUE);
    EXPECT_EQ(Send(IDC_LIST, LB_INSERTSTRING, 0, LPARAM("Alpha|1")), 0);
    EXPECT_EQ(Send(IDC_LIST, LB_DELETESTRING, 1), 3);
    EXPECT_EQ(Send(IDC_LIST, LB_ADDSTRING, 0, LPARAM("Alpha|0")), 3);
    const LRESULT expected[] = {0, 11, 12, 0};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Send(IDC_LIST, LB_GETITEMDATA, WPARAM(i)), expected[i]) << "entry " << i;
    EXPECT_EQ(Send(IDC_LIST, LB_GETITEMDATA, 4), LB_ERR);
    EXPECT_EQ(Send(IDC_LIST, LB_SETITEMDATA, 4, 1), LB_ERR);
    Send(IDC_LIST, LB_RESETCONTENT);
    EXPECT_EQ(Send(IDC_LIST, LB_GETITEMDATA, 0), LB_ERR);
}

// A list of more entries than it shows keeps the selection in view and scrolls by its bar, by
// the wheel and by the keys.
TEST_F(ControlsTest, AListBoxLongerThanItShowsScrolls) {
    const int count = 20;
    for (int i = 0; i < count; ++i)
        Send(IDC_LIST, LB_ADDSTRING, 0, LPARAM(("Item " + std::to_string(i)).c_str()));
    RECT client, screen;
    GetClientRect(Item(IDC_LIST), &client);
    GetWindowRect(Item(IDC_LIST), &screen);
    const int visible = (client.bottom - client.top - 2) / 16; // inside the frame
    ASSERT_GT(visible, 1);
    ASSERT_LT(visible, count);
    const int last_top = count - visible;
    const POINT up{screen.right - 8, screen.top + 4}, down{screen.right - 8, screen.bottom - 4};
    const auto wheel = [&](int notches) {
        Send(IDC_LIST, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(SHORT(notches * WHEEL_DELTA))));
    };
    struct Case {
        const char* what;
        std::function<void()> act;
        int top;
    };
    const Case cases[] = {
        {"a selection below the rows shown", [&] { Send(IDC_LIST, LB_SETCURSEL, 15); },
         15 - visible + 1},
        {"Home", [&] { platform::testing::PressKey(VK_HOME); }, 0},
        {"the up arrow at the top", [&] { platform::testing::LeftClick(up); }, 0},
        {"the down arrow", [&] { platform::testing::LeftClick(down); }, 1},
        {"the wheel towards the user", [&] { wheel(-1); }, 4},
        {"the wheel away", [&] { wheel(2); }, 0},
        {"End", [&] { platform::testing::PressKey(VK_END); }, last_top},
        {"the down arrow at the end", [&] { platform::testing::LeftClick(down); }, last_top},
        {"the up arrow", [&] { platform::testing::LeftClick(up); }, last_top - 1},
        // The entry a page up is in view already.
        {"Page Up from the last entry", [&] { platform::testing::PressKey(VK_PRIOR); },
         last_top - 1},
        {"Page Up again", [&] { platform::testing::PressKey(VK_PRIOR); },
         count - 1 - 2 * (visible - 1)},
    };
    SetFocus(Item(IDC_LIST));
    for (const Case& c : cases) {
        c.act();
        platform::testing::RunUntilIdle();
        EXPECT_EQ(Send(IDC_LIST, LB_GETTOPINDEX), c.top) << c.what;
    }
    // A press on the bar is no pick of an entry.
    EXPECT_EQ(Send(IDC_LIST, LB_GETCURSEL), count - 1 - 2 * (visible - 1));
    auto pixels = platform::testing::ReadWindowPixels(dialog);
    ASSERT_TRUE(pixels);
    POINT bar{screen.right - 8, (screen.top + screen.bottom) / 2};
    ScreenToClient(dialog, &bar);
    EXPECT_NE(platform::testing::PixelAt(*pixels, bar.x, bar.y), RGB(255, 255, 255))
        << "no scroll bar drawn";

    // A list that holds no more than it shows has no bar: the press there picks the entry.
    Send(IDC_LIST, LB_RESETCONTENT);
    Send(IDC_LIST, LB_ADDSTRING, 0, LPARAM("Only"));
    platform::testing::LeftClick(POINT{screen.right - 8, screen.top + 8});
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Send(IDC_LIST, LB_GETCURSEL), 0);
}

// The entry half shown at the bottom comes into view at the first press of a double click; the
// second press, at the same place, still means that entry and not the one moved under it.
TEST_F(ControlsTest, ADoubleClickOnAPartlyShownEntryPicksThatEntry) {
    for (int i = 0; i < 20; ++i)
        Send(IDC_LIST, LB_ADDSTRING, 0, LPARAM(("Item " + std::to_string(i)).c_str()));
    // Four whole rows and half of the fifth inside the frame.
    SetWindowPos(Item(IDC_LIST), nullptr, 0, 0, 120, 2 + 4 * 16 + 8, SWP_NOMOVE | SWP_NOZORDER);
    RECT screen;
    GetWindowRect(Item(IDC_LIST), &screen);
    const POINT half_shown{screen.left + 20, screen.top + 1 + 4 * 16 + 4};
    Commands().clear();
    platform::testing::LeftClick(half_shown);
    platform::testing::LeftClick(half_shown);
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Send(IDC_LIST, LB_GETTOPINDEX), 1) << "the entry pressed came into view";
    EXPECT_EQ(Count(IDC_LIST, LBN_DBLCLK), 1);
    EXPECT_EQ(Send(IDC_LIST, LB_GETCURSEL), 4);
    // A double click anywhere else picks the entry under it.
    desktop_.clock().Advance(1000);
    const POINT first{screen.left + 20, screen.top + 1 + 8};
    platform::testing::LeftClick(first);
    platform::testing::LeftClick(first);
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Count(IDC_LIST, LBN_DBLCLK), 2);
    EXPECT_EQ(Send(IDC_LIST, LB_GETCURSEL), 1);
}

TEST_F(ControlsTest, AListBoxFilledWithRedrawingOffIsDrawnWhenItComesOn) {
    auto lit_rows = [&] {
        auto pixels = platform::testing::ReadWindowPixels(dialog);
        EXPECT_TRUE(pixels);
        RECT r;
        GetWindowRect(Item(IDC_LIST), &r);
        POINT at{r.right - 8, r.top + 8}; // beyond the text
        ScreenToClient(dialog, &at);
        return pixels && platform::testing::PixelAt(*pixels, at.x, at.y) == RGB(0, 120, 215);
    };
    Send(IDC_LIST, WM_SETREDRAW, FALSE);
    Send(IDC_LIST, LB_ADDSTRING, 0, LPARAM("%1"));
    Send(IDC_LIST, LB_SETCURSEL, 0);
    EXPECT_FALSE(lit_rows());
    Send(IDC_LIST, WM_SETREDRAW, TRUE);
    EXPECT_TRUE(lit_rows());
}

TEST_F(ControlsTest, AnUpDownControlAndItsBuddy) {
    HWND spin = Item(IDC_SPIN), edit = Item(IDC_NUMBER);
    // UDS_AUTOBUDDY takes the control before it; UDS_ALIGNRIGHT puts it at the buddy's right
    // edge, inside the buddy's former width.
    EXPECT_EQ(HWND(SendMessageA(spin, UDM_GETBUDDY, 0, 0)), edit);
    RECT e, s;
    GetWindowRect(edit, &e);
    GetWindowRect(spin, &s);
    EXPECT_EQ(s.left, e.right);
    EXPECT_EQ(s.right - e.left, 60) << "40 dialog units";
    EXPECT_EQ(s.bottom - s.top, e.bottom - e.top);

    SendMessageA(spin, UDM_SETRANGE32, 1, 60);
    int low = 0, high = 0;
    SendMessageA(spin, UDM_GETRANGE32, WPARAM(&low), LPARAM(&high));
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 60);
    Commands().clear();
    EXPECT_EQ(SendMessageA(spin, UDM_SETPOS32, 0, 10), 0);
    EXPECT_EQ(ReadDialogItem(dialog, IDC_NUMBER).text, "10");
    EXPECT_EQ(Count(IDC_NUMBER, EN_CHANGE), 1) << "the buddy's text changed";
    EXPECT_EQ(SendMessageA(spin, UDM_SETPOS32, 0, 99), 10);
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), 60) << "kept within the range";

    // The position is read back from what the user typed into the buddy.
    struct Case {
        const char* typed;
        int position;
        BOOL error;
    };
    const Case cases[] = {
        {"25", 25, FALSE}, {"", 25, TRUE}, {"abc", 25, TRUE}, {"61", 25, TRUE}, {"1", 1, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        SetWindowTextA(edit, c.typed);
        BOOL error = 2;
        EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, LPARAM(&error)), c.position);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(HIWORD(SendMessageA(spin, UDM_GETPOS, 0, 0)) != 0, c.error != FALSE);
    }
    EXPECT_EQ(LOWORD(SendMessageA(spin, UDM_GETPOS, 0, 0)), 1);
}

TEST_F(ControlsTest, AClickOnAnArrowAsksTheParentFirst) {
    HWND spin = Item(IDC_SPIN);
    SendMessageA(spin, UDM_SETRANGE32, 1, 3);
    SendMessageA(spin, UDM_SETPOS32, 0, 2);
    Play(platform::testing::DialogScript().UpDown(IDC_SPIN, true));
    ASSERT_EQ(deltas.size(), 1u);
    EXPECT_EQ(deltas[0].hdr.hwndFrom, spin);
    EXPECT_EQ(deltas[0].hdr.idFrom, UINT_PTR(IDC_SPIN));
    EXPECT_EQ(deltas[0].iPos, 2);
    EXPECT_EQ(deltas[0].iDelta, 1);
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), 3);
    EXPECT_EQ(ReadDialogItem(dialog, IDC_NUMBER).text, "3");
    EXPECT_EQ(scrolls, (std::vector<int>{SB_THUMBPOSITION, SB_ENDSCROLL}));
    // At the top of the range the position stays.
    Play(platform::testing::DialogScript().UpDown(IDC_SPIN, true));
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), 3);
    // A parent that refuses the change keeps the position.
    refuse_delta = true;
    Play(platform::testing::DialogScript().UpDown(IDC_SPIN, false));
    EXPECT_EQ(deltas.back().iDelta, -1);
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), 3);
    refuse_delta = false;
    // A mouse click on the lower half is the down arrow; a typed value counts from where it is.
    SetDlgItemTextA(dialog, IDC_NUMBER, "2");
    RECT r;
    GetWindowRect(spin, &r);
    platform::testing::LeftClick(POINT{(r.left + r.right) / 2, r.bottom - 2});
    platform::testing::RunUntilIdle();
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), 1);
    EXPECT_EQ(deltas.back().iPos, 2);
    // A reversed range turns the arrows round.
    SendMessageA(spin, UDM_SETRANGE32, 10, 0);
    SendMessageA(spin, UDM_SETPOS32, 0, 5);
    Play(platform::testing::DialogScript().UpDown(IDC_SPIN, true, 2));
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), 3);
    EXPECT_EQ(deltas.back().iDelta, -1);
}

TEST_F(ControlsTest, UpDownRangesWrappingAndThousands) {
    HWND parent = dialog;
    HWND edit = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, parent,
                                HMENU(100), nullptr, nullptr);
    HWND spin = CreateWindowExA(0, UPDOWN_CLASS, "",
                                WS_CHILD | WS_VISIBLE | UDS_WRAP | UDS_SETBUDDYINT | UDS_AUTOBUDDY,
                                80, 0, 16, 20, parent, HMENU(101), nullptr, nullptr);
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(HWND(SendMessageA(spin, UDM_GETBUDDY, 0, 0)), edit);
    // The 16-bit range: low word the upper bound, high word the lower one.
    SendMessageA(spin, UDM_SETRANGE, 0, MAKELPARAM(2000, -5));
    EXPECT_EQ(SendMessageA(spin, UDM_GETRANGE, 0, 0), LRESULT(DWORD(MAKELONG(2000, WORD(-5)))));
    int low = 0, high = 0;
    SendMessageA(spin, UDM_GETRANGE32, WPARAM(&low), LPARAM(&high));
    EXPECT_EQ(low, -5);
    EXPECT_EQ(high, 2000);
    EXPECT_EQ(SendMessageA(spin, UDM_SETPOS, 0, MAKELPARAM(1500, 0)), 0);
    char text[16];
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "1,500");
    BOOL error = TRUE;
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, LPARAM(&error)), 1500);
    EXPECT_FALSE(error);
    // UDS_WRAP goes round from one end to the other.
    SendMessageA(spin, UDM_SETPOS32, 0, 2000);
    EXPECT_TRUE(platform::comctl32::UpDownPressByUser(spin, true));
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), -5);
    EXPECT_TRUE(platform::comctl32::UpDownPressByUser(spin, false));
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), 2000);
    // Without a buddy the position is kept but reported as an error.
    HWND alone = CreateWindowExA(0, UPDOWN_CLASS, "", WS_CHILD, 0, 40, 16, 20, parent, HMENU(102),
                                 nullptr, nullptr);
    SendMessageA(alone, UDM_SETRANGE32, 0, 10);
    SendMessageA(alone, UDM_SETPOS32, 0, 4);
    error = FALSE;
    EXPECT_EQ(SendMessageA(alone, UDM_GETPOS32, 0, LPARAM(&error)), 4);
    EXPECT_TRUE(error);
    // Acceleration entries are copied within the caller's array.
    UDACCEL accel[2] = {{9, 9}, {9, 9}};
    EXPECT_EQ(SendMessageA(alone, UDM_GETACCEL, 1, LPARAM(accel)), 1);
    EXPECT_EQ(accel[0].nInc, 1u);
    EXPECT_EQ(accel[1].nInc, 9u);
    EXPECT_FALSE(platform::comctl32::UpDownPressByUser(edit, true)) << "no up-down control";
}

TEST_F(ControlsTest, TheArrowKeysInTheBuddyPressTheArrows) {
    HWND spin = Item(IDC_SPIN), edit = Item(IDC_NUMBER);
    SendMessageA(spin, UDM_SETRANGE32, 0, 10);
    SendMessageA(spin, UDM_SETPOS32, 0, 5);
    SetFocus(edit);
    platform::testing::PressKey(VK_UP);
    platform::testing::RunUntilIdle();
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), 6);
    EXPECT_EQ(ReadDialogItem(dialog, IDC_NUMBER).text, "6");
    platform::testing::PressKey(VK_DOWN);
    platform::testing::PressKey(VK_DOWN);
    platform::testing::RunUntilIdle();
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), 4);
    EXPECT_EQ(deltas.size(), 3u);
    // Other keys still reach the edit; without the up-down the edit is an edit again.
    platform::testing::PressKey(VK_END);
    platform::testing::RunUntilIdle();
    Send(IDC_NUMBER, WM_CHAR, '7');
    EXPECT_EQ(ReadDialogItem(dialog, IDC_NUMBER).text, "47");
    DestroyWindow(spin);
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC),
              GetWindowLongPtrA(Item(IDC_PLAIN_EDIT), GWLP_WNDPROC));
    platform::testing::PressKey(VK_UP);
    platform::testing::RunUntilIdle();
    EXPECT_EQ(deltas.size(), 3u);
}

TEST_F(ControlsTest, AnOwnerDrawnButtonIsDrawnByItsParent) {
    auto pixels = platform::testing::ReadWindowPixels(dialog);
    ASSERT_FALSE(drawn.empty());
    const DRAWITEMSTRUCT& item = drawn.back();
    EXPECT_EQ(item.CtlType, UINT(ODT_BUTTON));
    EXPECT_EQ(item.CtlID, UINT(IDC_COLOR));
    EXPECT_EQ(item.hwndItem, Item(IDC_COLOR));
    EXPECT_EQ(item.itemAction, UINT(ODA_DRAWENTIRE));
    EXPECT_EQ(item.itemState & ODS_FOCUS, 0u);
    RECT client;
    GetClientRect(Item(IDC_COLOR), &client);
    EXPECT_EQ(item.rcItem.right, client.right);
    EXPECT_EQ(item.rcItem.bottom, client.bottom);
    POINT at{0, 0}, origin{0, 0};
    ClientToScreen(Item(IDC_COLOR), &at);
    ClientToScreen(dialog, &origin);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(platform::testing::PixelAt(*pixels, at.x - origin.x + 3, at.y - origin.y + 3),
              RGB(255, 0, 0));
    // Focus is part of what the parent is told; a click is a click.
    SetFocus(Item(IDC_COLOR));
    platform::testing::ReadWindowPixels(dialog);
    EXPECT_NE(drawn.back().itemState & ODS_FOCUS, 0u);
    Send(IDC_COLOR, BM_CLICK);
    EXPECT_EQ(Count(IDC_COLOR, BN_CLICKED), 1);
}

TEST_F(ControlsTest, StaticsTextAndIcon) {
    HICON icon = HICON(Send(IDC_PICTURE, STM_GETICON));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(HICON(Send(IDC_PICTURE, STM_SETICON, 0)), icon);
    EXPECT_EQ(Send(IDC_PICTURE, STM_GETICON), 0);
    EXPECT_TRUE(SetDlgItemTextA(dialog, IDC_LABEL, "Pelmora Version 1.0 (x64)"));
    EXPECT_EQ(ReadDialogItem(dialog, IDC_LABEL).text, "Pelmora Version 1.0 (x64)");
    // Nothing of a static's changes reaches the parent.
    EXPECT_TRUE(CodesOf(IDC_LABEL).empty());
}

// An icon control takes its icon's size, whatever size it was made with, and none while it has
// no icon; one that centres its icon keeps its size.
TEST_F(ControlsTest, AnIconControlTakesTheSizeOfItsIcon) {
    HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
    auto pixels = platform::user32::FindIcon(icon);
    ASSERT_TRUE(pixels);
    struct Case {
        DWORD style;
        SIZE made, with_icon;
    };
    const Case cases[] = {
        {SS_ICON, {0, 0}, {pixels->width, pixels->height}},
        {SS_ICON | SS_CENTERIMAGE, {21, 20}, {21, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        HWND control = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | c.style, 5, 6, 21,
                                       20, dialog, nullptr, nullptr, nullptr);
        ASSERT_NE(control, nullptr);
        RECT r;
        GetClientRect(control, &r);
        EXPECT_EQ(r.right, c.made.cx);
        EXPECT_EQ(r.bottom, c.made.cy);
        SendMessageA(control, STM_SETICON, WPARAM(icon), 0);
        GetWindowRect(control, &r);
        POINT origin{0, 0};
        ClientToScreen(dialog, &origin);
        EXPECT_EQ(r.left - origin.x, 5);
        EXPECT_EQ(r.top - origin.y, 6);
        EXPECT_EQ(r.right - r.left, c.with_icon.cx);
        EXPECT_EQ(r.bottom - r.top, c.with_icon.cy);
        DestroyWindow(control);
    }
}

} // namespace
} // namespace user32_test
