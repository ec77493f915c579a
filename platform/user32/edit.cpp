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
    size_t limit = kDefaultLimit;
    std::optional<std::string> undo;
    bool modified = false;
    bool focused = false;
    int pending_lead = -1; // the lead byte of a double-byte character typed as two WM_CHARs
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
    // A change that cannot be undone also ends what an older undo would bring back.
    if (keep_undo)
        s.undo = s.text;
    else
        s.undo.reset();
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
}

void DeleteRange(HWND hwnd, EditState& s, size_t from, size_t to) {
    if (from >= to)
        return;
    s.undo = s.text;
    s.text.erase(from, to - from);
    s.sel_start = s.sel_end = from;
    Changed(hwnd, s);
}

void Undo(HWND hwnd, EditState& s) {
    if (!s.undo)
        return;
    std::string previous = std::exchange(s.text, *s.undo);
    s.undo = std::move(previous);
    s.sel_start = s.sel_end = s.text.size();
    Changed(hwnd, s);
}

void Paint(HWND hwnd, const EditState& s) {
    ControlPainter p(hwnd, s.font);
    if (!p.dc())
        return;
    const DWORD style = StyleOf(hwnd);
    const bool enabled = !(style & WS_DISABLED);
    RECT r = p.client();
    p.Fill(r, enabled && !(style & ES_READONLY) ? colors::kWindow : colors::kFace);
    std::string shown = (style & ES_PASSWORD) ? std::string(s.text.size(), '*') : s.text;
    RECT inner{r.left + 2, r.top + 1, r.right - 2, r.bottom - 1};
    UINT format = DT_NOPREFIX |
                  ((style & ES_MULTILINE) ? UINT(DT_WORDBREAK) : UINT(DT_SINGLELINE | DT_VCENTER));
    if ((style & 0x3) == ES_CENTER)
        format |= DT_CENTER;
    else if ((style & 0x3) == ES_RIGHT)
        format |= DT_RIGHT;
    p.Text(shown, inner, format, enabled ? colors::kText : colors::kGrayText);
    if ((style & WS_BORDER) || (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
        p.Frame(r, s.focused ? colors::kDefaultFrame : colors::kFrame);
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
        }
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
                DeleteRange(hwnd, *s, s->sel_start, s->sel_end);
            else if (s->sel_start > 0)
                DeleteRange(hwnd, *s, BoundaryAtOrBefore(s->text, s->sel_start - 1), s->sel_start);
            return 0;
        }
        if (ch == 0x1A) { // Ctrl+Z
            Undo(hwnd, *s);
            return 0;
        }
        if (ch == 0x01) { // Ctrl+A
            s->sel_start = 0;
            s->sel_end = s->text.size();
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
                DeleteRange(hwnd, *s, s->sel_start, s->sel_end);
            else
                DeleteRange(hwnd, *s, s->sel_start, NextBoundary(s->text, s->sel_start));
            return 0;
        case VK_LEFT:
            s->sel_start = s->sel_end =
                s->sel_start > 0 ? BoundaryAtOrBefore(s->text, s->sel_start - 1) : 0;
            return 0;
        case VK_RIGHT:
            s->sel_start = s->sel_end = NextBoundary(s->text, s->sel_end);
            return 0;
        case VK_HOME:
            s->sel_start = s->sel_end = 0;
            return 0;
        case VK_END:
            s->sel_start = s->sel_end = s->text.size();
            return 0;
        }
        return 0;
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (Multiline(hwnd) && (StyleOf(hwnd) & ES_WANTRETURN))
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
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
