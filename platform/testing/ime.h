// The test desktop's input-method windows: plain shown top-level windows, with the input
// context of their thread or with none, focused and switched as a user would.
#pragma once

#include <windows.h>

namespace platform::testing {

// A shown top-level window of the calling thread; without a context when with_context is false
// (the IME is not available in it).
HWND CreateImeWindow(bool with_context);
// Brings the window to the front and gives it the keyboard focus.
void FocusWindow(HWND hwnd);
// Turns the IME of the window's context on or off (WM_IME_NOTIFY goes to the window).
void SetImeOpen(HWND hwnd, bool open);

} // namespace platform::testing
