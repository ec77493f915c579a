// Services of the environment that every part of the program uses.
#pragma once

#include <windows.h>

// The resource library's string id, in one shared buffer that the next call overwrites (at
// most 254 characters).
LPSTR LoadResourceString(UINT id);
// The program's directory, with a trailing backslash.
LPSTR GetApplicationDirectory();
