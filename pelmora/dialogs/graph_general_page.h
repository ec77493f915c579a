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
    void UpdateBackgroundControls();
    void SetBackgroundControlStates(bool noBackground, bool colourBackground, int showColour1,
                                    int showColour2);
    void UpdateScaleControls();

    COLORREF rgbBackgroundColor1 = 0;
    COLORREF rgbBackgroundColor2 = 0;
    LOGFONTA lf = {};
    COLORREF rgbScaleColor = 0;

private:
    LONG HandleCommand(WORD id, WORD code, HWND control);
    LONG HandleDrawItem(const DRAWITEMSTRUCT* drawItem);
    void ChooseImageFile();
    void ChooseTextFont();
};

} // namespace Dialog
