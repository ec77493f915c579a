// "Internal:Battery": remaining against full capacity, with the power state, the rate and the
// estimated time left on battery.
#include "sources/sources.h"

#include "settings/literals.h"

DWORD CBatteryPlugin::Initialize(PMPINFO* pInfo) {
    FillSourceInfo(this, INTERNAL_BATTERY, pInfo, PMP_GRAPHS_ONE, 8, "%1 - %2 Wh / %3 Wh");
    for (int j = 1; j <= 8; ++j)
        pInfo->pszParamNames[j - 1] = LoadRes(INTERNAL_BATTERY, j);
    pInfo->pszDescription = LoadRes(INTERNAL_BATTERY, 9);
    AC = "AC";
    ACAndCharging = "AC, Charging";
    Discharging = "Discharging";
    DWordFormat2 = "%02u";
    return 1;
}

void CBatteryPlugin::GetData(DWORD, PMPDATA* pData) {
    // A failed query leaves the previous state.
    CallNtPowerInformation(SystemBatteryState, nullptr, 0, &SBS, sizeof SBS);
    FillRecord(pData);
}

void CBatteryPlugin::FillRecord(PMPDATA* pData) {
    pData->dwMaxValue = SBS.MaxCapacity;
    pData->dwCurrentValue1 = SBS.RemainingCapacity;

    LPCSTR state = !SBS.AcOnLine ? Discharging : SBS.Charging ? ACAndCharging : AC;
    CopyText(szText1, RESULT_TEXT_SIZE, state);
    FormatFixed(szText2, double(SBS.RemainingCapacity) / 1000);
    FormatFixed(szText3, double(SBS.MaxCapacity) / 1000);

    // The magnitude of the rate; -2^31 has no positive counterpart and saturates.
    Rate = SBS.Rate;
    if (Rate <= 0)
        Rate = Rate == LONG(0x80000000) ? 0x7FFFFFFF : -Rate;
    FormatFixed(szText4, double(Rate) / 1000);

    DWORD seconds = SBS.AcOnLine ? 0 : SBS.EstimatedTime;
    FormatResult(szText5, Literals::DWordFormat, seconds);
    FormatResult(szText6, DWordFormat2, seconds / 3600);
    FormatResult(szText7, DWordFormat2, (seconds / 60) % 60);
    FormatResult(szText8, DWordFormat2, seconds % 60);

    LPSTR texts[8] = {szText1, szText2, szText3, szText4, szText5, szText6, szText7, szText8};
    for (int i = 0; i < 8; ++i)
        pData->pszFormatParams[i] = texts[i];
}
