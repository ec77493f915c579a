// The shared body of the virtual and the physical memory source.
#include "sources/sources.h"

#include "resource.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"

namespace {

constexpr DWORDLONG MEBIBYTE = 1ull << 20;
constexpr DWORDLONG GIBIBYTE = 1ull << 30;

} // namespace

DWORD CMemoryPluginBase::Initialize(PMPINFO* pInfo) {
    FillSourceInfo(this, Group, pInfo, PMP_GRAPHS_ONE, 7, "%1 / %3 %7");
    for (int j = 1; j <= 6; ++j)
        pInfo->pszParamNames[j - 1] = LoadRes(Group, j);
    pInfo->pszDescription = LoadRes(Group, 7);
    pInfo->pszParamNames[6] = LoadRes(Group, 8);
    LoadUnitText(szMB, IDS_MB);
    LoadUnitText(szGB, IDS_GB);
    return 1;
}

void CMemoryPluginBase::BeforeOperation(DWORD, HWND, DWORD, PMPDATA*) {
    Scale = GetSourceCategory(Category)->GetIntegerInRange(Literals::Scale, 0, 0, 1);
}

void CMemoryPluginBase::GetData(DWORD, PMPDATA* pData) {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    GlobalMemoryStatusEx(&status);
    DWORDLONG total = 0, available = 0;
    ReadAmounts(status, &total, &available);
    DWORDLONG used = total - available;

    // The bar stays in megabytes whatever unit the texts use.
    pData->dwMaxValue = DWORD(total / MEBIBYTE);
    pData->dwCurrentValue1 = DWORD(used / MEBIBYTE);

    DWORDLONG divisor = Scale == 1 ? GIBIBYTE : MEBIBYTE;
    LPCSTR unit = Scale == 1 ? szGB : szMB;
    FormatResult(szText1, Literals::IntegerFormat, LONG(used / divisor));
    FormatResult(szText2, Literals::IntegerFormat, LONG(available / divisor));
    FormatResult(szText3, Literals::IntegerFormat, LONG(total / divisor));
    FormatFixed(szText4, double(used) / double(divisor));
    FormatFixed(szText5, double(available) / double(divisor));
    FormatFixed(szText6, double(total) / double(divisor));
    CopyText(szText7, RESULT_TEXT_SIZE, unit);

    LPSTR texts[7] = {szText1, szText2, szText3, szText4, szText5, szText6, szText7};
    for (int i = 0; i < 7; ++i)
        pData->pszFormatParams[i] = texts[i];
}

INT_PTR CMemoryPluginBase::DetailDialogInit(HWND hDlg, LPARAM lParam) {
    hDlgWnd = hDlg;
    lOnDlg = LONG(lParam);
    AddResourceStrings(hDlg, IDC_MEMORY_SCALE, IDS_MB, 2);
    int scale = GetSourceCategory(Category)->GetIntegerInRange(Literals::Scale, 0, 0, 1);
    SendDlgItemMessageA(hDlg, IDC_MEMORY_SCALE, CB_SETCURSEL, WPARAM(scale), 0);
    return 1;
}

void CMemoryPluginBase::DetailDialogSave() {
    int scale = int(SendDlgItemMessageA(hDlgWnd, IDC_MEMORY_SCALE, CB_GETCURSEL, 0, 0));
    GetSourceCategory(Category)->SetInteger(Literals::Scale, scale);
    EndDialog(hDlgWnd, 1);
}

void CMemoryPluginBase::DetailDialogCancel() {
    EndDialog(hDlgWnd, 0);
}
