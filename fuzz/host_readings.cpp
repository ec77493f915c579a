// The readings of /proc and /sys on arbitrary file contents: whatever a file holds, the
// readings end, and what they report keeps to the sizes the callers rely on.
#include <windows.h>
#include <iphlpapi.h>
#include <powrprof.h>

#include "host/root.h"
#include "powrprof/processor_power.h"
#include "testing/temporary_folder.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The machine tree of the run, removed when it ends.
const platform::testing::MachineTree& Tree() {
    static const platform::testing::MachineTree tree;
    return tree;
}

void Write(const std::string& path, const uint8_t* data, size_t size) {
    Tree().Write(path, std::string_view(reinterpret_cast<const char*>(data), size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16)
        return 0;
    for (const char* file :
         {"proc/net/dev", "proc/self/mounts", "proc/stat", "proc/meminfo", "proc/cpuinfo",
          "sys/devices/system/cpu/online", "sys/class/power_supply/BAT0/energy_now",
          "sys/class/power_supply/BAT0/status"})
        Write(file, data, size);
    Write("sys/class/power_supply/BAT0/type", reinterpret_cast<const uint8_t*>("Battery\n"), 8);
    platform::host::SetRoot(Tree().root());

    ULONG needed = 0;
    if (GetIfTable(nullptr, &needed, FALSE) == ERROR_INSUFFICIENT_BUFFER) {
        std::vector<unsigned char> table(needed);
        ULONG offered = needed;
        if (GetIfTable(reinterpret_cast<PMIB_IFTABLE>(table.data()), &offered, FALSE) == NO_ERROR &&
            needed != 4 + reinterpret_cast<PMIB_IFTABLE>(table.data())->dwNumEntries * 860)
            __builtin_trap();
    }

    char drives[136] = {};
    DWORD length = GetLogicalDriveStringsA(128, drives);
    if (length > 24 * 4 || length % 4 != 0)
        __builtin_trap();

    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    if (GlobalMemoryStatusEx(&memory) &&
        (memory.ullAvailPhys > memory.ullTotalPhys || memory.dwMemoryLoad > 100))
        __builtin_trap();

    FILETIME idle, kernel, user;
    GetSystemTimes(&idle, &kernel, &user);
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    std::vector<PROCESSOR_POWER_INFORMATION> clocks(256);
    CallNtPowerInformation(ProcessorInformation, nullptr, 0, clocks.data(),
                           ULONG(clocks.size() * sizeof clocks[0]));
    SYSTEM_BATTERY_STATE battery;
    CallNtPowerInformation(SystemBatteryState, nullptr, 0, &battery, sizeof battery);
    return 0;
}
