// Window hooks (hooks.cpp): the one call the message-sending path makes into them.
#pragma once

#include <windows.h>

namespace platform::user32 {

// Runs the WH_CALLWNDPROCRET hooks that watch the calling thread, newest first, after a window
// procedure returned `result` for a sent message. With no hook installed it costs one load.
void RunCallWndProcRetHooks(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT result);

// Calls a window's procedure (observers first) without the hooks: DispatchMessageA uses it, as
// WH_CALLWNDPROCRET watches sent messages only. CallProcedure is this and then the hooks.
LRESULT CallProcedureUnhooked(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

} // namespace platform::user32
