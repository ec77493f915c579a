// "Internal:RunningTime": how long the system has been running, from the 32-bit tick count.
#include "sources/sources.h"

#include "resource.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"

namespace {

int ReadGraphInterval() {
    return GetSourceCategory(Literals::RunningTime)
        ->GetIntegerInRange(Literals::GraphInterval, 4, 0, 4);
}

} // namespace

DWORD CRunningTimePlugin::Initialize(PMPINFO* pInfo) {
    FillSourceInfo(this, INTERNAL_RUNNING_TIME, pInfo, PMP_GRAPHS_ONE, 4, "Running %2:%3:%4");
    for (int j = 1; j <= 4; ++j)
        pInfo->pszParamNames[j - 1] = LoadRes(INTERNAL_RUNNING_TIME, j);
    pInfo->pszDescription = LoadRes(INTERNAL_RUNNING_TIME, 5);
    DWordFormat2 = "%02u";
    return 1;
}

void CRunningTimePlugin::BeforeOperation(DWORD, HWND, DWORD, PMPDATA*) {
    GraphInterval = DWORD(ReadGraphInterval());
}

void CRunningTimePlugin::GetData(DWORD, PMPDATA* pData) {
    // 32-bit milliseconds: everything starts again at 0 after about 49.7 days.
    TickCount = GetTickCount();
    Days = TickCount / 86400000u;
    Hour = (TickCount / 3600000u) % 24;
    Minute = (TickCount / 60000u) % 60;
    Second = (TickCount / 1000u) % 60;

    DWORD s = TickCount / 1000u;
    switch (GraphInterval) {
    case 0:
        pData->dwMaxValue = 86399;
        pData->dwCurrentValue1 = s % 86400;
        break;
    case 1:
        pData->dwMaxValue = 43199;
        pData->dwCurrentValue1 = s % 43200;
        break;
    case 2:
        pData->dwMaxValue = 3599;
        pData->dwCurrentValue1 = s % 3600;
        break;
    case 3:
        pData->dwMaxValue = 59;
        pData->dwCurrentValue1 = s % 60;
        break;
    case 4:
        pData->dwMaxValue = 0xFFFFFFFFu;
        pData->dwCurrentValue1 = TickCount;
        break;
    }

    FormatResult(szText1, Literals::DWordFormat, Days);
    FormatResult(szText2, DWordFormat2, Hour);
    FormatResult(szText3, DWordFormat2, Minute);
    FormatResult(szText4, DWordFormat2, Second);
    pData->pszFormatParams[0] = szText1;
    pData->pszFormatParams[1] = szText2;
    pData->pszFormatParams[2] = szText3;
    pData->pszFormatParams[3] = szText4;
}

INT_PTR CRunningTimePlugin::DetailDialogInit(HWND hDlg) {
    hDlgWnd = hDlg;
    AddResourceStrings(hDlg, IDC_RUNNING_GRAPH_INTERVAL, IDS_INTERVAL_DAY, 5);
    SendDlgItemMessageA(hDlg, IDC_RUNNING_GRAPH_INTERVAL, CB_SETCURSEL, WPARAM(ReadGraphInterval()),
                        0);
    return 1;
}

void CRunningTimePlugin::DetailDialogSave() {
    int interval =
        int(SendDlgItemMessageA(hDlgWnd, IDC_RUNNING_GRAPH_INTERVAL, CB_GETCURSEL, 0, 0));
    GetSourceCategory(Literals::RunningTime)->SetInteger(Literals::GraphInterval, interval);
    EndDialog(hDlgWnd, 1);
}

void CRunningTimePlugin::DetailDialogCancel() {
    EndDialog(hDlgWnd, 0);
}

// The dialog edits the one data item and ignores the item number.
PELMORA_DEFINE_DETAIL_DIALOG(RunningTime, CRunningTimePlugin, INTERNAL_RUNNING_TIME,
                             DetailDialogInit(hDlg))

DWORD CRunningTimePlugin::ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) {
    return ShowSourceDialog(Literals::OptionRunningTimeTemplate, hOwner,
                            RunningTimeDetailDialogProc, dwPluralNumber);
}
