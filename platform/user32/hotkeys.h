// Global hot keys: a key combination registered for a window raises WM_HOTKEY in its queue in
// place of the key's own messages.
#pragma once

#include <windows.h>

#include <vector>

namespace platform::user32 {

struct HotKey {
    HWND hwnd;
    int id;
    UINT modifiers; // MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN
    UINT vk;
};

std::vector<HotKey> RegisteredHotKeys();
// The hot key for a key going down with the given modifiers held, if one is registered; its
// WM_HOTKEY is posted. Lock held by the caller.
bool PostHotKeyLocked(UINT vk, UINT modifiers);
// A window that goes loses its hot keys. Lock held by the caller.
void ForgetHotKeysLocked(HWND hwnd);

} // namespace platform::user32
