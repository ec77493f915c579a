#include "shell/program.h"

void RunProgram() {
    ExitProcess(0);
}
