// The About dialog.
#include "dialogs/about.h"

#include "dialogs/options_sheet.h"
#include "resource.h"
#include "settings/literals.h"
#include "shell/main_window.h"
#include "shell/program.h"
#include "shell/version.h"

#include <shellapi.h>

HWND hAboutDlg = nullptr;

namespace {

// The version line: the format's own text and a version text of at most 71 characters.
constexpr int VERSION_LINE_SIZE = 128;

} // namespace

void RunAboutCommand() {
    bDialogShown = true;
    ShowAboutDialog(GetMainWindow());
    bDialogShown = false;
}

void ShowAboutDialog(HWND owner) {
    DialogBoxParamA(GetResourceLibrary(), Literals::AboutTemplate, owner, AboutDialogProc, 0);
}

INT_PTR CALLBACK AboutDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    return AboutDialogDispatch(hDlg, message, wParam, lParam);
}

INT_PTR AboutDialogDispatch(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return AboutDialogInit(hDlg);
    case WM_COMMAND:
        return AboutDialogCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CLOSE:
        return AboutDialogClose();
    }
    return 0;
}

INT_PTR AboutDialogInit(HWND hDlg) {
    hAboutDlg = hDlg;
    CHAR line[VERSION_LINE_SIZE];
    LPCSTR version = GetVersionInfo();
    wsprintfA(line, Literals::VersionFormat, version ? version : Literals::EmptyText);
    SetDlgItemTextA(hDlg, IDC_ABOUT_VERSION, line);
    HICON icon = LoadIconA(GetInstanceHandle(), MAKEINTRESOURCEA(IDI_PROGRAM_ICON));
    SendDlgItemMessageA(hDlg, IDC_ABOUT_ICON, STM_SETICON, WPARAM(icon), 0);
    return 1;
}

INT_PTR AboutDialogCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED)
        return 0;
    switch (id) {
    case IDOK:
        EndAboutDialog();
        break;
    case IDC_ABOUT_WEBSITE:
        OpenWebSiteLink();
        break;
    case IDC_ABOUT_MAIL:
        OpenMailLink();
        break;
    }
    return 1;
}

INT_PTR AboutDialogClose() {
    EndAboutDialog();
    return 0;
}

void EndAboutDialog() {
    EndDialog(hAboutDlg, IDOK);
}

void OpenWebSiteLink() {
    ShellExecuteA(hAboutDlg, nullptr, Literals::AuthorWebPage, nullptr, nullptr, SW_SHOW);
}

void OpenMailLink() {
    ShellExecuteA(hAboutDlg, nullptr, Literals::AuthorMailAddress, nullptr, nullptr, SW_SHOW);
}
