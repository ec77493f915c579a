// "Internal:HDDUsage": used, free and total space of the volume at a drive root, for four data
// items.
#include "sources/sources.h"

#include "resource.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"

namespace {

constexpr ULONGLONG MEBIBYTE = 1ull << 20;
constexpr ULONGLONG GIBIBYTE = 1ull << 30;
constexpr ULONGLONG TEBIBYTE = 1ull << 40;
// GetLogicalDriveStringsA's length, and the buffer behind it.
constexpr DWORD DRIVE_LIST_LENGTH = 128;
constexpr int DRIVE_LIST_SIZE = 136;
constexpr int DRIVE_TEXT_SIZE = 24;

CDriveProfileCategory* Category() {
    return GetSourceCategory(Literals::HDDUsage);
}

} // namespace

DWORD CHDDUsagePlugin::Initialize(PMPINFO* pInfo) {
    FillSourceInfo(this, INTERNAL_HDD_USAGE, pInfo, PMP_GRAPHS_ONE, 7, "%1 / %3 %7");
    pInfo->dwDataItems = ITEMS;
    for (int j = 1; j <= 6; ++j)
        pInfo->pszParamNames[j - 1] = LoadRes(INTERNAL_HDD_USAGE, j);
    pInfo->pszDescription = LoadRes(INTERNAL_HDD_USAGE, 7);
    pInfo->pszParamNames[6] = LoadRes(INTERNAL_HDD_USAGE, 10);
    LoadUnitText(szGB, IDS_GB);
    LoadUnitText(szTB, IDS_TB);
    return 1;
}

void CHDDUsagePlugin::BeforeOperation(DWORD dwPluralNumber, HWND, DWORD, PMPDATA*) {
    if (dwPluralNumber >= ITEMS)
        return;
    DWORD n = dwPluralNumber;
    CHAR key[ITEM_KEY_SIZE];
    FormatItemKey(key, Literals::Drive, n);
    LPCSTR drive = Category()->GetStringOrDefault(key, Literals::DefaultDrive);
    // A root longer than the field is not cut to another path: the item reads nothing.
    if (lstrlenA(drive) < UNIT_TEXT_SIZE)
        lstrcpyA(szDrive[n], drive);
    else
        szDrive[n][0] = '\0';
    FormatItemKey(key, Literals::Scale, n);
    Scale[n] = Category()->GetIntegerInRange(key, 0, 0, 1);
}

void CHDDUsagePlugin::GetData(DWORD dwPluralNumber, PMPDATA* pData) {
    if (dwPluralNumber >= ITEMS)
        return;
    DWORD n = dwPluralNumber;
    // A root that cannot be read leaves all three at 0.
    ULARGE_INTEGER freeToCaller = {}, total = {}, totalFree = {};
    if (szDrive[n][0])
        GetDiskFreeSpaceExA(szDrive[n], &freeToCaller, &total, &totalFree);
    ULONGLONG used = total.QuadPart - totalFree.QuadPart;

    // The bar is in mebibytes whatever the unit of the texts.
    pData->dwMaxValue = DWORD(total.QuadPart / MEBIBYTE);
    pData->dwCurrentValue1 = DWORD(used / MEBIBYTE);

    ULONGLONG divisor = Scale[n] == 1 ? TEBIBYTE : GIBIBYTE;
    LPCSTR unit = Scale[n] == 1 ? szTB : szGB;
    FormatResult(szText1[n], Literals::IntegerFormat, LONG(used / divisor));
    FormatResult(szText2[n], Literals::IntegerFormat, LONG(totalFree.QuadPart / divisor));
    FormatResult(szText3[n], Literals::IntegerFormat, LONG(total.QuadPart / divisor));
    FormatFixed(szText4[n], double(used) / double(divisor));
    FormatFixed(szText5[n], double(totalFree.QuadPart) / double(divisor));
    FormatFixed(szText6[n], double(total.QuadPart) / double(divisor));
    CopyText(szText7[n], RESULT_TEXT_SIZE, unit);

    LPSTR texts[7] = {szText1[n], szText2[n], szText3[n], szText4[n],
                      szText5[n], szText6[n], szText7[n]};
    for (int i = 0; i < 7; ++i)
        pData->pszFormatParams[i] = texts[i];
}

INT_PTR CHDDUsagePlugin::DetailDialogInit(HWND hDlg, LPARAM lParam) {
    hDlgWnd = hDlg;
    lOnDlg = LONG(lParam);
    CHAR driveKey[ITEM_KEY_SIZE], scaleKey[ITEM_KEY_SIZE];
    FormatItemKey(driveKey, Literals::Drive, DWORD(lOnDlg));
    FormatItemKey(scaleKey, Literals::Scale, DWORD(lOnDlg));

    // Roots of three characters and their terminators, one after the other; only fixed
    // drives are offered.
    CHAR drives[DRIVE_LIST_SIZE] = {};
    GetLogicalDriveStringsA(DRIVE_LIST_LENGTH, drives);
    for (int i = 0; i + 4 <= int(DRIVE_LIST_LENGTH) && drives[i]; i += 4) {
        if (GetDriveTypeA(drives + i) == DRIVE_FIXED)
            SendDlgItemMessageA(hDlg, IDC_USAGE_DRIVE, CB_ADDSTRING, 0, LPARAM(drives + i));
    }
    LPCSTR drive = Category()->GetStringOrDefault(driveKey, Literals::DefaultDrive);
    LRESULT found =
        SendDlgItemMessageA(hDlg, IDC_USAGE_DRIVE, CB_FINDSTRINGEXACT, 0, LPARAM(drive));
    SendDlgItemMessageA(hDlg, IDC_USAGE_DRIVE, CB_SETCURSEL, WPARAM(found), 0);

    SendDlgItemMessageA(hDlg, IDC_USAGE_SCALE, CB_ADDSTRING, 0, LPARAM(LoadResourceString(IDS_GB)));
    SendDlgItemMessageA(hDlg, IDC_USAGE_SCALE, CB_ADDSTRING, 0, LPARAM(LoadResourceString(IDS_TB)));
    SendDlgItemMessageA(hDlg, IDC_USAGE_SCALE, CB_SETCURSEL,
                        WPARAM(Category()->GetIntegerInRange(scaleKey, 0, 0, 1)), 0);
    return 1;
}

void CHDDUsagePlugin::DetailDialogSave() {
    CHAR key[ITEM_KEY_SIZE];
    // With no entry selected the stored root is empty.
    CHAR drive[DRIVE_TEXT_SIZE] = {};
    LRESULT selected = SendDlgItemMessageA(hDlgWnd, IDC_USAGE_DRIVE, CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR && SendDlgItemMessageA(hDlgWnd, IDC_USAGE_DRIVE, CB_GETLBTEXTLEN,
                                                  WPARAM(selected), 0) < DRIVE_TEXT_SIZE)
        SendDlgItemMessageA(hDlgWnd, IDC_USAGE_DRIVE, CB_GETLBTEXT, WPARAM(selected),
                            LPARAM(drive));
    FormatItemKey(key, Literals::Drive, DWORD(lOnDlg));
    Category()->SetString(key, drive);
    FormatItemKey(key, Literals::Scale, DWORD(lOnDlg));
    Category()->SetInteger(key,
                           int(SendDlgItemMessageA(hDlgWnd, IDC_USAGE_SCALE, CB_GETCURSEL, 0, 0)));
    EndDialog(hDlgWnd, 1);
}

void CHDDUsagePlugin::DetailDialogCancel() {
    EndDialog(hDlgWnd, 0);
}

PELMORA_DEFINE_DETAIL_DIALOG(HDDUsage, CHDDUsagePlugin, INTERNAL_HDD_USAGE,
                             DetailDialogInit(hDlg, lParam))

DWORD CHDDUsagePlugin::ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) {
    return ShowSourceDialog(Literals::OptionHDDUsageTemplate, hOwner, HDDUsageDetailDialogProc,
                            dwPluralNumber);
}
