// GlobalMemoryStatusEx from /proc/meminfo and this process's address space.
#include <windows.h>

#include "host/memory.h"
#include "kernel32/system_info.h"

PELMORA_BEGIN_EXTERN_C

// The page file figures are the commit limit as the system shows it: physical memory and swap
// together, less the commit charge (which may exceed the limit when the kernel overcommits: then
// nothing is available). A tree without the charge falls back on free memory and free swap.
BOOL WINAPI GlobalMemoryStatusEx(LPMEMORYSTATUSEX lpBuffer) {
    if (!lpBuffer || lpBuffer->dwLength != sizeof(MEMORYSTATUSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::optional<platform::host::MemoryInfo> info = platform::host::ReadMemoryInfo();
    if (!info) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    lpBuffer->ullTotalPhys = info->total;
    lpBuffer->ullAvailPhys = info->available;
    lpBuffer->ullTotalPageFile = info->total + info->swap_total;
    if (info->committed)
        lpBuffer->ullAvailPageFile = *info->committed < lpBuffer->ullTotalPageFile
                                         ? lpBuffer->ullTotalPageFile - *info->committed
                                         : 0;
    else
        lpBuffer->ullAvailPageFile = info->available + info->swap_free;
    // Percent of physical memory in use, rounded as the system does.
    uint64_t used = info->total - info->available;
    lpBuffer->dwMemoryLoad = DWORD((used * 100 + info->total / 2) / info->total);

    platform::AddressSpace space = platform::UserAddressSpace();
    uint64_t total_virtual = space.highest - space.lowest + 1;
    uint64_t mapped = platform::host::MappedAddressSpace().value_or(0);
    lpBuffer->ullTotalVirtual = total_virtual;
    lpBuffer->ullAvailVirtual = mapped < total_virtual ? total_virtual - mapped : 0;
    lpBuffer->ullAvailExtendedVirtual = 0;
    return TRUE;
}

PELMORA_END_EXTERN_C
