// The processes of the machine, from /proc/<pid>/stat.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::host {

struct ProcessInfo {
    uint32_t pid = 0;
    uint32_t parent_pid = 0;
    uint32_t threads = 0;
    std::string name; // the command as the stat file gives it (a kernel worker adds its queue)
};

// Every process (thread groups, not their threads), by ascending pid. A process that ends
// while the list is read is left out.
std::vector<ProcessInfo> ListProcesses();

} // namespace platform::host
