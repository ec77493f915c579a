#include "program_dir.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

ProgramDir::ProgramDir(Parts parts)
    : ProgramFolder("pelmora-e2e",
                    {.executable = true,
                     .resources = parts.resources,
                     .plugins = parts.plugins ? platform::testing::ProgramParts::Plugins::Build
                                              : platform::testing::ProgramParts::Plugins::Empty}) {}

RunningProgram::RunningProgram(const fs::path& folder, std::vector<std::string> environment) {
    errors_ = folder / "stderr.txt";
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        // The program must not inherit a display or a snapshot folder of the test run's.
        if (entry.starts_with("DISPLAY=") || entry.starts_with("PELMORA_PLATFORM_"))
            continue;
        env.push_back(entry);
    }
    for (std::string& entry : environment)
        env.push_back(std::move(entry));
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::string program = (folder / "pelmora").string();
    char* argv[] = {program.data(), nullptr};
    // Started from another folder, so that only the program's own folder can be what it uses.
    posix_spawn_file_actions_addchdir_np(&actions, "/");
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

RunningProgram::~RunningProgram() {
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void RunningProgram::Signal(int signal) const {
    if (pid_ > 0 && !status_)
        kill(pid_, signal);
}

std::optional<int> RunningProgram::Wait(std::chrono::milliseconds timeout) {
    if (status_ || pid_ <= 0)
        return status_;
    bool ended = WaitFor(
        [&] {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) != pid_)
                return false;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        },
        timeout);
    return ended ? status_ : std::nullopt;
}

std::string RunningProgram::Errors() const {
    std::ifstream in(errors_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace e2e
