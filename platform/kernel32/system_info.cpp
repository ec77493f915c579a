// GetSystemInfo: the processors that are online and the address space of a process.
#include <windows.h>

#include "host/cpu.h"
#include "host/root.h"
#include "kernel32/system_info.h"

#include <mutex>
#include <string>

#include <unistd.h>

namespace platform {

AddressSpace UserAddressSpace() {
    // The kernel refuses mappings below vm.mmap_min_addr; the top page below the 47-bit (or on
    // arm64 48-bit) boundary is the last one a process gets.
    // The setting is made at boot; it is read once per machine tree, not at every memory status.
    static std::mutex mutex;
    static std::string read_root;
    static uint64_t read_lowest = 0x10000;
    uint64_t lowest;
    {
        std::lock_guard lock(mutex);
        if (std::string root = host::Root(); root != read_root) {
            read_root = std::move(root);
            read_lowest = 0x10000;
            if (auto min_addr = host::ReadHostNumber("/proc/sys/vm/mmap_min_addr");
                min_addr && *min_addr > 0)
                read_lowest = uint64_t(*min_addr);
        }
        lowest = read_lowest;
    }
#if defined(__aarch64__)
    uint64_t highest = 0xFFFFFFFFEFFFull;
#else
    uint64_t highest = 0x7FFFFFFFEFFFull;
#endif
    return {lowest, highest};
}

} // namespace platform

PELMORA_BEGIN_EXTERN_C

void WINAPI GetSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
    if (!lpSystemInfo)
        return;
    SYSTEM_INFO info{};
#if defined(__x86_64__)
    info.wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    info.dwProcessorType = PROCESSOR_AMD_X8664;
#elif defined(__aarch64__)
    info.wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM64;
#else
    info.wProcessorArchitecture = PROCESSOR_ARCHITECTURE_UNKNOWN;
#endif
    long page = ::sysconf(_SC_PAGESIZE);
    info.dwPageSize = page > 0 ? DWORD(page) : 4096;
    platform::AddressSpace space = platform::UserAddressSpace();
    info.lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(space.lowest);
    info.lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(space.highest);
    std::vector<unsigned> cpus = platform::host::OnlineCpus();
    info.dwNumberOfProcessors = DWORD(cpus.size());
    for (unsigned cpu : cpus) {
        if (cpu < 64)
            info.dwActiveProcessorMask |= DWORD_PTR(1) << cpu;
    }
    info.dwAllocationGranularity = 65536;
    info.wProcessorLevel = 6;
    *lpSystemInfo = info;
}

PELMORA_END_EXTERN_C
