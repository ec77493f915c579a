// The hot-key control: its value, its rules, the keys it takes and the text it shows.
#include <commctrl.h>

#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int changes = 0;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && HIWORD(wparam) == EN_CHANGE && LOWORD(wparam) == 15)
        ++changes;
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

class HotKeyTest : public ::testing::Test {
protected:
    HotKeyTest() {
        changes = 0;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = "HotKeyParent";
        RegisterClassExA(&wc);
        parent_ = CreateWindowExA(0, "HotKeyParent", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100,
                                  nullptr, nullptr, nullptr, nullptr);
        control_ = CreateWindowExA(0, HOTKEY_CLASS, "", WS_CHILD | WS_VISIBLE, 10, 10, 150, 20,
                                   parent_, HMENU(15), nullptr, nullptr);
        SetForegroundWindow(parent_);
        SetFocus(control_);
    }
    std::string Text() {
        char text[64] = {};
        GetWindowTextA(control_, text, sizeof text);
        return text;
    }
    void Press(std::vector<int> keys) {
        for (int vk : keys)
            platform::testing::KeyDown(vk);
        for (auto it = keys.rbegin(); it != keys.rend(); ++it)
            platform::testing::KeyUp(*it);
        platform::testing::RunUntilIdle();
    }
    platform::testing::DesktopScope desktop_;
    HWND parent_ = nullptr;
    HWND control_ = nullptr;
};

TEST_F(HotKeyTest, SetAndGetKeepTheValueAndTheTextShowsIt) {
    ASSERT_NE(control_, nullptr);
    EXPECT_EQ(Text(), "None");
    SendMessageA(control_, HKM_SETHOTKEY, MAKEWORD('P', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
    EXPECT_EQ(SendMessageA(control_, HKM_GETHOTKEY, 0, 0),
              MAKEWORD('P', HOTKEYF_CONTROL | HOTKEYF_ALT));
    EXPECT_EQ(Text(), "Ctrl + Alt + P");
    SendMessageA(control_, HKM_SETHOTKEY, MAKEWORD(VK_F12, HOTKEYF_SHIFT), 0);
    EXPECT_EQ(Text(), "Shift + F12");
    EXPECT_EQ(changes, 0); // set by the program: no notification
}

// The box names every key a user may pick, as the keyboard's own legends read.
TEST_F(HotKeyTest, TheTextNamesEachKey) {
    struct Case {
        BYTE vk;
        const char* name;
    };
    const Case cases[] = {
        {'A', "A"},
        {'Z', "Z"},
        {'0', "0"},
        {'9', "9"},
        {VK_F1, "F1"},
        {VK_F12, "F12"},
        {VK_F1 + 23, "F24"},
        {VK_NUMPAD0, "Num 0"},
        {VK_NUMPAD0 + 9, "Num 9"},
        {VK_MULTIPLY, "Num *"},
        {VK_ADD, "Num +"},
        {VK_SUBTRACT, "Num -"},
        {VK_DECIMAL, "Num Del"},
        {VK_DIVIDE, "Num /"},
        {VK_BACK, "Backspace"},
        {VK_TAB, "Tab"},
        {VK_RETURN, "Enter"},
        {VK_PAUSE, "Pause"},
        {VK_ESCAPE, "Esc"},
        {VK_SPACE, "Space"},
        {VK_PRIOR, "Page Up"},
        {VK_NEXT, "Page Down"},
        {VK_END, "End"},
        {VK_HOME, "Home"},
        {VK_LEFT, "Left"},
        {VK_UP, "Up"},
        {VK_RIGHT, "Right"},
        {VK_DOWN, "Down"},
        {VK_SNAPSHOT, "Print Screen"},
        {VK_INSERT, "Insert"},
        {VK_DELETE, "Delete"},
        {VK_APPS, "Application"},
        {VK_NUMLOCK, "Num Lock"},
        {VK_SCROLL, "Scroll Lock"},
    };
    for (const Case& c : cases) {
        SendMessageA(control_, HKM_SETHOTKEY, MAKEWORD(c.vk, HOTKEYF_ALT), 0);
        EXPECT_EQ(Text(), std::string("Alt + ") + c.name) << "key " << int(c.vk);
    }
}

// A combination the rules forbid takes the rules' modifiers; an allowed one stays.
TEST_F(HotKeyTest, KeysPressedFollowTheRules) {
    struct Case {
        WPARAM invalid;
        WORD replacement;
        std::vector<int> keys;
        WORD value;
        const char* text;
    };
    const Case cases[] = {
        {HKCOMB_NONE | HKCOMB_S,
         HOTKEYF_CONTROL | HOTKEYF_ALT,
         {'P'},
         MAKEWORD('P', HOTKEYF_CONTROL | HOTKEYF_ALT),
         "Ctrl + Alt + P"},
        {HKCOMB_NONE | HKCOMB_S,
         HOTKEYF_CONTROL | HOTKEYF_ALT,
         {VK_SHIFT, 'P'},
         MAKEWORD('P', HOTKEYF_CONTROL | HOTKEYF_ALT),
         "Ctrl + Alt + P"},
        {HKCOMB_NONE | HKCOMB_S,
         HOTKEYF_CONTROL | HOTKEYF_ALT,
         {VK_CONTROL, VK_SHIFT, 'K'},
         MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT),
         "Ctrl + Shift + K"},
        {0, 0, {'P'}, MAKEWORD('P', 0), "P"},
        {HKCOMB_A,
         HOTKEYF_CONTROL,
         {VK_MENU, VK_HOME},
         MAKEWORD(VK_HOME, HOTKEYF_CONTROL),
         "Ctrl + Home"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SendMessageA(control_, HKM_SETHOTKEY, 0, 0);
        SendMessageA(control_, HKM_SETRULES, c.invalid, MAKELPARAM(c.replacement, 0));
        changes = 0;
        Press(c.keys);
        EXPECT_EQ(SendMessageA(control_, HKM_GETHOTKEY, 0, 0), c.value);
        EXPECT_EQ(Text(), c.text);
        EXPECT_EQ(changes, 1); // the modifiers alone change nothing
    }
}

TEST_F(HotKeyTest, BackspaceClearsAndADisabledControlTakesNoKey) {
    SendMessageA(control_, HKM_SETHOTKEY, MAKEWORD('P', HOTKEYF_CONTROL), 0);
    Press({VK_BACK});
    EXPECT_EQ(SendMessageA(control_, HKM_GETHOTKEY, 0, 0), 0);
    EXPECT_EQ(Text(), "None");
    EXPECT_EQ(changes, 1);
    EnableWindow(control_, FALSE);
    Press({'Q'});
    EXPECT_EQ(SendMessageA(control_, HKM_GETHOTKEY, 0, 0), 0);
    EXPECT_EQ(changes, 1);
}

} // namespace
