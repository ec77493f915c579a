// "Internal:Processes": the number of running processes against one of four maximums.
#include "sources/sources.h"

#include "resource.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"

namespace {

constexpr DWORD MaximumSteps[4] = {50, 100, 150, 200};

int ReadMaxProcessCount() {
    return GetSourceCategory(Literals::Processes)
        ->GetIntegerInRange(Literals::MaxProcessCount, 1, 0, 3);
}

} // namespace

DWORD CProcessesPlugin::Initialize(PMPINFO* pInfo) {
    FillSourceInfo(this, INTERNAL_PROCESSES, pInfo, PMP_GRAPHS_ONE, 1, "%1 Processes");
    pInfo->pszParamNames[0] = LoadRes(INTERNAL_PROCESSES, 1);
    pInfo->pszDescription = LoadRes(INTERNAL_PROCESSES, 2);
    PE32.dwSize = sizeof PE32Buffer;
    return 1;
}

void CProcessesPlugin::BeforeOperation(DWORD, HWND, DWORD, PMPDATA*) {
    ProcessCountMax = ReadMaxProcessCount();
}

void CProcessesPlugin::GetData(DWORD, PMPDATA* pData) {
    pData->dwMaxValue = MaximumSteps[ProcessCountMax & 3];

    // A snapshot that cannot be taken, or holds no process, counts 0.
    ProcessCount = 0;
    hSS = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSS != INVALID_HANDLE_VALUE) {
        if (Process32First(hSS, &PE32)) {
            ProcessCount += 1;
            while (Process32Next(hSS, &PE32))
                ProcessCount += 1;
        }
        CloseHandle(hSS);
    }

    pData->dwCurrentValue1 = DWORD(ProcessCount);
    FormatResult(szText1, Literals::IntegerFormat, ProcessCount);
    pData->pszFormatParams[0] = szText1;
}

INT_PTR CProcessesPlugin::DetailDialogInit(HWND hDlg, LPARAM lParam) {
    hDlgWnd = hDlg;
    lOnDlg = LONG(lParam);
    for (LPCSTR step : {Literals::Text50, Literals::Text100, Literals::Text150, Literals::Text200})
        SendDlgItemMessageA(hDlg, IDC_PROCESSES_MAXIMUM, CB_ADDSTRING, 0, LPARAM(step));
    SendDlgItemMessageA(hDlg, IDC_PROCESSES_MAXIMUM, CB_SETCURSEL, WPARAM(ReadMaxProcessCount()),
                        0);
    return 1;
}

void CProcessesPlugin::DetailDialogSave() {
    int step = int(SendDlgItemMessageA(hDlgWnd, IDC_PROCESSES_MAXIMUM, CB_GETCURSEL, 0, 0));
    GetSourceCategory(Literals::Processes)->SetInteger(Literals::MaxProcessCount, step);
    EndDialog(hDlgWnd, 1);
}

void CProcessesPlugin::DetailDialogCancel() {
    EndDialog(hDlgWnd, 0);
}

PELMORA_DEFINE_DETAIL_DIALOG(Processes, CProcessesPlugin, INTERNAL_PROCESSES,
                             DetailDialogInit(hDlg, lParam))

DWORD CProcessesPlugin::ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) {
    return ShowSourceDialog(Literals::OptionProcessesTemplate, hOwner, ProcessesDetailDialogProc,
                            dwPluralNumber);
}
