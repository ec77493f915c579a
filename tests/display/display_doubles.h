// The shell services that the display calls, as the tests set them: the main window and its DC,
// and FatalExit's end of the process turned into an exception.
#pragma once

#include <windows.h>

#include "testing/desktop.h"

#include <string>

namespace doubles {

// Thrown where the process would end, after FatalExit has shown its text and shut down.
using FatalExitCalled = platform::testing::FatalExitCalled;

// What GetMainWindow and GetMainWindowDC answer.
void SetMainWindow(HWND window, HDC dc);

} // namespace doubles
