// The "ComboBox" class: a list of strings of which one is shown, picked from a list that drops
// down. The drop-down list itself is not a window here; the user's pick arrives through the
// keyboard or the test desktop (ComboPickByUser).
#include "user32/controls.h"

#include "user32/window_manager.h"

#include <algorithm>

namespace platform::user32 {

namespace {

struct ComboState {
    ItemList items;
    int selection = -1;
    bool dropped = false;
    int dropped_width = 0; // 0: as wide as the control
    std::string edit_text; // CBS_SIMPLE and CBS_DROPDOWN: the text of the edit part
    size_t edit_limit = 0x7FFFFFFE;
    bool focused = false;
    HFONT font = nullptr;
};

ControlStates<ComboState>& States() {
    static ControlStates<ComboState> states;
    return states;
}

bool IsDropDownList(HWND hwnd) {
    return (StyleOf(hwnd) & 0x3) == CBS_DROPDOWNLIST;
}

int Width(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r.right - r.left;
}

void Select(HWND hwnd, ComboState& s, int index) {
    s.selection = s.items.Valid(index) ? index : -1;
    if (!IsDropDownList(hwnd))
        s.edit_text = s.selection >= 0 ? s.items.At(s.selection).text : std::string();
    Redraw(hwnd);
}

void Drop(HWND hwnd, ComboState& s, bool drop) {
    if (s.dropped == drop)
        return;
    s.dropped = drop;
    Redraw(hwnd);
    NotifyParent(hwnd, drop ? CBN_DROPDOWN : CBN_CLOSEUP);
}

std::string ShownText(HWND hwnd, const ComboState& s) {
    if (IsDropDownList(hwnd))
        return s.selection >= 0 ? s.items.At(s.selection).text : std::string();
    return s.edit_text;
}

void Paint(HWND hwnd, const ComboState& s) {
    ControlPainter p(hwnd, s.font);
    if (!p.dc())
        return;
    const bool enabled = !(StyleOf(hwnd) & WS_DISABLED);
    RECT r = p.client();
    p.Fill(r, enabled ? colors::kWindow : colors::kFace);
    p.Frame(r, colors::kFrame);
    int arrow = std::min<int>(17, r.right - r.left);
    RECT button{r.right - arrow, r.top, r.right, r.bottom};
    p.Fill(RECT{button.left, button.top + 1, button.right - 1, button.bottom - 1}, colors::kFace);
    int cx = (button.left + button.right) / 2, cy = (button.top + button.bottom) / 2;
    for (int i = 0; i < 4; ++i)
        p.Fill(RECT{cx - 3 + i, cy - 2 + i, cx + 4 - i, cy - 1 + i}, colors::kText);
    RECT text{r.left + 3, r.top + 1, button.left - 1, r.bottom - 1};
    if (s.focused && IsDropDownList(hwnd)) {
        p.Fill(text, colors::kSelection);
        p.Text(ShownText(hwnd, s), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, colors::kWindow);
        return;
    }
    p.Text(ShownText(hwnd, s), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX,
           enabled ? colors::kText : colors::kGrayText);
}

// A change of the selection by the user: the parent hears CBN_SELCHANGE.
void UserSelect(HWND hwnd, ComboState& s, int index) {
    if (!s.items.Valid(index))
        return;
    Select(hwnd, s, index);
    NotifyParent(hwnd, CBN_SELCHANGE);
}

LRESULT CALLBACK ComboProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto s = States().ForMessage(hwnd, message);
    if (!s)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    const bool sorted = (StyleOf(hwnd) & CBS_SORT) != 0;
    switch (message) {
    case CB_ADDSTRING: {
        LPCSTR text = TextArgument(lparam);
        int index = s->items.Add(text ? text : "", sorted);
        FollowInsert(s->selection, index);
        return index;
    }
    case CB_INSERTSTRING: {
        LPCSTR text = TextArgument(lparam);
        int index = s->items.Insert(int(wparam), text ? text : "");
        if (index < 0)
            return CB_ERR;
        FollowInsert(s->selection, index);
        return index;
    }
    case CB_DELETESTRING: {
        int index = int(wparam);
        int left = s->items.Delete(index);
        if (left < 0)
            return CB_ERR;
        FollowDelete(s->selection, index);
        Redraw(hwnd);
        return left;
    }
    case CB_RESETCONTENT:
        s->items.Clear();
        s->selection = -1;
        if (!IsDropDownList(hwnd))
            s->edit_text.clear();
        Redraw(hwnd);
        return CB_OKAY;
    case CB_GETCOUNT:
        return s->items.Count();
    case CB_GETCURSEL:
        return s->selection >= 0 ? s->selection : CB_ERR;
    case CB_SETCURSEL: {
        int index = int(wparam);
        Select(hwnd, *s, index);
        return s->items.Valid(index) ? index : CB_ERR;
    }
    case CB_GETLBTEXT:
        return s->items.CopyText(int(wparam), lparam);
    case CB_GETLBTEXTLEN:
        return s->items.TextLength(int(wparam));
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT: {
        LPCSTR text = TextArgument(lparam);
        if (!text)
            return CB_ERR;
        int found = s->items.Find(int(wparam), text, message == CB_FINDSTRINGEXACT);
        return found >= 0 ? found : CB_ERR;
    }
    case CB_SELECTSTRING: {
        LPCSTR text = TextArgument(lparam);
        int found = text ? s->items.Find(int(wparam), text, false) : -1;
        if (found < 0)
            return CB_ERR;
        Select(hwnd, *s, found);
        return found;
    }
    case CB_SETITEMDATA:
        return s->items.SetData(int(wparam), lparam) ? TRUE : CB_ERR;
    case CB_GETITEMDATA:
        return s->items.Data(int(wparam));
    case CB_SETDROPPEDWIDTH: {
        // The list is never narrower than the control.
        int width = int(wparam);
        if (width < 0)
            return CB_ERR;
        s->dropped_width = width;
        return std::max(width, Width(hwnd));
    }
    case CB_GETDROPPEDWIDTH:
        return std::max(s->dropped_width, Width(hwnd));
    case CB_SHOWDROPDOWN:
        Drop(hwnd, *s, wparam != 0);
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return s->dropped ? TRUE : FALSE;
    case CB_LIMITTEXT:
        s->edit_limit = wparam ? size_t(wparam) : 0x7FFFFFFE;
        return TRUE;
    case WM_SETTEXT: {
        LPCSTR text = TextArgument(lparam);
        if (IsDropDownList(hwnd)) {
            // The list's text is its selected item: the text picks the item that has it.
            int found = s->items.Find(-1, text ? text : "", true);
            if (found < 0)
                return CB_ERR;
            Select(hwnd, *s, found);
            return TRUE;
        }
        s->edit_text = text ? text : "";
        Redraw(hwnd);
        return TRUE;
    }
    case WM_GETTEXT:
        return CopyOut(ShownText(hwnd, *s), wparam, lparam);
    case WM_GETTEXTLENGTH:
        return LRESULT(ShownText(hwnd, *s).size());
    case WM_KEYDOWN: {
        int count = s->items.Count();
        if (count == 0)
            return 0;
        switch (wparam) {
        case VK_DOWN:
        case VK_RIGHT:
            UserSelect(hwnd, *s, s->selection < 0 ? 0 : std::min(s->selection + 1, count - 1));
            return 0;
        case VK_UP:
        case VK_LEFT:
            UserSelect(hwnd, *s, s->selection < 0 ? 0 : std::max(s->selection - 1, 0));
            return 0;
        case VK_HOME:
            UserSelect(hwnd, *s, 0);
            return 0;
        case VK_END:
            UserSelect(hwnd, *s, count - 1);
            return 0;
        case VK_F4:
            Drop(hwnd, *s, !s->dropped);
            return 0;
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        Drop(hwnd, *s, !s->dropped);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
        s->focused = true;
        Redraw(hwnd);
        NotifyParent(hwnd, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s->focused = false;
        Drop(hwnd, *s, false);
        Redraw(hwnd);
        NotifyParent(hwnd, CBN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        if (!wparam)
            Drop(hwnd, *s, false);
        Redraw(hwnd);
        return 0;
    case WM_PAINT:
        Paint(hwnd, *s);
        return 0;
    }
    return States().Default(hwnd, message, wparam, lparam, &s->font);
}

[[maybe_unused]] const bool registered = AddSystemClass({"ComboBox", ComboProc, CS_DBLCLKS});

} // namespace

bool ComboPickByUser(HWND combo, int index) {
    auto s = States().Find(combo);
    if (!s || !IsWindowEnabled(combo) || !s->items.Valid(index))
        return false;
    // The user clicks the control, which drops the list, and clicks an entry of the list.
    SetFocus(combo);
    Drop(combo, *s, true);
    UserSelect(combo, *s, index);
    NotifyParent(combo, CBN_SELENDOK);
    Drop(combo, *s, false);
    return true;
}

} // namespace platform::user32
