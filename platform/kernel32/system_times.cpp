// GetSystemTimes from the "cpu" line of /proc/stat.
#include <windows.h>

#include "host/cpu.h"
#include "host/root.h"

#include <mutex>
#include <string>

namespace {

// The kernel's counters can step back: iowait is an estimate that may decrease, and the times
// of a processor taken offline leave the sum. The system's times never decrease, and callers
// subtract two readings, so each counter reported here only grows: by what the kernel's grew
// since the last reading, or by nothing. The state belongs to one machine tree; another root
// starts afresh.
class MonotonicTimes {
public:
    platform::host::CpuTimes Next(const platform::host::CpuTimes& read) {
        std::lock_guard lock(mutex_);
        std::string root = platform::host::Root();
        if (!started_ || root != root_) {
            started_ = true;
            root_ = std::move(root);
            last_read_ = read;
            reported_ = read;
            return reported_;
        }
        Advance(reported_.user, last_read_.user, read.user);
        Advance(reported_.nice, last_read_.nice, read.nice);
        Advance(reported_.system, last_read_.system, read.system);
        Advance(reported_.idle, last_read_.idle, read.idle);
        Advance(reported_.iowait, last_read_.iowait, read.iowait);
        Advance(reported_.irq, last_read_.irq, read.irq);
        Advance(reported_.softirq, last_read_.softirq, read.softirq);
        Advance(reported_.steal, last_read_.steal, read.steal);
        last_read_ = read;
        return reported_;
    }

private:
    static void Advance(uint64_t& reported, uint64_t last, uint64_t now) {
        if (now > last)
            reported += now - last;
    }

    std::mutex mutex_;
    bool started_ = false;
    std::string root_;
    platform::host::CpuTimes last_read_, reported_;
};

MonotonicTimes monotonic_times;

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
    const platform::host::CpuTimes t = monotonic_times.Next(*times);
    uint64_t hz = platform::host::ClockTicksPerSecond();
    uint64_t idle = t.idle + t.iowait;
    uint64_t kernel = t.system + t.irq + t.softirq + idle;
    uint64_t user = t.user + t.nice;
    Store(lpIdleTime, ToFileTimeUnits(idle, hz));
    Store(lpKernelTime, ToFileTimeUnits(kernel, hz));
    Store(lpUserTime, ToFileTimeUnits(user, hz));
    return TRUE;
}

PELMORA_END_EXTERN_C
