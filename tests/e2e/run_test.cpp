#include "program_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <set>
#include <thread>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits until the program has drawn its window once, so that its start-up, and with it the
// handling of stop signals, is done; a fixed wait is too short on a loaded machine.
bool WaitForFirstFrame(const fs::path& snapshots) {
    return e2e::WaitFor([&] { return fs::exists(snapshots / "Pelmora.png"); }, 30s);
}

// Three rows: the two default ones and the running time, whose seconds change every second.
constexpr char kThreeRows[] = "GraphDetail[\r\n"
                              "\tNumberOfGraphs=3\r\n"
                              "\tGraph0=Internal:VirtualMemory|0\r\n"
                              "\tGraph1=Internal:CPUUsage|0\r\n"
                              "\tGraph2=Internal:RunningTime|0\r\n"
                              "]\r\n"
                              "MainWindow[\r\n"
                              "\tOpacity=230\r\n"
                              "\tWidth=240\r\n"
                              "]\r\n";

TEST(Run, ShowsChangingRowsAndSavesItsSettingsWhenStopped) {
    e2e::ProgramDir dir;
    dir.WriteSettings(kThreeRows);
    fs::path snapshots = dir.path() / "snapshots";
    fs::create_directories(snapshots);
    fs::path png = snapshots / "Pelmora.png";

    e2e::RunningProgram program(dir, {"PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string()});
    ASSERT_TRUE(WaitForFirstFrame(snapshots)) << program.Errors();
    std::set<std::string> frames;
    for (int second = 0; second < 5; ++second) {
        frames.insert(Slurp(png));
        std::this_thread::sleep_for(1s);
    }
    // The running time's seconds moved on between the snapshots.
    EXPECT_GE(frames.size(), 3u);
    std::string frame = Slurp(png);
    ASSERT_GE(frame.size(), 24u);
    auto be32 = [&](size_t at) {
        return uint32_t(uint8_t(frame[at])) << 24 | uint32_t(uint8_t(frame[at + 1])) << 16 |
               uint32_t(uint8_t(frame[at + 2])) << 8 | uint32_t(uint8_t(frame[at + 3]));
    };
    EXPECT_EQ(be32(16), 240u); // the width from the settings file

    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
    std::string settings = dir.ReadSettings();
    for (const char* key :
         {"\tOpacity=230\r\n", "\tWidth=240\r\n", "\tAlwaysOnTop=1\r\n", "\tFadeTime=500\r\n",
          "\tNumberOfGraphs=3\r\n", "Plug-ins[\r\n", "\tInternal:RunningTime|0[\r\n"})
        EXPECT_NE(settings.find(key), std::string::npos) << key << "\n" << settings;

    // A second start reads them back and, stopped again, writes the same settings.
    fs::remove(png);
    e2e::RunningProgram again(dir, {"PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string()});
    ASSERT_TRUE(WaitForFirstFrame(snapshots)) << again.Errors();
    ASSERT_FALSE(again.Wait(0ms).has_value()) << again.Errors();
    again.Signal(SIGINT);
    status = again.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << again.Errors();
    EXPECT_EQ(dir.ReadSettings(), settings);
}

// A plug-in's own global function and variable of the program's names stay its own: it gets
// its own string, and clearing its own flag does not stop the program's save.
TEST(Run, APluginsOwnNamesBindToThePluginNotToTheProgram) {
    e2e::ProgramDir dir({.plugins = false});
    dir.AddPlugin(fs::path(E2E_PLUGIN_DIR) / "Shadowing.pmp", "Shadowing.pmp");
    fs::path snapshots = dir.path() / "snapshots";
    fs::create_directories(snapshots);
    // Stopped once its window has been drawn, when start-up is over.
    e2e::RunningProgram program(dir, {"PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string()});
    ASSERT_TRUE(e2e::WaitFor([&] { return fs::exists(snapshots / "Pelmora.png"); }, 20s))
        << program.Errors();
    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
    ASSERT_TRUE(fs::exists(dir.settings())) << program.Errors();
    EXPECT_NE(dir.ReadSettings().find("\tShadowing.pmp|0[\r\n"), std::string::npos)
        << dir.ReadSettings();
}

TEST(Run, AFirstRunCreatesTheSettingsFileWithItsDefaults) {
    e2e::ProgramDir dir;
    fs::path snapshots = dir.path() / "snapshots";
    fs::create_directories(snapshots);
    e2e::RunningProgram program(dir, {"PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string()});
    ASSERT_TRUE(WaitForFirstFrame(snapshots)) << program.Errors();
    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
    std::string settings = dir.ReadSettings();
    for (const char* key : {"MainWindow[\r\n", "\tAlwaysOnTop=1\r\n", "\tOpacity=255\r\n",
                            "GraphGeneral[\r\n", "GraphDetail[\r\n", "\tNumberOfGraphs=-1\r\n",
                            "Plug-ins[\r\n", "\tInternal:CPUUsage|0[\r\n"})
        EXPECT_NE(settings.find(key), std::string::npos) << key << "\n" << settings;
}

TEST(Run, ASettingsFileThatCannotBeReadEndsTheProgramAndIsKept) {
    e2e::ProgramDir dir;
    const std::string broken = "MainWindow[\r\n\tOpacity=255\r\n";
    dir.WriteSettings(broken);
    e2e::RunningProgram program(dir);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_NE(*status, 0);
    EXPECT_NE(program.Errors().find("[message box]"), std::string::npos) << program.Errors();
    EXPECT_EQ(dir.ReadSettings(), broken);
}

} // namespace
