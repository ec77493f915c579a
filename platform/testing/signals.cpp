#include "testing/signals.h"

#include <csignal>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace platform::testing {

bool SignalPending(pid_t pid, int signal) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("ShdPnd:"))
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
    }
    return false;
}

std::optional<int> EndOfChild(pid_t child, int seconds) {
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < seconds * 100 && done == 0; ++i) {
        done = waitpid(child, &status, WNOHANG);
        if (done == 0)
            usleep(10'000);
    }
    if (done == child)
        return status;
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return std::nullopt;
}

} // namespace platform::testing
