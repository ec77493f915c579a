// The change-settings dialog of the graph detail page: which groups of the selected item's
// drawing settings are to be copied to every item, as six flag bits.
#pragma once

#include <windows.h>

// The bits of the result, one per check box.
constexpr DWORD CHANGE_GRAPH1_DRAWN = 0x01;
constexpr DWORD CHANGE_GRAPH1_TYPE = 0x02;
constexpr DWORD CHANGE_GRAPH1_COLORS = 0x04;
constexpr DWORD CHANGE_GRAPH_POSITIONS = 0x08;
constexpr DWORD CHANGE_TEXT_POSITION = 0x10;
constexpr DWORD CHANGE_TEXT_COLOR = 0x20;

extern HWND hChangeSettingsDlg;
extern DWORD* pdwChangeSettingsFlags;

// Modal, owned by the options sheet. *flags is written only when the user presses OK; the
// caller sets it to 0 before.
void ShowChangeSettingsDialog(HWND owner, DWORD* flags);
INT_PTR CALLBACK ChangeSettingsDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
