#include "display_doubles.h"

#include "display/shell_link.h"
#include "shell/environment.h"
#include "shell/program.h"

namespace {

HWND hMainWnd = nullptr;
HDC hMainDC = nullptr;
CHAR szResourceString[256];
CHAR szAppDirectory[MAX_PATH] = "C:\\";

} // namespace

namespace doubles {

void SetMainWindow(HWND window, HDC dc) {
    hMainWnd = window;
    hMainDC = dc;
}

} // namespace doubles

HWND GetMainWindow() {
    return hMainWnd;
}

HDC GetMainWindowDC() {
    return hMainDC;
}

int GetMonitorsMaxRight() {
    return 1920;
}

LPSTR LoadResourceString(UINT id) {
    wsprintfA(szResourceString, "String %u", id);
    return szResourceString;
}

LPSTR GetApplicationDirectory() {
    return szAppDirectory;
}

void FatalExit(LPCSTR text) {
    throw doubles::FatalExitCalled{text};
}
