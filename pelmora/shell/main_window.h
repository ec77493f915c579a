// The main window: a borderless, layered tool window showing the rows, and its window
// procedure, which hands every message of the program to one handler.
#pragma once

#include <windows.h>
#include <shellapi.h>

class CDriveProfileCategory;

constexpr UINT WM_APP_TRAYICON = 0x8064;
constexpr UINT_PTR UPDATE_TIMER_ID = 1;
constexpr UINT_PTR PASSING_TIMER_ID = 2;
constexpr int HOTKEY_ID = 0;
constexpr UINT UPDATE_INTERVAL_MS = 1000;
constexpr UINT PASSING_INTERVAL_MS = 100;

constexpr LPCSTR MAIN_WINDOW_CLASS_NAME = "Pelmora Main Window Class";
extern HMENU hMainMenu;
extern HMENU hPopupMenu;
extern NOTIFYICONDATAA nidTrayIcon;
extern UINT wmTaskbarCreated;

void CreateMainWindow();
LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT HandleMainWindowMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

void SetMainWindow(HWND window);
HWND GetMainWindow();
void SetMainWindowDC(HDC dc);
HDC GetMainWindowDC();

// Handlers of the main window's own.
LRESULT OnMainWindowPaint(WPARAM wParam);
LRESULT OnMainWindowNotify(WPARAM wParam, LPARAM lParam);
LRESULT OnRedrawRowRequest(WPARAM row);
LRESULT OnRowDataReport(WPARAM row, LPARAM record);
LRESULT CloseMainWindow();
LRESULT OnMainWindowDestroy();

// Dragging, snapping and the saved position.
LRESULT SaveWindowPosition(int x, int y);
LRESULT OnMainWindowEnterSizeMove();
LRESULT OnMainWindowMoving(LPRECT rect);
LRESULT OnMainWindowLButtonDown(WPARAM keys, int x, int y);

// Tray icon, hot key, context menu and menu commands.
LRESULT OnMainWindowLButtonDblClk(WPARAM keys, int x, int y);
LRESULT OnMenuCommand(WORD id, WORD code, LPARAM control);
LRESULT OnMainWindowContextMenu(int x, int y);
LRESULT OnTrayIconNotify(WPARAM wParam, LPARAM lParam);
LRESULT ToggleMainWindowVisible(WPARAM id, int modifiers, int key);
LRESULT AddTrayIcon();

// The menu's commands (RunOptionsCommand and RunAboutCommand belong to the dialogs).
void ToggleAlwaysOnTop();
void TogglePermeateOperation();
void OpenReadme();
void RequestClose();
