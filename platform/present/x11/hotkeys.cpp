// Hot keys as key grabs on the root window, in every combination of Caps Lock and Num Lock, so
// that the key works whatever lock is on. A combination another client holds is refused.
#include "present/x11/x11.h"

#include <algorithm>
#include <array>

namespace platform::present::x11 {

namespace {

constexpr std::array<unsigned, 4> kLocks = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

} // namespace

bool X11Backend::GrabHotKey(UINT modifiers, UINT vk) {
    if (lost_)
        return false;
    std::lock_guard lock(mutex_);
    const KeySym sym = KeySymOf(vk);
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display_, sym);
    if (!code)
        return false;
    const unsigned mask = ModifierMaskOf(modifiers);
    XSync(display_, False);
    BeginErrorTrap();
    for (unsigned locks : kLocks)
        XGrabKey(display_, code, mask | locks, root_, False, GrabModeAsync, GrabModeAsync);
    XSync(display_, False);
    if (EndErrorTrap()) {
        // Another client holds it: give back whatever variants were had.
        for (unsigned locks : kLocks)
            XUngrabKey(display_, code, mask | locks, root_);
        XFlush(display_);
        return false;
    }
    XSelectInput(display_, root_, PropertyChangeMask | KeyPressMask);
    grabs_.push_back({code, mask});
    return true;
}

void X11Backend::UngrabHotKey(UINT modifiers, UINT vk) {
    if (lost_)
        return;
    std::lock_guard lock(mutex_);
    const KeySym sym = KeySymOf(vk);
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display_, sym);
    const unsigned mask = ModifierMaskOf(modifiers);
    auto it = std::find(grabs_.begin(), grabs_.end(), std::pair<unsigned, unsigned>{code, mask});
    if (it == grabs_.end())
        return;
    grabs_.erase(it);
    for (unsigned locks : kLocks)
        XUngrabKey(display_, code, mask | locks, root_);
    XFlush(display_);
}

} // namespace platform::present::x11
