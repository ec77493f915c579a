#include "host/process_info.h"

#include <cstdint>
#include <cstdio>
#include <limits.h>
#include <unistd.h>

namespace platform::host {

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, size_t(n));
}

// /proc/self/maps tells the permissions of every mapping without touching the pages.
bool IsRangeMapped(const void* address, size_t size, bool writable) {
    if (size == 0)
        return true;
    if (!address)
        return false;
    uintptr_t begin = reinterpret_cast<uintptr_t>(address);
    uintptr_t end = begin + size;
    if (end < begin)
        return false;
    FILE* maps = std::fopen("/proc/self/maps", "r");
    if (!maps)
        return true;
    uintptr_t covered = begin;
    char line[512];
    while (covered < end && std::fgets(line, sizeof line, maps)) {
        unsigned long lo = 0, hi = 0;
        char perms[5] = {};
        if (std::sscanf(line, "%lx-%lx %4s", &lo, &hi, perms) != 3)
            continue;
        if (covered >= lo && covered < hi) {
            bool ok = writable ? perms[1] == 'w' : perms[0] == 'r';
            if (!ok)
                break;
            covered = hi;
        }
    }
    std::fclose(maps);
    return covered >= end;
}

} // namespace platform::host
