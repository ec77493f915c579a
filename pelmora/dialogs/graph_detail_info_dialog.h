// The information dialog of the graph detail page: which plug-in provides a data item, and the
// plug-in's description.
#pragma once

#include <windows.h>

extern HWND hGraphDetailInfoDlg;

// Modal, owned by the options sheet; dataItem is the program-wide data-item index.
void ShowGraphDetailInfoDialog(HWND owner, DWORD dataItem);
INT_PTR CALLBACK GraphDetailInfoDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
