// The settings file under stops and kills. Two copies of the program run in one folder and are
// stopped together; at random one, both or neither is killed with SIGKILL on the way through its
// save. After every round the file must be whole, one copy's or the other's byte for byte, and
// after a round without kills nothing of a save may be left beside it. The number of rounds is
// PELMORA_SAVE_TRIAL_ROUNDS (a short trial by default) and the random seed
// PELMORA_SAVE_TRIAL_SEED; scripts/save-trial runs a long one.
#include "program_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

long FromEnvironment(const char* name, long fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::strtol(value, nullptr, 10) : fallback;
}

// Names in the folder that start as the settings file's does, but for the file itself: the
// temporaries of saves that were killed, and anything else a save must never leave.
std::vector<std::string> Leftovers(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("Pelmora.pmu") && name != "Pelmora.pmu")
            names.push_back(name);
    }
    return names;
}

// Replaces the file whole, so that a copy that is reading it never sees half of it.
void PutSettings(const e2e::ProgramDir& dir, const std::string& text) {
    dir.WriteFile("trial.part", text);
    fs::rename(dir / "trial.part", dir.settings());
}

// A copy of the program started in the folder, once it has drawn its window: its settings
// are read and it handles stop signals.
struct Copy {
    Copy(const e2e::ProgramDir& dir, const std::string& name)
        : snapshots(dir.path() / ("snapshots-" + name)) {
        fs::remove_all(snapshots);
        fs::create_directories(snapshots);
        program.emplace(
            dir, std::vector<std::string>{"PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string()});
    }
    bool Started() {
        return e2e::WaitFor([&] { return fs::exists(snapshots / "Pelmora.png"); }, 30s);
    }
    fs::path snapshots;
    std::optional<e2e::RunningProgram> program;
};

TEST(SaveTrial, TwoCopiesKilledAtRandomNeverTearTheFile) {
    const long rounds = FromEnvironment("PELMORA_SAVE_TRIAL_ROUNDS", 30);
    const unsigned seed =
        unsigned(FromEnvironment("PELMORA_SAVE_TRIAL_SEED", long(std::random_device{}())));
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));

    e2e::ProgramDir dir;
    // Without fades the save follows the stop at once, where the kills land.
    dir.WriteSettings("MainWindow[\r\n\tFade=0\r\n]\r\n");
    {
        Copy first(dir, "a");
        ASSERT_TRUE(first.Started()) << first.program->Errors();
        first.program->Signal(SIGTERM);
        ASSERT_EQ(first.program->Wait(20s), 0);
    }
    // A file the program has written whole: loaded and saved again, it stays as it is.
    const std::string settled = dir.ReadSettings();
    ASSERT_NE(settled.find("Plug-ins[\r\n"), std::string::npos) << settled;

    int kills = 0, leftOnKill = 0, firstWon = 0, secondWon = 0;
    std::uniform_int_distribution<int> plan(0, 2);
    std::uniform_int_distribution<int> delay(0, 40'000); // microseconds after the stop
    for (long round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Each copy reads a file of its own, so that the one the folder ends with names its
        // writer.
        const std::string mine[2] = {settled + "Trial=" + std::to_string(round) + "a\r\n",
                                     settled + "Trial=" + std::to_string(round) + "b\r\n"};
        PutSettings(dir, mine[0]);
        Copy a(dir, "a");
        ASSERT_TRUE(a.Started()) << a.program->Errors();
        PutSettings(dir, mine[1]);
        Copy b(dir, "b");
        ASSERT_TRUE(b.Started()) << b.program->Errors();

        // For each copy: 0 stopped only, 1 and 2 killed some time after the stop.
        const int plans[2] = {plan(random), plan(random)};
        const int delays[2] = {delay(random), delay(random)};
        a.program->Signal(SIGTERM);
        b.program->Signal(SIGTERM);
        // The kills are placed in time on purpose, at random points of the save.
        std::vector<std::thread> killers;
        Copy* copies[2] = {&a, &b};
        bool killed = false;
        for (int i = 0; i < 2; ++i) {
            if (plans[i] == 0)
                continue;
            killed = true;
            ++kills;
            killers.emplace_back([copy = copies[i], wait = delays[i]] {
                std::this_thread::sleep_for(std::chrono::microseconds(wait));
                copy->program->Signal(SIGKILL);
            });
        }
        for (std::thread& killer : killers)
            killer.join();
        for (Copy* copy : copies)
            ASSERT_TRUE(copy->program->Wait(20s).has_value());

        const std::string file = dir.ReadSettings();
        ASSERT_TRUE(file == mine[0] || file == mine[1]) << "the file is neither copy's:\n" << file;
        (file == mine[0] ? firstWon : secondWon) += 1;
        const std::vector<std::string> left = Leftovers(dir.path());
        if (killed)
            leftOnKill += left.empty() ? 0 : 1;
        else
            ASSERT_TRUE(left.empty()) << left.front();
    }
    // One more clean stop clears whatever the last kills left.
    PutSettings(dir, settled);
    {
        Copy last(dir, "a");
        ASSERT_TRUE(last.Started()) << last.program->Errors();
        last.program->Signal(SIGTERM);
        ASSERT_EQ(last.program->Wait(20s), 0);
    }
    EXPECT_EQ(dir.ReadSettings(), settled);
    EXPECT_TRUE(Leftovers(dir.path()).empty());
    std::cout << "save trial: " << rounds << " rounds, " << kills << " kills, " << leftOnKill
              << " rounds whose kills left a temporary, the first copy's file kept " << firstWon
              << " times, the second's " << secondWon << " (seed " << seed << ")\n";
}

} // namespace
