// "Internal:CPUClock": the current clock of the first logical processor against its maximum.
#include "sources/sources.h"

#include "settings/literals.h"

DWORD CCPUClockPlugin::Initialize(PMPINFO* pInfo) {
    FillSourceInfo(this, INTERNAL_CPU_CLOCK, pInfo, PMP_GRAPHS_ONE, 6, "%1 MHz");
    for (int j = 1; j <= 6; ++j)
        pInfo->pszParamNames[j - 1] = LoadRes(INTERNAL_CPU_CLOCK, j);
    pInfo->pszDescription = LoadRes(INTERNAL_CPU_CLOCK, 7);
    MHz = "MHz";
    GHz = "GHz";
    return 1;
}

void CCPUClockPlugin::BeforeOperation(DWORD, HWND, DWORD, PMPDATA*) {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    nNumberOfLogicalCores = LONG(info.dwNumberOfProcessors);
}

void CCPUClockPlugin::GetData(DWORD, PMPDATA* pData) {
    // One record per logical processor, but never more than the buffer holds.
    LONG records = nNumberOfLogicalCores;
    if (records < 0)
        records = 0;
    if (records > MAX_PROCESSORS)
        records = MAX_PROCESSORS;
    CallNtPowerInformation(ProcessorInformation, nullptr, 0, PPI,
                           ULONG(sizeof(PROCESSOR_POWER_INFORMATION) * records));

    CurrentMHz = PPI[0].CurrentMhz;
    pData->dwMaxValue = PPI[0].MaxMhz;
    pData->dwCurrentValue1 = CurrentMHz;

    // To the nearest 100 MHz, half up.
    Low = CurrentMHz % 100;
    Rounded = Low >= 50 ? CurrentMHz + 100 - Low : CurrentMHz - Low;
    Rounded2 = Rounded;

    FormatResult(szText1, Literals::DWordFormat, CurrentMHz);
    FormatResult(szText2, Literals::DWordFormat, Rounded);
    if (CurrentMHz >= 1000)
        FormatFixed(szText3, double(CurrentMHz) / 1000);
    else
        FormatResult(szText3, Literals::DWordFormat, CurrentMHz);
    if (Rounded2 >= 1000)
        FormatFixed(szText4, double(Rounded2) / 1000);
    else
        FormatResult(szText4, Literals::DWordFormat, Rounded2);

    pData->pszFormatParams[0] = szText1;
    pData->pszFormatParams[1] = szText2;
    pData->pszFormatParams[2] = szText3;
    pData->pszFormatParams[3] = szText4;
    pData->pszFormatParams[4] = CurrentMHz >= 1000 ? GHz : MHz;
    pData->pszFormatParams[5] = Rounded2 >= 1000 ? GHz : MHz;
}
