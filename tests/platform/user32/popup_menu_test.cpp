#include "test_window.h"

#include "user32/menu.h"

#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace platform::testing;
using platform::user32::CreateMenuObject;
using platform::user32::FindMenu;
using platform::user32::MenuItem;
using user32_test::CurrentHandler;
using user32_test::WindowTest;

constexpr UINT kGrayed = 0x0003;    // MFS_GRAYED
constexpr UINT kSeparator = 0x0800; // MFT_SEPARATOR

class PopupMenuTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        owner_ = Popup(0, 0, 100, 100);
        RunUntilIdle();
        menu_ = CreateMenuObject(true);
        HMENU sub = CreateMenuObject(true);
        auto& items = FindMenu(menu_)->items;
        items.push_back(MenuItem{1000, "Always on &top", 0, 0, nullptr});
        items.push_back(MenuItem{0, "", kSeparator, 0, nullptr});
        items.push_back(MenuItem{1001, "Grayed", 0, kGrayed, nullptr});
        items.push_back(MenuItem{0, "More", 0, 0, sub});
        FindMenu(sub)->items.push_back(MenuItem{1005, "E&xit", 0, 0, nullptr});
        CurrentHandler() = [this](HWND, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
            if (m == WM_COMMAND)
                commands_.push_back(LOWORD(wp));
            if (m == WM_TIMER)
                ++ticks_;
            return std::nullopt;
        };
    }
    HWND owner_ = nullptr;
    HMENU menu_ = nullptr;
    std::vector<UINT> commands_;
    int ticks_ = 0;
};

TEST_F(PopupMenuTest, AChosenCommandArrivesAsWmCommand) {
    AnswerNextMenu(1005);
    EXPECT_TRUE(TrackPopupMenu(menu_, TPM_RIGHTBUTTON, 40, 50, 0, owner_, nullptr));
    EXPECT_TRUE(commands_.empty()); // posted, not sent
    RunUntilIdle();
    EXPECT_EQ(commands_, (std::vector<UINT>{1005}));
    ASSERT_EQ(MenusShown().size(), 1u);
    EXPECT_EQ(MenusShown()[0].menu, menu_);
    EXPECT_EQ(MenusShown()[0].at.x, 40);
    EXPECT_EQ(MenusShown()[0].at.y, 50);
    EXPECT_EQ(MenusShown()[0].owner, owner_);
}

TEST_F(PopupMenuTest, AnswersThatChooseNothing) {
    struct Case {
        UINT answer;
        UINT flags;
        BOOL result;
    };
    for (Case c :
         {Case{1000, TPM_RETURNCMD, 1000}, Case{0, TPM_RETURNCMD, 0}, Case{0, 0, TRUE},
          Case{1001, TPM_RETURNCMD, 0}, Case{4242, TPM_RETURNCMD, 0}, Case{1001, 0, TRUE}}) {
        AnswerNextMenu(c.answer);
        EXPECT_EQ(TrackPopupMenu(menu_, c.flags, 0, 0, 0, owner_, nullptr), c.result) << c.answer;
        RunUntilIdle();
        EXPECT_TRUE(commands_.empty()) << c.answer; // returned, cancelled or not choosable
    }
}

TEST_F(PopupMenuTest, TheQueueRunsWhileTheMenuIsOpen) {
    SetTimer(owner_, 1, 1000, nullptr);
    bool checked_while_open = false;
    // No answer yet: the user looks at the menu for 3.5 s; then the idle clock cancels it.
    IdleScope idle(AdvanceTimersFor(3500));
    EXPECT_EQ(TrackPopupMenu(menu_, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 0);
    EXPECT_EQ(ticks_, 3);
    // An answer that looks at the menu as it is shown.
    AnswerNextMenuWith([&](const ShownMenu& shown) {
        checked_while_open = FindMenu(shown.menu)->items[0].id == 1000;
        return 1000u;
    });
    EXPECT_EQ(TrackPopupMenu(menu_, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 1000);
    EXPECT_TRUE(checked_while_open);
}

TEST_F(PopupMenuTest, EscapeCancels) {
    IdleScope idle([] {
        PressKey(VK_ESCAPE);
        return true;
    });
    EXPECT_EQ(TrackPopupMenu(menu_, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 0);
}

TEST_F(PopupMenuTest, ARightClickOpensTheMenuWhoseCommandComesBack) {
    // The window's own conduct: the context menu at the cursor, the command later.
    CurrentHandler() = [this](HWND h, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_CONTEXTMENU) {
            POINT cursor;
            GetCursorPos(&cursor);
            TrackPopupMenu(menu_, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, h, nullptr);
            return 0;
        }
        if (m == WM_COMMAND)
            commands_.push_back(LOWORD(wp));
        return std::nullopt;
    };
    AnswerNextMenu(1000);
    RightClick(POINT{30, 40});
    RunUntilIdle();
    EXPECT_EQ(commands_, (std::vector<UINT>{1000}));
    ASSERT_EQ(MenusShown().size(), 1u);
    EXPECT_EQ(MenusShown()[0].at.x, 30);
    EXPECT_EQ(MenusShown()[0].at.y, 40);
    DWORD pos = GetMessagePos();
    EXPECT_EQ(LOWORD(pos), 30); // the last message came from the click
}

TEST_F(PopupMenuTest, BadHandlesFail) {
    EXPECT_FALSE(TrackPopupMenu(HMENU(0x1234), 0, 0, 0, 0, owner_, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_MENU_HANDLE));
    EXPECT_FALSE(TrackPopupMenu(menu_, 0, 0, 0, 0, HWND(0x1234), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

// The user in the menu's window: the steps run one at a time while the menu waits, each with
// the menu's window and its rectangle on the screen.
class MenuWindowTest : public PopupMenuTest {
protected:
    using Step = std::function<void(HWND menu, const RECT& r)>;
    BOOL Track(UINT flags, std::vector<Step> steps, POINT at = POINT{40, 50}) {
        auto left = std::make_shared<std::vector<Step>>(std::move(steps));
        IdleScope idle([left]() {
            if (left->empty())
                return false;
            HWND menu = FindWindowA("#32768", nullptr);
            RECT r{};
            GetWindowRect(menu, &r);
            Step step = left->front();
            left->erase(left->begin());
            step(menu, r);
            return true;
        });
        return TrackPopupMenu(menu_, flags | TPM_RETURNCMD, at.x, at.y, 0, owner_, nullptr);
    }
    // A point on item `row` of the test menu: three items of one height and a 9-pixel
    // separator under a 2-pixel frame.
    static POINT OnItem(const RECT& r, int row) {
        const int item = (r.bottom - r.top - 4 - 9) / 3;
        const int heights[] = {item, 9, item, item};
        int y = r.top + 2;
        for (int i = 0; i < row; ++i)
            y += heights[i];
        return POINT{r.left + 40, y + heights[row] / 2};
    }
};

TEST_F(MenuWindowTest, TheMouseChoosesAnItemAndNothingElse) {
    auto click = [](int row, bool right) {
        return [row, right](HWND, const RECT& r) {
            POINT p = OnItem(r, row);
            MouseMove(p);
            if (right)
                RightClick(p);
            else
                LeftClick(p);
        };
    };
    auto escape = [](HWND, const RECT&) { PressKey(VK_ESCAPE); };
    struct Case {
        const char* name;
        UINT flags;
        std::vector<Step> steps;
        BOOL result;
    } cases[] = {
        {"left click", 0, {click(0, false)}, 1000},
        {"right click with TPM_RIGHTBUTTON", TPM_RIGHTBUTTON, {click(0, true)}, 1000},
        {"right click without it", 0, {click(0, true), escape}, 0},
        {"grayed item", 0, {click(2, false), escape}, 0},
        {"sub-menu item", 0, {click(3, false), escape}, 0},
        {"press outside the menu",
         0,
         {[](HWND, const RECT& r) {
             LeftDown(POINT{r.right + 5, r.top});
         }},
         0},
    };
    for (Case& c : cases)
        EXPECT_EQ(Track(c.flags, c.steps), c.result) << c.name;
    EXPECT_EQ(FindWindowA("#32768", nullptr), nullptr); // the window goes with the menu
}

TEST_F(MenuWindowTest, TheKeyboardChoosesByArrowsAndAccessKeys) {
    auto keys = [](std::vector<int> vks) {
        return [vks](HWND, const RECT&) {
            for (int vk : vks)
                PressKey(vk);
        };
    };
    struct Case {
        const char* name;
        std::vector<int> keys;
        BOOL result;
    } cases[] = {
        {"down and enter", {VK_DOWN, VK_RETURN}, 1000},
        // The separator, the grayed item and the sub-menu are passed over.
        {"down twice comes round", {VK_DOWN, VK_DOWN, VK_RETURN}, 1000},
        {"up from nothing", {VK_UP, VK_RETURN}, 1000},
        {"access key", {'T'}, 1000},
        {"access key of a sub-menu's item", {'X', VK_ESCAPE}, 0},
        {"enter without an item", {VK_RETURN, VK_ESCAPE}, 0},
        {"Alt closes it", {VK_MENU}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Track(0, {keys(c.keys)}), c.result) << c.name;
}

TEST_F(MenuWindowTest, AMenuNearTheCornerOpensLeftAndUpOfThePoint) {
    RECT shown{};
    bool activated = false;
    Track(0, {[&](HWND menu, const RECT& r) {
              shown = r;
              activated = GetForegroundWindow() == menu;
              PressKey(VK_ESCAPE);
          }},
          POINT{1915, 1035});
    // The default desktop's work area ends 40 pixels above the screen's bottom.
    EXPECT_EQ(shown.right, 1915);
    EXPECT_EQ(shown.bottom, 1035);
    EXPECT_GT(shown.right - shown.left, 60);
    EXPECT_FALSE(activated);
}

} // namespace
