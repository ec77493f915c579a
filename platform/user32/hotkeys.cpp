#include "user32/hotkeys.h"

#include "user32/window_manager.h"

#include "present/present.h"

#include <algorithm>

namespace platform::user32 {

namespace {

constexpr UINT kModifierMask = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;

std::vector<HotKey>& HotKeys() {
    static std::vector<HotKey> hot_keys;
    return hot_keys;
}

} // namespace

std::vector<HotKey> RegisteredHotKeys() {
    std::lock_guard lock(DesktopLock());
    return HotKeys();
}

bool PostHotKeyLocked(UINT vk, UINT modifiers) {
    for (const HotKey& key : HotKeys()) {
        if (key.vk != vk || key.modifiers != modifiers)
            continue;
        auto w = FindWindowRecord(key.hwnd);
        if (!w)
            return false;
        MSG msg{};
        msg.hwnd = key.hwnd;
        msg.message = WM_HOTKEY;
        msg.wParam = WPARAM(key.id);
        msg.lParam = MAKELPARAM(modifiers, vk);
        QueueOf(w->thread).posted.push_back(msg);
        QueueOf(w->thread).Wake();
        return true;
    }
    return false;
}

void ForgetHotKeysLocked(HWND hwnd) {
    std::erase_if(HotKeys(), [&](const HotKey& key) {
        if (key.hwnd != hwnd)
            return false;
        present::TheBackend().UngrabHotKey(key.modifiers, key.vk);
        return true;
    });
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

// A combination belongs to one registration at a time; a second one fails, whoever asks.
BOOL WINAPI RegisterHotKey(HWND hWnd, int id, UINT fsModifiers, UINT vk) {
    std::lock_guard lock(DesktopLock());
    if (hWnd && !WindowOrError(hWnd))
        return FALSE;
    UINT modifiers = fsModifiers & kModifierMask;
    for (const HotKey& key : HotKeys()) {
        if (key.vk == vk && key.modifiers == modifiers) {
            SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
            return FALSE;
        }
    }
    // On a real desktop the key is taken from every other program, unless one already has it.
    if (!platform::present::TheBackend().GrabHotKey(modifiers, vk)) {
        SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
        return FALSE;
    }
    HotKeys().push_back(HotKey{hWnd, id, modifiers, vk});
    return TRUE;
}

BOOL WINAPI UnregisterHotKey(HWND hWnd, int id) {
    std::lock_guard lock(DesktopLock());
    auto it = std::find_if(HotKeys().begin(), HotKeys().end(),
                           [&](const HotKey& key) { return key.hwnd == hWnd && key.id == id; });
    if (it == HotKeys().end()) {
        SetLastError(ERROR_HOTKEY_NOT_REGISTERED);
        return FALSE;
    }
    platform::present::TheBackend().UngrabHotKey(it->modifiers, it->vk);
    HotKeys().erase(it);
    return TRUE;
}

PELMORA_END_EXTERN_C
