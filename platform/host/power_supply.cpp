#include "host/power_supply.h"

#include "host/root.h"

#include <limits>
#include <string>

namespace platform::host {

namespace {

uint32_t ToU32(long double value) {
    if (value <= 0)
        return 0;
    if (value >= std::numeric_limits<uint32_t>::max())
        return std::numeric_limits<uint32_t>::max();
    return uint32_t(value + 0.5L);
}

struct Battery {
    bool charging = false;
    bool discharging = false;
    bool full = false;
    long double full_mwh = 0;
    long double remaining_mwh = 0;
    long double rate_mw = 0; // magnitude
    std::optional<long long> time_to_empty;
};

std::optional<long long> Number(const std::string& base, const char* file) {
    return ReadHostNumber(base + file);
}

// The size of a signed reading. Taken in long double, where every 64-bit value has a negation
// (llabs of the most negative one is undefined).
long double Magnitude(long long value) {
    long double wide = value;
    return wide < 0 ? -wide : wide;
}

// Seconds of several batteries together; a sum beyond 64 bits stays at the largest.
long long AddSeconds(long long a, long long b) {
    return a > std::numeric_limits<long long>::max() - b ? std::numeric_limits<long long>::max()
                                                         : a + b;
}

std::optional<Battery> ReadOneBattery(const std::string& base) {
    if (Number(base, "present").value_or(1) == 0)
        return std::nullopt;
    // Batteries of a mouse or a keyboard ("Device" scope) do not power the machine.
    if (ReadHostLine(base + "scope").value_or("") == "Device")
        return std::nullopt;
    Battery battery;
    std::string status = ReadHostLine(base + "status").value_or("Unknown");
    battery.charging = status == "Charging";
    battery.discharging = status == "Discharging";
    battery.full = status == "Full";

    // energy_* are in µWh and power_now in µW; charge_* are in µAh and current_now in µA, to
    // be multiplied by the voltage (µV). The design minimum voltage is steadier than the
    // present one, as other power tools use it.
    std::optional<long long> energy_full = Number(base, "energy_full");
    std::optional<long long> energy_now = Number(base, "energy_now");
    std::optional<long long> power_now = Number(base, "power_now");
    long double volts = 0;
    if (auto uv = Number(base, "voltage_min_design"); uv && *uv > 0)
        volts = *uv / 1e6L;
    else if (auto uv_now = Number(base, "voltage_now"); uv_now && *uv_now > 0)
        volts = *uv_now / 1e6L;
    if (energy_full && energy_now) {
        battery.full_mwh = *energy_full / 1000.0L;
        battery.remaining_mwh = *energy_now / 1000.0L;
    } else if (auto charge_full = Number(base, "charge_full"),
               charge_now = Number(base, "charge_now");
               charge_full && charge_now) {
        battery.full_mwh = *charge_full / 1000.0L * volts;
        battery.remaining_mwh = *charge_now / 1000.0L * volts;
    } else {
        return std::nullopt;
    }
    // Some drivers sign the rate themselves; the sign comes from the status below.
    if (power_now)
        battery.rate_mw = Magnitude(*power_now) / 1000.0L;
    else if (auto current_now = Number(base, "current_now"))
        battery.rate_mw = Magnitude(*current_now) / 1000.0L * volts;
    battery.time_to_empty = Number(base, "time_to_empty_now");
    return battery;
}

} // namespace

BatteryReading ReadBattery() {
    BatteryReading reading;
    bool mains_seen = false;
    bool mains_online = false;
    int batteries = 0;
    Battery total;
    bool any_charging = false, any_discharging = false;
    std::optional<long long> time_to_empty;
    for (const std::string& name : ListHostDirectory("/sys/class/power_supply")) {
        std::string base = "/sys/class/power_supply/" + name + "/";
        std::string type = ReadHostLine(base + "type").value_or("");
        if (type == "Battery") {
            std::optional<Battery> battery = ReadOneBattery(base);
            if (!battery)
                continue;
            ++batteries;
            total.full_mwh += battery->full_mwh;
            total.remaining_mwh += battery->remaining_mwh;
            any_charging |= battery->charging;
            any_discharging |= battery->discharging;
            if (battery->discharging) {
                total.rate_mw += battery->rate_mw;
                if (battery->time_to_empty && *battery->time_to_empty >= 0)
                    time_to_empty = AddSeconds(time_to_empty.value_or(0), *battery->time_to_empty);
            } else if (battery->charging) {
                total.rate_mw += battery->rate_mw;
            }
        } else if (type == "Mains" || type.starts_with("USB")) {
            mains_seen = true;
            if (Number(base, "online").value_or(0) != 0)
                mains_online = true;
        }
    }
    reading.battery_present = batteries > 0;
    if (!reading.battery_present) {
        reading.ac_online = true;
        return reading;
    }
    reading.ac_online = mains_seen ? mains_online : !any_discharging;
    reading.charging = any_charging && !any_discharging;
    reading.discharging = any_discharging || !reading.ac_online;
    reading.full_mwh = ToU32(total.full_mwh);
    reading.remaining_mwh = ToU32(total.remaining_mwh);
    uint32_t rate = ToU32(total.rate_mw);
    if (rate > uint32_t(std::numeric_limits<int32_t>::max()))
        rate = uint32_t(std::numeric_limits<int32_t>::max());
    if (reading.discharging)
        reading.rate_mw = -int32_t(rate);
    else if (reading.charging)
        reading.rate_mw = int32_t(rate);
    if (reading.discharging) {
        if (time_to_empty && *time_to_empty < 0xFFFFFFFFll)
            reading.seconds_left = uint32_t(*time_to_empty);
        else if (rate > 0)
            reading.seconds_left = ToU32(total.remaining_mwh * 3600.0L / rate);
        if (reading.seconds_left && *reading.seconds_left == 0xFFFFFFFFu)
            reading.seconds_left.reset();
    }
    return reading;
}

} // namespace platform::host
