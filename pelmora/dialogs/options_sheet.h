// The options property sheet: its pages, the apply sequence and the state the shell shares.
#pragma once

#include <windows.h>

// True while the options sheet or the About dialog runs; the tray icon then opens nothing.
extern bool bDialogShown;

// The options sheet with the main window as owner; sets bDialogShown meanwhile.
void RunOptionsCommand();
// Builds and runs the modal options sheet; returns when it has closed.
void ShowOptionsSheet(HWND owner);
