#include "host/opener.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
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

    std::string program = kOpener;
    std::string argument = target;
    std::vector<char*> argv{program.data(), argument.data(), nullptr};
    pid_t pid = -1;
    int error =
        posix_spawnp(&pid, kOpener, &setup.actions, &setup.attributes, argv.data(), environ);
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
