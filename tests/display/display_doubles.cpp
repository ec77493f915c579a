#include "display_doubles.h"

#include "kernel32/modules.h"
#include "kernel32/process.h"
#include "shell/environment.h"
#include "shell/main_window.h"
#include "shell/program.h"
#include "user32/message_box.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

void UseBuildResources() {
    if (!GetResourceLibrary())
        SetResourceLibrary(LoadLibraryA("PelmoraResources.dll"));
}

// The shell as after its first start-up steps, in the build's program folder: the resource
// library, the program folder and the monitors. FatalExit's end of the process comes back to the
// test as an exception, with the resource library loaded again (its last shutdown step frees it).
class ShellEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        platform::SetProgramPath(PELMORA_PROGRAM_DIR "/pelmora");
        ::Environment::Program::Initialize();
        EnumerateMonitors();
        UseBuildResources();
        fatal_exit_.emplace(UseBuildResources);
    }
    void TearDown() override { fatal_exit_.reset(); }

private:
    std::optional<platform::testing::FatalExitTrap> fatal_exit_;
};
const auto* const shell_environment = ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

} // namespace

namespace doubles {

void SetMainWindow(HWND window, HDC dc) {
    ::SetMainWindow(window);
    ::SetMainWindowDC(dc);
}

} // namespace doubles
