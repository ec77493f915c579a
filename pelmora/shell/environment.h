// Small services of the environment: resource strings and the program's directory.
#pragma once

#include <windows.h>

// User-interface string id of the resource library, in one shared 256-byte buffer that the
// next call overwrites.
LPSTR LoadResourceString(UINT id);
// The program's directory, with a trailing backslash.
LPSTR GetApplicationDirectory();
