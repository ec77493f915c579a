// The list-view control in report view: columns, items and their texts, the selection by mouse
// and keyboard, and the notifications its parent hears.
#include <windows.h>
#include <commctrl.h>

#include "comctl32/list_view.h"
#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using platform::testing::PixelAt;
using platform::testing::ReadWindowPixels;

struct Notice {
    UINT code;
    int item;
};
std::vector<Notice>& Notices() {
    static std::vector<Notice> notices;
    return notices;
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NOTIFY) {
        auto* nm = reinterpret_cast<const NMITEMACTIVATE*>(lparam);
        Notices().push_back({nm->hdr.code, nm->iItem});
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        Notices().clear();
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = "ListViewParent";
        ASSERT_NE(RegisterClassExA(&wc), 0);
        parent = CreateWindowExA(0, "ListViewParent", "", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300,
                                 nullptr, nullptr, nullptr, nullptr);
        list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 300,
                               200, parent, HMENU(28), nullptr, nullptr);
        ASSERT_NE(list, nullptr);
        AddColumn(0, "Placeholder", 60);
        AddColumn(1, "Meaning", 170);
    }
    void AddColumn(int index, const char* text, int width) {
        LVCOLUMNA c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.pszText = const_cast<char*>(text);
        c.cx = width;
        ASSERT_EQ(SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(index), LPARAM(&c)), index);
    }
    int AddItem(int index, const char* first, const char* second) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = const_cast<char*>(first);
        int at = int(SendMessageA(list, LVM_INSERTITEMA, 0, LPARAM(&item)));
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(second);
        SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(at), LPARAM(&item));
        return at;
    }
    std::string Text(int index, int sub_item, int size = 64) {
        std::string buffer(size_t(size) + 8, '#');
        LVITEMA item{};
        item.iSubItem = sub_item;
        item.pszText = buffer.data();
        item.cchTextMax = size;
        int n = int(SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(index), LPARAM(&item)));
        EXPECT_EQ(buffer[size_t(n)], '\0');
        EXPECT_EQ(buffer[size_t(size)], '#') << "written beyond the buffer";
        return buffer.substr(0, size_t(n));
    }
    int Selected() { return int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); }
    // A screen point in the row of `index` (the header is 20 pixels, a row 17).
    POINT RowPoint(int index, int x) { return POINT{100 + x, 100 + 20 + index * 17 + 8}; }
    void FillPlaceholders() {
        AddItem(0, "%1", "Receive speed");
        AddItem(1, "%2", "Send speed");
        AddItem(2, "%3", "Received in total");
    }

    platform::testing::DesktopScope desktop_;
    HWND parent = nullptr;
    HWND list = nullptr;
};

TEST_F(ListViewTest, ItemsKeepATextPerColumnCopiedWithinTheBuffer) {
    FillPlaceholders();
    // An item inserted before the others moves them down.
    EXPECT_EQ(AddItem(0, "$1", "Value 1 in percent"), 0);
    EXPECT_EQ(AddItem(99, "$2", "Value 2 in percent"), 4); // beyond the end: appended
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 5);
    struct Case {
        int item, sub_item, size;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, 64, "$1"},
        {1, 0, 64, "%1"},
        {3, 1, 64, "Received in total"},
        {3, 1, 5, "Rece"},
        {4, 1, 64, "Value 2 in percent"},
        {1, 0, 1, ""},
        {9, 0, 64, ""},
        {2, 5, 64, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Text(c.item, c.sub_item, c.size), c.text)
            << "item " << c.item << " column " << c.sub_item << " size " << c.size;

    // An item is inserted by its first column only; a column beyond the last has no text.
    LVITEMA sub{};
    sub.mask = LVIF_TEXT;
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>("x");
    EXPECT_EQ(SendMessageA(list, LVM_INSERTITEMA, 0, LPARAM(&sub)), -1);
    sub.iSubItem = 2;
    EXPECT_FALSE(SendMessageA(list, LVM_SETITEMTEXTA, 0, LPARAM(&sub)));
    EXPECT_FALSE(SendMessageA(list, LVM_SETITEMTEXTA, 7, LPARAM(&sub)));

    EXPECT_TRUE(SendMessageA(list, LVM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(Selected(), -1);
}

TEST_F(ListViewTest, AClickSelectsTheRowAndADoubleClickTellsTheParent) {
    FillPlaceholders();
    EXPECT_EQ(Selected(), -1);
    // Without full-row select only the first column's cell takes a click.
    platform::testing::LeftClick(RowPoint(1, 100));
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Selected(), -1);
    EXPECT_EQ(SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                           LVS_EX_FULLROWSELECT),
              0);
    EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);
    platform::testing::LeftClick(RowPoint(1, 100));
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(GetFocus(), list);

    Notices().clear();
    platform::testing::DoubleClick(RowPoint(2, 10));
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Selected(), 2);
    ASSERT_FALSE(Notices().empty());
    EXPECT_EQ(Notices().back().code, UINT(NM_DBLCLK));
    EXPECT_EQ(Notices().back().item, 2);
    // One item is selected at a time.
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, 2, LVNI_SELECTED), -1);

    // A double click below the last row selects nothing and says so.
    Notices().clear();
    platform::testing::DoubleClick(RowPoint(6, 10));
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Selected(), -1);
    ASSERT_FALSE(Notices().empty());
    EXPECT_EQ(Notices().back().code, UINT(NM_DBLCLK));
    EXPECT_EQ(Notices().back().item, -1);

    // The test desktop's pick is the same click.
    Notices().clear();
    EXPECT_TRUE(platform::comctl32::ListViewPickByUser(list, 0, true));
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Notices().back().item, 0);
    EXPECT_FALSE(platform::comctl32::ListViewPickByUser(list, 3, true));
}

TEST_F(ListViewTest, ArrowKeysMoveTheSelectionWithinTheItems) {
    FillPlaceholders();
    SetFocus(list);
    struct Case {
        int vk;
        int selected;
    };
    const Case cases[] = {{VK_DOWN, 0}, {VK_DOWN, 1}, {VK_DOWN, 2}, {VK_DOWN, 2},
                          {VK_UP, 1},   {VK_HOME, 0}, {VK_UP, 0},   {VK_END, 2}};
    for (const Case& c : cases) {
        platform::testing::PressKey(c.vk);
        platform::testing::RunUntilIdle();
        EXPECT_EQ(Selected(), c.selected) << "after key " << c.vk;
    }
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED), 2);
}

// More rows than fit (ten rows of 17 pixels below the header): a bar at the right edge and the
// wheel bring the others into view, and a click on a row then picks the row shown there.
TEST_F(ListViewTest, RowsBeyondTheBottomAreScrolledIntoView) {
    const int count = 25, visible = 10;
    for (int i = 0; i < count; ++i)
        AddItem(i, ("$" + std::to_string(i)).c_str(), "Value");
    // The bar of the list at (100, 100) sized 300 x 200: the arrows are 17 pixels square.
    const int bar_x = 100 + 300 - 8;
    const POINT up{bar_x, 100 + 20 + 4}, down{bar_x, 100 + 200 - 4};
    const POINT below_thumb{bar_x, 100 + 200 - 25};
    const auto wheel = [&](int notches) {
        SendMessageA(list, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(SHORT(notches * WHEEL_DELTA))), 0);
    };
    struct Case {
        const char* what;
        std::function<void()> act;
        int top;
    };
    const Case cases[] = {
        {"the down arrow", [&] { platform::testing::LeftClick(down); }, 1},
        {"the track below the thumb", [&] { platform::testing::LeftClick(below_thumb); }, 11},
        {"the wheel towards the user", [&] { wheel(-2); }, count - visible},
        {"the up arrow", [&] { platform::testing::LeftClick(up); }, count - visible - 1},
        {"the wheel away", [&] { wheel(1); }, count - visible - 4},
    };
    for (const Case& c : cases) {
        c.act();
        platform::testing::RunUntilIdle();
        // A click in the first row shown picks the item at the top.
        platform::testing::LeftClick(RowPoint(0, 10));
        platform::testing::RunUntilIdle();
        EXPECT_EQ(Selected(), c.top) << c.what;
    }
    auto pixels = ReadWindowPixels(parent);
    ASSERT_TRUE(pixels);
    EXPECT_NE(PixelAt(*pixels, 300 - 8, 20 + 17 + 2), RGB(255, 255, 255)) << "no scroll bar";
    // The keys keep the selection in view.
    SetFocus(list);
    platform::testing::PressKey(VK_END);
    platform::testing::RunUntilIdle();
    platform::testing::LeftClick(RowPoint(visible - 1, 10));
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Selected(), count - 1);
}

// The row half shown below the tenth comes into view at the first press of a double click;
// the second press, at the same place, still means that row and not the one moved under it.
TEST_F(ListViewTest, ADoubleClickOnAHalfShownRowIsThatRow) {
    for (int i = 0; i < 25; ++i)
        AddItem(i, ("$" + std::to_string(i)).c_str(), "Value");
    platform::testing::DoubleClick(RowPoint(10, 10));
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Selected(), 10);
    ASSERT_FALSE(Notices().empty());
    EXPECT_EQ(Notices().back().code, UINT(NM_DBLCLK));
    EXPECT_EQ(Notices().back().item, 10);
    // It came into view: the first row shown is the second item.
    platform::testing::LeftClick(RowPoint(0, 10));
    platform::testing::RunUntilIdle();
    EXPECT_EQ(Selected(), 1);
}

TEST_F(ListViewTest, TheSelectedRowIsLitAcrossTheRowAndNothingIsDrawnWhileRedrawIsOff) {
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    FillPlaceholders();
    platform::comctl32::ListViewPickByUser(list, 1, false);
    auto pixels = ReadWindowPixels(parent);
    ASSERT_TRUE(pixels);
    const COLORREF lit = RGB(0, 120, 215);
    EXPECT_NE(PixelAt(*pixels, 150, 20 + 17 + 2), lit) << "painted while redrawing was off";

    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    pixels = ReadWindowPixels(parent);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(PixelAt(*pixels, 2, 20 + 17 + 2), lit);   // first column
    EXPECT_EQ(PixelAt(*pixels, 150, 20 + 17 + 2), lit); // second column
    EXPECT_NE(PixelAt(*pixels, 150, 20 + 2), lit);      // the row above
    EXPECT_NE(PixelAt(*pixels, 250, 20 + 17 + 2), lit); // beyond the columns
}

} // namespace
