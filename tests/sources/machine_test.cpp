// The sources on this machine: their figures against the machine's own files, read directly.
// Each test prints what the source showed, for comparison with free, /proc/net/dev and df.
#include "source_support.h"

#include "settings/literals.h"

#include <sys/statvfs.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

uint64_t MemInfoKiB(const std::string& key) {
    std::ifstream meminfo("/proc/meminfo");
    std::string name;
    uint64_t value = 0;
    std::string unit;
    while (meminfo >> name >> value) {
        std::getline(meminfo, unit);
        if (name == key + ":")
            return value;
    }
    return 0;
}

void Show(const char* source, const PMPDATA& data, int params) {
    std::printf("%-16s max %u value %u value2 %u |", source, data.dwMaxValue, data.dwCurrentValue1,
                data.dwCurrentValue2);
    for (int i = 0; i < params; ++i)
        std::printf(" %%%d=%s", (i + 1) % 10, Param(data, i).c_str());
    std::printf("\n");
}

class MachineTest : public SourceTest {};

TEST_F(MachineTest, MemoryIsTheMachinesMemory) {
    Start(INTERNAL_PHYSICAL_MEMORY);
    Start(INTERNAL_VIRTUAL_MEMORY);
    PMPDATA physical = Sample(INTERNAL_PHYSICAL_MEMORY);
    PMPDATA virtualMemory = Sample(INTERNAL_VIRTUAL_MEMORY);
    Show("PhysicalMemory", physical, 7);
    Show("VirtualMemory", virtualMemory, 7);
    EXPECT_EQ(physical.dwMaxValue, MemInfoKiB("MemTotal") / 1024);
    EXPECT_EQ(virtualMemory.dwMaxValue, (MemInfoKiB("MemTotal") + MemInfoKiB("SwapTotal")) / 1024);
    // Use moves between the two readings; a few hundred megabytes is plenty of room.
    uint64_t used = (MemInfoKiB("MemTotal") - MemInfoKiB("MemAvailable")) / 1024;
    EXPECT_NEAR(double(physical.dwCurrentValue1), double(used), 256.0);
}

TEST_F(MachineTest, TheRootVolumeIsDriveC) {
    Start(INTERNAL_HDD_USAGE);
    PMPDATA data = Sample(INTERNAL_HDD_USAGE);
    Show("HDDUsage C:\\", data, 7);
    struct statvfs st {};
    ASSERT_EQ(statvfs("/", &st), 0);
    uint64_t total = uint64_t(st.f_blocks) * st.f_frsize;
    uint64_t used = total - uint64_t(st.f_bfree) * st.f_frsize;
    EXPECT_EQ(data.dwMaxValue, DWORD(total >> 20));
    EXPECT_NEAR(double(data.dwCurrentValue1), double(used >> 20), 64.0);
}

TEST_F(MachineTest, NetworkRowsAreTheMachinesInterfaces) {
    Category(Literals::NetworkSpeed)->SetInteger("SizeScale0", 0);
    Start(INTERNAL_NETWORK_SPEED, {0, 1});
    auto* network = Plugin<CNetworkSpeedPlugin>(INTERNAL_NETWORK_SPEED);
    std::ifstream dev("/proc/net/dev");
    std::string line;
    std::vector<std::string> names;
    while (std::getline(dev, line)) {
        size_t colon = line.find(':');
        if (colon != std::string::npos && line.find('|') == std::string::npos) {
            std::istringstream name(line.substr(0, colon));
            std::string n;
            name >> n;
            names.push_back(n);
        }
    }
    EXPECT_EQ(network->GetRowCount(), DWORD(names.size()));
    for (DWORD i = 0; i < network->GetRowCount(); ++i) {
        const MIB_IFROW* row = network->GetRow(LONG(i));
        std::printf("interface %u: %s in %u out %u speed %u\n", i,
                    reinterpret_cast<const char*>(row->bDescr), row->dwInOctets, row->dwOutOctets,
                    row->dwSpeed);
    }
    PMPDATA data = Sample(INTERNAL_NETWORK_SPEED, 0);
    Show("NetworkSpeed 0", data, 10);
}

TEST_F(MachineTest, ProcessesAreTheMachinesProcesses) {
    Start(INTERNAL_PROCESSES);
    PMPDATA data = Sample(INTERNAL_PROCESSES);
    Show("Processes", data, 1);
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string name = entry.path().filename();
        if (!name.empty() && std::isdigit(static_cast<unsigned char>(name[0])))
            ++count;
    }
    EXPECT_NEAR(double(data.dwCurrentValue1), double(count), 20.0);
}

TEST_F(MachineTest, TheOtherSourcesGiveTheirFigures) {
    platform::testing::SimulatedDrivesScope noRawDrives;
    for (int index : {INTERNAL_CPU_USAGE, INTERNAL_CPU_CLOCK, INTERNAL_BATTERY,
                      INTERNAL_DATE_AND_TIME, INTERNAL_RUNNING_TIME, INTERNAL_HDD_TEMPERATURE})
        Start(index);
    PMPDATA cpu = Sample(INTERNAL_CPU_USAGE);
    Show("CPUUsage", cpu, 4);
    EXPECT_LE(cpu.dwCurrentValue1, 100u);
    EXPECT_LE(cpu.dwCurrentValue2, cpu.dwCurrentValue1);
    Show("CPUClock", Sample(INTERNAL_CPU_CLOCK), 6);
    Show("Battery", Sample(INTERNAL_BATTERY), 8);
    Show("DateAndTime", Sample(INTERNAL_DATE_AND_TIME), 7);
    PMPDATA running = Sample(INTERNAL_RUNNING_TIME);
    Show("RunningTime", running, 4);
    double uptime = 0;
    std::ifstream("/proc/uptime") >> uptime;
    EXPECT_NEAR(double(GetTickCount()) / 1000, std::fmod(uptime, 4294967.296), 2.0);
}

} // namespace
