#include "dialogs/graph_detail_page.h"

#include "dialogs/change_settings_dialog.h"
#include "dialogs/graph_detail_info_dialog.h"
#include "dialogs/options_sheet.h"
#include "display/display_state.h"
#include "display/graph_display.h"
#include "plugin_host/data_items.h"
#include "resource.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"

#include <commctrl.h>

#include <cstdlib>

namespace {

constexpr UINT TYPE_STRINGS[] = {IDS_FILL_SOLID, IDS_FILL_HORIZONTAL_GRADIENT,
                                 IDS_FILL_VERTICAL_GRADIENT};
constexpr UINT POSITION_STRINGS[] = {IDS_POSITION_WHOLE_ROW, IDS_POSITION_UPPER_HALF,
                                     IDS_POSITION_LOWER_HALF};
constexpr UINT TEXT_POSITION_STRINGS[] = {IDS_NONE, IDS_TEXT_LEFT, IDS_TEXT_CENTER, IDS_TEXT_RIGHT};
constexpr UINT VALUE_PLACEHOLDER_STRINGS[] = {IDS_VALUE1_PERCENT, IDS_VALUE2_PERCENT,
                                              IDS_VALUE1_PERCENT_2DECIMALS,
                                              IDS_VALUE2_PERCENT_2DECIMALS};
constexpr int PLACEHOLDER_COLUMN_WIDTH = 60;
constexpr int MEANING_COLUMN_WIDTH = 170;
// The placeholder text a double click inserts: at most 16 characters.
constexpr int PLACEHOLDER_TEXT_SIZE = 17;
constexpr DWORD NAMED_FORMAT_PARAMS = 8;
constexpr DWORD PARAM_NINE = 9;
constexpr DWORD PARAM_ZERO = 10;
constexpr int KEY_SIZE = 32;

constexpr COLORREF DEFAULT_GRAPH1_COLOR1 = 0x808080;
constexpr COLORREF DEFAULT_GRAPH1_COLOR2 = 0xC0C0C0;
constexpr COLORREF DEFAULT_GRAPH2_COLOR1 = 0xFF8080;
constexpr COLORREF DEFAULT_GRAPH2_COLOR2 = 0xFFC0C0;
constexpr int DEFAULT_TEXT_POSITION = 3;

constexpr LONG DRAWN_GRAPH1 = 1;
constexpr LONG DRAWN_GRAPH2 = 2;

CDriveProfileCategory* ItemCategory(int i) {
    LPSTR key = DataIndexToKey(DWORD(i));
    return key ? pPluginsCategory->GetCategory(key) : nullptr;
}

CDriveProfileCategory* GraphDetailCategory() {
    return GetDriveProfile()->GetCategory(Literals::GraphDetail);
}

// What a missing "Format" key of item j starts from: the format the item's source record holds
// for that item, else the source's default format.
LPCSTR DefaultFormat(COnePlugin* plugin, int j) {
    if (plugin == nullptr)
        return Literals::EmptyText;
    if (j >= 0 && j < int(MAX_PLUGIN_ITEMS) && plugin->GetFormat(j)[0] != '\0')
        return plugin->GetFormat(j);
    LPCSTR format = plugin->GetInfo()->pszDefaultFormat;
    return format ? format : Literals::EmptyText;
}

} // namespace

namespace Dialog {

LONG CGraphDetailPage::HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        this->hWnd = hWnd;
        AllocateFormatBuffers();
        LoadSettings();
        bInitialized = true;
        return TRUE;
    case WM_COMMAND:
        return HandleCommand(LOWORD(wParam), HIWORD(wParam), HWND(lParam));
    case WM_DRAWITEM:
        return HandleDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_NOTIFY:
        return HandleNotify(reinterpret_cast<const NMHDR*>(lParam));
    }
    return 0;
}

int CGraphDetailPage::ItemCount() {
    const DWORD count = GetDataItemCount();
    return count > DWORD(MAX_ITEMS) ? MAX_ITEMS : int(count);
}

bool CGraphDetailPage::IsCurrentItemValid() {
    return lPluginNumber >= 0 && lPluginNumber < MAX_ITEMS;
}

void CGraphDetailPage::AllocateFormatBuffers() {
    FreeFormatBuffers();
    for (int i = 0; i < ItemCount(); ++i)
        Format[i] = static_cast<LPSTR>(calloc(FORMAT_SIZE, 1));
}

void CGraphDetailPage::FreeFormatBuffers() {
    for (LPSTR& buffer : Format) {
        free(buffer);
        buffer = nullptr;
    }
}

void CGraphDetailPage::LoadItem(int i) {
    CDriveProfileCategory* category = ItemCategory(i);
    COnePlugin* plugin = DataIndexToPlugin(DWORD(i));
    if (category == nullptr || plugin == nullptr)
        return;
    switch (plugin->GetInfo()->dwAvailableGraphs) {
    case PMP_GRAPHS_NONE:
        lDrawnGraphs[i] = category->GetIntegerInRange(Literals::DrawnGraphs, 0, 0, 0);
        break;
    case PMP_GRAPHS_ONE:
        lDrawnGraphs[i] = category->GetIntegerInRange(Literals::DrawnGraphs, 1, 0, 1);
        break;
    default:
        lDrawnGraphs[i] = category->GetIntegerInRange(Literals::DrawnGraphs, 1, 0, 3);
        break;
    }
    lGraph1Type[i] = category->GetInteger(Literals::Graph1Type);
    rgbGraph1Color1[i] = category->GetDWordOrDefault(Literals::Graph1Color1, DEFAULT_GRAPH1_COLOR1);
    rgbGraph1Color2[i] = category->GetDWordOrDefault(Literals::Graph1Color2, DEFAULT_GRAPH1_COLOR2);
    lGraph2Type[i] = category->GetInteger(Literals::Graph2Type);
    rgbGraph2Color1[i] = category->GetDWordOrDefault(Literals::Graph2Color1, DEFAULT_GRAPH2_COLOR1);
    rgbGraph2Color2[i] = category->GetDWordOrDefault(Literals::Graph2Color2, DEFAULT_GRAPH2_COLOR2);
    lGraph1Position[i] = category->GetIntegerOrDefault(Literals::Graph1Position, 0);
    lGraph2Position[i] = category->GetIntegerOrDefault(Literals::Graph2Position, 0);
    lTextHorizontalPosition[i] =
        category->GetIntegerOrDefault(Literals::TextHorizontalPosition, DEFAULT_TEXT_POSITION);
    rgbTextColor[i] = category->GetDWordOrDefault(Literals::TextColor, 0);
    if (Format[i] != nullptr) {
        LPCSTR format = category->GetStringOrDefault(
            Literals::Format, DefaultFormat(plugin, DataIndexToItemNumber(DWORD(i))));
        lstrcpynA(Format[i], format ? format : Literals::EmptyText, FORMAT_SIZE);
    }
}

void CGraphDetailPage::LoadSettings() {
    const int count = ItemCount();
    for (int i = 0; i < count; ++i) {
        AddItemEntry(IDC_DETAIL_SOURCES, i);
        LoadItem(i);
    }
    // A row's entry leaves the other list by its data item, not by its text, which another
    // source of the same display name shares.
    for (int j = 0; j < lNumberOfGraphs; ++j) {
        const int index = GraphToDataIndex(j);
        if (index < 0 || index >= count)
            continue;
        AddItemEntry(IDC_DETAIL_ROWS, index);
        for (int entry = 0; entry < GetListCount(IDC_DETAIL_SOURCES); ++entry) {
            if (EntryItem(IDC_DETAIL_SOURCES, entry) == index) {
                DeleteListString(IDC_DETAIL_SOURCES, entry);
                break;
            }
        }
    }
    SetListSelection(IDC_DETAIL_ROWS, 0);

    for (UINT id : TYPE_STRINGS)
        AddComboString(IDC_DETAIL_TYPE, LoadResourceString(id));
    for (UINT id : POSITION_STRINGS)
        AddComboString(IDC_DETAIL_POSITION, LoadResourceString(id));
    for (UINT id : TEXT_POSITION_STRINGS)
        AddComboString(IDC_DETAIL_TEXTPOSITION, LoadResourceString(id));
    // The buffer keeps the terminator too: one character fewer than its size can be typed.
    LimitItemText(IDC_DETAIL_FORMAT, FORMAT_SIZE - 1);

    CHAR header[64];
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.pszText = header;
    lstrcpynA(header, LoadResourceString(IDS_PLACEHOLDER_HEADER), sizeof header);
    column.cx = PLACEHOLDER_COLUMN_WIDTH;
    column.iSubItem = 0;
    SendItem(IDC_DETAIL_PLACEHOLDERS, LVM_INSERTCOLUMN, 0, LPARAM(&column));
    lstrcpynA(header, LoadResourceString(IDS_MEANING_HEADER), sizeof header);
    column.cx = MEANING_COLUMN_WIDTH;
    column.iSubItem = 1;
    SendItem(IDC_DETAIL_PLACEHOLDERS, LVM_INSERTCOLUMN, 1, LPARAM(&column));
    const LRESULT style = SendItem(IDC_DETAIL_PLACEHOLDERS, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    SendItem(IDC_DETAIL_PLACEHOLDERS, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
             LPARAM(style | LVS_EX_FULLROWSELECT));

    ShowDataItem();
}

void CGraphDetailPage::SaveItem(int i) {
    CDriveProfileCategory* category = ItemCategory(i);
    if (category == nullptr)
        return;
    category->SetInteger(Literals::DrawnGraphs, lDrawnGraphs[i]);
    category->SetInteger(Literals::Graph1Type, lGraph1Type[i]);
    category->SetDWord(Literals::Graph1Color1, rgbGraph1Color1[i]);
    category->SetDWord(Literals::Graph1Color2, rgbGraph1Color2[i]);
    category->SetInteger(Literals::Graph2Type, lGraph2Type[i]);
    category->SetDWord(Literals::Graph2Color1, rgbGraph2Color1[i]);
    category->SetDWord(Literals::Graph2Color2, rgbGraph2Color2[i]);
    category->SetInteger(Literals::Graph1Position, lGraph1Position[i]);
    category->SetInteger(Literals::Graph2Position, lGraph2Position[i]);
    category->SetInteger(Literals::TextHorizontalPosition, lTextHorizontalPosition[i]);
    category->SetDWord(Literals::TextColor, rgbTextColor[i]);
    if (Format[i] != nullptr)
        category->SetString(Literals::Format, Format[i]);
}

void CGraphDetailPage::SaveSettings() {
    if (bInitialized) {
        for (int i = 0; i < ItemCount(); ++i)
            SaveItem(i);
        // Each row is written from its entry's own data item, so rows of two sources of one
        // display name keep their own bindings. The rows are numbered as written: a row key
        // left over from before never stands among them.
        CDriveProfileCategory* graphDetail = GraphDetailCategory();
        const int entries = GetListCount(IDC_DETAIL_ROWS);
        int rows = 0;
        CHAR key[KEY_SIZE];
        for (int j = 0; j < entries; ++j) {
            const int index = EntryItem(IDC_DETAIL_ROWS, j);
            LPSTR settingsKey = index < 0 ? nullptr : DataIndexToKey(DWORD(index));
            if (settingsKey == nullptr)
                continue;
            wsprintfA(key, Literals::NumberedKeyFormat, Literals::Graph, rows++);
            graphDetail->SetString(key, settingsKey);
        }
        graphDetail->SetInteger(Literals::NumberOfGraphs, rows);
    }
    EndRowOperations();
    LoadGraphSettings();
}

void CGraphDetailPage::ShowDataItem() {
    bFillingPage = true;
    ShowDataItemControls();
    bFillingPage = false;
}

void CGraphDetailPage::ShowDataItemControls() {
    WORD list;
    if (GetListSelection(IDC_DETAIL_SOURCES) != LB_ERR) {
        list = IDC_DETAIL_SOURCES;
        EnableItem(IDC_DETAIL_ADD, GetListCount(IDC_DETAIL_ROWS) < MAX_ROWS);
        EnableItem(IDC_DETAIL_REMOVE, FALSE);
        EnableItem(IDC_DETAIL_UP, FALSE);
        EnableItem(IDC_DETAIL_DOWN, FALSE);
    } else if (GetListSelection(IDC_DETAIL_ROWS) != LB_ERR) {
        list = IDC_DETAIL_ROWS;
        EnableItem(IDC_DETAIL_ADD, FALSE);
        EnableItem(IDC_DETAIL_REMOVE, GetListCount(IDC_DETAIL_ROWS) != 1);
        UpdateMoveButtons();
    } else {
        return;
    }
    const int index = EntryItem(list, GetListSelection(list));
    if (index < 0 || index >= ItemCount())
        return;
    lPluginNumber = index;
    // The entry's own source: its display name may be another source's too.
    COnePlugin* plugin = DataIndexToPlugin(DWORD(index));
    if (plugin == nullptr)
        return;
    const PMPINFO* info = plugin->GetInfo();
    const int i = lPluginNumber;

    if (info->dwAvailableGraphs != PMP_GRAPHS_NONE) {
        EnableItem(IDC_DETAIL_GRAPH_LABEL, TRUE);
        EnableItem(IDC_DETAIL_GRAPH, TRUE);
        ResetComboContent(IDC_DETAIL_GRAPH);
        AddComboString(IDC_DETAIL_GRAPH, LoadResourceString(IDS_GRAPH1));
        if (info->dwAvailableGraphs == PMP_GRAPHS_TWO)
            AddComboString(IDC_DETAIL_GRAPH, LoadResourceString(IDS_GRAPH2));
        SetComboSelection(IDC_DETAIL_GRAPH, 0);
        lSelectedGraph = 0;
        UpdateItem12State();
    } else {
        EnableItem(IDC_DETAIL_GRAPH_LABEL, FALSE);
        EnableItem(IDC_DETAIL_GRAPH, FALSE);
        ResetComboContent(IDC_DETAIL_GRAPH);
        EnableItem(IDC_DETAIL_DRAWN, FALSE);
        SetCheck(IDC_DETAIL_DRAWN, BST_UNCHECKED);
        EnableItem(IDC_DETAIL_TYPE_LABEL, FALSE);
        EnableItem(IDC_DETAIL_TYPE, FALSE);
        SetComboSelection(IDC_DETAIL_TYPE, -1);
        EnableItem(IDC_DETAIL_COLORS_LABEL, FALSE);
        ShowItem(IDC_DETAIL_COLOR1, SW_HIDE);
        ShowItem(IDC_DETAIL_COLOR2, SW_HIDE);
        // The position belongs to a graph too: with none there is nothing to place.
        EnableItem(IDC_DETAIL_POSITION_LABEL, FALSE);
        EnableItem(IDC_DETAIL_POSITION, FALSE);
    }

    InvalidateItem(IDC_DETAIL_TEXTCOLOR);
    SetComboSelection(IDC_DETAIL_TEXTPOSITION, lTextHorizontalPosition[i]);
    SetItemText(IDC_DETAIL_FORMAT, Format[i] ? Format[i] : Literals::EmptyText);
    FillPlaceholders(info);
    EnableItem(IDC_DETAIL_SETTINGS, plugin->GetProcedures()->pfnShowDetailSettings != nullptr);
}

void CGraphDetailPage::FillPlaceholders(const PMPINFO* info) {
    SetItemRedraw(IDC_DETAIL_PLACEHOLDERS, FALSE);
    SendItem(IDC_DETAIL_PLACEHOLDERS, LVM_DELETEALLITEMS, 0, 0);
    CHAR placeholder[KEY_SIZE];
    int row = 0;
    auto add = [&](LPCSTR meaning) {
        SetListViewItemText(IDC_DETAIL_PLACEHOLDERS, row, 0, placeholder);
        SetListViewItemText(IDC_DETAIL_PLACEHOLDERS, row, 1, meaning ? meaning : "");
        ++row;
    };
    const DWORD params = info->dwFormatParams;
    const DWORD named = params < NAMED_FORMAT_PARAMS ? params : NAMED_FORMAT_PARAMS;
    for (DWORD p = 0; p < named; ++p) {
        wsprintfA(placeholder, Literals::NumberedKeyFormat, "%", int(p + 1));
        add(info->pszParamNames[p]);
    }
    if (params >= PARAM_NINE) {
        lstrcpyA(placeholder, "%9");
        add(info->pszParamName9);
    }
    if (params == PARAM_ZERO) {
        lstrcpyA(placeholder, "%0");
        add(info->pszParamName0);
    }
    int value = 1;
    for (UINT id : VALUE_PLACEHOLDER_STRINGS) {
        wsprintfA(placeholder, Literals::ParameterFormat, value++);
        add(LoadResourceString(id));
    }
    SetItemRedraw(IDC_DETAIL_PLACEHOLDERS, TRUE);
}

void CGraphDetailPage::ReadDataSourceSelection(WORD list, WORD other) {
    SetListSelection(other, -1);
    int selection = GetListSelection(list);
    if (selection == LB_ERR) {
        selection = 0;
        SetListSelection(list, 0);
    }
    const int index = EntryItem(list, selection);
    if (index != lPluginNumber) {
        lPluginNumber = index;
        ShowDataItem();
    }
}

int CGraphDetailPage::AddItemEntry(WORD list, int index) {
    LPSTR displayKey = DataIndexToDisplayKey(DWORD(index));
    if (displayKey == nullptr)
        return LB_ERR;
    const int entry = AddListBoxString(list, displayKey);
    if (entry >= 0)
        SendItem(list, LB_SETITEMDATA, WPARAM(entry), LPARAM(index));
    return entry;
}

int CGraphDetailPage::InsertItemEntry(WORD list, int position, int index) {
    LPSTR displayKey = DataIndexToDisplayKey(DWORD(index));
    if (displayKey == nullptr)
        return LB_ERR;
    const int entry = InsertListString(list, position, displayKey);
    if (entry >= 0)
        SendItem(list, LB_SETITEMDATA, WPARAM(entry), LPARAM(index));
    return entry;
}

int CGraphDetailPage::EntryItem(WORD list, int entry) {
    if (entry < 0 || entry >= GetListCount(list))
        return -1;
    return int(SendItem(list, LB_GETITEMDATA, WPARAM(entry), 0));
}

void CGraphDetailPage::AddDrawnGraph() {
    const int selection = GetListSelection(IDC_DETAIL_SOURCES);
    if (selection == LB_ERR || GetListCount(IDC_DETAIL_ROWS) >= MAX_ROWS)
        return;
    const int index = EntryItem(IDC_DETAIL_SOURCES, selection);
    if (index < 0)
        return;
    DeleteListString(IDC_DETAIL_SOURCES, selection);
    const int row = InsertItemEntry(IDC_DETAIL_ROWS, -1, index);
    SetListSelection(IDC_DETAIL_ROWS, row);
    EnableItem(IDC_DETAIL_ADD, FALSE);
    const bool several = GetListCount(IDC_DETAIL_ROWS) >= 2;
    EnableItem(IDC_DETAIL_REMOVE, several);
    EnableItem(IDC_DETAIL_UP, several);
    EnableItem(IDC_DETAIL_DOWN, FALSE);
    NotifyChanged();
}

void CGraphDetailPage::RemoveDrawnGraph() {
    const int selection = GetListSelection(IDC_DETAIL_ROWS);
    if (selection == LB_ERR || GetListCount(IDC_DETAIL_ROWS) < 2)
        return;
    const int index = EntryItem(IDC_DETAIL_ROWS, selection);
    if (index < 0)
        return;
    DeleteListString(IDC_DETAIL_ROWS, selection);
    SetListSelection(IDC_DETAIL_ROWS, -1);
    const int entry = AddItemEntry(IDC_DETAIL_SOURCES, index);
    SetListSelection(IDC_DETAIL_SOURCES, entry);
    EnableItem(IDC_DETAIL_ADD, TRUE);
    EnableItem(IDC_DETAIL_REMOVE, FALSE);
    EnableItem(IDC_DETAIL_UP, FALSE);
    EnableItem(IDC_DETAIL_DOWN, FALSE);
    NotifyChanged();
}

void CGraphDetailPage::MoveDrawnGraph(int step) {
    const int selection = GetListSelection(IDC_DETAIL_ROWS);
    const int target = selection + step;
    if (selection == LB_ERR || target < 0 || target >= GetListCount(IDC_DETAIL_ROWS))
        return;
    const int index = EntryItem(IDC_DETAIL_ROWS, selection);
    if (index < 0)
        return;
    DeleteListString(IDC_DETAIL_ROWS, selection);
    InsertItemEntry(IDC_DETAIL_ROWS, target, index);
    SetListSelection(IDC_DETAIL_ROWS, target);
    UpdateMoveButtons();
    NotifyChanged();
}

void CGraphDetailPage::UpdateMoveButtons() {
    const int s = GetListSelection(IDC_DETAIL_ROWS);
    const int n = GetListCount(IDC_DETAIL_ROWS);
    if (n < 2 || s == LB_ERR) {
        EnableItem(IDC_DETAIL_UP, FALSE);
        EnableItem(IDC_DETAIL_DOWN, FALSE);
        return;
    }
    EnableItem(IDC_DETAIL_UP, s > 0);
    EnableItem(IDC_DETAIL_DOWN, s < n - 1);
}

void CGraphDetailPage::UpdateItem12State() {
    if (!IsCurrentItemValid())
        return;
    EnableItem(IDC_DETAIL_DRAWN, TRUE);
    SetCheck(IDC_DETAIL_DRAWN, (lDrawnGraphs[lPluginNumber] & (lSelectedGraph + 1)) != 0
                                   ? BST_CHECKED
                                   : BST_UNCHECKED);
    ShowGraphType(true);
}

void CGraphDetailPage::ShowGraphType(bool quiet) {
    if (!IsCurrentItemValid())
        return;
    LONG* types = lSelectedGraph == 0 ? lGraph1Type : lGraph2Type;
    SetComboSelection(IDC_DETAIL_TYPE, types[lPluginNumber]);
    UpdateGraphControls(lSelectedGraph == 0 ? DRAWN_GRAPH1 : DRAWN_GRAPH2, types, quiet);
}

void CGraphDetailPage::UpdateGraphControls(LONG bit, LONG* types, bool quiet) {
    if (!IsCurrentItemValid())
        return;
    const int i = lPluginNumber;
    const bool drawn = IsChecked(IDC_DETAIL_DRAWN);
    if (drawn) {
        lDrawnGraphs[i] |= bit;
        EnableItem(IDC_DETAIL_TYPE_LABEL, TRUE);
        EnableItem(IDC_DETAIL_TYPE, TRUE);
        EnableItem(IDC_DETAIL_COLORS_LABEL, TRUE);
        ShowItem(IDC_DETAIL_COLOR1, SW_SHOW);
        InvalidateItem(IDC_DETAIL_COLOR1);
        if (types[i] != 0) {
            ShowItem(IDC_DETAIL_COLOR2, SW_SHOW);
            InvalidateItem(IDC_DETAIL_COLOR2);
        } else {
            ShowItem(IDC_DETAIL_COLOR2, SW_HIDE);
        }
        EnableItem(IDC_DETAIL_POSITION_LABEL, TRUE);
    } else {
        lDrawnGraphs[i] &= ~bit;
        EnableItem(IDC_DETAIL_TYPE_LABEL, FALSE);
        EnableItem(IDC_DETAIL_TYPE, FALSE);
        EnableItem(IDC_DETAIL_COLORS_LABEL, FALSE);
        ShowItem(IDC_DETAIL_COLOR1, SW_HIDE);
        ShowItem(IDC_DETAIL_COLOR2, SW_HIDE);
        EnableItem(IDC_DETAIL_POSITION_LABEL, FALSE);
    }
    EnableItem(IDC_DETAIL_POSITION, drawn);
    SetComboSelection(IDC_DETAIL_POSITION,
                      bit == DRAWN_GRAPH1 ? lGraph1Position[i] : lGraph2Position[i]);
    if (bInitialized && !quiet)
        NotifyChanged();
}

void CGraphDetailPage::CopyToAllItems(DWORD flags) {
    if (!IsCurrentItemValid())
        return;
    const int i = lPluginNumber;
    for (int k = 0; k < MAX_ITEMS; ++k) {
        if (flags & CHANGE_GRAPH1_DRAWN)
            lDrawnGraphs[k] = (lDrawnGraphs[k] & ~DRAWN_GRAPH1) | (lDrawnGraphs[i] & DRAWN_GRAPH1);
        if (flags & CHANGE_GRAPH1_TYPE)
            lGraph1Type[k] = lGraph1Type[i];
        if (flags & CHANGE_GRAPH1_COLORS) {
            rgbGraph1Color1[k] = rgbGraph1Color1[i];
            rgbGraph1Color2[k] = rgbGraph1Color2[i];
        }
        if (flags & CHANGE_GRAPH_POSITIONS) {
            lGraph1Position[k] = lGraph1Position[i];
            lGraph2Position[k] = lGraph2Position[i];
        }
        if (flags & CHANGE_TEXT_POSITION)
            lTextHorizontalPosition[k] = lTextHorizontalPosition[i];
        if (flags & CHANGE_TEXT_COLOR)
            rgbTextColor[k] = rgbTextColor[i];
    }
}

void CGraphDetailPage::NotifyChanged() {
    NotifySheetChanged(GetParent(hWnd), hWnd);
}

LONG CGraphDetailPage::HandleCommand(WORD id, WORD code, HWND control) {
    if ((id == IDC_DETAIL_SOURCES || id == IDC_DETAIL_ROWS) && code == LBN_SELCHANGE)
        ShowDataItem();
    const bool valid = IsCurrentItemValid();
    const int i = valid ? int(lPluginNumber) : 0;
    const bool graph1 = lSelectedGraph == 0;
    switch (id) {
    case IDC_DETAIL_SOURCES:
        if (code == LBN_SELCHANGE && GetListCount(IDC_DETAIL_SOURCES) > 0)
            ReadDataSourceSelection(IDC_DETAIL_SOURCES, IDC_DETAIL_ROWS);
        else if (code == LBN_DBLCLK)
            AddDrawnGraph();
        break;
    case IDC_DETAIL_ROWS:
        if (code == LBN_SELCHANGE)
            ReadDataSourceSelection(IDC_DETAIL_ROWS, IDC_DETAIL_SOURCES);
        else if (code == LBN_DBLCLK)
            RemoveDrawnGraph();
        break;
    case IDC_DETAIL_ADD:
        if (code == BN_CLICKED)
            AddDrawnGraph();
        break;
    case IDC_DETAIL_REMOVE:
        if (code == BN_CLICKED)
            RemoveDrawnGraph();
        break;
    case IDC_DETAIL_UP:
    case IDC_DETAIL_DOWN:
        if (code == BN_CLICKED)
            MoveDrawnGraph(id == IDC_DETAIL_UP ? -1 : 1);
        break;
    case IDC_DETAIL_GRAPH:
        if (code == CBN_SELCHANGE) {
            lSelectedGraph = GetComboSelection(IDC_DETAIL_GRAPH) == 1 ? 1 : 0;
            UpdateItem12State();
        }
        break;
    case IDC_DETAIL_DRAWN:
        if (code == BN_CLICKED)
            ShowGraphType(false);
        break;
    case IDC_DETAIL_TYPE:
        if (code == CBN_SELCHANGE && valid) {
            LONG* types = graph1 ? lGraph1Type : lGraph2Type;
            types[i] = GetComboSelection(IDC_DETAIL_TYPE);
            UpdateGraphControls(graph1 ? DRAWN_GRAPH1 : DRAWN_GRAPH2, types, false);
        }
        break;
    case IDC_DETAIL_POSITION:
        if (code == CBN_SELCHANGE && valid)
            (graph1 ? lGraph1Position : lGraph2Position)[i] =
                GetComboSelection(IDC_DETAIL_POSITION);
        break;
    case IDC_DETAIL_TEXTPOSITION:
        if (code == CBN_SELCHANGE && valid)
            lTextHorizontalPosition[i] = GetComboSelection(IDC_DETAIL_TEXTPOSITION);
        break;
    case IDC_DETAIL_FORMAT:
        if (code == EN_CHANGE && valid && Format[i] != nullptr)
            GetItemText(IDC_DETAIL_FORMAT, Format[i], FORMAT_SIZE);
        break;
    case IDC_DETAIL_COLOR1:
    case IDC_DETAIL_COLOR2:
        if (code == BN_CLICKED && valid) {
            const bool first = id == IDC_DETAIL_COLOR1;
            COLORREF* colours = graph1 ? (first ? rgbGraph1Color1 : rgbGraph1Color2)
                                       : (first ? rgbGraph2Color1 : rgbGraph2Color2);
            ChooseItemColor(colours[i], id);
        }
        break;
    case IDC_DETAIL_TEXTCOLOR:
        if (code == BN_CLICKED && valid)
            ChooseItemColor(rgbTextColor[i], id);
        break;
    case IDC_DETAIL_SETTINGS:
        if (code == BN_CLICKED && ShowDataItemDetailSettings(GetParent(hWnd), DWORD(i)) != 0)
            NotifyChanged();
        break;
    case IDC_DETAIL_INFO:
        if (code == BN_CLICKED)
            ShowGraphDetailInfoDialog(GetParent(hWnd), DWORD(i));
        break;
    case IDC_DETAIL_CHANGEALL:
        if (code == BN_CLICKED) {
            DWORD flags = 0;
            ShowChangeSettingsDialog(GetParent(hWnd), &flags);
            if (flags != 0) {
                CopyToAllItems(flags);
                NotifyChanged();
            }
        }
        break;
    }
    LONG result = 0;
    if (TrackControlChange(this, control, "Edit", code, EN_CHANGE))
        result = 1;
    else if (id != IDC_DETAIL_GRAPH &&
             TrackControlChange(this, control, "ComboBox", code, CBN_SELCHANGE))
        result = 1;
    return result;
}

LONG CGraphDetailPage::HandleDrawItem(const DRAWITEMSTRUCT* drawItem) {
    if (!IsCurrentItemValid())
        return 0;
    const int i = lPluginNumber;
    const bool graph1 = lSelectedGraph == 0;
    COLORREF colour;
    switch (drawItem->CtlID) {
    case IDC_DETAIL_COLOR1:
        colour = graph1 ? rgbGraph1Color1[i] : rgbGraph2Color1[i];
        break;
    case IDC_DETAIL_COLOR2:
        colour = graph1 ? rgbGraph1Color2[i] : rgbGraph2Color2[i];
        break;
    case IDC_DETAIL_TEXTCOLOR:
        colour = rgbTextColor[i];
        break;
    default:
        return 0;
    }
    DrawSolidColorButton(this, colour, drawItem);
    return 1;
}

LONG CGraphDetailPage::HandleNotify(const NMHDR* header) {
    if (header == nullptr || header->idFrom != IDC_DETAIL_PLACEHOLDERS || header->code != NM_DBLCLK)
        return 0;
    const int item =
        int(SendItem(IDC_DETAIL_PLACEHOLDERS, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    if (item < 0)
        return 0;
    CHAR text[PLACEHOLDER_TEXT_SIZE] = {};
    LVITEMA lvi{};
    lvi.iSubItem = 0;
    lvi.pszText = text;
    lvi.cchTextMax = PLACEHOLDER_TEXT_SIZE;
    SendItem(IDC_DETAIL_PLACEHOLDERS, LVM_GETITEMTEXT, WPARAM(item), LPARAM(&lvi));
    SendItem(IDC_DETAIL_FORMAT, EM_REPLACESEL, TRUE, LPARAM(text));
    return 0;
}

} // namespace Dialog
