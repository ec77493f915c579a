#include "sources/cpu_usage_sampler.h"

namespace {

ULONGLONG ToULongLong(const FILETIME& time) {
    return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Truncated toward zero; readings that went backwards can give any value, which saturates.
LONG ToLong(double value) {
    if (!(value > -2147483648.0))
        return value != value ? 0 : LONG(-2147483647 - 1);
    if (value >= 2147483647.0)
        return 2147483647;
    return LONG(value);
}

} // namespace

DWORD CCPUUsage::GetUsage() {
    FILETIME idle = {}, kernel = {}, user = {};
    GetSystemTimes(&idle, &kernel, &user);
    int f = Flag, o = 1 - Flag;
    IdleTimeArray[f] = ToULongLong(idle);
    BusyTimeArray[f] = ToULongLong(kernel) + ToULongLong(user) - ToULongLong(idle);
    ULONGLONG busy = BusyTimeArray[f] - BusyTimeArray[o];
    ULONGLONG total = busy + (IdleTimeArray[f] - IdleTimeArray[o]);
    Flag = o;
    if (total == 0)
        return 0;
    return DWORD(ToLong(double(LONGLONG(busy)) / double(LONGLONG(total)) * 100));
}

void CCPUUsage2::Sample() {
    FILETIME idle = {}, kernel = {}, user = {};
    GetSystemTimes(&idle, &kernel, &user);
    IdleTimeArray[SPPIFlag] = ToULongLong(idle);
    KernelTimeArray[SPPIFlag] = ToULongLong(kernel);
    UserTimeArray[SPPIFlag] = ToULongLong(user);
}

void CCPUUsage2::GetTimeDeltas(ULONGLONG* total, ULONGLONG* idle, ULONGLONG* kernel) {
    Sample();
    int f = SPPIFlag, o = 1 - SPPIFlag;
    ULONGLONG kernelDelta = KernelTimeArray[f] - KernelTimeArray[o];
    if (total)
        *total = (UserTimeArray[f] - UserTimeArray[o]) + kernelDelta;
    if (idle)
        *idle = IdleTimeArray[f] - IdleTimeArray[o];
    if (kernel)
        *kernel = kernelDelta;
    FlipSlot();
}

LONG CCPUUsage2::GetUsageDetail(LONG* kernelPercent, double* usagePercent,
                                double* kernelPercentExact) {
    ULONGLONG total = 0, idle = 0, kernel = 0;
    GetTimeDeltas(&total, &idle, &kernel);
    double doTotal = double(LONGLONG(total));
    double doIdle = double(LONGLONG(idle));
    double doKernel = double(LONGLONG(kernel));
    // Two readings within one tick of the time accounting: no time passed, no usage.
    double usage = 0, kernelShare = 0;
    if (doTotal != 0) {
        usage = (doTotal - doIdle) / doTotal * 100;
        kernelShare = (doKernel - doIdle) / doTotal * 100;
    }
    if (usagePercent)
        *usagePercent = usage;
    if (kernelPercentExact)
        *kernelPercentExact = kernelShare;
    if (kernelPercent)
        *kernelPercent = ToLong(kernelShare);
    return ToLong(usage);
}
