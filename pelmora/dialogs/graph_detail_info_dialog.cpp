#include "dialogs/graph_detail_info_dialog.h"

#include "plugin_host/data_items.h"
#include "dialogs/message_table.h"
#include "resource.h"
#include "settings/literals.h"
#include "shell/program.h"

HWND hGraphDetailInfoDlg = nullptr;

namespace {

void EndGraphDetailInfoDialog() {
    EndDialog(hGraphDetailInfoDlg, IDOK);
}

INT_PTR GraphDetailInfoDialogInit(HWND hWnd, WPARAM, LPARAM lParam) {
    hGraphDetailInfoDlg = hWnd;
    const DWORD dataItem = DWORD(lParam);
    SetDlgItemTextA(hWnd, IDC_INFO_PLUGIN, GetDataItemPluginName(dataItem));
    SetDlgItemTextA(hWnd, IDC_INFO_DESCRIPTION, GetDataItemDescription(dataItem));
    return 1;
}

INT_PTR GraphDetailInfoDialogCommand(HWND, WPARAM wParam, LPARAM) {
    const WORD id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IDOK && code == BN_CLICKED) {
        EndGraphDetailInfoDialog();
        return 1;
    }
    return 0;
}

INT_PTR GraphDetailInfoDialogClose(HWND, WPARAM, LPARAM) {
    EndGraphDetailInfoDialog();
    return 0;
}

// Messages not in the table are left to the system's dialog handling.
constexpr MessageHandler kGraphDetailInfoDialogHandlers[] = {
    {WM_INITDIALOG, GraphDetailInfoDialogInit},
    {WM_COMMAND, GraphDetailInfoDialogCommand},
    {WM_CLOSE, GraphDetailInfoDialogClose},
};

INT_PTR GraphDetailInfoDialogDispatch(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DispatchByTable(kGraphDetailInfoDialogHandlers, hWnd, message, wParam, lParam);
}

} // namespace

INT_PTR CALLBACK GraphDetailInfoDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return GraphDetailInfoDialogDispatch(hWnd, message, wParam, lParam);
}

void ShowGraphDetailInfoDialog(HWND owner, DWORD dataItem) {
    DialogBoxParamA(GetResourceLibrary(), Literals::OptionGraphDetailInfoTemplate, owner,
                    GraphDetailInfoDialogProc, LPARAM(dataItem));
}
