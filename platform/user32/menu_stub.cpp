// A minimal menu table for the popup menu loop until the menu calls provide the real one.
#include "user32/menu.h"

#include <map>
#include <mutex>

namespace platform::user32 {

namespace {

std::mutex menus_lock;
std::map<HMENU, std::unique_ptr<Menu>> menus;
uintptr_t next_menu = 0x20010;

} // namespace

Menu* FindMenu(HMENU menu) {
    std::lock_guard lock(menus_lock);
    auto it = menus.find(menu);
    return it == menus.end() ? nullptr : it->second.get();
}

HMENU CreateMenuObject(bool popup) {
    std::lock_guard lock(menus_lock);
    HMENU handle = reinterpret_cast<HMENU>(next_menu);
    next_menu += 2;
    auto menu = std::make_unique<Menu>();
    menu->popup = popup;
    menus.emplace(handle, std::move(menu));
    return handle;
}

} // namespace platform::user32
