#include "host/memory.h"

#include "host/root.h"

#include <algorithm>
#include <charconv>
#include <string>

#include <unistd.h>

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
    // The first figure of statm is the size of every mapping together, in pages: one short
    // read, where the mapping list would take a line per mapping.
    std::optional<std::string> statm = ReadHostFile("/proc/self/statm");
    if (!statm)
        return std::nullopt;
    std::string_view text = *statm;
    unsigned long long pages = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pages);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    long page_size = ::sysconf(_SC_PAGESIZE);
    return pages * uint64_t(page_size > 0 ? page_size : 4096);
}

} // namespace platform::host
