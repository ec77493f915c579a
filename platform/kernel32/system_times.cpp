// GetSystemTimes from the "cpu" line of /proc/stat.
#include <windows.h>

#include "host/cpu.h"

namespace {

// Clock ticks -> 100 ns units; the product stays far inside 64 bits (ticks are at most ~2^40).
ULONGLONG ToFileTimeUnits(uint64_t ticks, uint64_t ticks_per_second) {
    return ULONGLONG((unsigned __int128)ticks * 10'000'000u / ticks_per_second);
}

void Store(LPFILETIME out, ULONGLONG value) {
    if (!out)
        return;
    out->dwLowDateTime = DWORD(value);
    out->dwHighDateTime = DWORD(value >> 32);
}

} // namespace

PELMORA_BEGIN_EXTERN_C

// As the system reports them: idle is idle and waiting for I/O, kernel includes the idle time,
// user includes the niced time (and the guest time, which Linux already counts there).
BOOL WINAPI GetSystemTimes(LPFILETIME lpIdleTime, LPFILETIME lpKernelTime, LPFILETIME lpUserTime) {
    std::optional<platform::host::CpuTimes> times = platform::host::ReadCpuTimes();
    if (!times) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    uint64_t hz = platform::host::ClockTicksPerSecond();
    uint64_t idle = times->idle + times->iowait;
    uint64_t kernel = times->system + times->irq + times->softirq + idle;
    uint64_t user = times->user + times->nice;
    Store(lpIdleTime, ToFileTimeUnits(idle, hz));
    Store(lpKernelTime, ToFileTimeUnits(kernel, hz));
    Store(lpUserTime, ToFileTimeUnits(user, hz));
    return TRUE;
}

PELMORA_END_EXTERN_C
