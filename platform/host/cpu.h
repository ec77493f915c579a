// Processor readings: cumulative times from /proc/stat, the online processors, their clocks.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::host {

// The "cpu" line of /proc/stat: all processors together, in clock ticks (USER_HZ).
struct CpuTimes {
    uint64_t user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
};
std::optional<CpuTimes> ReadCpuTimes();
// Clock ticks per second of /proc/stat's figures.
uint64_t ClockTicksPerSecond();

// The numbers of the online processors, ascending: /sys/devices/system/cpu/online ("0-3,6"),
// else the "processor" lines of /proc/cpuinfo, else processor 0 alone. Never empty.
std::vector<unsigned> OnlineCpus();

// Clocks of one processor in MHz; 0 where nothing tells.
struct CpuClock {
    unsigned number = 0;
    uint32_t current_mhz = 0;
    uint32_t max_mhz = 0;
    uint32_t limit_mhz = 0;
};
// One entry per online processor, in OnlineCpus order. cpufreq's scaling_cur_freq,
// cpuinfo_max_freq and scaling_max_freq (kHz) first; without cpufreq, the "cpu MHz" line of
// /proc/cpuinfo serves for all three.
std::vector<CpuClock> ReadCpuClocks();

} // namespace platform::host
