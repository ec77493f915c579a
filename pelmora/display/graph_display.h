// The graph display as the rest of the program reaches it: set-up and teardown of the rows and
// their drawing surfaces, and the drawing of rows into the back buffer or the window.
#pragma once

#include <windows.h>

// Every global of the display as a new process has it: no surfaces, no rows in use. Objects
// still held are not deleted (ReleaseGraphDisplay does that).
void ResetGraphDisplayState();
void InitializeGraphs();
void LoadGraphSettings();
void SetupGraphDisplay();
void EndRowOperations();
void ReleaseGraphDisplay();
void PaintBackground(HDC dc);

int GetMainWindowHeight();
void SetMainWindowHeight(int height);
LOGFONTA* GetGraphLogFont();

// Redraws every row into the back buffer and returns the back buffer's DC. A row that would be
// drawn as the buffer already shows it is left as it is.
HDC DrawGraphRows();
// The back buffer no longer shows what the rows last drew: the next DrawGraphRows draws it whole.
void ForgetDrawnRows();
// The record of drawn rows as a new process has it: nothing drawn yet.
void ResetDrawnRows();
// Redraws one row and copies its band to `dc`.
void DrawGraphRow(HDC dc, int row);
// Copies a reported 96-byte PMPDATA into the row.
void StoreGraphReport(int row, LPCVOID record);
