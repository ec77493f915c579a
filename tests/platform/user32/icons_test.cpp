// Stock icons and cursors, and the life of icon handles.
#include <windows.h>

#include "user32/icons.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using platform::user32::FindIcon;

TEST(Icons, StockIconsAreSharedPictures) {
    for (LPCSTR id : {IDI_APPLICATION, IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK,
                      IDI_WINLOGO, IDI_SHIELD}) {
        SCOPED_TRACE(reinterpret_cast<uintptr_t>(id));
        HICON icon = LoadIconA(nullptr, id);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(LoadIconA(nullptr, id), icon);
        auto picture = FindIcon(icon);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->width, GetSystemMetrics(SM_CXICON));
        EXPECT_EQ(picture->height, GetSystemMetrics(SM_CYICON));
        EXPECT_TRUE(std::ranges::any_of(picture->pixels, [](uint32_t p) { return p >> 24; }));
        EXPECT_TRUE(DestroyIcon(icon));
        EXPECT_NE(FindIcon(icon), nullptr) << "a shared icon outlives DestroyIcon";
    }
    SetLastError(0);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST(Icons, StockCursors) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    EXPECT_NE(arrow, LoadIconA(nullptr, IDI_APPLICATION)) << "same number, other kind";
    auto picture = FindIcon(arrow);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->cursor);
    EXPECT_EQ(picture->hotspot.x, 0);
    EXPECT_NE(LoadCursorA(nullptr, IDC_IBEAM), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(5)), nullptr);
}

TEST(Icons, LoadImageGivesOwnIconsOfTheSizeAsked) {
    HICON small = HICON(LoadImageA(nullptr, IDI_APPLICATION, IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    ASSERT_NE(small, nullptr);
    auto picture = FindIcon(small);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width, 16);
    EXPECT_EQ(picture->pixels.size(), 256u);
    EXPECT_TRUE(DestroyIcon(small));
    EXPECT_EQ(FindIcon(small), nullptr);
    SetLastError(0);
    EXPECT_FALSE(DestroyIcon(small));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_CURSOR_HANDLE));

    EXPECT_EQ(LoadImageA(nullptr, "x.ico", IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, IDI_APPLICATION, IMAGE_BITMAP, 0, 0, 0), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, IDI_APPLICATION, IMAGE_ICON, -1, 16, 0), nullptr);
}

} // namespace
