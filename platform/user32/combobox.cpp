// The "ComboBox" class: a list of strings of which one is shown, picked from a list that drops
// down. The list is a popup window of its own below the control ("ComboLBox"); while it is down
// the control has all of the input (the capture, and on a real display the pointer and the
// keyboard taken from the other programs), so a press on an entry picks it and a press anywhere
// else, on another program's window too, closes the list. The keyboard and the test desktop
// (ComboPickByUser) pick entries too.
#include "user32/controls.h"

#include "user32/modal_loop.h"
#include "user32/window_manager.h"

#include <algorithm>
#include <memory>

namespace platform::user32 {

namespace {

constexpr char kDropListClass[] = "ComboLBox";
constexpr int kDropItemHeight = 16; // pixels per entry of the list that drops down
constexpr int kDropRows = 8;        // entries shown at most; more scroll

struct ComboState {
    ItemList items;
    int selection = -1;
    bool dropped = false;
    HWND list = nullptr;   // the list while it is down
    int list_top = 0;      // its first entry shown
    int hot = -1;          // its entry under the mouse or picked with the keys
    int dropped_width = 0; // 0: as wide as the control
    std::string edit_text; // CBS_SIMPLE and CBS_DROPDOWN: the text of the edit part
    size_t edit_limit = 0x7FFFFFFE;
    bool focused = false;
    HFONT font = nullptr;
    std::unique_ptr<InputGrab> grab; // while the list is down
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

// The combo box that each open list belongs to.
ControlStates<HWND>& ListOwners() {
    static ControlStates<HWND> owners;
    return owners;
}

int ShownRows(const ComboState& s) {
    return std::clamp(s.items.Count(), 1, kDropRows);
}

RowScrollBar ListScrollBar(HWND list, const ComboState& s) {
    RECT r{};
    GetClientRect(list, &r);
    r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    return RowScrollBar(r, s.items.Count(), ShownRows(s), s.list_top);
}

void ShowHot(ComboState& s, int hot) {
    s.hot = hot;
    s.list_top = RowScrollBar::Reveal(hot, s.list_top, s.items.Count(), ShownRows(s));
    if (s.list)
        InvalidateRect(s.list, nullptr, FALSE);
}

// Below the control, or above it where the work area of its monitor ends first.
void OpenList(HWND hwnd, ComboState& s) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    const int width = std::max<int>(s.dropped_width, r.right - r.left);
    const int height = ShownRows(s) * kDropItemHeight + 2;
    int top = r.bottom;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info) &&
        top + height > info.rcWork.bottom && r.top - height >= info.rcWork.top)
        top = r.top - height;
    s.list_top = 0;
    s.list = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kDropListClass,
                             "", WS_POPUP | WS_BORDER, r.left, top, width, height, nullptr, nullptr,
                             nullptr, nullptr);
    if (!s.list)
        return;
    if (auto owner = ListOwners().Find(s.list))
        *owner = hwnd;
    ShowHot(s, s.selection);
    ShowWindow(s.list, SW_SHOWNA);
    // The server holds the input for the control's own top-level window: the list has only
    // just been shown, and a window manager may not have put it on the screen yet, where a
    // grab would fail. Whichever window it is reported to, the input finds the capture.
    s.grab = std::make_unique<InputGrab>(hwnd, TopLevelOf(hwnd));
}

void CloseList(ComboState& s) {
    HWND list = s.list;
    s.list = nullptr;
    s.hot = -1;
    // Out of the state before it is given back: the capture's release is a message to the
    // control, which finds the list closed.
    std::unique_ptr<InputGrab> grab = std::move(s.grab);
    grab.reset();
    if (list && IsWindow(list))
        DestroyWindow(list);
}

void Drop(HWND hwnd, ComboState& s, bool drop) {
    if (s.dropped == drop)
        return;
    s.dropped = drop;
    if (drop)
        OpenList(hwnd, s);
    else
        CloseList(s);
    Redraw(hwnd);
    NotifyParent(hwnd, drop ? CBN_DROPDOWN : CBN_CLOSEUP);
}

// The entry of the open list under a point of the control's client area (where the captured
// mouse reports it), or -1 off the entries; on the list's scroll bar, `scrolled` gets the first
// entry that a press there shows.
int DropEntryAt(HWND hwnd, const ComboState& s, LPARAM lparam,
                std::optional<int>* scrolled = nullptr) {
    if (!s.list)
        return -1;
    POINT pt{SHORT(LOWORD(lparam)), SHORT(HIWORD(lparam))};
    ClientToScreen(hwnd, &pt);
    ScreenToClient(s.list, &pt);
    const RowScrollBar bar = ListScrollBar(s.list, s);
    std::optional<int> top = bar.Press(pt);
    if (scrolled)
        *scrolled = top;
    const RECT rows = bar.Rows();
    if (top || pt.x < rows.left || pt.x >= rows.right || pt.y < rows.top || pt.y >= rows.bottom)
        return -1;
    const int index = s.list_top + (pt.y - rows.top) / kDropItemHeight;
    return s.items.Valid(index) ? index : -1;
}

bool InsideList(HWND hwnd, const ComboState& s, LPARAM lparam) {
    if (!s.list)
        return false;
    POINT pt{SHORT(LOWORD(lparam)), SHORT(HIWORD(lparam))};
    ClientToScreen(hwnd, &pt);
    RECT r{};
    GetWindowRect(s.list, &r);
    return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom;
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
    if (s.list)
        ShowHot(s, index);
    NotifyParent(hwnd, CBN_SELCHANGE);
}

// The user's pick of an entry of the open list, which then closes.
void PickFromList(HWND hwnd, ComboState& s, int index) {
    UserSelect(hwnd, s, index);
    NotifyParent(hwnd, CBN_SELENDOK);
    Drop(hwnd, s, false);
}

void PaintList(HWND list) {
    HWND combo = nullptr;
    if (auto owner = ListOwners().Find(list))
        combo = *owner;
    auto s = combo ? States().Find(combo) : nullptr;
    ControlPainter p(list, s ? s->font : nullptr);
    if (!p.dc())
        return;
    RECT r = p.client();
    p.Fill(r, colors::kWindow);
    if (s) {
        const RowScrollBar bar = ListScrollBar(list, *s);
        PaintListRows(p, s->items, s->list_top, s->hot, bar.Rows(), kDropItemHeight, true);
        bar.Paint(p);
    }
    p.Frame(r, colors::kFrame);
}

LRESULT CALLBACK DropListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto owner = ListOwners().ForMessage(hwnd, message);
    if (!owner)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_PAINT:
        PaintList(hwnd);
        return 0;
    }
    return ListOwners().Default(hwnd, message, wparam, lparam, nullptr);
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
    case WM_SYSKEYDOWN:
        // Alt and an up or down arrow open the list, or close it.
        if (wparam == VK_DOWN || wparam == VK_UP) {
            Drop(hwnd, *s, !s->dropped);
            return 0;
        }
        break;
    case WM_CHAR:
        // In a drop-down list a character typed picks the next entry that starts with it, from
        // the first again after the last.
        if (IsDropDownList(hwnd))
            UserSelect(hwnd, *s, s->items.FindTyped(s->selection, BYTE(wparam)));
        return 0;
    case WM_KEYDOWN: {
        // The keys that open and close the list work on an empty one too: it opens empty, and
        // Escape must close it rather than the dialog.
        switch (wparam) {
        case VK_F4:
            Drop(hwnd, *s, !s->dropped);
            return 0;
        case VK_RETURN:
        case VK_ESCAPE:
            if (s->dropped) {
                if (wparam == VK_RETURN)
                    NotifyParent(hwnd, CBN_SELENDOK);
                Drop(hwnd, *s, false);
            }
            return 0;
        }
        const int count = s->items.Count();
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
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: { // a second press soon after the first is a press as well
        std::optional<int> scrolled;
        if (s->dropped && InsideList(hwnd, *s, lparam)) {
            // A press on an entry picks it when the button comes up; one on the bar scrolls.
            const int at = DropEntryAt(hwnd, *s, lparam, &scrolled);
            if (scrolled) {
                s->list_top = *scrolled;
                InvalidateRect(s->list, nullptr, FALSE);
            } else if (at >= 0) {
                ShowHot(*s, at);
            }
            return 0;
        }
        SetFocus(hwnd);
        Drop(hwnd, *s, !s->dropped);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (s->dropped) {
            const int at = DropEntryAt(hwnd, *s, lparam);
            if (at >= 0 && at != s->hot)
                ShowHot(*s, at);
        }
        return 0;
    case WM_LBUTTONUP:
        // The press that opened the list may come up on an entry: that picks it, as a drag
        // from the control into its list does.
        if (s->dropped) {
            const int at = DropEntryAt(hwnd, *s, lparam);
            if (at >= 0)
                PickFromList(hwnd, *s, at);
        }
        return 0;
    case WM_MOUSEWHEEL:
        if (s->dropped) {
            s->list_top = ListScrollBar(s->list, *s).Wheel(SHORT(HIWORD(wparam)) / WHEEL_DELTA);
            InvalidateRect(s->list, nullptr, FALSE);
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (s->dropped && HWND(lparam) != hwnd)
            Drop(hwnd, *s, false);
        return 0;
    case WM_GETDLGCODE:
        // While the list is down, Enter and Escape close it instead of pressing a button.
        return DLGC_WANTARROWS | DLGC_WANTCHARS | (s->dropped ? DLGC_WANTALLKEYS : 0);
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
    case WM_DESTROY:
        s->dropped = false;
        CloseList(*s);
        break;
    }
    return States().Default(hwnd, message, wparam, lparam, &s->font);
}

[[maybe_unused]] const bool registered = AddSystemClass({"ComboBox", ComboProc, CS_DBLCLKS});
[[maybe_unused]] const bool list_registered = AddSystemClass({kDropListClass, DropListProc});

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
