// The processes of the machine, from /proc/<pid>/status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::host {

struct ProcessInfo {
    uint32_t pid = 0;
    uint32_t parent_pid = 0;
    uint32_t threads = 0;
    std::string name; // the status file's Name: (the command, at most 15 bytes)
};

// Every process (thread groups, not their threads), by ascending pid. A process that ends
// while the list is read is left out.
std::vector<ProcessInfo> ListProcesses();

} // namespace platform::host
