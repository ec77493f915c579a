// Small services every part of the program uses: user-interface strings, the program's folder,
// the monitors and their work areas, and the operating-system version test.
#pragma once

#include <windows.h>

// A user-interface string of the resource library, in one shared buffer that the next call
// overwrites: callers copy the text before they load another.
LPSTR LoadResourceString(UINT id);

// The program's folder with a trailing backslash.
LPSTR GetApplicationDirectory();
// Fills `buffer` (260 bytes) with the program's folder and a trailing backslash; null when the
// buffer is not writable. Null too, with buffer empty, when the program's path does not fit
// in MAX_PATH: the system then hands back a cut path, whose folder is some parent's.
LPSTR GetExecutableDirectory(LPSTR buffer);

constexpr int MONITOR_TABLE_SIZE = 16;

void EnumerateMonitors();
BOOL CALLBACK MonitorEnumProc(HMONITOR monitor, HDC dc, LPRECT rect, LPARAM data);
BOOL AddMonitorInfo(HMONITOR monitor, HDC dc, LPRECT rect, LPARAM data);
LONG GetMonitorsMaxRight();
LONG GetMonitorsMaxBottom();
LONG GetMonitorsMinLeft();
LONG GetMonitorsMinTop();

BOOL IsWindowsXPOrLater();

// The resource-string buffer as a new process has it. The program folder and the monitor table
// stay: every start-up fills them anew before they are read.
void ResetEnvironmentState();

namespace Environment {

class Program {
public:
    static void Initialize();
    static CHAR szAppDirectory[MAX_PATH];
};

class Monitor {
public:
    static void Initialize();
    static int nMonitors;
    static RECT rcMonitors[MONITOR_TABLE_SIZE];
    static RECT rcWorkAreas[MONITOR_TABLE_SIZE];
};

class OperatingSystem {
public:
    static BOOL IsWindowsXPOrLater() { return ::IsWindowsXPOrLater(); }
};

} // namespace Environment
