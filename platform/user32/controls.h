// What the dialog manager and the control classes share: the system classes that every desktop
// has, per-window control state, notifications to the parent and the flat drawing of controls.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::user32 {

// A class that the system provides ("Button", "#32770", "msctls_updown32", ...). It is
// registered on the desktop at the first lookup of any class and again after the test desktop
// has emptied the class table, so a program never registers one itself.
struct SystemClass {
    const char* name;
    WNDPROC proc;
    UINT style = 0;
    int window_extra = 0;
    HBRUSH background = nullptr;
};
// For a static initialiser of the file that implements the class; returns true.
bool AddSystemClass(const SystemClass& cls);
void EnsureSystemClassesLocked();

// What every control answers alike, for the end of its procedure: WM_SETFONT and WM_GETFONT
// keep the font in `*font` (a control without a font passes nullptr and leaves them to
// DefWindowProcA), WM_ENABLE redraws, WM_NCCALCSIZE leaves the whole window as client area
// (the control draws its own border) and WM_ERASEBKGND is left to WM_PAINT, which covers
// everything. Anything else goes to DefWindowProcA.
LRESULT ControlDefault(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, HFONT* font);

// The state of each window of one control class, kept beside the window (not in its extra
// bytes, which a program can overwrite) and dropped at WM_NCDESTROY. A procedure holds its
// shared_ptr for the whole message, so a nested DestroyWindow cannot free it under its feet.
template <typename T> class ControlStates {
public:
    std::shared_ptr<T> Find(HWND hwnd) {
        std::lock_guard lock(lock_);
        auto it = states_.find(hwnd);
        return it == states_.end() ? nullptr : it->second;
    }
    std::shared_ptr<T> Create(HWND hwnd) {
        std::lock_guard lock(lock_);
        auto& state = states_[hwnd];
        state = std::make_shared<T>();
        return state;
    }
    void Erase(HWND hwnd) {
        std::lock_guard lock(lock_);
        states_.erase(hwnd);
    }
    // The state for a message: made at WM_NCCREATE, null for a window that has none (before
    // WM_NCCREATE, after WM_NCDESTROY), which the procedure leaves to DefWindowProcA.
    std::shared_ptr<T> ForMessage(HWND hwnd, UINT message) {
        return message == WM_NCCREATE ? Create(hwnd) : Find(hwnd);
    }
    // ControlDefault, and the state dropped at WM_NCDESTROY.
    LRESULT Default(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, HFONT* font) {
        if (message == WM_NCDESTROY) {
            Erase(hwnd);
            return 0;
        }
        return ControlDefault(hwnd, message, wparam, lparam, font);
    }

private:
    std::mutex lock_;
    std::map<HWND, std::shared_ptr<T>> states_;
};

// The control's identifier and parent, and WM_COMMAND(MAKEWPARAM(id, code), control) to the
// parent.
int ControlIdOf(HWND control);
HWND ParentOf(HWND control);
void NotifyParent(HWND control, WORD code);
DWORD StyleOf(HWND hwnd);
// The siblings of a control in the group that it belongs to, in z-order: from the nearest
// sibling before it (or itself) that has WS_GROUP to the last one before the next WS_GROUP.
std::vector<HWND> GroupOf(HWND control);
// The whole client area to be painted again, background included.
void Redraw(HWND hwnd);

// The text kept with the window, which DefWindowProcA's WM_SETTEXT sets (the button's and
// the static's own text).
std::string StoredText(HWND hwnd);
// WM_SETTEXT of a control whose text is the window's own: stored, then drawn.
LRESULT SetTextAndRedraw(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// A window's whole text as its procedure answers WM_GETTEXTLENGTH and WM_GETTEXT (an edit
// keeps its own), cut to the length it reports.
std::string WholeText(HWND hwnd);

// The text argument of a message: null for none and for a resource number.
LPCSTR TextArgument(LPARAM lparam);

// The flat look of the controls.
namespace colors {
inline constexpr COLORREF kFace = RGB(240, 240, 240);
inline constexpr COLORREF kWindow = RGB(255, 255, 255);
inline constexpr COLORREF kFrame = RGB(122, 122, 122);
inline constexpr COLORREF kDefaultFrame = RGB(0, 120, 215);
inline constexpr COLORREF kText = RGB(0, 0, 0);
inline constexpr COLORREF kGrayText = RGB(160, 160, 160);
inline constexpr COLORREF kSelection = RGB(0, 120, 215);
} // namespace colors

// BeginPaint with the control's font selected and a transparent text background; EndPaint
// when it goes.
class ControlPainter {
public:
    ControlPainter(HWND hwnd, HFONT font);
    ~ControlPainter();
    ControlPainter(const ControlPainter&) = delete;
    ControlPainter& operator=(const ControlPainter&) = delete;
    HDC dc() const { return dc_; }
    const RECT& client() const { return client_; }
    void Fill(const RECT& r, COLORREF color) const;
    void Frame(const RECT& r, COLORREF color) const;
    void Text(std::string_view text, RECT r, UINT format, COLORREF color) const;

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_ = nullptr;
    HGDIOBJ old_font_ = nullptr;
    RECT client_{};
};

// The vertical scroll bar of a list that holds more rows than it shows, drawn by the list at
// the right edge of the area of its rows: an arrow button at each end and, between them, a
// thumb whose length and place show the part of the list in view.
class RowScrollBar {
public:
    // `area`: where the rows go, in client coordinates; `top`: the first row shown.
    RowScrollBar(const RECT& area, int count, int visible, int top);
    bool Shown() const { return shown_; }
    // The area of the rows less the bar.
    RECT Rows() const;
    void Paint(const ControlPainter& p) const;
    // The first row shown after a press at a client point of the bar: an arrow moves one row,
    // the track beside the thumb a page, the thumb nothing; nullopt for a point off the bar.
    std::optional<int> Press(POINT pt) const;
    // The first row shown after `notches` turns of the wheel away from the user (negative:
    // towards), three rows each.
    int Wheel(int notches) const;
    // A first row that keeps the rows in view as far as there are any: 0 to count - visible.
    static int Clamp(int top, int count, int visible);
    // The first row that brings `index` into view, moving as little as it takes.
    static int Reveal(int index, int top, int count, int visible);

private:
    RECT Track() const;
    RECT Thumb() const;

    RECT area_;
    RECT bar_{};
    int count_, visible_, top_;
    bool shown_;
};

// A text that a control keeps, copied into a caller's buffer the bounded way (WM_GETTEXT).
LRESULT CopyOut(const std::string& text, WPARAM size, LPARAM buffer);

// A list of strings with item data, the model of the combo box and the list box.
struct ListItem {
    std::string text;
    LPARAM data = 0;
};
class ItemList {
public:
    int Count() const { return int(items_.size()); }
    bool Valid(int index) const { return index >= 0 && index < Count(); }
    const ListItem& At(int index) const { return items_[size_t(index)]; }
    // Appends, or with `sorted` puts the text in its place by a comparison that ignores case.
    int Add(std::string text, bool sorted);
    // -1 appends; an index beyond the end fails with -1.
    int Insert(int index, std::string text);
    // The count left, or -1 for an index that is no item.
    int Delete(int index);
    void Clear() { items_.clear(); }
    bool SetData(int index, LPARAM data);
    // CB_GETLBTEXT / LB_GETTEXT: the item's text and its terminator into `buffer`, which the
    // message does not size (the caller sizes it by the length); the length, or -1 for no item
    // or no buffer.
    LRESULT CopyText(int index, LPARAM buffer) const;
    // The text's length, or -1 for an index that is no item.
    LRESULT TextLength(int index) const;
    // The item data, or -1 for an index that is no item.
    LRESULT Data(int index) const;
    // Searches from the item after `start` to the end and on from the first item (start -1:
    // from the first), ignoring case; `whole` compares whole texts, else prefixes.
    int Find(int start, std::string_view text, bool whole) const;
    // The next item, as Find goes, whose text starts with a character the user typed; -1 for
    // none, and for a character that picks no item (a blank, a control character, the first
    // byte of a double-byte one).
    int FindTyped(int start, BYTE ch) const;

private:
    std::vector<ListItem> items_;
};
// A selected index (-1: none) that stays on its item when an item is inserted at, or deleted
// from, `index`; the deleted item's selection goes.
void FollowInsert(int& selection, int index);
void FollowDelete(int& selection, int index);
// Case-insensitive comparison of ANSI texts: ASCII letters only, so that the trail byte of a
// double-byte character is never folded.
int CompareNoCase(std::string_view a, std::string_view b);

// The entries of a list from `top` down, one row of `row_height` each, in `rows`; the entry
// `lit` (-1: none) on the selection colour; the texts gray when the list is disabled.
void PaintListRows(const ControlPainter& p, const ItemList& items, int top, int lit,
                   const RECT& rows, int row_height, bool enabled);

// What a user does, for the test desktop. False when the control is not of that kind, is
// disabled or the index is no entry.
bool ComboPickByUser(HWND combo, int index);
bool ListPickByUser(HWND list, int index, bool double_click);

} // namespace platform::user32
