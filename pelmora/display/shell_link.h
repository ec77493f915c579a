// What the display takes from the application shell.
#pragma once

#include <windows.h>

// The main window and its own DC (the class has CS_OWNDC); valid from the window's creation.
HWND GetMainWindow();
HDC GetMainWindowDC();
