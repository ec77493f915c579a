// The graph-general page of the options sheet: background, font, text position and scale.
#pragma once

#include "dialogs/property_page.h"

namespace Dialog {

class CGraphGeneralPage : public CPropertyPageBase {
public:
    LONG HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void LoadSettings() override;
    void SaveSettings() override;

    // True when the background list has "none" selected.
    bool IsBackgroundNone();
};

} // namespace Dialog
