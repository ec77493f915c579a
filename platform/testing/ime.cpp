#include "testing/ime.h"

#include <imm.h>

namespace platform::testing {

namespace {

constexpr char kImeWindowClass[] = "Pelmora Test IME Window";

LRESULT CALLBACK ImeWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

} // namespace

HWND CreateImeWindow(bool with_context) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ImeWindowProc;
    wc.lpszClassName = kImeWindowClass;
    RegisterClassExA(&wc); // fails harmlessly once the class exists
    HWND hwnd = CreateWindowExA(0, kImeWindowClass, "IME", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                                100, 200, 120, nullptr, nullptr, nullptr, nullptr);
    if (hwnd && !with_context)
        ImmAssociateContext(hwnd, nullptr);
    return hwnd;
}

void FocusWindow(HWND hwnd) {
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
}

void SetImeOpen(HWND hwnd, bool open) {
    if (HIMC himc = ImmGetContext(hwnd)) {
        ImmSetOpenStatus(himc, open ? TRUE : FALSE);
        ImmReleaseContext(hwnd, himc);
    }
}

} // namespace platform::testing
