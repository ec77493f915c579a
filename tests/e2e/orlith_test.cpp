// The real program with Orlith's row: it loads the plug-in from its folder, starts and draws
// the row, and keeps the row's settings when it ends.
#include "object_files.h"
#include "program_dir.h"

#include "testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

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
    const std::string space = "e2e-orlith-" + std::to_string(getpid());
    e2e::RunningProgram program(dir, {"PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string(),
                                      "PELMORA_PLATFORM_SECTIONS=" + space});
    ASSERT_TRUE(e2e::WaitFor([&] { return fs::exists(snapshots / "Pelmora.png"); }, 10s))
        << program.Errors();
    EXPECT_FALSE(program.Wait(500ms).has_value()) << program.Errors();

    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
    EXPECT_EQ(program.Errors().find("[message box]"), std::string::npos) << program.Errors();
    EXPECT_EQ(object_files::OfNamespace(space),
              std::set<std::string>{}); // its objects went with it
    std::string settings = dir.ReadSettings();
    for (const char* key :
         {"\tGraph0=Orlith_x64.pmp|0\r\n", "\tOrlith_x64.pmp|0[\r\n", "\t\tFormat=IME : %1\r\n"})
        EXPECT_NE(settings.find(key), std::string::npos) << key << "\n" << settings;
}

TEST(Orlith, WhatAKilledProgramLeftIsGoneOnceAnotherStarts) {
    // A runtime folder of the test's own, so that no program run beside it clears the objects
    // first; the programs inherit it.
    const platform::testing::TemporaryFolder runtime("pelmora-runtime");
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    e2e::ProgramDir dir;
    dir.WriteSettings("GraphDetail[\r\n"
                      "\tNumberOfGraphs=1\r\n"
                      "\tGraph0=Orlith_x64.pmp|0\r\n"
                      "]\r\n");
    fs::path snapshots = dir.path() / "snapshots";
    fs::create_directories(snapshots);
    // Each program in a namespace of its own: the second never opens the first one's objects.
    auto objects_of = [](const std::string& space) {
        return std::set<std::string>{"pelmora-" + space + "--Orlith",
                                     "pelmora-" + space + "--OrlithReport"};
    };
    auto start = [&](const std::string& space) {
        fs::remove(snapshots / "Pelmora.png");
        auto program = std::make_unique<e2e::RunningProgram>(
            dir, std::vector<std::string>{"PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string(),
                                          "PELMORA_PLATFORM_SECTIONS=" + space});
        EXPECT_TRUE(e2e::WaitFor([&] { return fs::exists(snapshots / "Pelmora.png"); }, 10s))
            << program->Errors();
        return program;
    };
    {
        auto killed = start("killed");
        EXPECT_EQ(object_files::Named(), objects_of("killed"));
        killed->Signal(SIGKILL);
        ASSERT_TRUE(killed->Wait(10s).has_value());
    }
    // Nobody could remove them as the program was killed; nobody holds them either.
    EXPECT_EQ(object_files::Named(), objects_of("killed"));
    auto next = start("next");
    EXPECT_EQ(object_files::Named(), objects_of("next"));
    next->Signal(SIGTERM);
    std::optional<int> status = next->Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << next->Errors();
    EXPECT_EQ(object_files::Named(), std::set<std::string>{});
    unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
