#include "shell/environment.h"

#include "resource.h"
#include "shell/program.h"

#include <algorithm>
#include <cstring>

namespace {

CHAR szResourceString[256];

} // namespace

CHAR Environment::Program::szAppDirectory[MAX_PATH];
int Environment::Monitor::nMonitors = 0;
RECT Environment::Monitor::rcMonitors[MONITOR_TABLE_SIZE];
RECT Environment::Monitor::rcWorkAreas[MONITOR_TABLE_SIZE];

void ResetEnvironmentState() {
    std::memset(szResourceString, 0, sizeof szResourceString);
}

LPSTR LoadResourceString(UINT id) {
    LoadStringA(GetResourceLibrary(), id, szResourceString, 255);
    return szResourceString;
}

LPSTR GetApplicationDirectory() {
    return Environment::Program::szAppDirectory;
}

LPSTR GetExecutableDirectory(LPSTR buffer) {
    if (IsBadWritePtr(buffer, MAX_PATH))
        return nullptr;
    CHAR path[MAX_PATH] = {};
    // A path that does not fit comes back cut to the buffer, with ERROR_INSUFFICIENT_BUFFER:
    // the length is then the buffer's.
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        buffer[0] = '\0';
        return nullptr;
    }
    // Walk back a character at a time, so a two-byte character whose trail byte is a backslash
    // is never taken for the separator.
    LPSTR p = path + lstrlenA(path);
    while (p > path && *p != '\\')
        p = CharPrevA(path, p);
    if (*p == '\\')
        p[1] = '\0';
    lstrcpyA(buffer, path);
    return buffer;
}

// Without its own folder the program would read, and at the end overwrite, another folder's
// settings file and load its plug-ins: it stops before anything is read.
void Environment::Program::Initialize() {
    if (!GetExecutableDirectory(GetApplicationDirectory()))
        FatalExit(LoadResourceString(IDS_PROGRAM_PATH_TOO_LONG));
}

void Environment::Monitor::Initialize() {
    EnumerateMonitors();
}

void EnumerateMonitors() {
    Environment::Monitor::nMonitors = 0;
    EnumDisplayMonitors(nullptr, nullptr, MonitorEnumProc, 0);
}

BOOL CALLBACK MonitorEnumProc(HMONITOR monitor, HDC dc, LPRECT rect, LPARAM data) {
    return AddMonitorInfo(monitor, dc, rect, data);
}

// The tables hold 16 monitors; further ones are left out, so nothing is written past them.
BOOL AddMonitorInfo(HMONITOR monitor, HDC, LPRECT rect, LPARAM) {
    using Environment::Monitor;
    if (Monitor::nMonitors >= MONITOR_TABLE_SIZE)
        return TRUE;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(monitor, &info);
    Monitor::rcMonitors[Monitor::nMonitors] = *rect;
    Monitor::rcWorkAreas[Monitor::nMonitors] = info.rcWork;
    Monitor::nMonitors += 1;
    return TRUE;
}

LONG GetMonitorsMaxRight() {
    LONG result = 0;
    for (int i = 0; i < Environment::Monitor::nMonitors; ++i)
        result = std::max(result, Environment::Monitor::rcMonitors[i].right);
    return result;
}

LONG GetMonitorsMaxBottom() {
    LONG result = 0;
    for (int i = 0; i < Environment::Monitor::nMonitors; ++i)
        result = std::max(result, Environment::Monitor::rcMonitors[i].bottom);
    return result;
}

LONG GetMonitorsMinLeft() {
    LONG result = 0;
    for (int i = 0; i < Environment::Monitor::nMonitors; ++i)
        result = std::min(result, Environment::Monitor::rcMonitors[i].left);
    return result;
}

LONG GetMonitorsMinTop() {
    LONG result = 0;
    for (int i = 0; i < Environment::Monitor::nMonitors; ++i)
        result = std::min(result, Environment::Monitor::rcMonitors[i].top);
    return result;
}

BOOL IsWindowsXPOrLater() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    return version.dwMajorVersion > 5 ||
           (version.dwMajorVersion == 5 && version.dwMinorVersion >= 1);
}
