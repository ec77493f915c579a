#include "program_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A stop signal while the program is still starting ends it as the end of a session does,
// once it is running: it exits normally and the settings are written.
TEST(EarlyStop, AStopSignalDuringTheStartStillSavesTheSettings) {
    for (int signal : {SIGTERM, SIGINT}) {
        e2e::ProgramDir dir;
        e2e::RunningProgram program(dir);
        // Signalled once the program has loaded its resource library: past the layer's start,
        // before its window exists.
        const std::string maps = "/proc/" + std::to_string(program.pid()) + "/maps";
        ASSERT_TRUE(e2e::WaitFor(
            [&] {
                std::ifstream in(maps);
                const std::string text{std::istreambuf_iterator<char>(in), {}};
                return text.find("PelmoraResources.dll") != std::string::npos;
            },
            10s));
        program.Signal(signal);
        std::optional<int> status = program.Wait(20s);
        ASSERT_TRUE(status.has_value()) << signal;
        EXPECT_EQ(*status, 0) << signal << "\n" << program.Errors();
        const std::string settings = dir.ReadSettings();
        EXPECT_NE(settings.find("MainWindow[\r\n"), std::string::npos) << signal << "\n"
                                                                       << settings;
    }
}

} // namespace
