// A dialog procedure for the tests whose conduct the test sets, and an owner window, with the
// test desktop around them.
#pragma once

#include <windows.h>

#include "test_dialogs.h"
#include "test_window.h"

#include <functional>
#include <optional>
#include <vector>

namespace user32_test {

using DialogHandler = std::function<std::optional<INT_PTR>(HWND, UINT, WPARAM, LPARAM)>;

inline DialogHandler& CurrentDialogHandler() {
    static DialogHandler handler;
    return handler;
}

struct Command {
    int id;
    int code;
    HWND control;
};

inline std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

// The button clicks among the commands.
inline std::vector<Command> Clicks() {
    std::vector<Command> clicks;
    for (const Command& c : Commands())
        if (c.code == BN_CLICKED)
            clicks.push_back(c);
    return clicks;
}

// Records every WM_COMMAND; a button click (BN_CLICKED) of IDOK, IDCANCEL or IDC_APPLY ends the
// dialog with the button's identifier. Whatever the test's handler answers comes first.
inline INT_PTR CALLBACK TestDialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND)
        Commands().push_back(Command{LOWORD(wparam), HIWORD(wparam), HWND(lparam)});
    if (CurrentDialogHandler())
        if (std::optional<INT_PTR> result = CurrentDialogHandler()(hwnd, message, wparam, lparam))
            return *result;
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED &&
            (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDC_APPLY)) {
            EndDialog(hwnd, LOWORD(wparam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

class DialogTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        CurrentDialogHandler() = {};
        Commands().clear();
        owner_ = Popup(100, 100, 400, 300);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override {
        CurrentDialogHandler() = {};
        WindowTest::TearDown();
    }
    INT_PTR Run(LPCSTR name, LPARAM param = 0) {
        return DialogBoxParamA(GetModuleHandleA(nullptr), name, owner_, TestDialogProc, param);
    }
    HWND owner_ = nullptr;
};

} // namespace user32_test
