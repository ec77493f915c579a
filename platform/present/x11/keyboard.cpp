// Keyboard: X key symbols as the layer's virtual keys, both ways, and the modifiers held.
#include "present/x11/x11.h"

#include <X11/keysym.h>

#include <array>

namespace platform::present::x11 {

namespace {

struct KeyPair {
    KeySym sym;
    UINT vk;
};

constexpr std::array kKeys = {
    KeyPair{XK_BackSpace, VK_BACK},
    KeyPair{XK_Tab, VK_TAB},
    KeyPair{XK_ISO_Left_Tab, VK_TAB},
    KeyPair{XK_Return, VK_RETURN},
    KeyPair{XK_KP_Enter, VK_RETURN},
    KeyPair{XK_Escape, VK_ESCAPE},
    KeyPair{XK_space, VK_SPACE},
    KeyPair{XK_Prior, VK_PRIOR},
    KeyPair{XK_Next, VK_NEXT},
    KeyPair{XK_End, VK_END},
    KeyPair{XK_Home, VK_HOME},
    KeyPair{XK_Left, VK_LEFT},
    KeyPair{XK_Up, VK_UP},
    KeyPair{XK_Right, VK_RIGHT},
    KeyPair{XK_Down, VK_DOWN},
    KeyPair{XK_Insert, VK_INSERT},
    KeyPair{XK_Delete, VK_DELETE},
    KeyPair{XK_Shift_L, VK_SHIFT},
    KeyPair{XK_Shift_R, VK_SHIFT},
    KeyPair{XK_Control_L, VK_CONTROL},
    KeyPair{XK_Control_R, VK_CONTROL},
    KeyPair{XK_Alt_L, VK_MENU},
    KeyPair{XK_Alt_R, VK_MENU},
    KeyPair{XK_Super_L, VK_LWIN},
    KeyPair{XK_Super_R, VK_RWIN},
    KeyPair{XK_Caps_Lock, VK_CAPITAL},
    KeyPair{XK_Num_Lock, VK_NUMLOCK},
    KeyPair{XK_Scroll_Lock, VK_SCROLL},
    KeyPair{XK_Pause, VK_PAUSE},
    KeyPair{XK_Print, VK_SNAPSHOT},
    KeyPair{XK_Menu, VK_APPS},
    KeyPair{XK_KP_Multiply, VK_MULTIPLY},
    KeyPair{XK_KP_Add, VK_ADD},
    KeyPair{XK_KP_Subtract, VK_SUBTRACT},
    KeyPair{XK_KP_Decimal, VK_DECIMAL},
    KeyPair{XK_KP_Divide, VK_DIVIDE},
    KeyPair{XK_semicolon, VK_OEM_1},
    KeyPair{XK_equal, VK_OEM_PLUS},
    KeyPair{XK_comma, VK_OEM_COMMA},
    KeyPair{XK_minus, VK_OEM_MINUS},
    KeyPair{XK_period, VK_OEM_PERIOD},
    KeyPair{XK_slash, VK_OEM_2},
    KeyPair{XK_grave, VK_OEM_3},
    KeyPair{XK_bracketleft, VK_OEM_4},
    KeyPair{XK_backslash, VK_OEM_5},
    KeyPair{XK_bracketright, VK_OEM_6},
    KeyPair{XK_apostrophe, VK_OEM_7},
};

} // namespace

UINT VirtualKeyOf(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z)
        return UINT('A' + (sym - XK_a));
    if (sym >= XK_A && sym <= XK_Z)
        return UINT('A' + (sym - XK_A));
    if (sym >= XK_0 && sym <= XK_9)
        return UINT('0' + (sym - XK_0));
    if (sym >= XK_KP_0 && sym <= XK_KP_9)
        return UINT(VK_NUMPAD0 + (sym - XK_KP_0));
    if (sym >= XK_F1 && sym <= XK_F24)
        return UINT(VK_F1 + (sym - XK_F1));
    for (const KeyPair& k : kKeys)
        if (k.sym == sym)
            return k.vk;
    return 0;
}

KeySym KeySymOf(UINT vk) {
    if (vk >= 'A' && vk <= 'Z')
        return XK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9')
        return XK_0 + (vk - '0');
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9)
        return XK_KP_0 + (vk - VK_NUMPAD0);
    if (vk >= VK_F1 && vk <= VK_F24)
        return XK_F1 + (vk - VK_F1);
    for (const KeyPair& k : kKeys)
        if (k.vk == vk)
            return k.sym;
    return NoSymbol;
}

bool IsModifier(UINT vk) {
    return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || vk == VK_LWIN || vk == VK_RWIN;
}

void FollowModifiers(unsigned state) {
    ModifiersHeld((state & ShiftMask) != 0, (state & ControlMask) != 0, (state & Mod1Mask) != 0);
}

unsigned ModifierMaskOf(UINT modifiers) {
    unsigned mask = 0;
    if (modifiers & MOD_SHIFT)
        mask |= ShiftMask;
    if (modifiers & MOD_CONTROL)
        mask |= ControlMask;
    if (modifiers & MOD_ALT)
        mask |= Mod1Mask;
    if (modifiers & MOD_WIN)
        mask |= Mod4Mask;
    return mask;
}

} // namespace platform::present::x11
