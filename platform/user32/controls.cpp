#include "user32/controls.h"

#include "user32/window_manager.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform::user32 {

namespace {

std::vector<SystemClass>& SystemClasses() {
    static std::vector<SystemClass> classes;
    return classes;
}

} // namespace

bool AddSystemClass(const SystemClass& cls) {
    std::lock_guard lock(DesktopLock());
    SystemClasses().push_back(cls);
    return true;
}

void EnsureSystemClassesLocked() {
    Desktop& d = TheDesktop();
    for (const SystemClass& sc : SystemClasses()) {
        std::string key = LowerName(sc.name);
        if (d.classes.count(key))
            continue;
        auto cls = std::make_shared<WindowClass>();
        cls->name = sc.name;
        cls->atom = AtomOfLocked(cls->name);
        cls->style = sc.style;
        cls->proc = sc.proc;
        cls->window_extra = sc.window_extra;
        cls->background = sc.background;
        d.classes.emplace(std::move(key), std::move(cls));
    }
}

int ControlIdOf(HWND control) {
    return int(GetWindowLongPtrA(control, GWLP_ID));
}

HWND ParentOf(HWND control) {
    auto w = FindWindowRecord(control);
    if (!w)
        return nullptr;
    std::lock_guard lock(DesktopLock());
    return w->parent;
}

DWORD StyleOf(HWND hwnd) {
    auto w = FindWindowRecord(hwnd);
    if (!w)
        return 0;
    std::lock_guard lock(DesktopLock());
    return w->style;
}

std::vector<HWND> GroupOf(HWND control) {
    std::vector<HWND> siblings;
    {
        auto w = FindWindowRecord(control);
        if (!w)
            return {};
        std::lock_guard lock(DesktopLock());
        auto parent = FindWindowRecord(w->parent);
        if (!parent)
            return {control};
        siblings = parent->children;
    }
    auto at = std::find(siblings.begin(), siblings.end(), control);
    if (at == siblings.end())
        return {control};
    auto first = at;
    while (first != siblings.begin() && !(StyleOf(*first) & WS_GROUP))
        --first;
    auto last = at + 1;
    while (last != siblings.end() && !(StyleOf(*last) & WS_GROUP))
        ++last;
    return std::vector<HWND>(first, last);
}

void NotifyParent(HWND control, WORD code) {
    HWND parent = ParentOf(control);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(WORD(ControlIdOf(control)), code),
                     LPARAM(control));
}

void Redraw(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, TRUE);
}

std::string StoredText(HWND hwnd) {
    auto w = FindWindowRecord(hwnd);
    if (!w)
        return {};
    std::lock_guard lock(DesktopLock());
    return w->text;
}

LRESULT SetTextAndRedraw(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = DefWindowProcA(hwnd, message, wparam, lparam);
    Redraw(hwnd);
    return result;
}

std::string WholeText(HWND hwnd) {
    LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return {};
    std::string text(size_t(length) + 1, '\0');
    LRESULT got = SendMessageA(hwnd, WM_GETTEXT, WPARAM(text.size()), LPARAM(text.data()));
    text.resize(size_t(std::clamp<LRESULT>(got, 0, length)));
    return text;
}

LRESULT ControlDefault(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, HFONT* font) {
    switch (message) {
    case WM_SETFONT:
        if (!font)
            break;
        *font = HFONT(wparam);
        if (lparam)
            Redraw(hwnd);
        return 0;
    case WM_GETFONT:
        if (!font)
            break;
        return LRESULT(*font);
    case WM_ENABLE:
        Redraw(hwnd);
        return 0;
    case WM_NCCALCSIZE:
        return 0;
    case WM_ERASEBKGND:
        return 1;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

LPCSTR TextArgument(LPARAM lparam) {
    auto* text = reinterpret_cast<LPCSTR>(lparam);
    return text && !IS_INTRESOURCE(text) ? text : nullptr;
}

ControlPainter::ControlPainter(HWND hwnd, HFONT font) : hwnd_(hwnd) {
    dc_ = BeginPaint(hwnd, &ps_);
    GetClientRect(hwnd, &client_);
    if (!dc_)
        return;
    if (font)
        old_font_ = SelectObject(dc_, font);
    SetBkMode(dc_, TRANSPARENT);
}

ControlPainter::~ControlPainter() {
    if (dc_ && old_font_)
        SelectObject(dc_, old_font_);
    EndPaint(hwnd_, &ps_);
}

void ControlPainter::Fill(const RECT& r, COLORREF color) const {
    if (!dc_)
        return;
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc_, &r, brush);
    DeleteObject(brush);
}

void ControlPainter::Frame(const RECT& r, COLORREF color) const {
    if (!dc_)
        return;
    HBRUSH brush = CreateSolidBrush(color);
    FrameRect(dc_, &r, brush);
    DeleteObject(brush);
}

void ControlPainter::Text(std::string_view text, RECT r, UINT format, COLORREF color) const {
    if (!dc_ || text.empty())
        return;
    SetTextColor(dc_, color);
    DrawTextA(dc_, text.data(), int(text.size()), &r, format);
}

namespace {

constexpr int kScrollBarWidth = 17;
constexpr int kMinimumThumb = 8;
constexpr int kWheelRows = 3;
constexpr COLORREF kTrack = RGB(225, 225, 225);
constexpr COLORREF kThumb = RGB(192, 192, 192);

} // namespace

RowScrollBar::RowScrollBar(const RECT& area, int count, int visible, int top)
    : area_(area), count_(count), visible_(std::max(1, visible)), top_(Clamp(top, count, visible)),
      shown_(count > std::max(1, visible)) {
    if (shown_)
        bar_ = RECT{std::max(area.left, area.right - kScrollBarWidth), area.top, area.right,
                    area.bottom};
}

RECT RowScrollBar::Rows() const {
    RECT r = area_;
    if (shown_)
        r.right = bar_.left;
    return r;
}

int RowScrollBar::Clamp(int top, int count, int visible) {
    return std::clamp(top, 0, std::max(0, count - std::max(1, visible)));
}

int RowScrollBar::Reveal(int index, int top, int count, int visible) {
    visible = std::max(1, visible);
    if (index >= 0 && index < count) {
        if (index < top)
            top = index;
        else if (index >= top + visible)
            top = index - visible + 1;
    }
    return Clamp(top, count, visible);
}

int RowScrollBar::Wheel(int notches) const {
    return Clamp(top_ - notches * kWheelRows, count_, visible_);
}

// Between the two arrows, each a square as wide as the bar (less when the bar is short).
RECT RowScrollBar::Track() const {
    const int arrow = std::min<int>(bar_.right - bar_.left, (bar_.bottom - bar_.top) / 2);
    return RECT{bar_.left, bar_.top + arrow, bar_.right, bar_.bottom - arrow};
}

RECT RowScrollBar::Thumb() const {
    const RECT track = Track();
    const int length = track.bottom - track.top;
    const int thumb = std::min(length, std::max(kMinimumThumb, length * visible_ / count_));
    const int range = count_ - visible_;
    const int offset = range > 0 ? (length - thumb) * top_ / range : 0;
    return RECT{track.left, track.top + offset, track.right, track.top + offset + thumb};
}

void RowScrollBar::Paint(const ControlPainter& p) const {
    if (!shown_)
        return;
    const RECT track = Track();
    p.Fill(bar_, colors::kFace);
    p.Fill(track, kTrack);
    RECT thumb = Thumb();
    p.Fill(RECT{thumb.left + 2, thumb.top + 1, thumb.right - 2, thumb.bottom - 1}, kThumb);
    // A small triangle in each arrow button: up at the top, down at the bottom.
    const int cx = (bar_.left + bar_.right) / 2;
    const int up = (bar_.top + track.top) / 2, down = (track.bottom + bar_.bottom) / 2;
    const COLORREF arrow = top_ > 0 ? colors::kText : colors::kGrayText;
    const COLORREF arrow_down = top_ < count_ - visible_ ? colors::kText : colors::kGrayText;
    for (int i = 0; i < 3; ++i) {
        p.Fill(RECT{cx - i, up - 1 + i, cx + i + 1, up + i}, arrow);
        p.Fill(RECT{cx - i, down + 1 - i, cx + i + 1, down + 2 - i}, arrow_down);
    }
}

std::optional<int> RowScrollBar::Press(POINT pt) const {
    if (!shown_ || pt.x < bar_.left || pt.x >= bar_.right || pt.y < bar_.top || pt.y >= bar_.bottom)
        return std::nullopt;
    const RECT track = Track(), thumb = Thumb();
    int top = top_;
    if (pt.y < track.top)
        top -= 1;
    else if (pt.y >= track.bottom)
        top += 1;
    else if (pt.y < thumb.top)
        top -= visible_;
    else if (pt.y >= thumb.bottom)
        top += visible_;
    return Clamp(top, count_, visible_);
}

void PaintListRows(const ControlPainter& p, const ItemList& items, int top, int lit,
                   const RECT& rows, int row_height, bool enabled) {
    for (int i = std::max(top, 0), y = rows.top; i < items.Count() && y < rows.bottom;
         ++i, y += row_height) {
        RECT row{rows.left, y, rows.right, y + row_height};
        const bool selected = i == lit;
        if (selected)
            p.Fill(row, colors::kSelection);
        p.Text(items.At(i).text, RECT{row.left + 2, row.top, row.right - 2, row.bottom},
               DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX,
               !enabled   ? colors::kGrayText
               : selected ? colors::kWindow
                          : colors::kText);
    }
}

LRESULT CopyOut(const std::string& text, WPARAM size, LPARAM buffer) {
    return CopyTextBounded(text, reinterpret_cast<char*>(buffer), size_t(size));
}

int CompareNoCase(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto ca = uint8_t(a[i]), cb = uint8_t(b[i]);
        // A double-byte character is compared as it stands, trail byte included.
        if (IsDBCSLeadByte(ca) && i + 1 < n && ca == cb) {
            ++i;
            if (a[i] != b[i])
                return uint8_t(a[i]) < uint8_t(b[i]) ? -1 : 1;
            continue;
        }
        if (ca < 0x80)
            ca = uint8_t(std::tolower(ca));
        if (cb < 0x80)
            cb = uint8_t(std::tolower(cb));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

int ItemList::Add(std::string text, bool sorted) {
    size_t at = items_.size();
    if (sorted) {
        auto it = std::upper_bound(items_.begin(), items_.end(), text,
                                   [](const std::string& t, const ListItem& item) {
                                       return CompareNoCase(t, item.text) < 0;
                                   });
        at = size_t(it - items_.begin());
    }
    items_.insert(items_.begin() + std::ptrdiff_t(at), ListItem{std::move(text), 0});
    return int(at);
}

int ItemList::Insert(int index, std::string text) {
    if (index == -1)
        index = Count();
    if (index < 0 || index > Count())
        return -1;
    items_.insert(items_.begin() + index, ListItem{std::move(text), 0});
    return index;
}

int ItemList::Delete(int index) {
    if (!Valid(index))
        return -1;
    items_.erase(items_.begin() + index);
    return Count();
}

bool ItemList::SetData(int index, LPARAM data) {
    if (!Valid(index))
        return false;
    items_[size_t(index)].data = data;
    return true;
}

LRESULT ItemList::CopyText(int index, LPARAM buffer) const {
    auto* out = reinterpret_cast<char*>(buffer);
    if (!Valid(index) || !out)
        return -1;
    const std::string& text = At(index).text;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return LRESULT(text.size());
}

LRESULT ItemList::TextLength(int index) const {
    return Valid(index) ? LRESULT(At(index).text.size()) : -1;
}

LRESULT ItemList::Data(int index) const {
    return Valid(index) ? At(index).data : -1;
}

void FollowInsert(int& selection, int index) {
    if (selection >= 0 && index <= selection)
        ++selection;
}

void FollowDelete(int& selection, int index) {
    if (index == selection)
        selection = -1;
    else if (index < selection)
        --selection;
}

int ItemList::Find(int start, std::string_view text, bool whole) const {
    const int n = Count();
    if (n == 0)
        return -1;
    int first = (start < 0 || start >= n) ? 0 : start + 1;
    for (int k = 0; k < n; ++k) {
        int i = (first + k) % n;
        std::string_view item = items_[size_t(i)].text;
        if (whole ? CompareNoCase(item, text) == 0
                  : item.size() >= text.size() &&
                        CompareNoCase(item.substr(0, text.size()), text) == 0)
            return i;
    }
    return -1;
}

int ItemList::FindTyped(int start, BYTE ch) const {
    if (ch <= ' ' || IsDBCSLeadByte(ch))
        return -1;
    const char prefix[2] = {char(ch), '\0'};
    return Find(start, prefix, false);
}

} // namespace platform::user32
