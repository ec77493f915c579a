/*
 * A plug-in as sources written for Windows spell it: every export marked with
 * __declspec(dllexport), a function of another library declared with __declspec(dllimport).
 * Built once as C and once as C++ (declspec_plugin.cpp), each with hidden visibility, so only
 * what the marks export leaves the library.
 */
#include <windows.h>

#include "pmp.h"

__declspec(dllimport) DWORD WINAPI GetTickCount(void);

static CHAR szTicks[16];

#ifdef __cplusplus
extern "C" {
#endif

/* Not one of the entry points pmp.h declares: exported by its mark alone. */
__declspec(dllexport) LPCSTR WINAPI DeclspecLanguage(void) {
#ifdef __cplusplus
    return "C++";
#else
    return "C";
#endif
}

__declspec(dllexport) DWORD WINAPI PMPInitialize(PMPINFO* pInfo) {
    pInfo->dwType = PMP_TYPE_REGULAR;
    pInfo->pszName = "Declspec";
    pInfo->dwAvailableGraphs = PMP_GRAPHS_NONE;
    pInfo->dwFormatParams = 1;
    pInfo->pszParamNames[0] = "ticks";
    pInfo->pszDefaultFormat = "%1";
    pInfo->pszDescription = "Marks its exports as sources for Windows do.";
    pInfo->dwDataItems = 1;
    return 1;
}

__declspec(dllexport) void WINAPI PMPFinalize(void) {}

__declspec(dllexport) void WINAPI
    PMPBeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) {
    (void)dwPluralNumber;
    (void)hWnd;
    (void)dwRow;
    (void)pData;
}

__declspec(dllexport) void WINAPI PMPAfterOperation(DWORD dwPluralNumber) {
    (void)dwPluralNumber;
}

__declspec(dllexport) void WINAPI PMPGetData(DWORD dwPluralNumber, PMPDATA* pData) {
    (void)dwPluralNumber;
    wsprintfA(szTicks, "%u", GetTickCount() % 1000u);
    pData->pszFormatParams[0] = szTicks;
}

#ifdef __cplusplus
}
#endif
