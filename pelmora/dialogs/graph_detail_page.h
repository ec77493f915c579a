// The graph-detail page of the options sheet: which data items are shown as rows and in which
// order, and the drawing settings and format text of every data item.
#pragma once

#include "dialogs/property_page.h"
#include "plugin_sdk/pmp.h"

namespace Dialog {

class CGraphDetailPage : public CPropertyPageBase {
public:
    // Entries of the per-item arrays: 32 sources of at most 4 data items each.
    static constexpr int MAX_ITEMS = 128;
    // Bytes of one format buffer, terminator included.
    static constexpr int FORMAT_SIZE = 512;
    // Rows the window shows at most.
    static constexpr int MAX_ROWS = 32;

    ~CGraphDetailPage() override { FreeFormatBuffers(); }

    LONG HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void LoadSettings() override;
    void SaveSettings() override;

    // After the sheet has closed: the per-item format buffers go.
    void FreeFormatBuffers();

    // Shows the item selected in either list in the item controls; with no selection in
    // either the controls keep the item shown last.
    void ShowDataItem();

    // The data item shown in the item controls, and which of its graphs they edit (0, 1).
    LONG lPluginNumber = 0;
    LONG lSelectedGraph = 0;
    LONG lDrawnGraphs[MAX_ITEMS] = {};
    LONG lGraph1Type[MAX_ITEMS] = {};
    COLORREF rgbGraph1Color1[MAX_ITEMS] = {};
    COLORREF rgbGraph1Color2[MAX_ITEMS] = {};
    LONG lGraph2Type[MAX_ITEMS] = {};
    COLORREF rgbGraph2Color1[MAX_ITEMS] = {};
    COLORREF rgbGraph2Color2[MAX_ITEMS] = {};
    LONG lGraph1Position[MAX_ITEMS] = {};
    LONG lGraph2Position[MAX_ITEMS] = {};
    LONG lTextHorizontalPosition[MAX_ITEMS] = {};
    COLORREF rgbTextColor[MAX_ITEMS] = {};
    // FORMAT_SIZE bytes each while the page window exists in an open sheet, else null.
    LPSTR Format[MAX_ITEMS] = {};

private:
    LONG HandleCommand(WORD id, WORD code, HWND control);
    LONG HandleDrawItem(const DRAWITEMSTRUCT* drawItem);
    LONG HandleNotify(const NMHDR* header);

    void AllocateFormatBuffers();
    // The data items the arrays hold: the data-item count, at most MAX_ITEMS.
    int ItemCount();
    bool IsCurrentItemValid();
    void LoadItem(int i);
    void SaveItem(int i);
    void ShowDataItemControls();
    void FillPlaceholders(const PMPINFO* info);
    // An entry of either list stands for one data item, whose global index it carries as its
    // item data: sources of one display name give entries of one text. The entry shows the
    // item's display key. Add puts it where LB_ADDSTRING does, Insert at `position` (-1: last);
    // both give the entry's place, or LB_ERR for an index that names no item.
    int AddItemEntry(WORD list, int index);
    int InsertItemEntry(WORD list, int position, int index);
    // The data item of an entry; -1 when there is no such entry.
    int EntryItem(WORD list, int entry);
    void ReadDataSourceSelection(WORD list, WORD other);
    void AddDrawnGraph();
    void RemoveDrawnGraph();
    void MoveDrawnGraph(int step);
    void UpdateMoveButtons();
    void UpdateItem12State();
    void ShowGraphType(bool quiet);
    void UpdateGraphControls(LONG bit, LONG* types, bool quiet);
    void CopyToAllItems(DWORD flags);
    void NotifyChanged();
};

} // namespace Dialog
