// Processor times, memory status, system information and process snapshots against fixed trees.
#include <windows.h>
#include <tlhelp32.h>

#include "host_trees.h"
#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using host_trees::Fixture;
using platform::testing::HostRootScope;

ULONGLONG Value(const FILETIME& t) {
    return ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

TEST(GetSystemTimes, TicksBecome100NanosecondUnitsWithIdleInsideKernel) {
    struct Case {
        const char* tree;
        ULONGLONG idle, kernel, user;
    };
    // USER_HZ is 100: one tick is 100000 units of 100 ns.
    const Case cases[] = {
        // cpu 19138 0 4124 743698 277 0 162 5: idle = idle + iowait; kernel = system + irq +
        // softirq + idle (steal left out); user = user + nice.
        {"captured", 743975ull * 100000, 748261ull * 100000, 19138ull * 100000},
        // cpu 1000 200 300 5000 100 10 40 7
        {"laptop-discharging", 5100ull * 100000, 5450ull * 100000, 1200ull * 100000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tree);
        HostRootScope root(Fixture(c.tree));
        FILETIME idle{}, kernel{}, user{};
        ASSERT_TRUE(GetSystemTimes(&idle, &kernel, &user));
        EXPECT_EQ(Value(idle), c.idle);
        EXPECT_EQ(Value(kernel), c.kernel);
        EXPECT_EQ(Value(user), c.user);
        // Each time is optional.
        FILETIME only_user{};
        EXPECT_TRUE(GetSystemTimes(nullptr, nullptr, &only_user));
        EXPECT_EQ(Value(only_user), c.user);
    }
}

TEST(GetSystemTimes, NeverRunBackwards) {
    // Successive "cpu" lines (user nice system idle iowait irq softirq steal) and the times
    // reported, in ticks: a counter that steps back adds nothing, and what it gains afterwards
    // is added to what was reported.
    struct Step {
        const char* line;
        ULONGLONG idle, kernel, user;
    };
    const Step steps[] = {
        {"cpu 100 0 50 1000 200 0 0 0\n", 1200, 1250, 100},
        // iowait falls by 150 while idle grows by 100.
        {"cpu 110 0 55 1100 50 0 0 0\n", 1300, 1355, 110},
        {"cpu 120 0 60 1150 60 0 0 0\n", 1360, 1420, 120},
        // A processor taken offline takes its share out of every counter.
        {"cpu 60 0 30 600 30 0 0 0\n", 1360, 1420, 120},
        {"cpu 70 5 31 610 30 0 0 0\n", 1370, 1431, 135},
    };
    platform::testing::MachineTree tree;
    HostRootScope root(tree.root());
    for (const Step& step : steps) {
        SCOPED_TRACE(step.line);
        tree.Write("/proc/stat", step.line);
        FILETIME idle{}, kernel{}, user{};
        ASSERT_TRUE(GetSystemTimes(&idle, &kernel, &user));
        EXPECT_EQ(Value(idle), step.idle * 100000);
        EXPECT_EQ(Value(kernel), step.kernel * 100000);
        EXPECT_EQ(Value(user), step.user * 100000);
    }
}

TEST(GetSystemTimes, FailsWithoutAStatFile) {
    platform::testing::MachineTree tree;
    tree.Write("/proc/meminfo", "MemTotal: 1 kB\n");
    HostRootScope root(tree.root());
    FILETIME idle{};
    EXPECT_FALSE(GetSystemTimes(&idle, nullptr, nullptr));
}

TEST(GlobalMemoryStatusEx, PhysicalAndPageFileFiguresFromMeminfo) {
    struct Case {
        const char* tree;
        ULONGLONG total_phys, avail_phys, total_page, avail_page;
        DWORD load;
    };
    const Case cases[] = {
        // No swap: the commit limit is the physical memory, less the commit charge.
        {"captured", 24682360ull * 1024, 24246960ull * 1024, 24682360ull * 1024,
         (24682360ull - 105340ull) * 1024, 2},
        // Without Committed_AS: free memory and free swap.
        {"laptop-discharging", 8049064ull * 1024, 4024532ull * 1024,
         (8049064ull + 2097148ull) * 1024, (4024532ull + 1048574ull) * 1024, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tree);
        HostRootScope root(Fixture(c.tree));
        MEMORYSTATUSEX status{};
        status.dwLength = sizeof status;
        ASSERT_TRUE(GlobalMemoryStatusEx(&status));
        EXPECT_EQ(status.ullTotalPhys, c.total_phys);
        EXPECT_EQ(status.ullAvailPhys, c.avail_phys);
        EXPECT_EQ(status.ullTotalPageFile, c.total_page);
        EXPECT_EQ(status.ullAvailPageFile, c.avail_page);
        EXPECT_EQ(status.dwMemoryLoad, c.load);
        EXPECT_EQ(status.dwLength, 64u);
    }
}

TEST(GlobalMemoryStatusEx, PageFileIsTheCommitChargeAgainstMemoryAndSwap) {
    struct Case {
        const char* meminfo;
        ULONGLONG total_page, avail_page;
    };
    const Case cases[] = {
        // Most of the memory is free, but what is promised counts as used: with no swap the
        // virtual figure is no copy of the physical one.
        {"MemTotal: 1000 kB\nMemAvailable: 900 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n"
         "Committed_AS: 600 kB\n",
         1000 * 1024, 400 * 1024},
        {"MemTotal: 1000 kB\nMemAvailable: 900 kB\nSwapTotal: 500 kB\nSwapFree: 500 kB\n"
         "Committed_AS: 600 kB\n",
         1500 * 1024, 900 * 1024},
        // Overcommitted beyond the limit: nothing is left, nothing wraps.
        {"MemTotal: 1000 kB\nMemAvailable: 900 kB\nSwapTotal: 500 kB\nSwapFree: 500 kB\n"
         "Committed_AS: 4000 kB\n",
         1500 * 1024, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.meminfo);
        platform::testing::MachineTree tree;
        tree.Write("/proc/meminfo", c.meminfo);
        HostRootScope root(tree.root());
        MEMORYSTATUSEX status{};
        status.dwLength = sizeof status;
        ASSERT_TRUE(GlobalMemoryStatusEx(&status));
        EXPECT_EQ(status.ullTotalPageFile, c.total_page);
        EXPECT_EQ(status.ullAvailPageFile, c.avail_page);
        EXPECT_EQ(status.ullAvailPhys, 900u * 1024);
    }
}

#if defined(__x86_64__)
TEST(GlobalMemoryStatusEx, VirtualFiguresAreThisProcessAddressSpace) {
    HostRootScope root(Fixture("laptop-discharging"));
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    // From mmap_min_addr (64 KiB) to the last user page; 0x6000 bytes mapped (the vsyscall page
    // lies outside the user half and does not count).
    EXPECT_EQ(status.ullTotalVirtual, 0x7fffffffefffull - 0x10000 + 1);
    EXPECT_EQ(status.ullAvailVirtual, 0x7fffffffefffull - 0x10000 + 1 - 0x6000);
    EXPECT_EQ(status.ullAvailExtendedVirtual, 0u);
}
#endif

TEST(GlobalMemoryStatusEx, RefusesAWrongLengthAndOldKernelsStillRead) {
    HostRootScope root(Fixture("captured"));
    for (DWORD length : {0u, 63u, 65u}) {
        MEMORYSTATUSEX status{};
        status.dwLength = length;
        SetLastError(0);
        EXPECT_FALSE(GlobalMemoryStatusEx(&status)) << length;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(status.ullTotalPhys, 0u);
    }
    EXPECT_FALSE(GlobalMemoryStatusEx(nullptr));

    // Before MemAvailable existed: free + buffers + cached.
    platform::testing::MachineTree tree;
    tree.Write("/proc/meminfo", "MemTotal:  1000 kB\nMemFree:  100 kB\nBuffers:  20 kB\n"
                                "Cached:  300 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n");
    HostRootScope old(tree.root());
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    EXPECT_EQ(status.ullAvailPhys, 420u * 1024);
    EXPECT_EQ(status.dwMemoryLoad, 58u);
}

TEST(GetSystemInfo, ProcessorsAreTheOnlineOnes) {
    struct Case {
        const char* online;
        DWORD count;
        DWORD_PTR mask;
    };
    const Case cases[] = {
        {"0-7\n", 8, 0xFF},
        {"0\n", 1, 0x1},
        {"0-3,6\n", 5, 0x4F},
        {"0,2-3,8-9\n", 5, 0x30D},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.online);
        platform::testing::MachineTree tree;
        tree.Write("/sys/devices/system/cpu/online", c.online);
        HostRootScope root(tree.root());
        SYSTEM_INFO info{};
        GetSystemInfo(&info);
        EXPECT_EQ(info.dwNumberOfProcessors, c.count);
        EXPECT_EQ(info.dwActiveProcessorMask, c.mask);
        EXPECT_EQ(info.dwAllocationGranularity, 65536u);
        EXPECT_GE(info.dwPageSize, 4096u);
    }
    // Without the online list, /proc/cpuinfo's processors count.
    HostRootScope root(Fixture("laptop-charging"));
    platform::testing::MachineTree tree;
    tree.Write("/proc/cpuinfo",
               "processor\t: 0\ncpu MHz\t\t: 800.0\n\nprocessor\t: 1\ncpu MHz\t\t: "
               "800.0\n\nprocessor\t: 2\ncpu MHz\t\t: 800.0\n");
    HostRootScope bare(tree.root());
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    EXPECT_EQ(info.dwNumberOfProcessors, 3u);
}

struct Entry {
    DWORD pid, parent, threads;
    std::string name;
    bool operator==(const Entry&) const = default;
};

std::vector<Entry> WalkSnapshot() {
    std::vector<Entry> entries;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    EXPECT_NE(snapshot, INVALID_HANDLE_VALUE);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        entries.push_back(
            {entry.th32ProcessID, entry.th32ParentProcessID, entry.cntThreads, entry.szExeFile});
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(CloseHandle(snapshot));
    return entries;
}

TEST(Toolhelp, SnapshotListsTheProcessesInPidOrder) {
    HostRootScope root(Fixture("captured"));
    std::vector<Entry> expected = {
        {2, 0, 1, "kthreadd"},
        {3, 2, 1, "pool_workqueue_release"},
        {4, 2, 1, "kworker/R-rcu_gp"},
        {5, 2, 1, "kworker/R-sync_wq"},
        {6, 2, 1, "kworker/R-kvfree_rcu_reclaim"},
        {7, 2, 1, "kworker/R-slub_flushwq"},
        {8, 2, 1, "kworker/R-netns"},
        {9, 2, 1, "kworker/0:0-events"},
        {10, 2, 1, "kworker/0:0H-events_highpri"},
    };
    EXPECT_EQ(WalkSnapshot(), expected);
}

// A stat line of a process: its command, parent and threads, the other fields as the kernel
// writes them.
std::string StatLine(int pid, const std::string& command, int parent, int threads) {
    return std::to_string(pid) + " (" + command + ") S " + std::to_string(parent) +
           " 1200 1200 0 -1 4194560 1544 0 0 0 5 3 0 0 20 0 " + std::to_string(threads) +
           " 0 9164 20000768 1536 18446744073709551615 1 1 0 0 0 0 0 0 65536 0 0 0 17 3 0 0 0 "
           "0 0 0 0 0 0 0 0 0 0\n";
}

TEST(Toolhelp, ThreadCountsAndNonProcessEntries) {
    platform::testing::MachineTree tree;
    tree.Write("/proc/1200/stat", StatLine(1200, "pelmora", 1, 7));
    tree.Write("/proc/99/stat", StatLine(99, "sh", 1, 1));
    // The command ends at the last parenthesis, blanks and parentheses inside it.
    tree.Write("/proc/150/stat", StatLine(150, "a) (b c", 99, 3));
    // Not processes: the name is no number, the stat file is gone (the process ended), or its
    // line stops before the thread count.
    tree.Write("/proc/self/stat", StatLine(1, "self", 0, 1));
    tree.Write("/proc/net/dev", "");
    tree.Write("/proc/1300/status", "Name:\tgone\n");
    tree.Write("/proc/1400/stat", "1400 (cut) Z 1 0 0\n");
    tree.Write("/proc/1500/stat", "1500 (cut\n");
    HostRootScope root(tree.root());
    std::vector<Entry> expected = {
        {99, 1, 1, "sh"}, {150, 99, 3, "a) (b c"}, {1200, 1, 7, "pelmora"}};
    EXPECT_EQ(WalkSnapshot(), expected);
}

TEST(Toolhelp, RecordSizeIsCheckedAndNothingBeyondTheRecordIsWritten) {
    HostRootScope root(Fixture("captured"));
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);

    PROCESSENTRY32 small{};
    small.dwSize = sizeof small - 1;
    EXPECT_FALSE(Process32First(snapshot, &small));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_LENGTH));

    // A larger buffer announcing its own size (as a caller with a 312-byte buffer does) is
    // accepted; only the record itself is filled.
    unsigned char buffer[312];
    std::memset(buffer, 0xCC, sizeof buffer);
    DWORD size = sizeof buffer;
    std::memcpy(buffer, &size, sizeof size);
    ASSERT_TRUE(Process32First(snapshot, reinterpret_cast<PROCESSENTRY32*>(buffer)));
    PROCESSENTRY32 entry;
    std::memcpy(&entry, buffer, sizeof entry);
    EXPECT_EQ(entry.dwSize, 312u);
    EXPECT_EQ(entry.th32ProcessID, 2u);
    for (size_t i = sizeof(PROCESSENTRY32); i < sizeof buffer; ++i)
        EXPECT_EQ(buffer[i], 0xCC) << i;
    // First starts the walk again.
    ASSERT_TRUE(Process32Next(snapshot, &entry));
    EXPECT_EQ(entry.th32ProcessID, 3u);
    ASSERT_TRUE(Process32First(snapshot, &entry));
    EXPECT_EQ(entry.th32ProcessID, 2u);
    EXPECT_TRUE(CloseHandle(snapshot));

    // A closed snapshot is no handle any more.
    EXPECT_FALSE(Process32Next(snapshot, &entry));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(snapshot));
    EXPECT_EQ(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0), INVALID_HANDLE_VALUE);
}

TEST(Toolhelp, SnapshotIsTakenOnceNotAtEveryStep) {
    platform::testing::MachineTree tree;
    tree.Write("/proc/10/stat", StatLine(10, "a", 1, 1));
    tree.Write("/proc/20/stat", StatLine(20, "b", 1, 1));
    HostRootScope root(tree.root());
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    tree.Write("/proc/15/stat", StatLine(15, "late", 1, 1));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    ASSERT_TRUE(Process32First(snapshot, &entry));
    ASSERT_TRUE(Process32Next(snapshot, &entry));
    EXPECT_STREQ(entry.szExeFile, "b");
    EXPECT_FALSE(Process32Next(snapshot, &entry));
    CloseHandle(snapshot);
}

} // namespace
