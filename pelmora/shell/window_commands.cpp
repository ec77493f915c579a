// The tray icon, the hot key, the context menu and the menu commands of the main window.
#include "shell/main_window.h"

#include "dialogs/options_sheet.h"

LRESULT OnMainWindowLButtonDblClk(WPARAM, int, int) {
    RunOptionsCommand();
    return 0;
}

LRESULT OnMenuCommand(WORD, WORD, LPARAM) {
    return 0;
}

LRESULT OnMainWindowContextMenu(int, int) {
    return 0;
}

LRESULT OnTrayIconNotify(WPARAM, LPARAM) {
    return 0;
}

LRESULT ToggleMainWindowVisible(WPARAM, int, int) {
    return 0;
}

LRESULT AddTrayIcon() {
    return 0;
}
