// A window class for the tests whose procedure the test sets, with the test desktop around it.
#pragma once

#include <windows.h>

#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace user32_test {

using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

inline Handler& CurrentHandler() {
    static Handler handler;
    return handler;
}

// Messages the handler leaves (nullopt) go to DefWindowProcA.
inline LRESULT CALLBACK TestProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (CurrentHandler())
        if (std::optional<LRESULT> result = CurrentHandler()(hwnd, message, wparam, lparam))
            return *result;
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

inline ATOM RegisterTestClass(const char* name, UINT style = 0) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        CurrentHandler() = {};
        ASSERT_NE(RegisterTestClass("TestWindow"), 0);
        ASSERT_NE(RegisterTestClass("TestDblClkWindow", CS_DBLCLKS), 0);
        ASSERT_NE(RegisterTestClass("TestOwnDCWindow", CS_OWNDC), 0);
    }
    void TearDown() override { CurrentHandler() = {}; }

    HWND Popup(int x, int y, int w, int h, DWORD ex_style = 0, const char* cls = "TestWindow",
               DWORD style = WS_POPUP | WS_VISIBLE) {
        return CreateWindowExA(ex_style, cls, "Test", style, x, y, w, h, nullptr, nullptr, nullptr,
                               nullptr);
    }

    platform::testing::DesktopScope desktop_;
};

} // namespace user32_test
