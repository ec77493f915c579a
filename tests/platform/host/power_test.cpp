// CallNtPowerInformation: processor clocks and the battery state against laptop trees.
#include <windows.h>
#include <powrprof.h>
#include "powrprof/processor_power.h"

#include "host_trees.h"
#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using host_trees::Fixture;
using platform::testing::HostRootScope;

struct Clock {
    ULONG number, max, current, limit;
    bool operator==(const Clock&) const = default;
};

std::vector<Clock> Clocks(const std::vector<PROCESSOR_POWER_INFORMATION>& records) {
    std::vector<Clock> clocks;
    for (const auto& r : records)
        clocks.push_back({r.Number, r.MaxMhz, r.CurrentMhz, r.MhzLimit});
    return clocks;
}

TEST(ProcessorInformation, OneRecordPerOnlineProcessor) {
    struct Case {
        const char* tree;
        std::vector<Clock> expected;
    };
    const Case cases[] = {
        // cpufreq in kHz: current, cpuinfo_max_freq and scaling_max_freq (the limit); the
        // "cpu MHz" of /proc/cpuinfo is not used when cpufreq answers.
        {"laptop-discharging",
         {{0, 3400, 2394, 3000},
          {1, 3400, 1800, 3000},
          {2, 3400, 950, 3000},
          {3, 3400, 3000, 3000}}},
        // No cpufreq: "cpu MHz" rounded serves for every figure.
        {"laptop-charging", {{0, 1996, 1996, 1996}, {1, 2400, 2400, 2400}}},
        {"captured", std::vector<Clock>(8, {0, 2600, 2600, 2600})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tree);
        HostRootScope root(Fixture(c.tree));
        std::vector<PROCESSOR_POWER_INFORMATION> records(c.expected.size());
        ULONG length = ULONG(records.size() * sizeof records[0]);
        ASSERT_EQ(CallNtPowerInformation(ProcessorInformation, nullptr, 0, records.data(), length),
                  STATUS_SUCCESS);
        std::vector<Clock> expected = c.expected;
        if (std::string(c.tree) == "captured") {
            for (ULONG i = 0; i < expected.size(); ++i)
                expected[i].number = i;
        }
        EXPECT_EQ(Clocks(records), expected);
        for (const auto& r : records) {
            EXPECT_EQ(r.MaxIdleState, 0u);
            EXPECT_EQ(r.CurrentIdleState, 0u);
        }
    }
}

TEST(ProcessorInformation, OutputLengthLimitsTheRecordsWritten) {
    HostRootScope root(Fixture("laptop-discharging")); // four processors
    constexpr size_t kRecord = sizeof(PROCESSOR_POWER_INFORMATION);
    struct Case {
        ULONG length;
        NTSTATUS status;
        size_t written; // whole records
    };
    const Case cases[] = {
        {0, STATUS_BUFFER_TOO_SMALL, 0},       {kRecord - 1, STATUS_BUFFER_TOO_SMALL, 0},
        {kRecord, STATUS_BUFFER_TOO_SMALL, 1}, {3 * kRecord + 23, STATUS_BUFFER_TOO_SMALL, 3},
        {4 * kRecord, STATUS_SUCCESS, 4},      {4 * kRecord + 7, STATUS_SUCCESS, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::vector<unsigned char> buffer(8 * kRecord, 0xCC);
        EXPECT_EQ(CallNtPowerInformation(ProcessorInformation, nullptr, 0, buffer.data(), c.length),
                  c.status);
        for (size_t i = 0; i < buffer.size(); ++i) {
            if (i < c.written * kRecord)
                continue;
            ASSERT_EQ(buffer[i], 0xCC) << "byte " << i;
        }
        if (c.written > 0) {
            PROCESSOR_POWER_INFORMATION first;
            std::memcpy(&first, buffer.data(), sizeof first);
            EXPECT_EQ(first.CurrentMhz, 2394u);
            EXPECT_EQ(first.MaxMhz, 3400u);
        }
    }
    EXPECT_EQ(CallNtPowerInformation(ProcessorInformation, nullptr, 0, nullptr, 0),
              STATUS_BUFFER_TOO_SMALL);
}

struct Battery {
    BOOLEAN ac, present, charging, discharging;
    DWORD max, remaining;
    LONG rate;
    DWORD time;
    bool operator==(const Battery&) const = default;
};

TEST(SystemBatteryState, FromThePowerSupplies) {
    struct Case {
        const char* tree;
        Battery expected;
    };
    const Case cases[] = {
        // energy_* in µWh: 52 Wh full, 39 Wh left, 13 W drawn: three hours left. The mouse's
        // battery does not count.
        {"laptop-discharging", {0, 1, 0, 1, 52000, 39000, -13000, 10800}},
        // charge_* in µAh times the 11.1 V design voltage; no estimate while charging.
        {"laptop-charging", {1, 1, 1, 0, 48840, 24420, 16650, 0xFFFFFFFF}},
        {"laptop-full", {1, 1, 0, 0, 52000, 52000, 0, 0xFFFFFFFF}},
        // A machine without batteries runs on AC.
        {"captured", {1, 0, 0, 0, 0, 0, 0, 0xFFFFFFFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tree);
        HostRootScope root(Fixture(c.tree));
        SYSTEM_BATTERY_STATE state;
        std::memset(&state, 0xCC, sizeof state);
        ASSERT_EQ(CallNtPowerInformation(SystemBatteryState, nullptr, 0, &state, sizeof state),
                  STATUS_SUCCESS);
        Battery got{state.AcOnLine,    state.BatteryPresent, state.Charging,
                    state.Discharging, state.MaxCapacity,    state.RemainingCapacity,
                    state.Rate,        state.EstimatedTime};
        EXPECT_EQ(got, c.expected);
    }
}

TEST(SystemBatteryState, EdgesOfTheReading) {
    // On battery without a mains supply file, a rate of 0 (no estimate), and the kernel's own
    // estimate preferred when it gives one.
    platform::testing::MachineTree tree;
    tree.Write("/sys/class/power_supply/BAT0/type", "Battery\n");
    tree.Write("/sys/class/power_supply/BAT0/status", "Discharging\n");
    tree.Write("/sys/class/power_supply/BAT0/energy_full", "40000000\n");
    tree.Write("/sys/class/power_supply/BAT0/energy_now", "10000000\n");
    tree.Write("/sys/class/power_supply/BAT0/power_now", "0\n");
    HostRootScope root(tree.root());
    SYSTEM_BATTERY_STATE state{};
    ASSERT_EQ(CallNtPowerInformation(SystemBatteryState, nullptr, 0, &state, sizeof state),
              STATUS_SUCCESS);
    EXPECT_EQ(state.AcOnLine, 0);
    EXPECT_EQ(state.Discharging, 1);
    EXPECT_EQ(state.Rate, 0);
    EXPECT_EQ(state.EstimatedTime, 0xFFFFFFFFu);

    tree.Write("/sys/class/power_supply/BAT0/power_now", "-5000000\n"); // signed by the driver
    tree.Write("/sys/class/power_supply/BAT0/time_to_empty_now", "6000\n");
    ASSERT_EQ(CallNtPowerInformation(SystemBatteryState, nullptr, 0, &state, sizeof state),
              STATUS_SUCCESS);
    EXPECT_EQ(state.Rate, -5000);
    EXPECT_EQ(state.EstimatedTime, 6000u);

    // A battery that is not present counts as none.
    tree.Write("/sys/class/power_supply/BAT0/present", "0\n");
    ASSERT_EQ(CallNtPowerInformation(SystemBatteryState, nullptr, 0, &state, sizeof state),
              STATUS_SUCCESS);
    EXPECT_EQ(state.AcOnLine, 1);
    EXPECT_EQ(state.BatteryPresent, 0);
}

TEST(SystemBatteryState, AnyNumberInTheFilesGivesADefinedReading) {
    // Two discharging batteries whose files hold the extremes of a 64-bit number: every field
    // saturates or reads 0, never wraps (a kernel estimate beyond
    // 32 bits gives way to the one from the rate).
    struct Case {
        const char* energy_full;
        const char* energy_now;
        const char* power_now;
        const char* time_to_empty;
        DWORD max, remaining;
        LONG rate;
        DWORD time;
    };
    const char* kMin = "-9223372036854775808";
    const char* kMax = "9223372036854775807";
    const Case cases[] = {
        {"40000000", "10000000", kMin, "6000", 80000, 20000, -0x7FFFFFFF, 12000},
        {"40000000", "10000000", kMax, kMax, 80000, 20000, -0x7FFFFFFF, 0},
        {kMax, kMax, "5000000", "-1", 0xFFFFFFFF, 0xFFFFFFFF, -10000, 0xFFFFFFFF},
        {kMin, kMin, "5000000", kMin, 0, 0, -10000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.power_now);
        platform::testing::MachineTree tree;
        for (const char* name : {"BAT0", "BAT1"}) {
            std::string base = std::string("/sys/class/power_supply/") + name + "/";
            tree.Write(base + "type", "Battery\n");
            tree.Write(base + "status", "Discharging\n");
            tree.Write(base + "energy_full", c.energy_full);
            tree.Write(base + "energy_now", c.energy_now);
            tree.Write(base + "power_now", c.power_now);
            tree.Write(base + "time_to_empty_now", c.time_to_empty);
        }
        HostRootScope root(tree.root());
        SYSTEM_BATTERY_STATE state{};
        ASSERT_EQ(CallNtPowerInformation(SystemBatteryState, nullptr, 0, &state, sizeof state),
                  STATUS_SUCCESS);
        EXPECT_EQ(state.MaxCapacity, c.max);
        EXPECT_EQ(state.RemainingCapacity, c.remaining);
        EXPECT_EQ(state.Rate, c.rate);
        EXPECT_EQ(state.EstimatedTime, c.time);
    }
}

TEST(SystemBatteryState, TooShortAnOutputIsRefusedUntouched) {
    HostRootScope root(Fixture("laptop-discharging"));
    unsigned char buffer[64];
    std::memset(buffer, 0xCC, sizeof buffer);
    EXPECT_EQ(CallNtPowerInformation(SystemBatteryState, nullptr, 0, buffer, 31),
              STATUS_BUFFER_TOO_SMALL);
    for (unsigned char byte : buffer)
        ASSERT_EQ(byte, 0xCC);
    EXPECT_EQ(CallNtPowerInformation(SystemBatteryState, nullptr, 0, buffer, sizeof buffer),
              STATUS_SUCCESS);
    for (size_t i = sizeof(SYSTEM_BATTERY_STATE); i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], 0xCC);
    EXPECT_EQ(CallNtPowerInformation(POWER_INFORMATION_LEVEL(99), nullptr, 0, buffer, 64),
              STATUS_INVALID_PARAMETER);
}

} // namespace
