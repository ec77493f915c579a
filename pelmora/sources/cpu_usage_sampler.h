// The processor-time samplers: each keeps the last two readings of the system's cumulative
// processor times (100 ns units) and yields their differences.
#pragma once

#include <windows.h>

// Total usage only, from the idle and busy times.
class CCPUUsage {
public:
    // Takes a reading and returns the usage in whole percent of the time since the previous
    // reading (0 when no processor time passed).
    DWORD GetUsage();

    ULONGLONG IdleTimeArray[2] = {};
    ULONGLONG BusyTimeArray[2] = {};
    LONG Flag = 0;
};

// Total usage and the share spent in kernel mode. A new sampler holds zeros, so its first
// deltas run from the system's start.
class CCPUUsage2 {
public:
    // One reading into slot SPPIFlag.
    void Sample();
    // A new reading and its differences to the previous one (null: not wanted); then flips
    // the slot.
    void GetTimeDeltas(ULONGLONG* total, ULONGLONG* idle, ULONGLONG* kernel);
    void FlipSlot() { SPPIFlag = 1 - SPPIFlag; }
    // The total usage in whole percent; the kernel share whole and exact, the usage exact.
    // When no processor time passed between the readings, everything is 0.
    LONG GetUsageDetail(LONG* kernelPercent, double* usagePercent, double* kernelPercentExact);

    ULONGLONG IdleTimeArray[2] = {};
    // Kernel time includes the idle time, as the platform reports it.
    ULONGLONG KernelTimeArray[2] = {};
    ULONGLONG UserTimeArray[2] = {};
    LONG SPPIFlag = 0;
};
