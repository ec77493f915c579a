#include "host/memory.h"

#include "host/root.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace platform::host {

std::optional<MemoryInfo> ReadMemoryInfo() {
    std::optional<std::string> meminfo = ReadHostFile("/proc/meminfo");
    if (!meminfo)
        return std::nullopt;
    std::optional<uint64_t> total, available, free, buffers, cached, swap_total, swap_free,
        committed;
    for (std::string_view line : SplitLines(*meminfo)) {
        std::vector<std::string_view> fields = SplitFields(line);
        if (fields.size() < 2)
            continue;
        auto kib = ParseUnsigned(fields[1]);
        if (!kib)
            continue;
        uint64_t bytes = *kib * 1024;
        std::string_view key = fields[0];
        if (key == "MemTotal:")
            total = bytes;
        else if (key == "MemAvailable:")
            available = bytes;
        else if (key == "MemFree:")
            free = bytes;
        else if (key == "Buffers:")
            buffers = bytes;
        else if (key == "Cached:")
            cached = bytes;
        else if (key == "SwapTotal:")
            swap_total = bytes;
        else if (key == "SwapFree:")
            swap_free = bytes;
        else if (key == "Committed_AS:")
            committed = bytes;
    }
    if (!total || *total == 0)
        return std::nullopt;
    MemoryInfo info;
    info.total = *total;
    if (available)
        info.available = *available;
    else
        info.available = free.value_or(0) + buffers.value_or(0) + cached.value_or(0);
    if (info.available > info.total)
        info.available = info.total;
    info.swap_total = swap_total.value_or(0);
    info.swap_free = std::min(swap_free.value_or(0), info.swap_total);
    info.committed = committed;
    return info;
}

std::optional<uint64_t> MappedAddressSpace() {
    std::optional<std::string> maps = ReadHostFile("/proc/self/maps");
    if (!maps)
        return std::nullopt;
    uint64_t mapped = 0;
    for (std::string_view line : SplitLines(*maps)) {
        // "7f0c2a000000-7f0c2a021000 rw-p ..."
        size_t dash = line.find('-');
        size_t space = line.find(' ');
        if (dash == std::string_view::npos || space == std::string_view::npos || space < dash)
            continue;
        uint64_t start = 0, end = 0;
        auto a = std::from_chars(line.data(), line.data() + dash, start, 16);
        auto b = std::from_chars(line.data() + dash + 1, line.data() + space, end, 16);
        if (a.ec != std::errc() || b.ec != std::errc() || end < start)
            continue;
        // The vsyscall page lies in the kernel's half; it is no part of the user space.
        if (start >= 0x800000000000ull)
            continue;
        mapped += end - start;
    }
    return mapped;
}

} // namespace platform::host
