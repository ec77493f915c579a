#include "program_fixture.h"

#include "kernel32/modules.h"
#include "shell/main_window.h"
#include "shell/program.h"

#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
int folder_counter = 0;
}

ProgramTest::ProgramTest() {
    folder_ = fs::temp_directory_path() / ("pelmora-program-" + std::to_string(getpid()) + "-" +
                                           std::to_string(folder_counter++));
    fs::remove_all(folder_);
    PlaceProgramIn(folder_);
    platform::testing::ClearShellArea();
    platform::testing::ClearMessageBoxes();
    ResetProgramState();
}

ProgramTest::~ProgramTest() {
    ShutDown();
    platform::testing::ClearShellArea();
    platform::SetProgramPath({});
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void ProgramTest::PlaceProgramIn(const fs::path& folder) {
    fs::create_directories(folder / "Plug-ins (x64)");
    fs::create_symlink(fs::path(PELMORA_PROGRAM_DIR) / "PelmoraResources.dll",
                       folder / "PelmoraResources.dll");
    platform::SetProgramPath((folder / "pelmora").string());
}

void ProgramTest::WriteSettings(const std::string& text) {
    std::ofstream(folder_ / "Pelmora.pmu", std::ios::binary) << text;
}

std::string ProgramTest::ReadSettings() const {
    std::ifstream in(folder_ / "Pelmora.pmu", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool ProgramTest::SettingsExist() const {
    return fs::exists(folder_ / "Pelmora.pmu");
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
