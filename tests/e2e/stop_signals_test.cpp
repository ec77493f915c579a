// Stop signals that come after the first one, as a service manager or an impatient user sends
// them, while the program is ending: it must still save its settings before it goes.
#include "program_dir.h"
#include "testing/signals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/syscall.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A second of fade-out, so that the fade can be caught while it runs.
constexpr char kSlowFade[] = "MainWindow[\r\n"
                             "\tFade=1\r\n"
                             "\tFadeTime=1000\r\n"
                             "]\r\n";

// Whether the program's main thread is asleep in a system call that sleeps for a time: the
// fade's steps. Its message loop waits for input in another call, so outside a fade this
// does not hold.
bool Sleeping(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/syscall");
    long number = -1;
    if (!(in >> number))
        return false;
    return number == SYS_clock_nanosleep
#ifdef SYS_nanosleep
           || number == SYS_nanosleep
#endif
        ;
}

void SendOneByOne(e2e::RunningProgram& program, const std::vector<int>& signals) {
    for (int signal : signals) {
        ASSERT_TRUE(e2e::WaitFor(
            [&] { return !platform::testing::SignalPending(program.pid(), signal); }, 10s));
        program.Signal(signal);
    }
}

struct StopCase {
    const char* what;
    std::vector<int> first;  // one after the other, once the program runs
    std::vector<int> during; // once the fade-out has begun
};

void PrintTo(const StopCase& test, std::ostream* out) {
    *out << test.what;
}

class StopSignals : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopSignals, LaterOnesDoNotEndTheProgramBeforeItSaves) {
    const StopCase& test = GetParam();
    e2e::ProgramDir dir;
    dir.WriteSettings(kSlowFade);
    const fs::path snapshots = dir.path() / "snapshots";
    fs::create_directories(snapshots);
    e2e::RunningProgram program(dir, {"PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string()});
    // Drawn once: its start, and the fade-in with it, is over.
    ASSERT_TRUE(e2e::WaitFor([&] { return fs::exists(snapshots / "Pelmora.png"); }, 30s))
        << program.Errors();
    SendOneByOne(program, test.first);
    if (!test.during.empty()) {
        ASSERT_TRUE(e2e::WaitFor([&] { return Sleeping(program.pid()); }, 10s)) << program.Errors();
        SendOneByOne(program, test.during);
    }
    std::optional<int> status = program.Wait(20s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
    const std::string settings = dir.ReadSettings();
    // Defaults that the run added reached the file.
    for (const char* key : {"\tFadeTime=1000\r\n", "\tAlwaysOnTop=1\r\n", "Plug-ins[\r\n"})
        EXPECT_NE(settings.find(key), std::string::npos) << key << "\n" << settings;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StopSignals,
    ::testing::Values(StopCase{"TermContHup", {SIGTERM, SIGCONT, SIGHUP}, {}},
                      StopCase{"CtrlCThriceDuringTheFade", {SIGINT}, {SIGINT, SIGINT, SIGINT}},
                      StopCase{"EveryStopDuringTheFade", {SIGHUP}, {SIGTERM, SIGINT, SIGHUP}}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return info.param.what; });

} // namespace
