// The "Edit" class: one line (or several) of ANSI text that the user types into.
#include "user32/controls.h"

#include "user32/resources.h"
#include "user32/window_manager.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

#ifndef WM_UNDO
#define WM_UNDO 0x0304
#endif

namespace platform::user32 {

namespace {

// The limit before EM_LIMITTEXT, and the one that EM_LIMITTEXT 0 sets, in bytes.
constexpr size_t kDefaultLimit = 0x7FFF;
constexpr size_t kLargestLimit = 0x7FFFFFFE;

struct EditState {
    std::string text;
    size_t sel_start = 0; // bytes; start <= end, both on character boundaries
    size_t sel_end = 0;
    bool caret_at_start = false; // a selection made leftwards with Shift has its caret first
    size_t limit = kDefaultLimit;
    // One step of undo: the text before the last change, or before the run of typing going on,
    // so that Ctrl+Z takes back a whole word typed, not its last letter.
    std::optional<std::string> undo;
    bool typing = false; // a run of typed characters and Backspaces at the caret is going on
    bool modified = false;
    bool focused = false;
    int pending_lead = -1;  // the lead byte of a double-byte character typed as two WM_CHARs
    size_t first_shown = 0; // one line: the byte the view starts at, so that the caret is seen
    HFONT font = nullptr;
};

ControlStates<EditState>& States() {
    static ControlStates<EditState> states;
    return states;
}

// Character boundaries: the largest one at or before `pos`.
size_t BoundaryAtOrBefore(const std::string& text, size_t pos) {
    pos = std::min(pos, text.size());
    size_t at = 0;
    while (at < pos) {
        size_t step = IsDBCSLeadByte(BYTE(text[at])) && at + 1 < text.size() ? 2 : 1;
        if (at + step > pos)
            break;
        at += step;
    }
    return at;
}

size_t NextBoundary(const std::string& text, size_t pos) {
    if (pos >= text.size())
        return text.size();
    return std::min(text.size(), pos + (IsDBCSLeadByte(BYTE(text[pos])) ? 2 : 1));
}

size_t Caret(const EditState& s) {
    return s.caret_at_start ? s.sel_start : s.sel_end;
}

// The caret moved by a key: with Shift held the selection runs from where it was anchored to
// the caret's new place, else it goes and only the caret is left.
void MoveCaret(HWND hwnd, EditState& s, size_t to, bool extend) {
    s.typing = false;
    const size_t anchor = s.caret_at_start ? s.sel_end : s.sel_start;
    s.sel_start = extend ? std::min(anchor, to) : to;
    s.sel_end = extend ? std::max(anchor, to) : to;
    s.caret_at_start = extend && to < anchor;
    Redraw(hwnd);
}

bool Multiline(HWND hwnd) {
    return (StyleOf(hwnd) & ES_MULTILINE) != 0;
}

void Changed(HWND hwnd, EditState& s) {
    s.modified = true;
    Redraw(hwnd);
    if (auto w = FindWindowRecord(hwnd)) {
        std::lock_guard lock(DesktopLock());
        w->text = s.text;
    }
    NotifyParent(hwnd, EN_UPDATE);
    NotifyParent(hwnd, EN_CHANGE);
}

// Replaces the selection with `insert`, cut at a whole character so that the text stays within
// the limit. False (and EN_MAXTEXT) when not all of it fitted.
bool ReplaceSelection(HWND hwnd, EditState& s, std::string_view insert, bool keep_undo) {
    const size_t kept = s.text.size() - (s.sel_end - s.sel_start);
    const size_t room = s.limit > kept ? s.limit - kept : 0;
    const size_t n = AnsiCutLength(insert, room);
    bool all = n == insert.size();
    if (n == 0 && s.sel_start == s.sel_end) {
        if (!all)
            NotifyParent(hwnd, EN_MAXTEXT);
        return all;
    }
    // A change that cannot be undone also ends what an older undo would bring back; typing on
    // keeps the text from before the run began.
    if (!keep_undo)
        s.undo.reset();
    else if (!s.typing)
        s.undo = s.text;
    s.text.replace(s.sel_start, s.sel_end - s.sel_start, insert.substr(0, n));
    s.sel_start = s.sel_end = s.sel_start + n;
    Changed(hwnd, s);
    if (!all)
        NotifyParent(hwnd, EN_MAXTEXT);
    return all;
}

void TypeCharacter(HWND hwnd, EditState& s, std::string unit) {
    const DWORD style = StyleOf(hwnd);
    if (style & ES_READONLY)
        return;
    if ((style & ES_NUMBER) && !(unit.size() == 1 && unit[0] >= '0' && unit[0] <= '9'))
        return;
    if (unit.size() == 1 && uint8_t(unit[0]) < 0x80) {
        if (style & ES_UPPERCASE)
            unit[0] = char(std::toupper(uint8_t(unit[0])));
        else if (style & ES_LOWERCASE)
            unit[0] = char(std::tolower(uint8_t(unit[0])));
    }
    const size_t kept = s.text.size() - (s.sel_end - s.sel_start);
    if (kept + unit.size() > s.limit) {
        NotifyParent(hwnd, EN_MAXTEXT);
        return;
    }
    ReplaceSelection(hwnd, s, unit, true);
    s.typing = true;
}

// Backspace goes on with the run of typing; Delete, or a deleted selection, is a step of its
// own.
void DeleteRange(HWND hwnd, EditState& s, size_t from, size_t to, bool typing) {
    if (from >= to)
        return;
    if (!typing || !s.typing)
        s.undo = s.text;
    s.typing = typing;
    s.text.erase(from, to - from);
    s.sel_start = s.sel_end = from;
    Changed(hwnd, s);
}

void Undo(HWND hwnd, EditState& s) {
    if (!s.undo)
        return;
    s.typing = false;
    std::string previous = std::exchange(s.text, *s.undo);
    s.undo = std::move(previous);
    s.sel_start = s.sel_end = s.text.size();
    Changed(hwnd, s);
}

// The one line's text as shown: its own, or a star for each byte of a password.
std::string Shown(HWND hwnd, const EditState& s) {
    return (StyleOf(hwnd) & ES_PASSWORD) ? std::string(s.text.size(), '*') : s.text;
}

int Extent(HDC dc, std::string_view text) {
    SIZE size{};
    if (!text.empty())
        GetTextExtentPoint32A(dc, text.data(), int(text.size()), &size);
    return size.cx;
}

RECT TextArea(const RECT& client) {
    return RECT{client.left + 2, client.top + 1, client.right - 2, client.bottom - 1};
}

bool LeftAligned(HWND hwnd) {
    return (StyleOf(hwnd) & 0x3) == ES_LEFT;
}

// Moves the start of the view of a left-aligned line so that the caret is inside it: back to
// the caret when it went left of the view, on by whole characters when it went past its end.
void KeepCaretInView(HDC dc, HWND hwnd, EditState& s, int width) {
    if (Multiline(hwnd) || !LeftAligned(hwnd)) {
        s.first_shown = 0;
        return;
    }
    const std::string shown = Shown(hwnd, s);
    const size_t caret = std::min(Caret(s), shown.size());
    s.first_shown = std::min(s.first_shown, caret);
    while (s.first_shown < caret && Extent(dc, std::string_view(shown).substr(
                                                   s.first_shown, caret - s.first_shown)) >= width)
        s.first_shown = NextBoundary(s.text, s.first_shown);
}

void Paint(HWND hwnd, EditState& s) {
    ControlPainter p(hwnd, s.font);
    if (!p.dc())
        return;
    const DWORD style = StyleOf(hwnd);
    const bool enabled = !(style & WS_DISABLED);
    RECT r = p.client();
    p.Fill(r, enabled && !(style & ES_READONLY) ? colors::kWindow : colors::kFace);
    const std::string shown = Shown(hwnd, s);
    RECT inner = TextArea(r);
    const COLORREF color = enabled ? colors::kText : colors::kGrayText;
    if (Multiline(hwnd) || !LeftAligned(hwnd)) {
        UINT format = DT_NOPREFIX | ((style & ES_MULTILINE) ? UINT(DT_WORDBREAK)
                                                            : UINT(DT_SINGLELINE | DT_VCENTER));
        if ((style & 0x3) == ES_CENTER)
            format |= DT_CENTER;
        else if ((style & 0x3) == ES_RIGHT)
            format |= DT_RIGHT;
        p.Text(shown, inner, format, color);
    } else {
        // One left-aligned line: the view from `first_shown`, the selection lit while the edit
        // has the focus, and the caret.
        KeepCaretInView(p.dc(), hwnd, s, inner.right - inner.left);
        const std::string_view line = std::string_view(shown).substr(s.first_shown);
        const size_t from = std::clamp(s.sel_start, s.first_shown, shown.size()) - s.first_shown;
        const size_t to = std::clamp(s.sel_end, s.first_shown, shown.size()) - s.first_shown;
        const UINT format = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
        const int x_from = inner.left + Extent(p.dc(), line.substr(0, from));
        const int x_to = inner.left + Extent(p.dc(), line.substr(0, to));
        p.Text(line, inner, format, color);
        if (s.focused && from < to) {
            RECT lit{x_from, inner.top + 1, std::min<int>(x_to, inner.right), inner.bottom - 1};
            p.Fill(lit, colors::kSelection);
            p.Text(line.substr(from, to - from), RECT{x_from, inner.top, lit.right, inner.bottom},
                   format, colors::kWindow);
        }
        const int x_caret = s.caret_at_start ? x_from : x_to;
        if (s.focused && enabled && x_caret < inner.right)
            p.Fill(RECT{x_caret, inner.top + 2, x_caret + 1, inner.bottom - 2}, colors::kText);
    }
    if ((style & WS_BORDER) || (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
        p.Frame(r, s.focused ? colors::kDefaultFrame : colors::kFrame);
}

// The character boundary of one left-aligned line nearest to a client x.
size_t BoundaryAt(HWND hwnd, const EditState& s, int x) {
    if (Multiline(hwnd) || !LeftAligned(hwnd))
        return s.text.size();
    HDC dc = GetDC(hwnd);
    if (!dc)
        return s.text.size();
    HGDIOBJ old = s.font ? SelectObject(dc, s.font) : nullptr;
    RECT client{};
    GetClientRect(hwnd, &client);
    const std::string shown = Shown(hwnd, s);
    const int target = x - TextArea(client).left;
    size_t best = s.first_shown;
    for (size_t at = s.first_shown;; at = NextBoundary(s.text, at)) {
        const int here =
            Extent(dc, std::string_view(shown).substr(s.first_shown, at - s.first_shown));
        if (here <= target)
            best = at;
        else {
            const int before =
                Extent(dc, std::string_view(shown).substr(s.first_shown, best - s.first_shown));
            if (here - target < target - before)
                best = at;
            break;
        }
        if (at >= shown.size())
            break;
    }
    if (old)
        SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return best;
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto s = States().ForMessage(hwnd, message);
    if (!s)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
            s->text = cs->lpszName;
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    case WM_SETTEXT: {
        // A program's text is not held to the limit, which bounds only what the user types.
        auto* text = reinterpret_cast<LPCSTR>(lparam);
        s->text = text ? text : "";
        s->sel_start = s->sel_end = 0;
        s->undo.reset();
        s->typing = false;
        s->modified = false;
        DefWindowProcA(hwnd, message, wparam, lparam);
        Redraw(hwnd);
        if (!Multiline(hwnd)) {
            NotifyParent(hwnd, EN_UPDATE);
            NotifyParent(hwnd, EN_CHANGE);
        }
        return TRUE;
    }
    case WM_GETTEXT:
        return CopyOut(s->text, wparam, lparam);
    case WM_GETTEXTLENGTH:
        return LRESULT(s->text.size());
    case EM_LIMITTEXT:
        s->limit = wparam ? std::min<size_t>(size_t(wparam), kLargestLimit) : kLargestLimit;
        return 0;
    case EM_GETLIMITTEXT:
        return LRESULT(s->limit);
    case EM_SETSEL: {
        auto start = LONG(wparam), end = LONG(lparam);
        if (start == -1) {
            s->sel_start = s->sel_end;
        } else {
            size_t a = BoundaryAtOrBefore(s->text, size_t(std::max<LONG>(start, 0)));
            size_t b = end < 0 ? s->text.size() : BoundaryAtOrBefore(s->text, size_t(end));
            s->sel_start = std::min(a, b);
            s->sel_end = std::max(a, b);
            s->caret_at_start = false;
        }
        s->typing = false;
        Redraw(hwnd);
        return 0;
    }
    case EM_GETSEL:
        if (wparam)
            *reinterpret_cast<DWORD*>(wparam) = DWORD(s->sel_start);
        if (lparam)
            *reinterpret_cast<DWORD*>(lparam) = DWORD(s->sel_end);
        if (s->sel_start > 0xFFFF || s->sel_end > 0xFFFF)
            return -1;
        return MAKELONG(WORD(s->sel_start), WORD(s->sel_end));
    case EM_REPLACESEL: {
        auto* text = reinterpret_cast<LPCSTR>(lparam);
        s->typing = false; // a replacement is a step of its own
        ReplaceSelection(hwnd, *s, text ? text : "", wparam != 0);
        return 0;
    }
    case EM_CANUNDO:
        return s->undo ? TRUE : FALSE;
    case EM_UNDO:
    case WM_UNDO:
        if (!s->undo)
            return FALSE;
        Undo(hwnd, *s);
        return TRUE;
    case EM_EMPTYUNDOBUFFER:
        s->undo.reset();
        s->typing = false;
        return 0;
    case EM_GETMODIFY:
        return s->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
        s->modified = wparam != 0;
        return 0;
    case EM_SETREADONLY: {
        DWORD style = StyleOf(hwnd);
        SetWindowLongPtrA(hwnd, GWL_STYLE,
                          LONG_PTR(wparam ? style | ES_READONLY : style & ~DWORD(ES_READONLY)));
        Redraw(hwnd);
        return TRUE;
    }
    case WM_CHAR: {
        BYTE ch = BYTE(wparam);
        if (s->pending_lead >= 0) {
            std::string unit{char(s->pending_lead), char(ch)};
            s->pending_lead = -1;
            TypeCharacter(hwnd, *s, unit);
            return 0;
        }
        if (ch == VK_BACK) {
            if (StyleOf(hwnd) & ES_READONLY)
                return 0;
            if (s->sel_start != s->sel_end)
                DeleteRange(hwnd, *s, s->sel_start, s->sel_end, false);
            else if (s->sel_start > 0)
                DeleteRange(hwnd, *s, BoundaryAtOrBefore(s->text, s->sel_start - 1), s->sel_start,
                            true);
            return 0;
        }
        if (ch == 0x1A) { // Ctrl+Z
            Undo(hwnd, *s);
            return 0;
        }
        if (ch == 0x01) { // Ctrl+A
            s->typing = false;
            s->sel_start = 0;
            s->sel_end = s->text.size();
            s->caret_at_start = false;
            Redraw(hwnd);
            return 0;
        }
        if (ch < 0x20 && !(ch == '\r' && Multiline(hwnd)))
            return 0;
        if (IsDBCSLeadByte(ch)) {
            s->pending_lead = ch;
            return 0;
        }
        TypeCharacter(hwnd, *s, std::string(1, ch == '\r' ? '\n' : char(ch)));
        return 0;
    }
    case WM_KEYDOWN:
        switch (wparam) {
        case VK_DELETE:
            if (StyleOf(hwnd) & ES_READONLY)
                return 0;
            if (s->sel_start != s->sel_end)
                DeleteRange(hwnd, *s, s->sel_start, s->sel_end, false);
            else
                DeleteRange(hwnd, *s, s->sel_start, NextBoundary(s->text, s->sel_start), false);
            return 0;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_HOME:
        case VK_END: {
            const bool extend = GetKeyState(VK_SHIFT) < 0;
            const size_t caret = Caret(*s);
            size_t to = 0;
            if (wparam == VK_LEFT)
                to = !extend && s->sel_start != s->sel_end ? s->sel_start
                     : caret > 0                           ? BoundaryAtOrBefore(s->text, caret - 1)
                                                           : 0;
            else if (wparam == VK_RIGHT)
                to = !extend && s->sel_start != s->sel_end ? s->sel_end
                                                           : NextBoundary(s->text, caret);
            else if (wparam == VK_END)
                to = s->text.size();
            MoveCaret(hwnd, *s, to, extend);
            return 0;
        }
        }
        return 0;
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (Multiline(hwnd) && (StyleOf(hwnd) & ES_WANTRETURN))
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_LBUTTONDOWN:
        // The caret goes where the click was; the focus first, as the dialog manager may select
        // the whole text when the focus comes.
        SetFocus(hwnd);
        MoveCaret(hwnd, *s, BoundaryAt(hwnd, *s, SHORT(LOWORD(lparam))), false);
        return 0;
    case WM_SETFOCUS:
        s->focused = true;
        Redraw(hwnd);
        NotifyParent(hwnd, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s->focused = false;
        s->pending_lead = -1;
        Redraw(hwnd);
        NotifyParent(hwnd, EN_KILLFOCUS);
        return 0;
    case WM_PAINT:
        Paint(hwnd, *s);
        return 0;
    }
    return States().Default(hwnd, message, wparam, lparam, &s->font);
}

[[maybe_unused]] const bool registered = AddSystemClass({"Edit", EditProc, CS_DBLCLKS});

} // namespace

} // namespace platform::user32
