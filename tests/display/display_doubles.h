// Stand-ins for the shell services that the display calls: the main window and its DC, the
// monitors, resource strings, and a FatalExit that throws instead of ending the process.
#pragma once

#include <windows.h>

#include <string>

namespace doubles {

struct FatalExitCalled {
    std::string text;
};

// What GetMainWindow and GetMainWindowDC answer.
void SetMainWindow(HWND window, HDC dc);

} // namespace doubles
