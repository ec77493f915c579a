#include "dialogs/graph_detail_page.h"

#include "dialogs/options_sheet.h"
#include "display/graph_display.h"

namespace Dialog {

LONG CGraphDetailPage::HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
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

void CGraphDetailPage::LoadSettings() {}

void CGraphDetailPage::SaveSettings() {
    EndRowOperations();
    LoadGraphSettings();
}

void CGraphDetailPage::FreeFormatBuffers() {}

} // namespace Dialog
