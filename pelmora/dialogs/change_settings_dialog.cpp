#include "dialogs/change_settings_dialog.h"

#include "dialogs/message_table.h"
#include "resource.h"
#include "settings/literals.h"
#include "shell/program.h"

HWND hChangeSettingsDlg = nullptr;
DWORD* pdwChangeSettingsFlags = nullptr;

namespace {

INT_PTR ChangeSettingsDialogInit(HWND hWnd, WPARAM, LPARAM lParam) {
    hChangeSettingsDlg = hWnd;
    pdwChangeSettingsFlags = reinterpret_cast<DWORD*>(lParam);
    return 1;
}

void ChangeSettingsDialogSave() {
    DWORD flags = 0;
    for (int id = IDC_CHANGE_GRAPH1_DRAWN; id <= IDC_CHANGE_TEXT_COLOR; ++id)
        if (SendDlgItemMessageA(hChangeSettingsDlg, id, BM_GETCHECK, 0, 0) != BST_UNCHECKED)
            flags |= DWORD(1) << (id - IDC_CHANGE_GRAPH1_DRAWN);
    if (pdwChangeSettingsFlags)
        *pdwChangeSettingsFlags = flags;
    EndDialog(hChangeSettingsDlg, IDOK);
}

void ChangeSettingsDialogCancel() {
    EndDialog(hChangeSettingsDlg, IDCANCEL);
}

INT_PTR ChangeSettingsDialogCommand(HWND, WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED)
        return 0;
    switch (LOWORD(wParam)) {
    case IDOK:
        ChangeSettingsDialogSave();
        break;
    case IDCANCEL:
        ChangeSettingsDialogCancel();
        break;
    }
    return 1;
}

// WM_CLOSE is not here: the system's dialog handling turns the close box into Cancel.
constexpr MessageHandler kChangeSettingsDialogHandlers[] = {
    {WM_INITDIALOG, ChangeSettingsDialogInit},
    {WM_COMMAND, ChangeSettingsDialogCommand},
};

INT_PTR ChangeSettingsDialogDispatch(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DispatchByTable(kChangeSettingsDialogHandlers, hWnd, message, wParam, lParam);
}

} // namespace

INT_PTR CALLBACK ChangeSettingsDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return ChangeSettingsDialogDispatch(hWnd, message, wParam, lParam);
}

void ShowChangeSettingsDialog(HWND owner, DWORD* flags) {
    DialogBoxParamA(GetResourceLibrary(), Literals::OptionGraphDetailChangeSettingsTemplate, owner,
                    ChangeSettingsDialogProc, LPARAM(flags));
}
