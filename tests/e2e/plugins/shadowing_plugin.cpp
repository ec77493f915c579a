// A plug-in that defines, for its own use, a global function and a global variable under the
// names the program gives its own (LoadResourceString, bSettingsLoaded). Its references to them
// must reach its own definitions, as they do under the system's loader: it refuses to start
// when its LoadResourceString answers with another text, and at the end it clears its own
// bSettingsLoaded, which must not keep the program from saving its settings.
#include "pmp.h"

bool bSettingsLoaded = true;

LPSTR LoadResourceString(UINT) {
    static CHAR own[] = "the plug-in's own string";
    return own;
}

DWORD WINAPI PMPInitialize(PMPINFO* info) {
    info->dwType = PMP_TYPE_REGULAR;
    info->pszName = "Shadowing";
    info->dwAvailableGraphs = PMP_GRAPHS_TWO;
    info->dwFormatParams = 0;
    info->pszDefaultFormat = "";
    info->pszDescription = "Defines names the program has too";
    info->dwDataItems = 1;
    return lstrcmpA(LoadResourceString(17), "the plug-in's own string") == 0 ? 1 : 0;
}

void WINAPI PMPFinalize(void) {
    bSettingsLoaded = false;
}

void WINAPI PMPBeforeOperation(DWORD, HWND, DWORD, PMPDATA*) {}

void WINAPI PMPAfterOperation(DWORD) {}

void WINAPI PMPGetData(DWORD, PMPDATA* data) {
    data->dwMaxValue = 1;
}
