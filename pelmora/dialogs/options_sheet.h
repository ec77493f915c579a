// The options property sheet: its pages, the apply sequence and the state the shell shares.
#pragma once

#include <windows.h>

namespace Dialog {
class CPropertyPageBase;
class CWindowPage;
class CGraphGeneralPage;
class CGraphDetailPage;
} // namespace Dialog

// The three pages, made once at start-up and cleared during shutdown.
extern Dialog::CWindowPage* pWindowPage;
extern Dialog::CGraphGeneralPage* pGraphGeneralPage;
extern Dialog::CGraphDetailPage* pGraphDetailPage;

// True while the options sheet or the About dialog runs; the tray icon then opens nothing.
extern bool bDialogShown;
// True while the graph-detail page refills its controls: the changes it causes enable nothing.
extern bool bFillingPage;
// The custom colours of the colour dialog, shared by every colour button for the whole run.
extern COLORREF rgbCustomColors[16];

// Start-up: creates the three page objects.
void InitializeOptionPages();
void CreateOptionPages();
// Shutdown: the page globals are cleared.
void ReleaseOptionPages();

// The options sheet with the main window as owner; sets bDialogShown meanwhile.
void RunOptionsCommand();
// Builds and runs the modal options sheet; returns when it has closed.
void ShowOptionsSheet(HWND owner);

INT_PTR CALLBACK WindowPageDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK GraphGeneralPageDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK GraphDetailPageDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Enables the sheet's Apply button for a change on `page`, unless bFillingPage is set.
void NotifySheetChanged(HWND sheet, HWND page);
// PSM_CHANGED to the sheet for `page`.
void SendSheetChanged(HWND sheet, HWND page);
// After a command of a page: 1 when `control` is of class `className` (exactly), the code is
// the expected one and the page is initialised, after enabling Apply; else 0.
int TrackControlChange(Dialog::CPropertyPageBase* page, HWND control, LPCSTR className, WORD code,
                       WORD expectedCode);

// The apply sequence: every page written and re-applied, the update timer restarted.
void ApplyAllPages();

// An owner-drawn colour sample: filled with `brush`, framed, with a focus rectangle when the
// item has the focus.
void DrawColorButton(Dialog::CPropertyPageBase* page, HBRUSH brush, const DRAWITEMSTRUCT* drawItem);
// The same with a solid brush of `colour`, made and deleted here.
void DrawSolidColorButton(Dialog::CPropertyPageBase* page, COLORREF colour,
                          const DRAWITEMSTRUCT* drawItem);
