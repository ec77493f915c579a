// The window page of the options sheet: the MainWindow settings. It is the start page, so it
// is initialised whenever the sheet is open, and it alone runs the apply sequence.
#pragma once

#include "dialogs/property_page.h"

namespace Dialog {

class CWindowPage : public CPropertyPageBase {
public:
    LONG HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void LoadSettings() override;
    void SaveSettings() override;

    // MainWindow/"Width" from the width up-down control; the first step of the apply sequence.
    void SaveWidth();
    // The tray-icon box is forced on while click-through is on or the background is "none".
    void UpdateTrayIconControl();
    // The passing-opacity box is off and disabled while click-through is on.
    void UpdatePermeateControls();
    // The passing-opacity value follows its box.
    void UpdateDependentItems();
    // The fade time follows the fade box.
    void UpdateFadeControls();

private:
    LONG OnInitDialog(HWND hWnd);
    LONG OnCommand(WORD id, WORD code, HWND control);
    LONG OnNotify(WPARAM wParam, LPARAM lParam);
    void CenterSheet();
};

} // namespace Dialog
