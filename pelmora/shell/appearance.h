// How the main window looks and appears: size and place, opacity and colour key,
// click-through, tray icon, hot key, always on top, the fades and the passing opacity.
#pragma once

#include <windows.h>

void ApplyMainWindowSettings();
void SetMainWindowOpacity(int alpha);
void ShowMainWindow();
void TearDownMainWindow();
void RestartUpdateTimer();
LRESULT OnMainWindowTimer(WPARAM id, LPARAM lParam);
LRESULT OnMainWindowMouseMove(WPARAM keys, int x, int y);
BOOL IsPointInRect(const RECT& rect, POINT point);
// Checks or unchecks the popup menu's item of this command.
void SetMenuCheck(UINT id, bool checked);
// Not passing, no hot key registered: the state of a new process.
void ResetAppearanceState();
