// Each source's sample against a machine tree, simulated drives and volumes, or a manual clock.
#include "source_support.h"

#include "settings/literals.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

using platform::testing::HostRootScope;
using Texts = std::vector<std::string>;

std::string MemInfo(uint64_t totalKiB, uint64_t availableKiB, uint64_t swapTotalKiB = 0,
                    uint64_t swapFreeKiB = 0) {
    return "MemTotal: " + std::to_string(totalKiB) +
           " kB\nMemFree: 1 kB\nMemAvailable: " + std::to_string(availableKiB) +
           " kB\nSwapTotal: " + std::to_string(swapTotalKiB) +
           " kB\nSwapFree: " + std::to_string(swapFreeKiB) + " kB\n";
}

// ---- Memory -------------------------------------------------------------------------------

struct MemoryCase {
    const char* name;
    int index;
    int scale;
    uint64_t totalKiB, availableKiB, swapTotalKiB, swapFreeKiB;
    DWORD max, value;
    Texts texts;
};

class MemoryTest : public SourceTest, public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(MemoryTest, ReportsUsedFreeAndTotal) {
    const MemoryCase& c = GetParam();
    MachineTree tree;
    tree.Write("proc/meminfo", MemInfo(c.totalKiB, c.availableKiB, c.swapTotalKiB, c.swapFreeKiB));
    HostRootScope root(tree.root());
    LPCSTR category = c.index == 0 ? Literals::VirtualMemory : Literals::PhysicalMemory;
    Category(category)->SetInteger(Literals::Scale, c.scale);
    Start(c.index);
    PMPDATA data = Sample(c.index);
    EXPECT_EQ(data.dwMaxValue, c.max);
    EXPECT_EQ(data.dwCurrentValue1, c.value);
    EXPECT_EQ(data.dwCurrentValue2, 0u);
    EXPECT_EQ(Params(data, 7), c.texts);
}

constexpr uint64_t GiB = 1024 * 1024; // in KiB

INSTANTIATE_TEST_SUITE_P(
    Sources, MemoryTest,
    ::testing::Values(
        MemoryCase{"PhysicalMegabytes",
                   1,
                   0,
                   8 * GiB,
                   6 * GiB,
                   0,
                   0,
                   8192,
                   2048,
                   {"2048", "6144", "8192", "2048.00", "6144.00", "8192.00", "MB"}},
        // The bar stays in megabytes when the texts change to gigabytes.
        MemoryCase{"PhysicalGigabytes",
                   1,
                   1,
                   8 * GiB,
                   6 * GiB,
                   0,
                   0,
                   8192,
                   2048,
                   {"2", "6", "8", "2.00", "6.00", "8.00", "GB"}},
        MemoryCase{"LessThanAGigabyteFree",
                   1,
                   1,
                   4 * GiB,
                   3 * GiB / 4,
                   0,
                   0,
                   4096,
                   3328,
                   {"3", "0", "4", "3.25", "0.75", "4.00", "GB"}},
        // The commit limit: memory and swap together.
        MemoryCase{"VirtualWithSwap",
                   0,
                   0,
                   8 * GiB,
                   6 * GiB,
                   2 * GiB,
                   GiB,
                   10240,
                   3072,
                   {"3072", "7168", "10240", "3072.00", "7168.00", "10240.00", "MB"}},
        // A stored Scale outside 0..1 reads as megabytes.
        MemoryCase{"ScaleOutOfRange",
                   1,
                   5,
                   8 * GiB,
                   6 * GiB,
                   0,
                   0,
                   8192,
                   2048,
                   {"2048", "6144", "8192", "2048.00", "6144.00", "8192.00", "MB"}},
        // No reading: the zero-filled record.
        MemoryCase{
            "NoReading", 1, 0, 0, 0, 0, 0, 0, 0, {"0", "0", "0", "0.00", "0.00", "0.00", "MB"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SourceTest, AnOutOfRangeScaleIsWrittenBackAsTheDefault) {
    Category(Literals::PhysicalMemory)->SetInteger(Literals::Scale, 5);
    Start(INTERNAL_PHYSICAL_MEMORY);
    EXPECT_EQ(Category(Literals::PhysicalMemory)->GetInteger(Literals::Scale), 0);
}

// ---- CPU usage ----------------------------------------------------------------------------

std::string Stat(uint64_t user, uint64_t system, uint64_t idle) {
    return "cpu  " + std::to_string(user) + " 0 " + std::to_string(system) + " " +
           std::to_string(idle) + " 0 0 0 0 0 0\ncpu0 1 0 1 1 0 0 0 0 0 0\n";
}

TEST_F(SourceTest, CpuUsageMeasuresEachIntervalAndTruncates) {
    MachineTree tree;
    HostRootScope root(tree.root());
    tree.Write("proc/stat", Stat(300, 100, 600));
    Start(INTERNAL_CPU_USAGE);
    // The first sample measures against zero: the averages since the start.
    PMPDATA data = Sample(INTERNAL_CPU_USAGE);
    EXPECT_EQ(data.dwMaxValue, 100u);
    EXPECT_EQ(data.dwCurrentValue1, 40u);
    EXPECT_EQ(data.dwCurrentValue2, 10u);
    EXPECT_EQ(Params(data, 4), (Texts{"40", "10", "40.00", "10.00"}));

    // 9999 of 10000 ticks busy, 2500 of them in the kernel: 99.99 % shows as 99.
    tree.Write("proc/stat", Stat(300 + 7499, 100 + 2500, 600 + 1));
    data = Sample(INTERNAL_CPU_USAGE);
    EXPECT_EQ(data.dwCurrentValue1, 99u);
    EXPECT_EQ(data.dwCurrentValue2, 25u);
    EXPECT_EQ(Params(data, 4), (Texts{"99", "25", "99.99", "25.00"}));

    // No time passed between two samples: no usage rather than a division by zero.
    data = Sample(INTERNAL_CPU_USAGE);
    EXPECT_EQ(data.dwCurrentValue1, 0u);
    EXPECT_EQ(data.dwCurrentValue2, 0u);
    EXPECT_EQ(Params(data, 4), (Texts{"0", "0", "0.00", "0.00"}));
}

TEST(CpuUsageSampler, TheTotalOnlySamplerMeasuresTheSameIntervals) {
    MachineTree tree;
    HostRootScope root(tree.root());
    CCPUUsage sampler;
    tree.Write("proc/stat", Stat(300, 100, 600));
    EXPECT_EQ(sampler.GetUsage(), 40u);
    tree.Write("proc/stat", Stat(300 + 7499, 100 + 2500, 600 + 1));
    EXPECT_EQ(sampler.GetUsage(), 99u);
    EXPECT_EQ(sampler.GetUsage(), 0u);
}

// ---- Processes ----------------------------------------------------------------------------

void WriteProcesses(MachineTree& tree, int count) {
    tree.MakeDirectory("proc");
    for (int pid = 1; pid <= count; ++pid)
        tree.Write("proc/" + std::to_string(pid) + "/stat",
                   std::to_string(pid) + " (p" + std::to_string(pid) +
                       ") S 0 0 0 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 0 0 0\n");
}

struct ProcessesCase {
    const char* name;
    const char* stored; // MaxProcessCount, or null for none
    int processes;
    DWORD max;
};

class ProcessesTest : public SourceTest, public ::testing::WithParamInterface<ProcessesCase> {};

TEST_P(ProcessesTest, CountsTheSnapshot) {
    const ProcessesCase& c = GetParam();
    MachineTree tree;
    WriteProcesses(tree, c.processes);
    HostRootScope root(tree.root());
    if (c.stored)
        Category(Literals::Processes)->SetString(Literals::MaxProcessCount, c.stored);
    Start(INTERNAL_PROCESSES);
    PMPDATA data = Sample(INTERNAL_PROCESSES);
    EXPECT_EQ(data.dwMaxValue, c.max);
    EXPECT_EQ(data.dwCurrentValue1, DWORD(c.processes));
    EXPECT_EQ(Param(data, 0), std::to_string(c.processes));
}

INSTANTIATE_TEST_SUITE_P(Sources, ProcessesTest,
                         ::testing::Values(ProcessesCase{"Default", nullptr, 12, 100},
                                           ProcessesCase{"OutOfRange", "7", 3, 100},
                                           ProcessesCase{"AboveTheMaximum", "3", 230, 200},
                                           ProcessesCase{"Step0", "0", 1, 50},
                                           // An empty snapshot is not counted as one.
                                           ProcessesCase{"NoProcess", "2", 0, 150}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Network speed ------------------------------------------------------------------------

struct NetworkCase {
    const char* name;
    int speedScale, sizeScale;
    bool separate;
    const char* maximumSpeed; // stored MaximumSpeed0, or null
    uint64_t rx0, tx0, rx1, tx1;
    DWORD max, value1, value2;
    Texts texts; // %1 .. %8
};

class NetworkTest : public SourceTest, public ::testing::WithParamInterface<NetworkCase> {};

TEST_P(NetworkTest, ReportsTheInterval) {
    const NetworkCase& c = GetParam();
    MachineTree tree;
    HostRootScope root(tree.root());
    WriteInterfaces(tree, {{"eth0", c.rx0, c.tx0, 100}});
    CDriveProfileCategory* category = Category(Literals::NetworkSpeed);
    category->SetInteger("SpeedScale0", c.speedScale);
    category->SetInteger("SizeScale0", c.sizeScale);
    category->SetBoolean("SeparateGraph0", c.separate);
    if (c.maximumSpeed)
        category->SetString("MaximumSpeed0", c.maximumSpeed);
    Start(INTERNAL_NETWORK_SPEED);
    WriteInterfaces(tree, {{"eth0", c.rx1, c.tx1, 100}});
    PMPDATA data = Sample(INTERNAL_NETWORK_SPEED);
    EXPECT_EQ(data.dwMaxValue, c.max);
    EXPECT_EQ(data.dwCurrentValue1, c.value1);
    EXPECT_EQ(data.dwCurrentValue2, c.value2);
    EXPECT_EQ(Params(data, 8), c.texts);
    const char* speedUnits[8] = {"KB/s", "MB/s", "GB/s", "TB/s", "Kbps", "Mbps", "Gbps", "Tbps"};
    const char* sizeUnits[4] = {"KB", "MB", "GB", "TB"};
    EXPECT_EQ(Param(data, 8), speedUnits[c.speedScale & 7]);
    EXPECT_EQ(Param(data, 9), sizeUnits[c.sizeScale & 3]);
}

constexpr uint64_t MiB = 1 << 20;

INSTANTIATE_TEST_SUITE_P(
    Sources, NetworkTest,
    ::testing::Values(
        NetworkCase{"KilobytesPerSecond",
                    0,
                    1,
                    false,
                    nullptr,
                    0,
                    0,
                    3000,
                    1000,
                    100000000,
                    32000,
                    0,
                    {"2", "0", "2.93", "0.98", "0", "0", "0.00", "0.00"}},
        NetworkCase{"KilobitsPerSecond",
                    4,
                    1,
                    false,
                    nullptr,
                    0,
                    0,
                    3000,
                    1000,
                    100000000,
                    32000,
                    0,
                    {"23", "7", "23.44", "7.81", "0", "0", "0.00", "0.00"}},
        NetworkCase{"SeparateGraphs",
                    0,
                    1,
                    true,
                    nullptr,
                    0,
                    0,
                    3000,
                    1000,
                    100000000,
                    24000,
                    8000,
                    {"2", "0", "2.93", "0.98", "0", "0", "0.00", "0.00"}},
        // The counter wraps past 2^32 between the samples.
        NetworkCase{"CounterWrap",
                    4,
                    0,
                    true,
                    nullptr,
                    (1ull << 32) - 296,
                    0,
                    (1ull << 32) + 200,
                    0,
                    100000000,
                    3968,
                    0,
                    {"3", "0", "3.88", "0.00", "0", "0", "0.20", "0.00"}},
        // The totals are the interface's counters, here 3 MiB received and 1 MiB sent.
        NetworkCase{"Totals",
                    0,
                    1,
                    false,
                    nullptr,
                    0,
                    0,
                    3 * MiB,
                    MiB,
                    100000000,
                    DWORD(4 * MiB * 8),
                    0,
                    {"3072", "1024", "3072.00", "1024.00", "3", "1", "3.00", "1.00"}},
        NetworkCase{"FixedMaximum",
                    0,
                    1,
                    false,
                    "100",
                    0,
                    0,
                    0,
                    0,
                    100000000,
                    0,
                    0,
                    {"0", "0", "0.00", "0.00", "0", "0", "0.00", "0.00"}},
        NetworkCase{"MaximumOutOfRange",
                    0,
                    1,
                    false,
                    "1001",
                    0,
                    0,
                    0,
                    0,
                    100000000,
                    0,
                    0,
                    {"0", "0", "0.00", "0.00", "0", "0", "0.00", "0.00"}},
        NetworkCase{"FixedMaximumZero",
                    0,
                    1,
                    false,
                    "0",
                    0,
                    0,
                    0,
                    0,
                    0,
                    0,
                    0,
                    {"0", "0", "0.00", "0.00", "0", "0", "0.00", "0.00"}},
        // Terabyte units make the whole numbers of 32-bit counts 0.
        NetworkCase{"Terabytes",
                    3,
                    3,
                    false,
                    nullptr,
                    0,
                    0,
                    4000000000,
                    5,
                    100000000,
                    DWORD(uint64_t(4000000005) * 8),
                    0,
                    {"0", "0", "0.00", "0.00", "0", "0", "0.00", "0.00"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SourceTest, NetworkDefaultsAreAddedPerItem) {
    MachineTree tree;
    HostRootScope root(tree.root());
    WriteInterfaces(tree, {{"eth0", 0, 0, 1000}, {"eth1", 0, 0, 10}});
    Start(INTERNAL_NETWORK_SPEED, {0, 1});
    CDriveProfileCategory* category = Category(Literals::NetworkSpeed);
    for (const char* item : {"0", "1"}) {
        EXPECT_EQ(std::string(category->GetString((std::string("Interface") + item).c_str())), "0");
        EXPECT_EQ(std::string(category->GetString((std::string("MaximumSpeed") + item).c_str())),
                  "-1");
        EXPECT_EQ(std::string(category->GetString((std::string("SeparateGraph") + item).c_str())),
                  "0");
        EXPECT_EQ(std::string(category->GetString((std::string("SpeedScale") + item).c_str())),
                  "0");
        EXPECT_EQ(std::string(category->GetString((std::string("SizeScale") + item).c_str())), "1");
    }
    EXPECT_EQ(Sample(INTERNAL_NETWORK_SPEED, 1).dwMaxValue, 1000000000u);
}

TEST_F(SourceTest, NetworkRowsThatAreGoneReportZeroAndNothingIsReadOutsideTheTable) {
    MachineTree tree;
    HostRootScope root(tree.root());
    WriteInterfaces(tree, {{"lo", 0, 0, 10}, {"eth0", 0, 0, 10}, {"eth1", 500, 500, 100}});
    Category(Literals::NetworkSpeed)->SetInteger("Interface0", 2);
    Start(INTERNAL_NETWORK_SPEED);
    WriteInterfaces(tree, {{"lo", 0, 0, 10}, {"eth0", 0, 0, 10}, {"eth1", 1524, 500, 100}});
    EXPECT_EQ(Sample(INTERNAL_NETWORK_SPEED).dwCurrentValue1, 8192u);

    // The watched row disappears: nothing to report.
    WriteInterfaces(tree, {{"lo", 9999, 9999, 10}});
    PMPDATA data = Sample(INTERNAL_NETWORK_SPEED);
    EXPECT_EQ(data.dwMaxValue, 0u);
    EXPECT_EQ(data.dwCurrentValue1, 0u);
    EXPECT_EQ(Params(data, 4), (Texts{"0", "0", "0.00", "0.00"}));

    // More interfaces than the buffer was made for: the table grows to hold them all, and the
    // watched position is read again.
    std::vector<Interface> many;
    for (int i = 0; i < 12; ++i)
        many.push_back({"eth" + std::to_string(i), 0, 0, 10});
    WriteInterfaces(tree, many);
    data = Sample(INTERNAL_NETWORK_SPEED);
    EXPECT_EQ(Plugin<CNetworkSpeedPlugin>(INTERNAL_NETWORK_SPEED)->GetRowCount(), 12u);
    EXPECT_EQ(data.dwMaxValue, 10000000u);
    many[2].rx = 1024;
    WriteInterfaces(tree, many);
    EXPECT_EQ(Sample(INTERNAL_NETWORK_SPEED).dwCurrentValue1, 8192u);
}

TEST_F(SourceTest, NetworkRowsGoOnCountingWhenAnInterfaceAppears) {
    MachineTree tree;
    HostRootScope root(tree.root());
    WriteInterfaces(tree, {{"lo", 0, 0, 10}, {"eth0", 1000, 0, 100}});
    Category(Literals::NetworkSpeed)->SetInteger("Interface0", 1);
    Start(INTERNAL_NETWORK_SPEED);
    // A VPN comes up; eth0 keeps its row and its counting, sample after sample.
    uint64_t rx = 1000;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        rx += 2048;
        WriteInterfaces(tree, {{"lo", 0, 0, 10}, {"eth0", rx, 0, 100}, {"tun0", 7, 7, 10}});
        PMPDATA data = Sample(INTERNAL_NETWORK_SPEED);
        EXPECT_EQ(data.dwCurrentValue1, 2048u * 8);
        EXPECT_EQ(data.dwMaxValue, 100000000u);
    }
    EXPECT_EQ(Plugin<CNetworkSpeedPlugin>(INTERNAL_NETWORK_SPEED)->GetRowCount(), 3u);
}

TEST_F(SourceTest, AnEmptyInterfaceTableReportsZero) {
    MachineTree tree;
    HostRootScope root(tree.root());
    WriteInterfaces(tree, {});
    Start(INTERNAL_NETWORK_SPEED, {0, 1});
    for (DWORD item : {0u, 1u}) {
        PMPDATA data = Sample(INTERNAL_NETWORK_SPEED, item);
        EXPECT_EQ(data.dwMaxValue, 0u);
        EXPECT_EQ(data.dwCurrentValue1, 0u);
        EXPECT_EQ(Param(data, 0), "0");
    }
}

// ---- CPU clock ----------------------------------------------------------------------------

struct ClockCase {
    DWORD current, max;
    Texts texts; // %1 .. %6
};

class ClockTest : public SourceTest, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(ClockTest, RoundsAndSwitchesUnits) {
    const ClockCase& c = GetParam();
    MachineTree tree;
    HostRootScope root(tree.root());
    tree.Write("sys/devices/system/cpu/online", "0-1\n");
    for (int cpu : {0, 1}) {
        std::string base = "sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/cpufreq/";
        tree.Write(base + "scaling_cur_freq", std::to_string(c.current * 1000) + "\n");
        tree.Write(base + "cpuinfo_max_freq", std::to_string(c.max * 1000) + "\n");
    }
    Start(INTERNAL_CPU_CLOCK);
    PMPDATA data = Sample(INTERNAL_CPU_CLOCK);
    EXPECT_EQ(data.dwMaxValue, c.max);
    EXPECT_EQ(data.dwCurrentValue1, c.current);
    EXPECT_EQ(Params(data, 6), c.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ClockTest,
    ::testing::Values(ClockCase{2394, 3000, {"2394", "2400", "2.39", "2.40", "GHz", "GHz"}},
                      ClockCase{950, 3000, {"950", "1000", "950", "1.00", "MHz", "GHz"}},
                      ClockCase{949, 3000, {"949", "900", "949", "900", "MHz", "MHz"}},
                      ClockCase{1049, 3000, {"1049", "1000", "1.05", "1.00", "GHz", "GHz"}},
                      ClockCase{0, 0, {"0", "0", "0", "0", "MHz", "MHz"}}),
    [](const auto& info) {
        return std::to_string(info.param.current) + "MHzOf" + std::to_string(info.param.max);
    });

TEST_F(SourceTest, ClockBeforeItsFirstStartReadsNothing) {
    Initialize(INTERNAL_CPU_CLOCK);
    PMPDATA data = Sample(INTERNAL_CPU_CLOCK);
    EXPECT_EQ(data.dwMaxValue, 0u);
    EXPECT_EQ(Param(data, 0), "0");
}

TEST_F(SourceTest, ClockQueryNeverExceedsItsBufferOnManyProcessors) {
    MachineTree tree;
    HostRootScope root(tree.root());
    tree.Write("sys/devices/system/cpu/online", "0-299\n");
    tree.Write("sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq", "2394000\n");
    tree.Write("sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq", "3000000\n");
    Start(INTERNAL_CPU_CLOCK);
    EXPECT_EQ(Plugin<CCPUClockPlugin>(INTERNAL_CPU_CLOCK)->nNumberOfLogicalCores, 300);
    PMPDATA data = Sample(INTERNAL_CPU_CLOCK);
    // The first 256 records fit and are written; processor 0 is among them.
    EXPECT_EQ(data.dwCurrentValue1, 2394u);
    EXPECT_EQ(data.dwMaxValue, 3000u);
}

// ---- Battery ------------------------------------------------------------------------------

struct BatteryCase {
    const char* name;
    BOOLEAN ac, charging;
    DWORD max, remaining;
    LONG rate;
    DWORD seconds;
    Texts texts; // %1 .. %8
};

class BatteryTest : public SourceTest, public ::testing::WithParamInterface<BatteryCase> {};

TEST_P(BatteryTest, FormatsTheState) {
    const BatteryCase& c = GetParam();
    Initialize(INTERNAL_BATTERY);
    auto* battery = Plugin<CBatteryPlugin>(INTERNAL_BATTERY);
    battery->SBS = {};
    battery->SBS.AcOnLine = c.ac;
    battery->SBS.Charging = c.charging;
    battery->SBS.MaxCapacity = c.max;
    battery->SBS.RemainingCapacity = c.remaining;
    battery->SBS.Rate = c.rate;
    battery->SBS.EstimatedTime = c.seconds;
    PMPDATA data = {};
    battery->FillRecord(&data);
    EXPECT_EQ(data.dwMaxValue, c.max);
    EXPECT_EQ(data.dwCurrentValue1, c.remaining);
    EXPECT_EQ(Params(data, 8), c.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, BatteryTest,
    ::testing::Values(
        BatteryCase{"Discharging",
                    0,
                    0,
                    50000,
                    31250,
                    -12345,
                    9245,
                    {"Discharging", "31.25", "50.00", "12.35", "9245", "02", "34", "05"}},
        BatteryCase{"Charging",
                    1,
                    1,
                    50000,
                    20000,
                    15000,
                    777,
                    {"AC, Charging", "20.00", "50.00", "15.00", "0", "00", "00", "00"}},
        BatteryCase{"Full",
                    1,
                    0,
                    50000,
                    50000,
                    0,
                    0,
                    {"AC", "50.00", "50.00", "0.00", "0", "00", "00", "00"}},
        BatteryCase{
            "NoBattery", 1, 0, 0, 0, 0, 0, {"AC", "0.00", "0.00", "0.00", "0", "00", "00", "00"}},
        BatteryCase{"EstimateUnknown",
                    0,
                    0,
                    50000,
                    25000,
                    -1000,
                    0xFFFFFFFF,
                    {"Discharging", "25.00", "50.00", "1.00", "4294967295", "1193046", "28", "15"}},
        // Exact halves round up: 30.625 Wh, 50.125 Wh, 12.625 W.
        BatteryCase{"HalvesRoundUp",
                    0,
                    0,
                    50125,
                    30625,
                    -12625,
                    0,
                    {"Discharging", "30.63", "50.13", "12.63", "0", "00", "00", "00"}},
        // -2^31 has no positive counterpart: the magnitude saturates.
        BatteryCase{"LowestRate",
                    0,
                    0,
                    50000,
                    25000,
                    LONG(0x80000000),
                    60,
                    {"Discharging", "25.00", "50.00", "2147483.65", "60", "00", "01", "00"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SourceTest, BatteryReadsTheMachinesPowerSupplies) {
    struct {
        const char* status;
        const char* acOnline;
        const char* text;
    } cases[] = {{"Discharging", "0", "Discharging"}, {"Charging", "1", "AC, Charging"}};
    for (const auto& c : cases) {
        MachineTree tree;
        HostRootScope root(tree.root());
        tree.Write("sys/class/power_supply/AC/type", "Mains\n");
        tree.Write("sys/class/power_supply/AC/online", std::string(c.acOnline) + "\n");
        std::string bat = "sys/class/power_supply/BAT0/";
        tree.Write(bat + "type", "Battery\n");
        tree.Write(bat + "status", std::string(c.status) + "\n");
        tree.Write(bat + "energy_full", "50000000\n");
        tree.Write(bat + "energy_now", "31250000\n");
        tree.Write(bat + "power_now", "12500000\n");
        Start(INTERNAL_BATTERY);
        PMPDATA data = Sample(INTERNAL_BATTERY);
        EXPECT_EQ(data.dwMaxValue, 50000u);
        EXPECT_EQ(data.dwCurrentValue1, 31250u);
        EXPECT_EQ(Param(data, 0), c.text);
        EXPECT_EQ(Param(data, 3), "12.50");
        // On battery: 31.25 Wh at 12.5 W last 2.5 hours.
        EXPECT_EQ(Param(data, 4), c.acOnline[0] == '0' ? "9000" : "0");
    }
}

// ---- Date and time ------------------------------------------------------------------------

struct DateCase {
    const char* name;
    platform::host::WallTime time;
    int interval, yearType, dayType;
    DWORD max, value;
    Texts texts;
};

class DateTest : public SourceTest, public ::testing::WithParamInterface<DateCase> {};

TEST_P(DateTest, ShowsTheClockAndThePeriod) {
    const DateCase& c = GetParam();
    platform::testing::ManualClockScope clock;
    clock->SetLocal(c.time);
    CDriveProfileCategory* category = Category(Literals::DateAndTime);
    category->SetInteger(Literals::GraphInterval, c.interval);
    category->SetInteger(Literals::YearType, c.yearType);
    category->SetInteger(Literals::DayOfWeekType, c.dayType);
    Start(INTERNAL_DATE_AND_TIME);
    PMPDATA data = Sample(INTERNAL_DATE_AND_TIME);
    EXPECT_EQ(data.dwMaxValue, c.max);
    EXPECT_EQ(data.dwCurrentValue1, c.value);
    EXPECT_EQ(Params(data, 7), c.texts);
}

using WT = platform::host::WallTime;

INSTANTIATE_TEST_SUITE_P(
    Sources, DateTest,
    ::testing::Values(DateCase{"Midnight",
                               WT{2026, 12, 9, 3, 0, 0, 0, 0},
                               0,
                               0,
                               0,
                               86399,
                               0,
                               {"2026", "12", "09", "Wed.", "00", "00", "00"}},
                      DateCase{"LastSecondOfTheDay",
                               WT{2026, 12, 9, 3, 23, 59, 59, 0},
                               0,
                               0,
                               1,
                               86399,
                               86399,
                               {"2026", "12", "09", "Wednesday", "23", "59", "59"}},
                      DateCase{"Noon",
                               WT{2026, 12, 9, 3, 12, 0, 0, 0},
                               1,
                               1,
                               0,
                               43199,
                               0,
                               {"26", "12", "09", "Wed.", "12", "00", "00"}},
                      DateCase{"LastSecondOfTheMorning",
                               WT{2007, 1, 5, 5, 11, 59, 59, 0},
                               1,
                               1,
                               0,
                               43199,
                               43199,
                               {"7", "01", "05", "Fri.", "11", "59", "59"}},
                      DateCase{"LastSecondOfTheEvening",
                               WT{1988, 2, 7, 0, 23, 59, 59, 0},
                               1,
                               2,
                               2,
                               43199,
                               43199,
                               {"0", "02", "07", "\x93\xFA", "23", "59", "59"}},
                      DateCase{"Hour",
                               WT{2026, 12, 10, 4, 8, 5, 36, 0},
                               2,
                               0,
                               0,
                               3599,
                               336,
                               {"2026", "12", "10", "Thu.", "08", "05", "36"}},
                      DateCase{"MinuteFollowsTheSeconds",
                               WT{2026, 12, 10, 4, 8, 5, 30, 0},
                               3,
                               0,
                               0,
                               59,
                               30,
                               {"2026", "12", "10", "Thu.", "08", "05", "30"}},
                      // GraphInterval=7 reads as the default 3.
                      DateCase{"IntervalOutOfRange",
                               WT{2026, 12, 10, 4, 8, 5, 30, 0},
                               7,
                               0,
                               0,
                               59,
                               30,
                               {"2026", "12", "10", "Thu.", "08", "05", "30"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Running time -------------------------------------------------------------------------

struct RunningCase {
    const char* name;
    uint64_t ms;
    int interval;
    DWORD max, value;
    Texts texts;
};

class RunningTest : public SourceTest, public ::testing::WithParamInterface<RunningCase> {};

TEST_P(RunningTest, CountsFromTheTickCount) {
    const RunningCase& c = GetParam();
    platform::testing::ManualClockScope clock(c.ms);
    Category(Literals::RunningTime)->SetInteger(Literals::GraphInterval, c.interval);
    Start(INTERNAL_RUNNING_TIME);
    PMPDATA data = Sample(INTERNAL_RUNNING_TIME);
    EXPECT_EQ(data.dwMaxValue, c.max);
    EXPECT_EQ(data.dwCurrentValue1, c.value);
    EXPECT_EQ(Params(data, 4), c.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, RunningTest,
    ::testing::Values(
        RunningCase{"Day", 90000000, 0, 86399, 3600, {"1", "01", "00", "00"}},
        RunningCase{"HalfDay", 90061000, 1, 43199, 3661, {"1", "01", "01", "01"}},
        RunningCase{"Hour", 7322000, 2, 3599, 122, {"0", "02", "02", "02"}},
        RunningCase{"Minute", 61500, 3, 59, 1, {"0", "00", "01", "01"}},
        RunningCase{"Raw", 86400000, 4, 0xFFFFFFFF, 86400000, {"1", "00", "00", "00"}},
        RunningCase{"LastTickBeforeTheWrap",
                    0xFFFFFFFFull,
                    4,
                    0xFFFFFFFF,
                    0xFFFFFFFF,
                    {"49", "17", "02", "47"}},
        // The 32-bit count starts again at 0.
        RunningCase{
            "AfterTheWrap", 0x100000000ull + 1000, 4, 0xFFFFFFFF, 1000, {"0", "00", "00", "01"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- HDD temperature ----------------------------------------------------------------------

using platform::testing::MakeIdentifySector;
using platform::testing::MakeSmartSector;
using platform::testing::SimulatedDrivesScope;

TEST_F(SourceTest, HddTemperatureReadsAtEveryIntervalAndRepeatsInBetween) {
    SimulatedDrivesScope drives;
    drives.Add(0, MakeIdentifySector("Drive Zero"), MakeSmartSector({{9, 1234}, {194, 41}}));
    drives.Add(1, MakeIdentifySector("Drive One"), MakeSmartSector({{194, 0xC8}}));
    CDriveProfileCategory* category = Category(Literals::HDDTemperature);
    category->SetInteger("Interval0", 3);
    category->SetInteger("PhysicalDisk1", 1);
    category->SetInteger("Interval1", 1);
    Start(INTERNAL_HDD_TEMPERATURE, {0, 1});
    EXPECT_EQ(Plugin<CHDDTemperaturePlugin>(INTERNAL_HDD_TEMPERATURE)->lNumberOfHDDs, 2);

    std::vector<unsigned> readsOf0;
    for (int call = 1; call <= 7; ++call) {
        size_t before = drives.requests().size();
        PMPDATA data = Sample(INTERNAL_HDD_TEMPERATURE, 0);
        if (drives.requests().size() > before)
            readsOf0.push_back(unsigned(call));
        EXPECT_EQ(data.dwMaxValue, 100u);
        EXPECT_EQ(data.dwCurrentValue1, 41u);
        EXPECT_EQ(Param(data, 0), "41");
        // Item 1 reads its own drive at every call; 0xC8 is 200 against a maximum of 100.
        data = Sample(INTERNAL_HDD_TEMPERATURE, 1);
        EXPECT_EQ(data.dwCurrentValue1, 200u);
        EXPECT_EQ(Param(data, 0), "200");
    }
    EXPECT_EQ(readsOf0, (std::vector<unsigned>{1, 4, 7}));

    // The requests name the drive they read: drive-head 0xA0 for even, 0xB0 for odd numbers.
    for (const auto& request : drives.requests()) {
        EXPECT_EQ(request.registers.bDriveHeadReg, request.drive % 2 ? 0xB0 : 0xA0);
        EXPECT_EQ(request.drive_number, request.drive);
        EXPECT_EQ(request.registers.bCommandReg, 0xB0);
        EXPECT_EQ(request.registers.bFeaturesReg, 0xD0);
        EXPECT_EQ(request.registers.bCylLowReg, 0x4F);
        EXPECT_EQ(request.registers.bCylHighReg, 0xC2);
        EXPECT_EQ(request.registers.bSectorCountReg, 0);
        EXPECT_EQ(request.buffer_size, 512u);
    }
}

TEST_F(SourceTest, HddTemperatureCountsOnlyConsecutiveDrives) {
    SimulatedDrivesScope drives;
    drives.Add(0, MakeIdentifySector("A"), MakeSmartSector({{194, 30}}));
    drives.Add(2, MakeIdentifySector("C"), MakeSmartSector({{194, 50}}));
    CDriveProfileCategory* category = Category(Literals::HDDTemperature);
    category->SetInteger("PhysicalDisk0", 2);
    category->SetInteger("Interval0", 0);
    Start(INTERNAL_HDD_TEMPERATURE);
    EXPECT_EQ(Plugin<CHDDTemperaturePlugin>(INTERNAL_HDD_TEMPERATURE)->lNumberOfHDDs, 1);
    EXPECT_EQ(category->GetInteger("PhysicalDisk0"), 0);
    EXPECT_EQ(category->GetInteger("Interval0"), 10);
    EXPECT_EQ(Sample(INTERNAL_HDD_TEMPERATURE).dwCurrentValue1, 30u);
}

TEST_F(SourceTest, HddTemperatureWithoutDrivesOrAttributeKeepsItsLastValue) {
    {
        SimulatedDrivesScope drives;
        Start(INTERNAL_HDD_TEMPERATURE, {0, 1});
        EXPECT_EQ(Plugin<CHDDTemperaturePlugin>(INTERNAL_HDD_TEMPERATURE)->lNumberOfHDDs, 0);
        PMPDATA data = Sample(INTERNAL_HDD_TEMPERATURE, 1);
        EXPECT_EQ(data.dwCurrentValue1, 0u);
        EXPECT_EQ(Param(data, 0), "");
    }
    SimulatedDrivesScope drives;
    drives.Add(0, MakeIdentifySector("A"), MakeSmartSector({{194, 35}}));
    Category(Literals::HDDTemperature)->SetInteger("Interval0", 1);
    Start(INTERNAL_HDD_TEMPERATURE);
    EXPECT_EQ(Sample(INTERNAL_HDD_TEMPERATURE).dwCurrentValue1, 35u);
    // The drive stops answering, then answers without attribute 194.
    drives.AddFailing(0, ERROR_GEN_FAILURE);
    EXPECT_EQ(Param(Sample(INTERNAL_HDD_TEMPERATURE), 0), "35");
    drives.Add(0, MakeIdentifySector("A"), MakeSmartSector({{9, 1}}));
    EXPECT_EQ(Sample(INTERNAL_HDD_TEMPERATURE).dwCurrentValue1, 35u);
}

TEST(SwapBytePairs, SwapsWholePairsOnly) {
    BYTE even[4] = {'e', 'P', 'm', 'l'};
    SwapBytePairs(even, 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(even), 4), "Pelm");
    BYTE odd[5] = {'b', 'a', 'd', 'c', 'e'};
    SwapBytePairs(odd, 5);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(odd), 5), "abcde");
}

// ---- HDD usage ----------------------------------------------------------------------------

using platform::testing::SimulatedVolume;
using platform::testing::SimulatedVolumesScope;

constexpr uint64_t GB = 1ull << 30;
constexpr uint64_t TB = 1ull << 40;

struct UsageCase {
    const char* name;
    const char* drive; // stored Drive0, or null
    const char* scale; // stored Scale0, or null
    DWORD max, value;
    Texts texts;
};

class UsageTest : public SourceTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageTest, ReportsTheVolume) {
    const UsageCase& c = GetParam();
    // C: 500 GB with 125.5 GB free; D: 3 TB with 1 TB free.
    SimulatedVolumesScope volumes(
        {{'C', 500 * GB, 125 * GB + GB / 2, 100 * GB}, {'D', 3 * TB, TB, TB}});
    if (c.drive)
        Category(Literals::HDDUsage)->SetString("Drive0", c.drive);
    if (c.scale)
        Category(Literals::HDDUsage)->SetString("Scale0", c.scale);
    Start(INTERNAL_HDD_USAGE);
    PMPDATA data = Sample(INTERNAL_HDD_USAGE);
    EXPECT_EQ(data.dwMaxValue, c.max);
    EXPECT_EQ(data.dwCurrentValue1, c.value);
    EXPECT_EQ(Params(data, 7), c.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, UsageTest,
    ::testing::Values(
        UsageCase{"DefaultDriveInGigabytes",
                  nullptr,
                  nullptr,
                  500 * 1024,
                  383488,
                  {"374", "125", "500", "374.50", "125.50", "500.00", "GB"}},
        UsageCase{"Terabytes",
                  "D:\\",
                  "1",
                  3 * 1024 * 1024,
                  2 * 1024 * 1024,
                  {"2", "1", "3", "2.00", "1.00", "3.00", "TB"}},
        // Below 1 TB the whole numbers read 0.
        UsageCase{"SmallVolumeInTerabytes",
                  "C:\\",
                  "1",
                  500 * 1024,
                  383488,
                  {"0", "0", "0", "0.37", "0.12", "0.49", "TB"}},
        UsageCase{"ScaleOutOfRange",
                  "c:\\",
                  "5",
                  500 * 1024,
                  383488,
                  {"374", "125", "500", "374.50", "125.50", "500.00", "GB"}},
        UsageCase{
            "NoSuchDrive", "Q:\\", nullptr, 0, 0, {"0", "0", "0", "0.00", "0.00", "0.00", "GB"}},
        // A root longer than the 8 characters of the field is not cut to another path.
        UsageCase{"DriveTextTooLong",
                  "D:\\volumes\\x",
                  nullptr,
                  0,
                  0,
                  {"0", "0", "0", "0.00", "0.00", "0.00", "GB"}},
        UsageCase{
            "EmptyDriveText", "", nullptr, 0, 0, {"0", "0", "0", "0.00", "0.00", "0.00", "GB"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SourceTest, HddUsageKeepsEveryItemOnItsOwnDrive) {
    SimulatedVolumesScope volumes({{'C', 100 * GB, 50 * GB, 50 * GB},
                                   {'D', 200 * GB, 50 * GB, 50 * GB},
                                   {'E', 300 * GB, 50 * GB, 50 * GB},
                                   {'F', 400 * GB, 50 * GB, 50 * GB}});
    CDriveProfileCategory* category = Category(Literals::HDDUsage);
    category->SetString("Drive1", "D:\\");
    category->SetString("Drive2", "E:\\");
    category->SetString("Drive3", "F:\\");
    Start(INTERNAL_HDD_USAGE, {0, 1, 2, 3});
    EXPECT_EQ(std::string(category->GetString("Drive0")), "C:\\");
    EXPECT_EQ(std::string(category->GetString("Scale0")), "0");
    for (DWORD item = 0; item < 4; ++item)
        EXPECT_EQ(Param(Sample(INTERNAL_HDD_USAGE, item), 2), std::to_string(100 * (item + 1)));
}

// ---- Text bounds --------------------------------------------------------------------------

TEST(FixedPointTexts, ExactHalvesRoundAwayFromZeroAsTheRuntimeDoes) {
    struct {
        double value;
        const char* text;
    } cases[] = {
        {0.125, "0.13"},   {0.375, "0.38"},     {31.625, "31.63"},
        {-0.125, "-0.13"}, {2.675, "2.67"}, // 2.67499999..., not a half
        {0.0, "0.00"},     {2.9296875, "2.93"}, {1e15 + 0.25, "1000000000000000"},
    };
    for (const auto& c : cases) {
        CHAR text[RESULT_TEXT_SIZE];
        FormatFixed(text, c.value);
        EXPECT_STREQ(text, c.text) << c.value;
    }
}

TEST(TextBounds, ResultAndUnitTextsAreCutToTheirBuffers) {
    CHAR result[RESULT_TEXT_SIZE + 8];
    std::memset(result, 'x', sizeof result);
    FormatFixed(result, 1e20);
    EXPECT_EQ(std::string(result), "1000000000000000");
    EXPECT_EQ(result[RESULT_TEXT_SIZE], 'x');
    FormatResult(result, "%s", "a text much longer than sixteen characters");
    EXPECT_EQ(std::string(result), "a text much long");
    EXPECT_EQ(result[RESULT_TEXT_SIZE], 'x');

    CHAR unit[UNIT_TEXT_SIZE + 4];
    std::memset(unit, 'x', sizeof unit);
    LoadUnitText(unit, 71); // a description, far longer than a unit
    EXPECT_EQ(std::string(unit), ResourceString(71).substr(0, 8));
    EXPECT_EQ(unit[UNIT_TEXT_SIZE], 'x');
    // A double-byte character is never split.
    CopyText(unit, UNIT_TEXT_SIZE, "abcdefg\x93\xFA");
    EXPECT_EQ(std::string(unit), "abcdefg");
}

} // namespace
