// Menus loaded from the resource library and changed by command and by position.
#include <windows.h>

#include "user32/menu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>

namespace {

constexpr UINT kCommands[] = {1000, 1001, 1002, 1003, 1004, 1005};

class Menus : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library = dlopen(PELMORA_PROGRAM_DIR "/PelmoraResources.dll", RTLD_NOW | RTLD_LOCAL);
    }
    void SetUp() override {
        ASSERT_NE(library, nullptr) << dlerror();
        bar = LoadMenuA(HMODULE(library), "MENU");
        ASSERT_NE(bar, nullptr);
        popup = GetSubMenu(bar, 0);
        ASSERT_NE(popup, nullptr);
    }
    void TearDown() override {
        if (platform::user32::FindMenu(bar))
            DestroyMenu(bar);
    }

    static inline void* library = nullptr;
    HMENU bar = nullptr;
    HMENU popup = nullptr;
};

TEST_F(Menus, FirstSubMenuCarriesTheSixCommands) {
    for (UINT id : kCommands) {
        SCOPED_TRACE(id);
        EXPECT_EQ(GetMenuState(popup, id, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED | MF_POPUP), 0u);
    }
    // Their order follows the command numbers.
    UINT last = 0;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        const UINT id = GetMenuItemID(popup, i);
        if (id == 0)
            continue; // separator
        EXPECT_GT(id, last);
        last = id;
    }
    EXPECT_EQ(last, 1005u);
}

TEST_F(Menus, CheckMarksByCommandWithTheShortStructure) {
    // The program passes the structure's first size, 72 bytes.
    MENUITEMINFOA info{};
    info.cbSize = 72;
    info.fMask = MIIM_STATE;
    info.fState = MFS_CHECKED;
    ASSERT_TRUE(SetMenuItemInfoA(popup, 1000, FALSE, &info));
    EXPECT_EQ(GetMenuState(popup, 1000, MF_BYCOMMAND), UINT(MF_CHECKED));
    // From the menu bar too: a search by command goes into the sub-menus.
    info.fState = MFS_UNCHECKED;
    ASSERT_TRUE(SetMenuItemInfoA(bar, 1000, FALSE, &info));
    EXPECT_EQ(GetMenuState(popup, 1000, MF_BYCOMMAND), 0u);

    MENUITEMINFOA read{};
    read.cbSize = sizeof read;
    read.fMask = MIIM_STATE | MIIM_ID;
    info.fState = MFS_CHECKED;
    ASSERT_TRUE(SetMenuItemInfoA(popup, 1, TRUE, &info));
    ASSERT_TRUE(GetMenuItemInfoA(popup, 1, TRUE, &read));
    EXPECT_EQ(read.wID, 1001u);
    EXPECT_EQ(read.fState, UINT(MFS_CHECKED));
}

TEST_F(Menus, RefusesWhatItCannotFind) {
    MENUITEMINFOA info{};
    info.cbSize = 72;
    info.fMask = MIIM_STATE;
    struct Case {
        HMENU menu;
        UINT item;
        BOOL by_position;
        UINT size;
        DWORD error;
    };
    const Case cases[] = {
        {popup, 1234, FALSE, 72, ERROR_MENU_ITEM_NOT_FOUND},
        {popup, 99, TRUE, 72, ERROR_MENU_ITEM_NOT_FOUND},
        {popup, 1000, FALSE, 48, ERROR_INVALID_PARAMETER},
        {HMENU(0x1234), 1000, FALSE, 72, ERROR_INVALID_MENU_HANDLE},
    };
    for (const Case& c : cases) {
        info.cbSize = c.size;
        SetLastError(0);
        EXPECT_FALSE(SetMenuItemInfoA(c.menu, c.item, c.by_position, &info));
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_FALSE(GetMenuItemInfoA(c.menu, c.item, c.by_position, &info));
    }
    EXPECT_EQ(GetMenuState(popup, 1234, MF_BYCOMMAND), UINT(-1));
    EXPECT_EQ(CheckMenuItem(popup, 1234, MF_BYCOMMAND | MF_CHECKED), DWORD(-1));
    EXPECT_EQ(GetMenuItemID(popup, 99), UINT(-1));
    EXPECT_EQ(GetMenuItemID(bar, 0), UINT(-1)) << "a pop-up has no command";
    EXPECT_EQ(GetSubMenu(popup, 0), nullptr);
    SetLastError(0);
    EXPECT_EQ(LoadMenuA(HMODULE(library), "NO_SUCH_MENU"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(Menus, CheckMenuItemReturnsThePreviousState) {
    EXPECT_EQ(CheckMenuItem(popup, 1001, MF_BYCOMMAND | MF_CHECKED), DWORD(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(popup, 1001, MF_BYCOMMAND | MF_UNCHECKED), DWORD(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(popup, 0, MF_BYPOSITION | MF_CHECKED), DWORD(MF_UNCHECKED));
    EXPECT_EQ(GetMenuState(popup, 1000, MF_BYCOMMAND), UINT(MF_CHECKED));
}

TEST_F(Menus, ItemTextIsCutToTheBuffer) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    ASSERT_TRUE(GetMenuItemInfoA(popup, 1005, FALSE, &info));
    const UINT length = info.cch; // no buffer: the length alone
    ASSERT_GT(length, 2u);

    char text[8];
    std::memset(text, 'X', sizeof text);
    info.dwTypeData = text;
    info.cch = 3;
    ASSERT_TRUE(GetMenuItemInfoA(popup, 1005, FALSE, &info));
    EXPECT_EQ(info.cch, 2u);
    EXPECT_EQ(std::strlen(text), 2u);
    EXPECT_EQ(text[3], 'X');
}

TEST_F(Menus, DestroyMenuTakesTheSubMenusWithIt) {
    ASSERT_TRUE(DestroyMenu(bar));
    SetLastError(0);
    EXPECT_EQ(GetMenuItemCount(bar), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_MENU_HANDLE));
    EXPECT_EQ(GetMenuItemCount(popup), -1);
    EXPECT_EQ(platform::user32::FindMenu(popup), nullptr);
    EXPECT_FALSE(DestroyMenu(bar));
    EXPECT_EQ(CheckMenuItem(popup, 1000, MF_CHECKED), DWORD(-1));
}

TEST_F(Menus, EachLoadIsItsOwnMenu) {
    HMENU other = LoadMenuA(HMODULE(library), "menu");
    ASSERT_NE(other, nullptr);
    CheckMenuItem(popup, 1000, MF_CHECKED);
    EXPECT_EQ(GetMenuState(other, 1000, MF_BYCOMMAND), 0u);
    EXPECT_TRUE(DestroyMenu(other));
    EXPECT_EQ(GetMenuState(popup, 1000, MF_BYCOMMAND), UINT(MF_CHECKED));
}

} // namespace
