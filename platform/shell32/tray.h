// The tray area: the icons that programs put there with Shell_NotifyIconA.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace platform::shell32 {

struct TrayIcon {
    HWND hwnd;
    UINT id;
    UINT flags; // NIF_MESSAGE | NIF_ICON | NIF_TIP as last set
    UINT callback_message;
    HICON icon;
    std::string tip; // ANSI
};

std::vector<TrayIcon> TrayIcons();
// Removes every icon, undocked from the desktop's tray, as a restarted task bar has none.
void ClearTrayIcons();
// The mouse message the shell reports for an icon (WM_LBUTTONUP, WM_RBUTTONUP,
// WM_LBUTTONDBLCLK ...): posted to its window as the callback message, the icon's id in wParam.
bool ClickTrayIcon(HWND hwnd, UINT id, UINT mouse_message);

} // namespace platform::shell32
