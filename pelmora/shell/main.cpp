#include "shell/program.h"

int main() {
    RunProgram();
    return 0;
}
