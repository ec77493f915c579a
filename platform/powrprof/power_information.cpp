// CallNtPowerInformation: processor clocks (cpufreq, /proc/cpuinfo) and the battery state
// (/sys/class/power_supply).
#include <windows.h>
#include <powrprof.h>
#include "powrprof/processor_power.h"

#include "host/cpu.h"
#include "host/power_supply.h"

#include <cstring>

namespace {

NTSTATUS ProcessorInformationInto(PVOID out, ULONG length) {
    std::vector<platform::host::CpuClock> clocks = platform::host::ReadCpuClocks();
    // As many records as the output holds, never a byte beyond it; too small a buffer for all
    // processors is reported, with the records that fit written.
    size_t fit = std::min<size_t>(clocks.size(), length / sizeof(PROCESSOR_POWER_INFORMATION));
    if (fit > 0 && !out)
        return STATUS_INVALID_PARAMETER;
    auto* records = static_cast<PROCESSOR_POWER_INFORMATION*>(out);
    for (size_t i = 0; i < fit; ++i) {
        PROCESSOR_POWER_INFORMATION record{};
        record.Number = clocks[i].number;
        record.MaxMhz = clocks[i].max_mhz;
        record.CurrentMhz = clocks[i].current_mhz;
        record.MhzLimit = clocks[i].limit_mhz;
        std::memcpy(&records[i], &record, sizeof record);
    }
    return fit < clocks.size() ? STATUS_BUFFER_TOO_SMALL : STATUS_SUCCESS;
}

NTSTATUS BatteryStateInto(PVOID out, ULONG length) {
    if (length < sizeof(SYSTEM_BATTERY_STATE))
        return STATUS_BUFFER_TOO_SMALL;
    if (!out)
        return STATUS_INVALID_PARAMETER;
    platform::host::BatteryReading reading = platform::host::ReadBattery();
    SYSTEM_BATTERY_STATE state{};
    state.AcOnLine = reading.ac_online;
    state.BatteryPresent = reading.battery_present;
    state.Charging = reading.charging;
    state.Discharging = reading.discharging;
    state.MaxCapacity = reading.full_mwh;
    state.RemainingCapacity = reading.remaining_mwh;
    state.Rate = reading.rate_mw;
    state.EstimatedTime = reading.seconds_left.value_or(BATTERY_UNKNOWN_TIME);
    std::memcpy(out, &state, sizeof state);
    return STATUS_SUCCESS;
}

} // namespace

PELMORA_BEGIN_EXTERN_C

NTSTATUS WINAPI CallNtPowerInformation(POWER_INFORMATION_LEVEL InformationLevel, PVOID InputBuffer,
                                       ULONG InputBufferLength, PVOID OutputBuffer,
                                       ULONG OutputBufferLength) {
    (void)InputBuffer; // neither level takes input
    (void)InputBufferLength;
    switch (InformationLevel) {
    case ProcessorInformation:
        return ProcessorInformationInto(OutputBuffer, OutputBufferLength);
    case SystemBatteryState:
        return BatteryStateInto(OutputBuffer, OutputBufferLength);
    }
    return STATUS_INVALID_PARAMETER;
}

PELMORA_END_EXTERN_C
