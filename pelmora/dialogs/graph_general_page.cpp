#include "dialogs/graph_general_page.h"

#include "dialogs/options_sheet.h"
#include "display/graph_display.h"
#include "resource.h"

namespace {

constexpr int BACKGROUND_NONE = 4;

} // namespace

namespace Dialog {

LONG CGraphGeneralPage::HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        this->hWnd = hWnd;
        LoadSettings();
        bInitialized = true;
        return TRUE;
    case WM_COMMAND: {
        HWND control = HWND(lParam);
        WORD code = HIWORD(wParam);
        LONG result = 0;
        if (TrackControlChange(this, control, "Edit", code, EN_CHANGE) ||
            TrackControlChange(this, control, "ComboBox", code, CBN_SELCHANGE) ||
            TrackControlChange(this, control, "Button", code, BN_CLICKED))
            result = 1;
        return result;
    }
    }
    return 0;
}

void CGraphGeneralPage::LoadSettings() {}

void CGraphGeneralPage::SaveSettings() {
    SetupGraphDisplay();
}

bool CGraphGeneralPage::IsBackgroundNone() {
    return GetComboSelection(IDC_GENERAL_BACKGROUND) == BACKGROUND_NONE;
}

} // namespace Dialog
