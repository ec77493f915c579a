// The tray icon, the hot key, the context menu and the menu commands of the main window.
#include "shell/main_window.h"

#include "dialogs/about.h"
#include "dialogs/options_sheet.h"
#include "resource.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/appearance.h"
#include "shell/environment.h"

namespace {

// WM_CONTEXTMENU from the keyboard carries -1 as its point: 0xFFFF in each half.
constexpr int KEYBOARD_MENU_COORDINATE = 0xFFFF;
// The application directory (MAX_PATH) and "Readme.txt", with room to spare.
constexpr int README_PATH_SIZE = 520;

void ShowPopupMenu(POINT at) {
    TrackPopupMenu(hPopupMenu, TPM_RIGHTBUTTON, at.x, at.y, 0, GetMainWindow(), nullptr);
}

} // namespace

LRESULT OnMainWindowLButtonDblClk(WPARAM, int, int) {
    RunOptionsCommand();
    return 0;
}

LRESULT OnMenuCommand(WORD id, WORD, LPARAM) {
    switch (id) {
    case IDM_ALWAYSONTOP:
        ToggleAlwaysOnTop();
        break;
    case IDM_PERMEATE:
        TogglePermeateOperation();
        break;
    case IDM_OPTION:
        RunOptionsCommand();
        break;
    case IDM_README:
        OpenReadme();
        break;
    case IDM_ABOUT:
        RunAboutCommand();
        break;
    case IDM_EXIT:
        RequestClose();
        break;
    }
    return 0;
}

void ToggleAlwaysOnTop() {
    // SWP_SHOWWINDOW also brings back a window that the hot key hid.
    constexpr UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW;
    HWND window = GetMainWindow();
    if (pMainWindowCategory->GetBooleanOrDefault(Literals::AlwaysOnTop, true)) {
        pMainWindowCategory->SetBoolean(Literals::AlwaysOnTop, false);
        SetMenuCheck(IDM_ALWAYSONTOP, false);
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    } else {
        pMainWindowCategory->SetBoolean(Literals::AlwaysOnTop, true);
        SetMenuCheck(IDM_ALWAYSONTOP, true);
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, flags);
    }
}

void TogglePermeateOperation() {
    HWND window = GetMainWindow();
    LONG_PTR style = GetWindowLongPtrA(window, GWL_EXSTYLE);
    if (pMainWindowCategory->GetBooleanOrDefault(Literals::PermeateOperation, false)) {
        // The tray icon stays: it is the way back to the menu that switched click-through on.
        pMainWindowCategory->SetBoolean(Literals::PermeateOperation, false);
        SetMenuCheck(IDM_PERMEATE, false);
        SetWindowLongPtrA(window, GWL_EXSTYLE, style & ~LONG_PTR(WS_EX_TRANSPARENT));
    } else {
        // A window that ignores the mouse has no menu of its own any more: the tray icon
        // takes its place.
        pMainWindowCategory->SetBoolean(Literals::PermeateOperation, true);
        SetMenuCheck(IDM_PERMEATE, true);
        SetWindowLongPtrA(window, GWL_EXSTYLE, style | WS_EX_TRANSPARENT);
        Shell_NotifyIconA(NIM_ADD, &nidTrayIcon);
        pMainWindowCategory->SetBoolean(Literals::TrayIcon, true);
    }
}

void OpenReadme() {
    CHAR path[README_PATH_SIZE];
    wsprintfA(path, Literals::TwoStringsFormat, GetApplicationDirectory(),
              Literals::ReadmeFileName);
    ShellExecuteA(GetMainWindow(), nullptr, path, nullptr, nullptr, SW_SHOW);
}

void RequestClose() {
    SendMessageA(GetMainWindow(), WM_CLOSE, 0, 0);
}

LRESULT OnMainWindowContextMenu(int x, int y) {
    POINT at{};
    if (x == KEYBOARD_MENU_COORDINATE && y == KEYBOARD_MENU_COORDINATE) {
        RECT window{};
        GetWindowRect(GetMainWindow(), &window);
        at = POINT{window.left, window.top};
    } else {
        GetCursorPos(&at);
    }
    ShowPopupMenu(at);
    return 0;
}

LRESULT OnTrayIconNotify(WPARAM, LPARAM lParam) {
    if (lParam == WM_RBUTTONUP && !bDialogShown) {
        POINT cursor{};
        GetCursorPos(&cursor);
        // The menu must belong to the foreground window to close when the user clicks
        // elsewhere; the null message afterwards lets it close at once.
        SetForegroundWindow(GetMainWindow());
        ShowPopupMenu(cursor);
        PostMessageA(GetMainWindow(), WM_NULL, 0, 0);
    }
    if (lParam == WM_LBUTTONUP)
        SetForegroundWindow(GetMainWindow());
    if (lParam == WM_LBUTTONDBLCLK && !bDialogShown) {
        bDialogShown = true;
        RunOptionsCommand();
        bDialogShown = false;
    }
    return 0;
}

LRESULT ToggleMainWindowVisible(WPARAM id, int, int) {
    if (id != WPARAM(HOTKEY_ID))
        return 0;
    HWND window = GetMainWindow();
    // No fade, and no activation: the window in front keeps the focus.
    ShowWindow(window, IsWindowVisible(window) ? SW_HIDE : SW_SHOWNA);
    return 0;
}

LRESULT AddTrayIcon() {
    if (pMainWindowCategory->GetBooleanOrDefault(Literals::TrayIcon, false))
        Shell_NotifyIconA(NIM_ADD, &nidTrayIcon);
    return 0;
}
