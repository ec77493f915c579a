#include "host/opener.h"

#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform::host {

namespace {

constexpr char kOpener[] = "xdg-open";

// Frees the spawn records however StartOpener leaves.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// The folders that PATH names, or the system's default list when PATH is not set.
std::string SearchPath() {
    if (const char* path = std::getenv("PATH"))
        return path;
    std::string fallback(confstr(_CS_PATH, nullptr, 0), '\0');
    if (fallback.empty())
        return {};
    confstr(_CS_PATH, fallback.data(), fallback.size());
    fallback.pop_back(); // the terminator confstr counts
    return fallback;
}

// The opener's absolute path, from the absolute folders of PATH alone: an empty or relative
// entry ("PATH=:/usr/bin") names the current folder, whatever it holds, and is skipped. ENOENT
// when no folder holds it, EACCES when the only ones found cannot be run.
int FindOpener(std::string& found) {
    const std::string path = SearchPath();
    int error = ENOENT;
    std::string_view rest(path);
    while (true) {
        const size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        if (folder.starts_with('/')) {
            std::string candidate(folder);
            if (!candidate.ends_with('/'))
                candidate += '/';
            candidate += kOpener;
            struct stat st {};
            if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                if (access(candidate.c_str(), X_OK) == 0) {
                    found = std::move(candidate);
                    return 0;
                }
                error = EACCES;
            }
        }
        if (colon == std::string_view::npos)
            return error;
        rest.remove_prefix(colon + 1);
    }
}

} // namespace

int StartOpener(const std::string& target) {
    SpawnSetup setup;
    // The opener reads nothing from the program's input; signals the program blocks are not
    // blocked in it.
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK);

    std::string program;
    if (int error = FindOpener(program); error != 0)
        return error;
    std::string name = kOpener;
    std::string argument = target;
    std::vector<char*> argv{name.data(), argument.data(), nullptr};
    pid_t pid = -1;
    int error =
        posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
    if (error != 0)
        return error;
    // The opener hands the target on and ends; it is reaped here so that it leaves no zombie.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 0;
}

} // namespace platform::host
