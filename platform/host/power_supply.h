// Power supplies: /sys/class/power_supply/<name>/ (mains adapters and batteries).
#pragma once

#include <cstdint>
#include <optional>

namespace platform::host {

struct BatteryReading {
    bool ac_online = false;
    bool battery_present = false;
    bool charging = false;
    bool discharging = false;
    // All system batteries together, in mWh and mW.
    uint32_t full_mwh = 0;
    uint32_t remaining_mwh = 0;
    // Negative while discharging.
    int32_t rate_mw = 0;
    // Seconds until empty while discharging; nothing when unknown.
    std::optional<uint32_t> seconds_left;
};

// A machine without any battery reads as on AC with nothing present, as a desktop does.
BatteryReading ReadBattery();

} // namespace platform::host
