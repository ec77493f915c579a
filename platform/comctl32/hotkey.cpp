// The hot-key control ("msctls_hotkey32"): a box that shows a key combination and takes the
// next one the user presses while it has the focus.
#include <commctrl.h>

#include "user32/controls.h"

#include <cstdio>
#include <string>

namespace platform::comctl32 {

namespace {

using user32::ControlStates;
namespace colors = user32::colors;

struct HotKeyState {
    WORD value = 0; // virtual key in the low byte, HOTKEYF_ flags in the high byte
    WORD invalid = 0;
    WORD replacement = 0;
    HFONT font = nullptr;
    bool focused = false;
};

ControlStates<HotKeyState>& States() {
    static ControlStates<HotKeyState> states;
    return states;
}

bool IsModifierKey(UINT vk) {
    switch (vk) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
        return true;
    }
    return false;
}

// The HKCOMB_ bit of a combination of Shift, Ctrl and Alt.
WORD Combination(WORD modifiers) {
    const bool s = modifiers & HOTKEYF_SHIFT, c = modifiers & HOTKEYF_CONTROL,
               a = modifiers & HOTKEYF_ALT;
    if (s && c && a)
        return HKCOMB_SCA;
    if (c && a)
        return HKCOMB_CA;
    if (s && a)
        return HKCOMB_SA;
    if (s && c)
        return HKCOMB_SC;
    if (a)
        return HKCOMB_A;
    if (c)
        return HKCOMB_C;
    if (s)
        return HKCOMB_S;
    return HKCOMB_NONE;
}

std::string KeyName(UINT vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return std::string(1, char(vk));
    if (vk >= VK_F1 && vk <= VK_F1 + 23)
        return "F" + std::to_string(vk - VK_F1 + 1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9)
        return "Num " + std::to_string(vk - VK_NUMPAD0);
    switch (vk) {
    case VK_BACK:
        return "Backspace";
    case VK_TAB:
        return "Tab";
    case VK_RETURN:
        return "Enter";
    case VK_PAUSE:
        return "Pause";
    case VK_ESCAPE:
        return "Esc";
    case VK_SPACE:
        return "Space";
    case VK_PRIOR:
        return "Page Up";
    case VK_NEXT:
        return "Page Down";
    case VK_END:
        return "End";
    case VK_HOME:
        return "Home";
    case VK_LEFT:
        return "Left";
    case VK_UP:
        return "Up";
    case VK_RIGHT:
        return "Right";
    case VK_DOWN:
        return "Down";
    case VK_SNAPSHOT:
        return "Print Screen";
    case VK_INSERT:
        return "Insert";
    case VK_DELETE:
        return "Delete";
    case VK_APPS:
        return "Application";
    case VK_MULTIPLY:
        return "Num *";
    case VK_ADD:
        return "Num +";
    case VK_SUBTRACT:
        return "Num -";
    case VK_DECIMAL:
        return "Num Del";
    case VK_DIVIDE:
        return "Num /";
    case VK_NUMLOCK:
        return "Num Lock";
    case VK_SCROLL:
        return "Scroll Lock";
    }
    char text[16];
    std::snprintf(text, sizeof text, "Key %02X", vk & 0xFF);
    return text;
}

// "Ctrl + Alt + P"; "None" for no key.
std::string Describe(WORD value) {
    const UINT vk = LOBYTE(value);
    const WORD modifiers = HIBYTE(value);
    if (!vk && !(modifiers & (HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT)))
        return "None";
    std::string text;
    if (modifiers & HOTKEYF_CONTROL)
        text += "Ctrl + ";
    if (modifiers & HOTKEYF_SHIFT)
        text += "Shift + ";
    if (modifiers & HOTKEYF_ALT)
        text += "Alt + ";
    if (vk)
        text += KeyName(vk);
    return text;
}

void TakeKey(HWND hwnd, HotKeyState& s, UINT vk, LPARAM lparam) {
    WORD value = 0;
    // Backspace and Delete without a modifier clear the control.
    const bool plain =
        GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (!(plain && (vk == VK_BACK || vk == VK_DELETE))) {
        WORD modifiers = 0;
        if (GetKeyState(VK_SHIFT) < 0)
            modifiers |= HOTKEYF_SHIFT;
        if (GetKeyState(VK_CONTROL) < 0)
            modifiers |= HOTKEYF_CONTROL;
        if (GetKeyState(VK_MENU) < 0)
            modifiers |= HOTKEYF_ALT;
        if (s.invalid & Combination(modifiers))
            modifiers = s.replacement & (HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT);
        if (lparam & (1 << 24))
            modifiers |= HOTKEYF_EXT;
        value = WORD((vk & 0xFF) | (modifiers << 8));
    }
    if (value == s.value)
        return;
    s.value = value;
    user32::Redraw(hwnd);
    user32::NotifyParent(hwnd, EN_CHANGE);
}

void Paint(HWND hwnd, const HotKeyState& s) {
    user32::ControlPainter p(hwnd, s.font);
    if (!p.dc())
        return;
    const bool enabled = !(user32::StyleOf(hwnd) & WS_DISABLED);
    RECT r = p.client();
    p.Fill(r, enabled ? colors::kWindow : colors::kFace);
    p.Frame(r, s.focused ? colors::kDefaultFrame : colors::kFrame);
    RECT text{r.left + 3, r.top + 1, r.right - 3, r.bottom - 1};
    p.Text(Describe(s.value), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX,
           enabled ? colors::kText : colors::kGrayText);
}

LRESULT CALLBACK HotKeyProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto s = States().ForMessage(hwnd, message);
    if (!s)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case HKM_SETHOTKEY:
        s->value = LOWORD(wparam);
        user32::Redraw(hwnd);
        return 0;
    case HKM_GETHOTKEY:
        return s->value;
    case HKM_SETRULES:
        s->invalid = WORD(wparam);
        s->replacement = LOWORD(lparam);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (!IsModifierKey(UINT(wparam)) && IsWindowEnabled(hwnd))
            TakeKey(hwnd, *s, UINT(wparam), lparam);
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        s->focused = message == WM_SETFOCUS;
        user32::Redraw(hwnd);
        return 0;
    case WM_GETTEXT:
        return user32::CopyOut(Describe(s->value), wparam, lparam);
    case WM_GETTEXTLENGTH:
        return LRESULT(Describe(s->value).size());
    case WM_SETTEXT:
        return TRUE; // the text is the key's: it is not set
    case WM_PAINT:
        Paint(hwnd, *s);
        return 0;
    }
    return States().Default(hwnd, message, wparam, lparam, &s->font);
}

[[maybe_unused]] const bool registered =
    user32::AddSystemClass({HOTKEY_CLASS, HotKeyProc, CS_DBLCLKS});

} // namespace

} // namespace platform::comctl32
