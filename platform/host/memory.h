// Memory readings: /proc/meminfo and the size of this process.
#pragma once

#include <cstdint>
#include <optional>

namespace platform::host {

// Byte counts (the file gives kB, i.e. KiB).
struct MemoryInfo {
    uint64_t total = 0;
    // MemAvailable; kernels before 3.14 lack it, and then MemFree + Buffers + Cached stands in.
    uint64_t available = 0;
    uint64_t swap_total = 0;
    uint64_t swap_free = 0;
    // Committed_AS: what the processes have been promised, the commit charge.
    std::optional<uint64_t> committed;
};
std::optional<MemoryInfo> ReadMemoryInfo();

// Bytes of this process's address space that are mapped (/proc/self/statm), or nothing.
std::optional<uint64_t> MappedAddressSpace();

} // namespace platform::host
