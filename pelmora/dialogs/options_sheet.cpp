// The options property sheet and the frame its pages share.
#include "dialogs/options_sheet.h"

#include "shell/main_window.h"

bool bDialogShown = false;

void RunOptionsCommand() {
    bDialogShown = true;
    ShowOptionsSheet(GetMainWindow());
    bDialogShown = false;
}

void ShowOptionsSheet(HWND) {}
