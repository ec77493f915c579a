#include "host/memory.h"

#include "host/root.h"

#include <algorithm>
#include <charconv>
#include <string>

#include <unistd.h>

namespace platform::host {

std::optional<MemoryInfo> ReadMemoryInfo() {
    // Read at every sample of both memory sources: the buffer is kept, and the lines are taken
    // apart where they lie.
    thread_local std::string meminfo;
    if (!ReadHostFileInto("/proc/meminfo", meminfo))
        return std::nullopt;
    std::optional<uint64_t> total, available, free, buffers, cached, swap_total, swap_free,
        committed;
    std::string_view text = meminfo;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        // "MemTotal:       16318292 kB": the key, blanks, the figure, the unit.
        size_t key_end = line.find_first_of(" \t");
        if (key_end == std::string_view::npos)
            continue;
        std::string_view key = line.substr(0, key_end);
        size_t figure = line.find_first_not_of(" \t", key_end);
        if (figure == std::string_view::npos)
            continue;
        size_t figure_end = line.find_first_of(" \t", figure);
        auto kib = ParseUnsigned(line.substr(figure, figure_end - figure));
        if (!kib)
            continue;
        uint64_t bytes = *kib * 1024;
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
    thread_local std::string statm;
    if (!ReadHostFileInto("/proc/self/statm", statm))
        return std::nullopt;
    std::string_view text = statm;
    unsigned long long pages = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pages);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    long page_size = ::sysconf(_SC_PAGESIZE);
    return pages * uint64_t(page_size > 0 ? page_size : 4096);
}

} // namespace platform::host
