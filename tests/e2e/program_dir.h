// Runs the real program in a temporary program folder: the executable, the layer, the resource
// library and the plug-ins copied from the build, and whatever settings file a test puts there.
#pragma once

#include "testing/program_folder.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace e2e {

// A program folder the program can be started from, with all of the build's program folder
// but the parts a case leaves out.
class ProgramDir : public platform::testing::ProgramFolder {
public:
    struct Parts {
        bool resources = true;
        // The build's plug-ins; without them the plug-in folder is there, empty.
        bool plugins = true;
    };
    explicit ProgramDir(Parts parts);
    ProgramDir() : ProgramDir(Parts{}) {}
};

// The program started in a program folder, its standard error captured to a file.
class RunningProgram {
public:
    RunningProgram(const platform::testing::ProgramFolder& dir,
                   std::vector<std::string> environment = {})
        : RunningProgram(dir.path(), std::move(environment)) {}
    // The program of a folder laid out by hand (LayOutProgramFolder); its standard error goes
    // to "stderr.txt" there.
    RunningProgram(const std::filesystem::path& folder, std::vector<std::string> environment = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    void Signal(int signal) const;
    pid_t pid() const { return pid_; }
    // The exit status (WEXITSTATUS, or 128 + signal) once it has ended within the time, or
    // nothing when it still runs.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    std::string Errors() const;

private:
    pid_t pid_ = -1;
    std::filesystem::path errors_;
    std::optional<int> status_;
};

// Waits until `condition` holds or the time is up; true when it held.
template <typename Condition> bool WaitFor(Condition condition, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        struct timespec ts {
            0, 20'000'000
        };
        nanosleep(&ts, nullptr);
    }
    return condition();
}

} // namespace e2e
