// The About dialog: the version line, the program's icon, and buttons that open the author's
// web page and a mail to the author.
#pragma once

#include <windows.h>

// The dialog's window while it runs (not cleared afterwards).
extern HWND hAboutDlg;

// The menu command: the modal About dialog owned by the main window, with bDialogShown set
// while it runs.
void RunAboutCommand();
void ShowAboutDialog(HWND owner);
INT_PTR CALLBACK AboutDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR AboutDialogDispatch(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR AboutDialogInit(HWND hDlg);
INT_PTR AboutDialogCommand(WORD id, WORD code, HWND control);
INT_PTR AboutDialogClose();
void EndAboutDialog();
void OpenWebSiteLink();
void OpenMailLink();
