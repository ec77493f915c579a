// The up-down control: a pair of arrows that step a position within a range, optionally shown
// in a buddy window (an edit) as a number.
#include "comctl32/updown.h"

#include <commctrl.h>

#include "user32/controls.h"
#include "user32/window_manager.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::comctl32 {

namespace {

using user32::ControlStates;
using user32::StyleOf;

struct UpDownState {
    // The system's default range runs from 100 down to 0: the up arrow lowers the position.
    int lower = 100;
    int upper = 0;
    int pos = 0;
    HWND buddy = nullptr;
    int base = 10;
    std::vector<UDACCEL> accel{{0, 1}};
    bool up_pressed = false;
    bool down_pressed = false;
};

ControlStates<UpDownState>& States() {
    static ControlStates<UpDownState> states;
    return states;
}

int Low(const UpDownState& s) {
    return std::min(s.lower, s.upper);
}

int High(const UpDownState& s) {
    return std::max(s.lower, s.upper);
}

int Clamp(const UpDownState& s, int value) {
    return std::clamp(value, Low(s), High(s));
}

std::string FormatPosition(HWND hwnd, const UpDownState& s) {
    char text[32];
    if (s.base == 16) {
        std::snprintf(text, sizeof text, "0x%X", unsigned(s.pos));
        return text;
    }
    std::snprintf(text, sizeof text, "%d", s.pos);
    if (StyleOf(hwnd) & UDS_NOTHOUSANDS)
        return text;
    // Thousands are separated as the user's locale has it; the layer's locale uses ",".
    std::string_view digits = text;
    std::string out;
    if (digits.front() == '-') {
        out.push_back('-');
        digits.remove_prefix(1);
    }
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

// The number a buddy's text holds (decimal with thousands separators, or hexadecimal in base
// 16); nothing for any other text.
std::optional<int> ParseBuddy(const std::string& text, int base) {
    std::string digits;
    for (char c : text)
        if (c != ',' && c != ' ')
            digits.push_back(c);
    if (digits.empty())
        return std::nullopt;
    const char* begin = digits.c_str();
    char* end = nullptr;
    long long value = 0;
    if (base == 16) {
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
            begin += 2;
        value = std::strtoll(begin, &end, 16);
    } else {
        value = std::strtoll(begin, &end, 10);
    }
    if (end == begin || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return int(value);
}

// Takes the position from the buddy's text; false when there is no buddy or its text is no
// number within the range (the position then stays).
bool SyncFromBuddy(HWND hwnd, UpDownState& s) {
    if (!s.buddy || !IsWindow(s.buddy))
        return false;
    if (!(StyleOf(hwnd) & UDS_SETBUDDYINT))
        return true;
    std::optional<int> value = ParseBuddy(user32::WholeText(s.buddy), s.base);
    if (!value || *value < Low(s) || *value > High(s))
        return false;
    s.pos = *value;
    return true;
}

void ShowInBuddy(HWND hwnd, const UpDownState& s) {
    if (s.buddy && IsWindow(s.buddy) && (StyleOf(hwnd) & UDS_SETBUDDYINT))
        SetWindowTextA(s.buddy, FormatPosition(hwnd, s).c_str());
}

// With UDS_ALIGNRIGHT or UDS_ALIGNLEFT the control sits inside the buddy's former rectangle,
// at its right or left edge, and the buddy gives up that width.
void AlignToBuddy(HWND hwnd, const UpDownState& s) {
    DWORD style = StyleOf(hwnd);
    if (!s.buddy || !(style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT)))
        return;
    HWND parent = GetParent(hwnd);
    if (!parent || GetParent(s.buddy) != parent)
        return;
    RECT buddy{}, own{};
    GetWindowRect(s.buddy, &buddy);
    GetWindowRect(hwnd, &own);
    POINT origin{0, 0};
    ClientToScreen(parent, &origin);
    int bx = buddy.left - origin.x, by = buddy.top - origin.y;
    int bw = buddy.right - buddy.left, bh = buddy.bottom - buddy.top;
    int width = std::min<int>(own.right - own.left, bw);
    if (style & UDS_ALIGNRIGHT) {
        SetWindowPos(s.buddy, nullptr, bx, by, bw - width, bh, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(hwnd, nullptr, bx + bw - width, by, width, bh, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        SetWindowPos(s.buddy, nullptr, bx + width, by, bw - width, bh,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(hwnd, nullptr, bx, by, width, bh, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The window created just before this one among its siblings: UDS_AUTOBUDDY's buddy.
HWND PreviousSibling(HWND hwnd) {
    auto parent = user32::FindWindowRecord(user32::ParentOf(hwnd));
    if (!parent)
        return nullptr;
    std::lock_guard lock(user32::DesktopLock());
    auto at = std::find(parent->children.begin(), parent->children.end(), hwnd);
    return at == parent->children.begin() || at == parent->children.end() ? nullptr : *(at - 1);
}

void Press(HWND hwnd, UpDownState& s, bool up) {
    SyncFromBuddy(hwnd, s);
    const bool ascending = s.upper >= s.lower;
    NMUPDOWN nm{};
    nm.hdr.hwndFrom = hwnd;
    nm.hdr.idFrom = UINT_PTR(user32::ControlIdOf(hwnd));
    nm.hdr.code = UDN_DELTAPOS;
    nm.iPos = s.pos;
    nm.iDelta = up == ascending ? 1 : -1;
    HWND parent = GetParent(hwnd);
    if (parent && SendMessageA(parent, WM_NOTIFY, WPARAM(nm.hdr.idFrom), LPARAM(&nm)) != 0)
        return; // the parent refused the change
    if (!IsWindow(hwnd))
        return;
    long long next = (long long)s.pos + nm.iDelta;
    if (next < Low(s) || next > High(s)) {
        if (StyleOf(hwnd) & UDS_WRAP)
            next = next < Low(s) ? High(s) : Low(s);
        else
            next = std::clamp<long long>(next, Low(s), High(s));
    }
    if (int(next) != s.pos) {
        s.pos = int(next);
        ShowInBuddy(hwnd, s);
    }
    if (parent && IsWindow(hwnd)) {
        UINT scroll = (StyleOf(hwnd) & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
        SendMessageA(parent, scroll, MAKEWPARAM(SB_THUMBPOSITION, WORD(s.pos)), LPARAM(hwnd));
        SendMessageA(parent, scroll, MAKEWPARAM(SB_ENDSCROLL, WORD(s.pos)), LPARAM(hwnd));
    }
}

// UDS_ARROWKEYS: the buddy's up and down arrow keys press the arrows. The buddy's procedure is
// replaced by one that takes those keys and hands everything else on.
struct BuddyHook {
    HWND updown;
    WNDPROC previous;
};

std::mutex& HooksLock() {
    static std::mutex lock;
    return lock;
}

std::map<HWND, BuddyHook>& BuddyHooks() {
    static std::map<HWND, BuddyHook> hooks;
    return hooks;
}

LRESULT CALLBACK BuddyProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    BuddyHook hook{};
    {
        std::lock_guard lock(HooksLock());
        auto it = BuddyHooks().find(hwnd);
        if (it == BuddyHooks().end())
            return DefWindowProcA(hwnd, message, wparam, lparam);
        hook = it->second;
        if (message == WM_NCDESTROY)
            BuddyHooks().erase(it);
    }
    if (message == WM_KEYDOWN && (wparam == VK_UP || wparam == VK_DOWN)) {
        if (auto s = States().Find(hook.updown); s && IsWindowEnabled(hook.updown)) {
            Press(hook.updown, *s, wparam == VK_UP);
            return 0;
        }
    }
    return CallWindowProcA(hook.previous, hwnd, message, wparam, lparam);
}

void HookBuddy(HWND updown, HWND buddy) {
    if (!buddy || !(StyleOf(updown) & UDS_ARROWKEYS))
        return;
    auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BuddyProc)));
    std::lock_guard lock(HooksLock());
    BuddyHooks()[buddy] = BuddyHook{updown, previous};
}

void UnhookBuddy(HWND buddy) {
    WNDPROC previous = nullptr;
    {
        std::lock_guard lock(HooksLock());
        auto it = BuddyHooks().find(buddy);
        if (it == BuddyHooks().end())
            return;
        previous = it->second.previous;
        BuddyHooks().erase(it);
    }
    // Only a procedure that is still ours is put back; a later subclass keeps its own.
    if (IsWindow(buddy) &&
        GetWindowLongPtrA(buddy, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(BuddyProc))
        SetWindowLongPtrA(buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
}

HWND SetBuddy(HWND hwnd, UpDownState& s, HWND buddy) {
    HWND old = s.buddy;
    if (old)
        UnhookBuddy(old);
    s.buddy = buddy && IsWindow(buddy) ? buddy : nullptr;
    AlignToBuddy(hwnd, s);
    HookBuddy(hwnd, s.buddy);
    return old;
}

void Paint(HWND hwnd, const UpDownState& s) {
    user32::ControlPainter p(hwnd, nullptr);
    if (!p.dc())
        return;
    const bool enabled = !(StyleOf(hwnd) & WS_DISABLED);
    const bool horizontal = (StyleOf(hwnd) & UDS_HORZ) != 0;
    RECT r = p.client();
    RECT first = r, second = r;
    if (horizontal)
        first.right = second.left = (r.left + r.right) / 2;
    else
        first.bottom = second.top = (r.top + r.bottom) / 2;
    // The up arrow is the top (or right) half.
    const RECT& up = horizontal ? second : first;
    const RECT& down = horizontal ? first : second;
    p.Fill(up, s.up_pressed ? RGB(204, 228, 247) : user32::colors::kFace);
    p.Fill(down, s.down_pressed ? RGB(204, 228, 247) : user32::colors::kFace);
    p.Frame(up, user32::colors::kFrame);
    p.Frame(down, user32::colors::kFrame);
    COLORREF arrow = enabled ? user32::colors::kText : user32::colors::kGrayText;
    auto triangle = [&](const RECT& box, bool pointing_up) {
        int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
        for (int i = 0; i < 3; ++i) {
            int row = pointing_up ? cy - 1 + i : cy + 1 - i;
            p.Fill(RECT{cx - i, row, cx + i + 1, row + 1}, arrow);
        }
    };
    triangle(up, true);
    triangle(down, false);
}

LRESULT CALLBACK UpDownProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto s = States().ForMessage(hwnd, message);
    if (!s)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_CREATE:
        if (StyleOf(hwnd) & UDS_AUTOBUDDY)
            SetBuddy(hwnd, *s, PreviousSibling(hwnd));
        return 0;
    case WM_NCDESTROY:
        if (s->buddy)
            UnhookBuddy(s->buddy);
        States().Erase(hwnd);
        return 0;
    case UDM_SETRANGE:
        s->upper = SHORT(LOWORD(lparam));
        s->lower = SHORT(HIWORD(lparam));
        return 0;
    case UDM_GETRANGE:
        return LRESULT(DWORD(MAKELONG(WORD(s->upper), WORD(s->lower))));
    case UDM_SETRANGE32:
        s->lower = int(wparam);
        s->upper = int(lparam);
        return 0;
    case UDM_GETRANGE32:
        if (wparam)
            *reinterpret_cast<int*>(wparam) = s->lower;
        if (lparam)
            *reinterpret_cast<int*>(lparam) = s->upper;
        return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        int old = s->pos;
        int wanted = message == UDM_SETPOS ? int(SHORT(LOWORD(lparam))) : int(lparam);
        s->pos = Clamp(*s, wanted);
        ShowInBuddy(hwnd, *s);
        return message == UDM_SETPOS ? LRESULT(WORD(old)) : LRESULT(old);
    }
    case UDM_GETPOS: {
        bool ok = SyncFromBuddy(hwnd, *s) && (StyleOf(hwnd) & UDS_SETBUDDYINT);
        return LRESULT(DWORD(MAKELONG(WORD(s->pos), ok ? 0 : 1)));
    }
    case UDM_GETPOS32: {
        bool ok = SyncFromBuddy(hwnd, *s);
        if (lparam)
            *reinterpret_cast<BOOL*>(lparam) = ok ? FALSE : TRUE;
        return s->pos;
    }
    case UDM_SETBUDDY:
        return LRESULT(SetBuddy(hwnd, *s, HWND(wparam)));
    case UDM_GETBUDDY:
        return LRESULT(s->buddy);
    case UDM_SETBASE: {
        if (wparam != 10 && wparam != 16)
            return 0;
        int old = s->base;
        s->base = int(wparam);
        ShowInBuddy(hwnd, *s);
        return old;
    }
    case UDM_GETBASE:
        return s->base;
    case UDM_SETACCEL: {
        auto* accel = reinterpret_cast<const UDACCEL*>(lparam);
        if (!accel || wparam == 0)
            return FALSE;
        s->accel.assign(accel, accel + std::min<WPARAM>(wparam, 64));
        return TRUE;
    }
    case UDM_GETACCEL: {
        // Copies as many entries as the caller's array holds; returns how many there are.
        auto* accel = reinterpret_cast<UDACCEL*>(lparam);
        if (accel)
            std::copy_n(s->accel.begin(), std::min<size_t>(size_t(wparam), s->accel.size()), accel);
        return LRESULT(s->accel.size());
    }
    case WM_LBUTTONDOWN: {
        RECT r;
        GetClientRect(hwnd, &r);
        int x = SHORT(LOWORD(lparam)), y = SHORT(HIWORD(lparam));
        bool up =
            (StyleOf(hwnd) & UDS_HORZ) ? x >= (r.left + r.right) / 2 : y < (r.top + r.bottom) / 2;
        (up ? s->up_pressed : s->down_pressed) = true;
        user32::Redraw(hwnd);
        Press(hwnd, *s, up);
        return 0;
    }
    case WM_LBUTTONUP:
        s->up_pressed = s->down_pressed = false;
        user32::Redraw(hwnd);
        return 0;
    case WM_PAINT:
        Paint(hwnd, *s);
        return 0;
    }
    return States().Default(hwnd, message, wparam, lparam, nullptr);
}

[[maybe_unused]] const bool registered =
    user32::AddSystemClass({UPDOWN_CLASS, UpDownProc, CS_DBLCLKS});

} // namespace

bool UpDownPressByUser(HWND updown, bool up) {
    auto s = States().Find(updown);
    if (!s || !IsWindowEnabled(updown))
        return false;
    Press(updown, *s, up);
    return true;
}

} // namespace platform::comctl32
