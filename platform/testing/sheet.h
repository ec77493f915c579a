// The test desktop's view of property sheets and key combinations: what a user does in a sheet
// (pick a tab, press its buttons, type into the page shown) as steps of a DialogScript.
//
// In a property sheet a script's control id names a control of the page shown when that page
// has one, else one of the sheet's own (so 1 on the window page is its first check box, not
// OK); the sheet's OK, Cancel and Apply are pressed with PressSheetButton.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace platform::testing {

class DialogScript;

// True for the frame of a sheet that PropertySheetA runs.
bool IsSheet(HWND hwnd);
// The window of page `index`, null while the page has not been shown in this sheet.
HWND SheetPage(HWND sheet, int index);
// The page shown (-1 for a window that is no sheet) and the tabs' texts.
int CurrentSheetPage(HWND sheet);
std::vector<std::string> SheetTabs(HWND sheet);

// The control a script step addresses in a dialog (see above); null when there is none.
HWND ScriptControl(HWND dialog, int id);
// Makes the dialog's window the active one, as a user's click into it does, so keys reach it.
void ActivateDialog(HWND dialog);

// Steps for DialogScript::Then.
using ScriptStep = std::function<std::optional<std::string>(HWND dialog)>;
// Clicks the tab of page `index`.
ScriptStep SelectSheetPage(int index);
// Clicks the sheet's own button: IDOK, IDCANCEL or ID_APPLY_NOW (a disabled one is refused).
ScriptStep PressSheetButton(int id);
// Keys held down in order and let go in the opposite order, e.g. {VK_CONTROL, VK_TAB} or
// {VK_SHIFT, 'P'}; the focus control gets them.
ScriptStep PressKeys(std::initializer_list<int> keys);
// Clicks a control to give it the focus (a hot-key control takes keys only then).
ScriptStep FocusControl(int id);

} // namespace platform::testing
