// The program's top level: start-up, the message loop and shutdown.
#pragma once

#include <windows.h>

void RunProgram();
