// The up-down control ("msctls_updown32"), as the test desktop reaches it.
#pragma once

#include <windows.h>

namespace platform::comctl32 {

// A click on the up (or down) arrow as a user makes it: UDN_DELTAPOS to the parent, the new
// position, the buddy's text, WM_VSCROLL / WM_HSCROLL. False when the window is no up-down
// control or is disabled.
bool UpDownPressByUser(HWND updown, bool up);

} // namespace platform::comctl32
