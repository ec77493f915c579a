// The real program with Orlith's row: it loads the plug-in from its folder, starts and draws
// the row, and keeps the row's settings when it ends.
#include "program_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(Orlith, TheProgramShowsItsRowAndSavesItsCategory) {
    e2e::ProgramDir dir;
    ASSERT_TRUE(fs::exists(dir.plugin_folder() / "Orlith_x64.pmp"));
    dir.WriteSettings("GraphDetail[\r\n"
                      "\tNumberOfGraphs=1\r\n"
                      "\tGraph0=Orlith_x64.pmp|0\r\n"
                      "]\r\n");
    fs::path snapshots = dir.path() / "snapshots";
    fs::create_directories(snapshots);
    e2e::RunningProgram program(
        dir, {"PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string(),
              "PELMORA_PLATFORM_SECTIONS=e2e-orlith-" + std::to_string(getpid())});
    ASSERT_TRUE(e2e::WaitFor([&] { return fs::exists(snapshots / "Pelmora.png"); }, 10s))
        << program.Errors();
    EXPECT_FALSE(program.Wait(500ms).has_value()) << program.Errors();

    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
    EXPECT_EQ(program.Errors().find("[message box]"), std::string::npos) << program.Errors();
    std::string settings = dir.ReadSettings();
    for (const char* key :
         {"\tGraph0=Orlith_x64.pmp|0\r\n", "\tOrlith_x64.pmp|0[\r\n", "\t\tFormat=IME : %1\r\n"})
        EXPECT_NE(settings.find(key), std::string::npos) << key << "\n" << settings;
}

} // namespace
