#include "program_fixture.h"

#include "kernel32/modules.h"
#include "shell/main_window.h"
#include "shell/program.h"

namespace fs = std::filesystem;

ProgramTest::ProgramTest() {
    platform::testing::ClearShellArea();
    platform::testing::ClearMessageBoxes();
    ResetProgramState();
}

ProgramTest::~ProgramTest() {
    ShutDown();
    platform::testing::ClearShellArea();
}

void ProgramTest::PlaceProgramIn(const fs::path& folder) {
    platform::testing::LayOutProgramFolder(folder, {});
    platform::SetProgramPath((folder / "pelmora").string());
}

void ProgramTest::Start() {
    RunStartupSteps();
}

void ProgramTest::ShutDown() {
    if (GetResourceLibrary() && !IsShutDown())
        RunShutdownSequence();
}

HWND ProgramTest::Window() const {
    return GetMainWindow();
}
