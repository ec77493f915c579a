// Menu objects behind HMENU, LoadMenuA, and the calls that read and change menu items.
#include "user32/menu.h"

#include "user32/resources.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <span>

namespace platform::user32 {

namespace {

std::recursive_mutex menu_mutex;
std::map<uintptr_t, std::unique_ptr<Menu>>& Menus() {
    static std::map<uintptr_t, std::unique_ptr<Menu>> menus;
    return menus;
}
// Handles are never reused, so a destroyed menu's handle stays refused.
uintptr_t next_menu = 0x4D0000;

// Builds the menu of one level of a table's items; nothing for a table that points outside
// its item array.
HMENU BuildMenu(const PelmoraRcTable& table, uint32_t first, uint32_t count, bool popup,
                int depth) {
    if (depth > 16 || first > table.menu_item_count || count > table.menu_item_count - first)
        return nullptr;
    HMENU handle = CreateMenuObject(popup);
    Menu* menu = FindMenu(handle);
    for (const PelmoraRcMenuItem& entry : std::span(table.menu_items + first, count)) {
        MenuItem item;
        item.id = entry.id;
        item.text = TableText(table, entry.text);
        item.type = entry.type | ((entry.flags & PELMORA_RC_MENU_SEPARATOR) ? MFT_SEPARATOR : 0);
        item.state = entry.state;
        if (entry.flags & PELMORA_RC_MENU_POPUP) {
            item.id = 0;
            item.submenu = BuildMenu(table, entry.first_child, entry.child_count, true, depth + 1);
            if (!item.submenu) {
                DestroyMenu(handle);
                return nullptr;
            }
        }
        menu->items.push_back(std::move(item));
    }
    return handle;
}

// The item that `item` names: by position in `menu`, or by command anywhere in the menu and
// its sub-menus (depth first, in item order).
MenuItem* FindItem(Menu* menu, UINT item, bool by_position, int depth = 0) {
    if (!menu || depth > 16)
        return nullptr;
    if (by_position)
        return item < menu->items.size() ? &menu->items[item] : nullptr;
    for (MenuItem& i : menu->items) {
        if (i.submenu) {
            if (MenuItem* found = FindItem(FindMenu(i.submenu), item, false, depth + 1))
                return found;
        } else if (i.id == item) {
            return &i;
        }
    }
    return nullptr;
}

Menu* FindMenuOrFail(HMENU handle) {
    Menu* menu = FindMenu(handle);
    if (!menu)
        SetLastError(ERROR_INVALID_MENU_HANDLE);
    return menu;
}

// The sizes of MENUITEMINFOA: 80 bytes, or 72 for the form without hbmpItem.
bool ValidItemInfoSize(UINT size) {
    return size == sizeof(MENUITEMINFOA) || size == 72;
}

} // namespace

Menu* FindMenu(HMENU menu) {
    std::lock_guard lock(menu_mutex);
    auto it = Menus().find(reinterpret_cast<uintptr_t>(menu));
    return it == Menus().end() ? nullptr : it->second.get();
}

HMENU CreateMenuObject(bool popup) {
    std::lock_guard lock(menu_mutex);
    const uintptr_t value = next_menu;
    next_menu += 4;
    auto menu = std::make_unique<Menu>();
    menu->popup = popup;
    Menus()[value] = std::move(menu);
    return reinterpret_cast<HMENU>(value);
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

HMENU WINAPI LoadMenuA(HINSTANCE hInstance, LPCSTR lpMenuName) {
    const PelmoraRcTable* table = FindResourceTable(hInstance);
    if (!table)
        return nullptr;
    const PelmoraRcMenu* menu = FindTableMenu(*table, lpMenuName);
    if (!menu) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    HMENU handle = BuildMenu(*table, menu->first_item, menu->item_count, false, 0);
    if (!handle)
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return handle;
}

BOOL WINAPI DestroyMenu(HMENU hMenu) {
    std::unique_ptr<Menu> menu;
    {
        std::lock_guard lock(menu_mutex);
        auto it = Menus().find(reinterpret_cast<uintptr_t>(hMenu));
        if (it == Menus().end()) {
            SetLastError(ERROR_INVALID_MENU_HANDLE);
            return FALSE;
        }
        menu = std::move(it->second);
        Menus().erase(it);
    }
    // The sub-menus belong to their items and go with them.
    for (const MenuItem& item : menu->items)
        if (item.submenu)
            DestroyMenu(item.submenu);
    return TRUE;
}

HMENU WINAPI GetSubMenu(HMENU hMenu, int nPos) {
    Menu* menu = FindMenuOrFail(hMenu);
    if (!menu || nPos < 0 || size_t(nPos) >= menu->items.size())
        return nullptr;
    return menu->items[nPos].submenu;
}

int WINAPI GetMenuItemCount(HMENU hMenu) {
    Menu* menu = FindMenuOrFail(hMenu);
    return menu ? int(menu->items.size()) : -1;
}

UINT WINAPI GetMenuItemID(HMENU hMenu, int nPos) {
    Menu* menu = FindMenuOrFail(hMenu);
    if (!menu || nPos < 0 || size_t(nPos) >= menu->items.size())
        return UINT(-1);
    const MenuItem& item = menu->items[nPos];
    return item.submenu ? UINT(-1) : item.id;
}

UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
    MenuItem* item = FindItem(FindMenuOrFail(hMenu), uId, uFlags & MF_BYPOSITION);
    if (!item)
        return UINT(-1);
    const UINT flags = item->state | item->type;
    if (item->submenu) {
        // A pop-up reports its item count in the high byte of the low word.
        Menu* sub = FindMenu(item->submenu);
        const UINT count = sub ? UINT(std::min<size_t>(sub->items.size(), 0xFF)) : 0;
        return (count << 8) | (flags & 0xFF) | MF_POPUP;
    }
    return flags;
}

DWORD WINAPI CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck) {
    MenuItem* item = FindItem(FindMenuOrFail(hMenu), uIDCheckItem, uCheck & MF_BYPOSITION);
    if (!item)
        return DWORD(-1);
    const DWORD previous = item->state & MF_CHECKED;
    item->state = (item->state & ~MF_CHECKED) | (uCheck & MF_CHECKED);
    return previous;
}

BOOL WINAPI GetMenuItemInfoA(HMENU hMenu, UINT item, BOOL fByPosition, LPMENUITEMINFOA lpmii) {
    if (!lpmii || !ValidItemInfoSize(lpmii->cbSize)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Menu* menu = FindMenuOrFail(hMenu);
    if (!menu)
        return FALSE;
    MenuItem* found = FindItem(menu, item, fByPosition);
    if (!found) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    const UINT mask = lpmii->fMask;
    if (mask & (MIIM_FTYPE | MIIM_TYPE))
        lpmii->fType = found->type;
    if (mask & MIIM_STATE)
        lpmii->fState = found->state;
    if (mask & MIIM_ID)
        lpmii->wID = found->id;
    if (mask & MIIM_SUBMENU)
        lpmii->hSubMenu = found->submenu;
    if (mask & MIIM_CHECKMARKS) {
        lpmii->hbmpChecked = nullptr;
        lpmii->hbmpUnchecked = nullptr;
    }
    if (mask & MIIM_DATA)
        lpmii->dwItemData = 0;
    if ((mask & MIIM_BITMAP) && lpmii->cbSize == sizeof(MENUITEMINFOA))
        lpmii->hbmpItem = nullptr;
    const bool wants_text =
        (mask & MIIM_STRING) || ((mask & MIIM_TYPE) && !(found->type & MFT_SEPARATOR));
    if (wants_text) {
        // Without a buffer only the length is reported; with one the text is cut to cch - 1
        // bytes (never half a character) and cch becomes the bytes copied.
        const size_t length = found->text.size();
        if (!lpmii->dwTypeData || lpmii->cch == 0) {
            lpmii->cch = UINT(length);
        } else {
            const size_t n = AnsiCutLength(found->text, lpmii->cch - 1);
            std::memcpy(lpmii->dwTypeData, found->text.data(), n);
            lpmii->dwTypeData[n] = '\0';
            lpmii->cch = UINT(n);
        }
    }
    return TRUE;
}

BOOL WINAPI SetMenuItemInfoA(HMENU hMenu, UINT item, BOOL fByPositon, LPCMENUITEMINFOA lpmii) {
    // Check marks, bitmaps, item data and new sub-menus are not kept by this menu model.
    constexpr UINT kSupported = MIIM_STATE | MIIM_ID | MIIM_FTYPE | MIIM_TYPE | MIIM_STRING;
    if (!lpmii || !ValidItemInfoSize(lpmii->cbSize) || (lpmii->fMask & ~kSupported)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Menu* menu = FindMenuOrFail(hMenu);
    if (!menu)
        return FALSE;
    MenuItem* found = FindItem(menu, item, fByPositon);
    if (!found) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    const UINT mask = lpmii->fMask;
    if (mask & (MIIM_FTYPE | MIIM_TYPE))
        found->type = lpmii->fType;
    if (mask & MIIM_STATE)
        found->state = lpmii->fState;
    if ((mask & MIIM_ID) && !found->submenu)
        found->id = lpmii->wID;
    if (((mask & MIIM_STRING) || ((mask & MIIM_TYPE) && !(lpmii->fType & MFT_SEPARATOR))) &&
        lpmii->dwTypeData)
        found->text = lpmii->dwTypeData;
    return TRUE;
}

PELMORA_END_EXTERN_C
