// The property sheet as the test desktop reaches it: its pages and what a user does with them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace platform::comctl32 {

// True for the frame window of a sheet that PropertySheetA runs.
bool IsPropertySheet(HWND hwnd);
// The page windows in page order; null for a page whose window does not exist yet (a page is
// made the first time its tab is shown).
std::vector<HWND> SheetPageWindows(HWND sheet);
// The page shown, -1 for none (not a sheet).
int SheetCurrentPage(HWND sheet);
// The tabs' texts in page order.
std::vector<std::string> SheetTabTexts(HWND sheet);
// Clicks the tab of page `index` as a user does; false when there is no such page or the
// page shown kept the focus (PSN_KILLACTIVE refused).
bool SheetPickPageByUser(HWND sheet, int index);

} // namespace platform::comctl32
