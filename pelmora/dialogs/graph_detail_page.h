// The graph-detail page of the options sheet: the rows and the settings of each data item.
#pragma once

#include "dialogs/property_page.h"

namespace Dialog {

class CGraphDetailPage : public CPropertyPageBase {
public:
    LONG HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void LoadSettings() override;
    void SaveSettings() override;

    // After the sheet has closed: the per-item format buffers go.
    void FreeFormatBuffers();
};

} // namespace Dialog
