// The menu model behind HMENU: LoadMenuA builds it from a module's resources, the menu calls
// change it, TrackPopupMenu shows it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace platform::user32 {

struct Menu;

struct MenuItem {
    UINT id = 0;             // command identifier (0 for a separator or a sub-menu)
    std::string text;        // ANSI, with '&' marking the access key, "\t" before a shortcut
    UINT type = 0;           // MFT_* (MFT_SEPARATOR for a separator)
    UINT state = 0;          // MFS_* (checked, grayed/disabled, default)
    HMENU submenu = nullptr; // the item's pop-up menu, owned by this menu
};

struct Menu {
    bool popup = false;
    std::vector<MenuItem> items;
};

// The menu of a handle, or null for a handle that is not (or no longer) a menu.
Menu* FindMenu(HMENU menu);
// A new empty menu and its handle.
HMENU CreateMenuObject(bool popup);

} // namespace platform::user32
