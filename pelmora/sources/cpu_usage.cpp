// "Internal:CPUUsage": total and kernel-mode processor usage since the previous sample.
#include "sources/sources.h"

#include "settings/literals.h"

DWORD CCPUUsagePlugin::Initialize(PMPINFO* pInfo) {
    CPUUsage = std::make_unique<CCPUUsage2>();
    FillSourceInfo(this, INTERNAL_CPU_USAGE, pInfo, PMP_GRAPHS_TWO, 4, "%1 %%");
    for (int j = 1; j <= 4; ++j)
        pInfo->pszParamNames[j - 1] = LoadRes(INTERNAL_CPU_USAGE, j);
    pInfo->pszDescription = LoadRes(INTERNAL_CPU_USAGE, 5);
    return 1;
}

void CCPUUsagePlugin::GetData(DWORD, PMPDATA* pData) {
    LONG kernel = 0;
    dwCPU = DWORD(CPUUsage->GetUsageDetail(&kernel, &doCPU, &doKernel));
    dwKernel = DWORD(kernel);

    pData->dwMaxValue = 100;
    pData->dwCurrentValue1 = dwCPU;
    pData->dwCurrentValue2 = dwKernel;

    FormatResult(szText1, Literals::DWordFormat, dwCPU);
    FormatResult(szText2, Literals::DWordFormat, dwKernel);
    FormatFixed(szText3, doCPU);
    FormatFixed(szText4, doKernel);
    pData->pszFormatParams[0] = szText1;
    pData->pszFormatParams[1] = szText2;
    pData->pszFormatParams[2] = szText3;
    pData->pszFormatParams[3] = szText4;
}
