// Runs the real program in a temporary program folder: the executable, the layer, the resource
// library and the plug-ins copied from the build, and whatever settings file a test puts there.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

class ProgramDir {
public:
    struct Parts {
        bool resources = true;
        bool plugins = true;
    };
    explicit ProgramDir(Parts parts);
    ProgramDir() : ProgramDir(Parts{}) {}
    ~ProgramDir();
    ProgramDir(const ProgramDir&) = delete;
    ProgramDir& operator=(const ProgramDir&) = delete;

    const std::filesystem::path& path() const { return dir_; }
    std::filesystem::path settings() const { return dir_ / "Pelmora.pmu"; }
    std::string ReadFile(const std::string& name) const;
    void WriteFile(const std::string& name, const std::string& contents) const;

private:
    std::filesystem::path dir_;
};

// The program started in a program folder, its standard error captured to a file.
class RunningProgram {
public:
    RunningProgram(const ProgramDir& dir, std::vector<std::string> environment = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    void Signal(int signal) const;
    // The exit status (WEXITSTATUS, or 128 + signal) once it has ended within the time, or
    // nothing when it still runs.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    std::string Errors() const;
    pid_t pid() const { return pid_; }

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
