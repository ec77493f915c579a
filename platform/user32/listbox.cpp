// The "ListBox" class: a list of strings with one selected item (single selection only).
#include "user32/controls.h"

#include "user32/window_manager.h"

#include <algorithm>

namespace platform::user32 {

namespace {

constexpr int kItemHeight = 16; // pixels per item

struct ListState {
    ItemList items;
    int selection = -1;
    int top = 0;
    bool focused = false;
    bool redraw = true;            // WM_SETREDRAW
    bool press_moved_rows = false; // the last press brought a half-shown entry into view
    HFONT font = nullptr;
};

ControlStates<ListState>& States() {
    static ControlStates<ListState> states;
    return states;
}

// Drawn again unless the program has turned redrawing off to fill the list.
void Refresh(HWND hwnd, const ListState& s) {
    if (s.redraw)
        Redraw(hwnd);
}

bool Notifies(HWND hwnd) {
    return (StyleOf(hwnd) & LBS_NOTIFY) != 0;
}

// Where the rows go: the client area inside the frame.
RECT RowArea(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    if (StyleOf(hwnd) & WS_BORDER)
        r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    return r;
}

int VisibleRows(HWND hwnd) {
    RECT r = RowArea(hwnd);
    return std::max(1, int(r.bottom - r.top) / kItemHeight);
}

// The bar of a list made with WS_VSCROLL; one without it never shows a bar.
RowScrollBar ScrollBarOf(HWND hwnd, const ListState& s) {
    const bool scrolls = (StyleOf(hwnd) & WS_VSCROLL) != 0;
    return RowScrollBar(RowArea(hwnd), scrolls ? s.items.Count() : 0, VisibleRows(hwnd), s.top);
}

// The first row shown moved so that the item is in view.
void Reveal(HWND hwnd, ListState& s, int index) {
    s.top = RowScrollBar::Reveal(index, s.top, s.items.Count(), VisibleRows(hwnd));
}

void Paint(HWND hwnd, const ListState& s) {
    ControlPainter p(hwnd, s.font);
    if (!p.dc())
        return;
    const bool enabled = !(StyleOf(hwnd) & WS_DISABLED);
    RECT r = p.client();
    p.Fill(r, colors::kWindow);
    const RowScrollBar bar = ScrollBarOf(hwnd, s);
    PaintListRows(p, s.items, s.top, s.selection, bar.Rows(), kItemHeight, enabled);
    bar.Paint(p);
    if (StyleOf(hwnd) & WS_BORDER)
        p.Frame(r, colors::kFrame);
}

void UserSelect(HWND hwnd, ListState& s, int index) {
    if (!s.items.Valid(index))
        return;
    bool changed = s.selection != index;
    s.selection = index;
    Reveal(hwnd, s, index);
    Refresh(hwnd, s);
    if (changed && Notifies(hwnd))
        NotifyParent(hwnd, LBN_SELCHANGE);
}

int IndexAt(HWND hwnd, const ListState& s, LPARAM lparam) {
    int y = SHORT(HIWORD(lparam)) - RowArea(hwnd).top;
    if (y < 0)
        return -1;
    int index = s.top + y / kItemHeight;
    return s.items.Valid(index) ? index : -1;
}

// A press on the scroll bar moves the rows in view; false when the point is not on it.
bool Scrolled(HWND hwnd, ListState& s, LPARAM lparam) {
    std::optional<int> top =
        ScrollBarOf(hwnd, s).Press(POINT{SHORT(LOWORD(lparam)), SHORT(HIWORD(lparam))});
    if (!top)
        return false;
    s.top = *top;
    Refresh(hwnd, s);
    return true;
}

LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto s = States().ForMessage(hwnd, message);
    if (!s)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    const bool sorted = (StyleOf(hwnd) & LBS_SORT) != 0;
    switch (message) {
    case LB_ADDSTRING: {
        LPCSTR text = TextArgument(lparam);
        int index = s->items.Add(text ? text : "", sorted);
        FollowInsert(s->selection, index);
        Refresh(hwnd, *s);
        return index;
    }
    case LB_INSERTSTRING: {
        LPCSTR text = TextArgument(lparam);
        int index = s->items.Insert(int(wparam), text ? text : "");
        if (index < 0)
            return LB_ERR;
        FollowInsert(s->selection, index);
        Refresh(hwnd, *s);
        return index;
    }
    case LB_DELETESTRING: {
        int index = int(wparam);
        int left = s->items.Delete(index);
        if (left < 0)
            return LB_ERR;
        FollowDelete(s->selection, index);
        s->top = RowScrollBar::Clamp(s->top, left, VisibleRows(hwnd));
        Refresh(hwnd, *s);
        return left;
    }
    case LB_RESETCONTENT:
        s->items.Clear();
        s->selection = -1;
        s->top = 0;
        Refresh(hwnd, *s);
        return 0;
    case LB_GETCOUNT:
        return s->items.Count();
    case LB_GETCURSEL:
        return s->selection >= 0 ? s->selection : LB_ERR;
    case LB_SETCURSEL: {
        int index = int(wparam);
        s->selection = s->items.Valid(index) ? index : -1;
        Reveal(hwnd, *s, s->selection);
        Refresh(hwnd, *s);
        return s->items.Valid(index) ? index : LB_ERR;
    }
    case LB_GETTEXT:
        return s->items.CopyText(int(wparam), lparam);
    case LB_GETTEXTLEN:
        return s->items.TextLength(int(wparam));
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT: {
        LPCSTR text = TextArgument(lparam);
        if (!text)
            return LB_ERR;
        int found = s->items.Find(int(wparam), text, message == LB_FINDSTRINGEXACT);
        return found >= 0 ? found : LB_ERR;
    }
    case LB_SELECTSTRING: {
        LPCSTR text = TextArgument(lparam);
        int found = text ? s->items.Find(int(wparam), text, false) : -1;
        if (found < 0)
            return LB_ERR;
        s->selection = found;
        Reveal(hwnd, *s, found);
        Refresh(hwnd, *s);
        return found;
    }
    case LB_SETITEMDATA:
        return s->items.SetData(int(wparam), lparam) ? TRUE : LB_ERR;
    case LB_GETITEMDATA:
        return s->items.Data(int(wparam));
    case LB_GETTOPINDEX:
        return s->top;
    case LB_SETTOPINDEX:
        if (!s->items.Valid(int(wparam)))
            return LB_ERR;
        s->top = RowScrollBar::Clamp(int(wparam), s->items.Count(), VisibleRows(hwnd));
        Refresh(hwnd, *s);
        return 0;
    case WM_KEYDOWN: {
        int count = s->items.Count();
        if (count == 0)
            return 0;
        if (wparam == VK_DOWN)
            UserSelect(hwnd, *s, s->selection < 0 ? 0 : std::min(s->selection + 1, count - 1));
        else if (wparam == VK_UP)
            UserSelect(hwnd, *s, s->selection < 0 ? 0 : std::max(s->selection - 1, 0));
        else if (wparam == VK_HOME)
            UserSelect(hwnd, *s, 0);
        else if (wparam == VK_END)
            UserSelect(hwnd, *s, count - 1);
        else if (wparam == VK_NEXT || wparam == VK_PRIOR) {
            const int page = std::max(1, VisibleRows(hwnd) - 1) * (wparam == VK_NEXT ? 1 : -1);
            UserSelect(hwnd, *s, std::clamp(std::max(s->selection, 0) + page, 0, count - 1));
        }
        return 0;
    }
    case WM_CHAR:
        // A character typed picks the next entry that starts with it, from the first again
        // after the last.
        UserSelect(hwnd, *s, s->items.FindTyped(s->selection, BYTE(wparam)));
        return 0;
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd);
        s->press_moved_rows = false;
        if (Scrolled(hwnd, *s, lparam))
            return 0;
        const int top = s->top;
        UserSelect(hwnd, *s, IndexAt(hwnd, *s, lparam));
        s->press_moved_rows = s->top != top;
        return 0;
    }
    case WM_MOUSEWHEEL:
        s->top = ScrollBarOf(hwnd, *s).Wheel(SHORT(HIWORD(wparam)) / WHEEL_DELTA);
        Refresh(hwnd, *s);
        return 0;
    case WM_LBUTTONDBLCLK: {
        if (Scrolled(hwnd, *s, lparam))
            return 0;
        // The second press of a double click means the entry of the first, wherever it went.
        int index = s->press_moved_rows ? s->selection : IndexAt(hwnd, *s, lparam);
        s->press_moved_rows = false;
        UserSelect(hwnd, *s, index);
        if (index >= 0 && Notifies(hwnd))
            NotifyParent(hwnd, LBN_DBLCLK);
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
        s->focused = true;
        if (Notifies(hwnd))
            NotifyParent(hwnd, LBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s->focused = false;
        if (Notifies(hwnd))
            NotifyParent(hwnd, LBN_KILLFOCUS);
        return 0;
    case WM_SETREDRAW:
        s->redraw = wparam != 0;
        Refresh(hwnd, *s);
        return 0;
    case WM_PAINT:
        if (!s->redraw) {
            ValidateRect(hwnd, nullptr);
            return 0;
        }
        Paint(hwnd, *s);
        return 0;
    }
    return States().Default(hwnd, message, wparam, lparam, &s->font);
}

[[maybe_unused]] const bool registered = AddSystemClass({"ListBox", ListProc, CS_DBLCLKS});

} // namespace

bool ListPickByUser(HWND list, int index, bool double_click) {
    auto s = States().Find(list);
    if (!s || !IsWindowEnabled(list) || !s->items.Valid(index))
        return false;
    SetFocus(list);
    UserSelect(list, *s, index);
    if (double_click && Notifies(list))
        NotifyParent(list, LBN_DBLCLK);
    return true;
}

} // namespace platform::user32
