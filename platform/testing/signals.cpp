#include "testing/signals.h"

#include <fstream>
#include <string>

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

} // namespace platform::testing
