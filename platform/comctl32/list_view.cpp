// The list-view control in report view: a header of columns and one row per item, each row
// holding a text per column. One item is selected at a time, by a click or the arrow keys.
#include "comctl32/list_view.h"

#include <commctrl.h>

#include "user32/controls.h"
#include "user32/resources.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace platform::comctl32 {

namespace {

using user32::ControlStates;
using user32::StyleOf;
namespace colors = user32::colors;

constexpr int kHeaderHeight = 20; // pixels
constexpr int kRowHeight = 17;

struct Column {
    std::string text;
    int width = 0;
    int format = LVCFMT_LEFT;
};

struct Item {
    std::vector<std::string> texts; // one per column; missing ones are empty
    LPARAM data = 0;
    bool selected = false;
};

struct ListViewState {
    std::vector<Column> columns;
    std::vector<Item> items;
    int focus_item = -1;
    int top = 0;
    DWORD ex_style = 0;
    bool redraw = true;
    bool press_moved_rows = false; // the last press brought a half-shown item into view
    HFONT font = nullptr;
};

ControlStates<ListViewState>& States() {
    static ControlStates<ListViewState> states;
    return states;
}

void Refresh(HWND hwnd, const ListViewState& s) {
    if (s.redraw)
        user32::Redraw(hwnd);
}

int HeaderHeight(HWND hwnd) {
    return (StyleOf(hwnd) & LVS_NOCOLUMNHEADER) ? 0 : kHeaderHeight;
}

bool Valid(const ListViewState& s, int index) {
    return index >= 0 && index < int(s.items.size());
}

int VisibleRows(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return std::max(1, (r.bottom - r.top - HeaderHeight(hwnd)) / kRowHeight);
}

// The bar at the right of the rows, below the header.
user32::RowScrollBar ScrollBarOf(HWND hwnd, const ListViewState& s) {
    RECT r{};
    GetClientRect(hwnd, &r);
    r.top += HeaderHeight(hwnd);
    if ((StyleOf(hwnd) & WS_BORDER) || (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
        r = RECT{r.left, r.top, r.right - 1, r.bottom - 1};
    return user32::RowScrollBar(r, int(s.items.size()), VisibleRows(hwnd), s.top);
}

// The item's text of a column, bounded by the caller's buffer: at most size-1 bytes and the
// terminator, never half of a double-byte character.
int CopyItemText(const std::string& text, LPSTR buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    size_t n = user32::AnsiCutLength(text, size_t(size) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return int(n);
}

const std::string& TextOf(const Item& item, int sub_item) {
    static const std::string empty;
    return sub_item >= 0 && sub_item < int(item.texts.size()) ? item.texts[size_t(sub_item)]
                                                              : empty;
}

void SetText(Item& item, int sub_item, LPCSTR text) {
    if (item.texts.size() <= size_t(sub_item))
        item.texts.resize(size_t(sub_item) + 1);
    item.texts[size_t(sub_item)] = text ? text : "";
}

void Paint(HWND hwnd, const ListViewState& s) {
    user32::ControlPainter p(hwnd, s.font);
    if (!p.dc())
        return;
    const bool enabled = !(StyleOf(hwnd) & WS_DISABLED);
    const bool full_row = (s.ex_style & LVS_EX_FULLROWSELECT) != 0;
    RECT r = p.client();
    p.Fill(r, colors::kWindow);
    const int header = HeaderHeight(hwnd);
    auto column_text = [&](std::string_view text, int left, int right, int top, int bottom,
                           int format, COLORREF color) {
        UINT align = (format & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT    ? DT_RIGHT
                     : (format & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER
                                                                      : DT_LEFT;
        p.Text(text, RECT{left + 6, top, right - 6, bottom},
               DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | align, color);
    };
    if (header) {
        p.Fill(RECT{r.left, r.top, r.right, r.top + header}, colors::kFace);
        int x = r.left;
        for (const Column& c : s.columns) {
            column_text(c.text, x, x + c.width, r.top, r.top + header, c.format,
                        enabled ? colors::kText : colors::kGrayText);
            p.Fill(RECT{x + c.width - 1, r.top + 3, x + c.width, r.top + header - 3},
                   colors::kFrame);
            x += c.width;
        }
        p.Fill(RECT{r.left, r.top + header - 1, r.right, r.top + header}, colors::kFrame);
    }
    int y = r.top + header;
    for (int i = s.top; i < int(s.items.size()) && y < r.bottom; ++i, y += kRowHeight) {
        const Item& item = s.items[size_t(i)];
        int x = r.left;
        for (size_t c = 0; c < s.columns.size(); ++c) {
            const Column& column = s.columns[c];
            const bool lit = item.selected && (full_row || c == 0);
            if (lit)
                p.Fill(RECT{x, y, x + column.width, y + kRowHeight}, colors::kSelection);
            column_text(TextOf(item, int(c)), x, x + column.width, y, y + kRowHeight,
                        c == 0 ? LVCFMT_LEFT : column.format,
                        !enabled ? colors::kGrayText
                        : lit    ? colors::kWindow
                                 : colors::kText);
            x += column.width;
        }
    }
    ScrollBarOf(hwnd, s).Paint(p);
    if ((StyleOf(hwnd) & WS_BORDER) || (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
        p.Frame(r, colors::kFrame);
}

// The item under a client point, or -1; without full-row select only the first column's
// cell counts.
int ItemAt(HWND hwnd, const ListViewState& s, POINT pt) {
    int y = pt.y - HeaderHeight(hwnd);
    if (y < 0 || pt.x < 0)
        return -1;
    int index = s.top + y / kRowHeight;
    if (!Valid(s, index))
        return -1;
    int width = 0;
    if (s.ex_style & LVS_EX_FULLROWSELECT)
        for (const Column& c : s.columns)
            width += c.width;
    else if (!s.columns.empty())
        width = s.columns.front().width;
    return pt.x < width ? index : -1;
}

void Notify(HWND hwnd, UINT code, int item, POINT pt) {
    HWND parent = user32::ParentOf(hwnd);
    if (!parent)
        return;
    NMITEMACTIVATE nm{};
    nm.hdr.hwndFrom = hwnd;
    nm.hdr.idFrom = UINT_PTR(user32::ControlIdOf(hwnd));
    nm.hdr.code = code;
    nm.iItem = item;
    nm.ptAction = pt;
    SendMessageA(parent, WM_NOTIFY, WPARAM(nm.hdr.idFrom), LPARAM(&nm));
}

// The user's selection: that item alone (none for -1), with the focus on it and in view.
void SelectOnly(HWND hwnd, ListViewState& s, int index) {
    for (Item& item : s.items)
        item.selected = false;
    if (Valid(s, index)) {
        s.items[size_t(index)].selected = true;
        s.focus_item = index;
        s.top = user32::RowScrollBar::Reveal(index, s.top, int(s.items.size()), VisibleRows(hwnd));
    }
    Refresh(hwnd, s);
}

void Click(HWND hwnd, ListViewState& s, POINT pt, bool double_click) {
    SetFocus(hwnd);
    const bool moved = s.press_moved_rows;
    s.press_moved_rows = false;
    if (std::optional<int> top = ScrollBarOf(hwnd, s).Press(pt)) {
        s.top = *top;
        Refresh(hwnd, s);
        return;
    }
    // The second press of a double click means the item of the first, wherever it went.
    int index = double_click && moved ? s.focus_item : ItemAt(hwnd, s, pt);
    const int top = s.top;
    SelectOnly(hwnd, s, index);
    s.press_moved_rows = !double_click && s.top != top;
    Notify(hwnd, NM_CLICK, index, pt);
    if (double_click)
        Notify(hwnd, NM_DBLCLK, index, pt);
}

int NextItem(const ListViewState& s, int start, UINT flags) {
    for (int i = std::max(start + 1, 0); i < int(s.items.size()); ++i) {
        const Item& item = s.items[size_t(i)];
        if ((flags & LVNI_SELECTED) && !item.selected)
            continue;
        if ((flags & LVNI_FOCUSED) && i != s.focus_item)
            continue;
        return i;
    }
    return -1;
}

LRESULT CALLBACK ListViewProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto s = States().ForMessage(hwnd, message);
    if (!s)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case LVM_INSERTCOLUMNA: {
        auto* column = reinterpret_cast<const LVCOLUMNA*>(lparam);
        if (!column)
            return -1;
        int index = std::clamp(int(wparam), 0, int(s->columns.size()));
        Column c;
        if (column->mask & LVCF_TEXT)
            c.text = column->pszText ? column->pszText : "";
        if (column->mask & LVCF_WIDTH)
            c.width = std::max(0, column->cx);
        if (column->mask & LVCF_FMT)
            c.format = column->fmt;
        s->columns.insert(s->columns.begin() + index, std::move(c));
        for (Item& item : s->items)
            if (item.texts.size() > size_t(index))
                item.texts.insert(item.texts.begin() + index, std::string());
        Refresh(hwnd, *s);
        return index;
    }
    case LVM_GETCOLUMNWIDTH:
        return wparam < s->columns.size() ? s->columns[wparam].width : 0;
    case LVM_INSERTITEMA: {
        auto* lv = reinterpret_cast<const LVITEMA*>(lparam);
        // An item is inserted by its first column; sub-items are set afterwards.
        if (!lv || lv->iSubItem != 0 || lv->iItem < 0)
            return -1;
        int index = std::min(lv->iItem, int(s->items.size()));
        Item item;
        if (lv->mask & LVIF_TEXT)
            SetText(item, 0, lv->pszText);
        if (lv->mask & LVIF_PARAM)
            item.data = lv->lParam;
        if ((lv->mask & LVIF_STATE) && (lv->stateMask & LVIS_SELECTED))
            item.selected = (lv->state & LVIS_SELECTED) != 0;
        s->items.insert(s->items.begin() + index, std::move(item));
        if (s->focus_item >= index)
            ++s->focus_item;
        Refresh(hwnd, *s);
        return index;
    }
    case LVM_SETITEMTEXTA: {
        auto* lv = reinterpret_cast<const LVITEMA*>(lparam);
        int index = int(wparam);
        if (!lv || !Valid(*s, index) || lv->iSubItem < 0 ||
            lv->iSubItem >= std::max<int>(1, int(s->columns.size())))
            return FALSE;
        SetText(s->items[size_t(index)], lv->iSubItem, lv->pszText);
        Refresh(hwnd, *s);
        return TRUE;
    }
    case LVM_GETITEMTEXTA: {
        auto* lv = reinterpret_cast<LVITEMA*>(lparam);
        int index = int(wparam);
        if (!lv)
            return 0;
        if (!Valid(*s, index)) {
            CopyItemText("", lv->pszText, lv->cchTextMax);
            return 0;
        }
        return CopyItemText(TextOf(s->items[size_t(index)], lv->iSubItem), lv->pszText,
                            lv->cchTextMax);
    }
    case LVM_GETITEMCOUNT:
        return LRESULT(s->items.size());
    case LVM_GETITEMSTATE: {
        int index = int(wparam);
        if (!Valid(*s, index))
            return 0;
        UINT state = (s->items[size_t(index)].selected ? LVIS_SELECTED : 0) |
                     (index == s->focus_item ? LVIS_FOCUSED : 0);
        return LRESULT(state & UINT(lparam));
    }
    case LVM_DELETEITEM: {
        int index = int(wparam);
        if (!Valid(*s, index))
            return FALSE;
        s->items.erase(s->items.begin() + index);
        if (s->focus_item == index)
            s->focus_item = -1;
        else if (s->focus_item > index)
            --s->focus_item;
        s->top = user32::RowScrollBar::Clamp(s->top, int(s->items.size()), VisibleRows(hwnd));
        Refresh(hwnd, *s);
        return TRUE;
    }
    case LVM_DELETEALLITEMS:
        s->items.clear();
        s->focus_item = -1;
        s->top = 0;
        Refresh(hwnd, *s);
        return TRUE;
    case LVM_GETNEXTITEM:
        return NextItem(*s, int(wparam), UINT(lparam));
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        // A mask of 0 means every bit.
        DWORD old = s->ex_style;
        DWORD mask = wparam ? DWORD(wparam) : ~DWORD(0);
        s->ex_style = (old & ~mask) | (DWORD(lparam) & mask);
        Refresh(hwnd, *s);
        return LRESULT(old);
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return LRESULT(s->ex_style);
    case WM_SETREDRAW:
        s->redraw = wparam != 0;
        Refresh(hwnd, *s);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        Click(hwnd, *s, POINT{SHORT(LOWORD(lparam)), SHORT(HIWORD(lparam))},
              message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_MOUSEWHEEL:
        s->top = ScrollBarOf(hwnd, *s).Wheel(SHORT(HIWORD(wparam)) / WHEEL_DELTA);
        Refresh(hwnd, *s);
        return 0;
    case WM_KEYDOWN: {
        int count = int(s->items.size());
        if (count == 0)
            return 0;
        int at = s->focus_item;
        switch (wparam) {
        case VK_DOWN:
            SelectOnly(hwnd, *s, at < 0 ? 0 : std::min(at + 1, count - 1));
            return 0;
        case VK_UP:
            SelectOnly(hwnd, *s, at < 0 ? 0 : std::max(at - 1, 0));
            return 0;
        case VK_HOME:
            SelectOnly(hwnd, *s, 0);
            return 0;
        case VK_END:
            SelectOnly(hwnd, *s, count - 1);
            return 0;
        }
        return 0;
    }
    case WM_GETDLGCODE:
        // Characters too: a letter typed in the list is the list's, never a button's access key.
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
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

[[maybe_unused]] const bool registered =
    user32::AddSystemClass({WC_LISTVIEWA, ListViewProc, CS_DBLCLKS});

} // namespace

bool ListViewPickByUser(HWND list_view, int index, bool double_click) {
    auto s = States().Find(list_view);
    if (!s || !IsWindowEnabled(list_view) || !Valid(*s, index))
        return false;
    // The middle of the item's first cell, scrolled into view first.
    SelectOnly(list_view, *s, index);
    int width = s->columns.empty() ? 1 : std::max(1, s->columns.front().width);
    POINT pt{width / 2, HeaderHeight(list_view) + (index - s->top) * kRowHeight + kRowHeight / 2};
    Click(list_view, *s, pt, double_click);
    return true;
}

} // namespace platform::comctl32
