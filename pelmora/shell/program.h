// The program's top level: start-up, the message loop and shutdown.
#pragma once

#include <windows.h>

void RunProgram();

// Shows text under the fatal caption, runs the shutdown steps and ends the process.
[[noreturn]] void FatalExit(LPCSTR text);
