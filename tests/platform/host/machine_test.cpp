// The readings of this machine's own tree: whatever the machine, they must be plausible.
#include <windows.h>
#include <iphlpapi.h>
#include <powrprof.h>
#include "powrprof/processor_power.h"
#include <tlhelp32.h>

#include "host/root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>
#include <cstring>
#include <string>
#include <vector>

#include <csignal>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(ThisMachine, ReadingsArePlausible) {
    ASSERT_EQ(platform::host::Root(), "/");

    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
    EXPECT_GT(memory.ullTotalPhys, 0u);
    EXPECT_LE(memory.ullAvailPhys, memory.ullTotalPhys);
    EXPECT_GE(memory.ullTotalPageFile, memory.ullTotalPhys);
    EXPECT_LE(memory.dwMemoryLoad, 100u);
    EXPECT_LT(memory.ullAvailVirtual, memory.ullTotalVirtual);

    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    EXPECT_GE(info.dwNumberOfProcessors, 1u);
    EXPECT_EQ(info.dwNumberOfProcessors, DWORD(::sysconf(_SC_NPROCESSORS_ONLN)));

    FILETIME idle{}, kernel{}, user{};
    ASSERT_TRUE(GetSystemTimes(&idle, &kernel, &user));
    auto value = [](const FILETIME& t) {
        return ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime;
    };
    EXPECT_GE(value(kernel), value(idle));
    EXPECT_GT(value(kernel) + value(user), 0u);

    // This test program is among the processes, with its threads.
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    bool found_self = false;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        ++count;
        if (entry.th32ProcessID == DWORD(::getpid())) {
            found_self = true;
            EXPECT_GE(entry.cntThreads, 1u);
            EXPECT_EQ(std::string(entry.szExeFile),
                      std::string("test-platform-host").substr(0, 15));
        }
    }
    CloseHandle(snapshot);
    EXPECT_GT(count, 1);
    EXPECT_TRUE(found_self);

    ULONG size = 0;
    ASSERT_EQ(GetIfTable(nullptr, &size, FALSE), DWORD(ERROR_INSUFFICIENT_BUFFER));
    std::vector<unsigned char> table(size);
    ASSERT_EQ(GetIfTable(reinterpret_cast<PMIB_IFTABLE>(table.data()), &size, FALSE),
              DWORD(NO_ERROR));
    auto* rows = reinterpret_cast<PMIB_IFTABLE>(table.data());
    EXPECT_EQ(size, 4 + rows->dwNumEntries * sizeof(MIB_IFROW));

    std::vector<PROCESSOR_POWER_INFORMATION> clocks(info.dwNumberOfProcessors);
    EXPECT_EQ(CallNtPowerInformation(ProcessorInformation, nullptr, 0, clocks.data(),
                                     ULONG(clocks.size() * sizeof clocks[0])),
              STATUS_SUCCESS);
    for (const auto& clock : clocks)
        EXPECT_LE(clock.CurrentMhz, 100000u);

    SYSTEM_BATTERY_STATE battery{};
    EXPECT_EQ(CallNtPowerInformation(SystemBatteryState, nullptr, 0, &battery, sizeof battery),
              STATUS_SUCCESS);
    EXPECT_LE(battery.RemainingCapacity, battery.MaxCapacity + battery.MaxCapacity / 10);

    char drives[128];
    DWORD length = GetLogicalDriveStringsA(sizeof drives, drives);
    ASSERT_GE(length, 4u);
    EXPECT_EQ(std::string(drives), "C:\\");
    // A live system may run from a RAM disk.
    UINT root_type = GetDriveTypeA("C:\\");
    EXPECT_TRUE(root_type == DRIVE_FIXED || root_type == DRIVE_RAMDISK) << root_type;
}

std::optional<PROCESSENTRY32> FindProcess(pid_t pid) {
    std::optional<PROCESSENTRY32> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    EXPECT_NE(snapshot, INVALID_HANDLE_VALUE);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == DWORD(pid))
            found = entry;
    CloseHandle(snapshot);
    return found;
}

// The parent of a process as its stat file gives it now, read directly.
pid_t ParentOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream rest(line.substr(line.rfind(')') + 1));
    std::string state;
    pid_t parent = 0;
    rest >> state >> parent;
    return parent;
}

std::vector<DWORD> ProcessIds() {
    std::vector<DWORD> pids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    EXPECT_NE(snapshot, INVALID_HANDLE_VALUE);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        pids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return pids;
}

bool Lists(const std::vector<DWORD>& pids, pid_t pid) {
    return std::find(pids.begin(), pids.end(), DWORD(pid)) != pids.end();
}

// A process's name, threads and parent change between snapshots, and each snapshot shows them
// as they are: the parent even when the old one has ended but is not yet reaped.
TEST(ThisMachine, SnapshotsFollowNamesThreadsAndParents) {
    ASSERT_EQ(platform::host::Root(), "/");
    pid_t self = ::getpid();
    std::optional<PROCESSENTRY32> before = FindProcess(self);
    ASSERT_TRUE(before);

    {
        std::mutex mutex;
        std::condition_variable go;
        bool done = false;
        std::thread waiter([&] {
            std::unique_lock lock(mutex);
            go.wait(lock, [&] { return done; });
        });
        std::optional<PROCESSENTRY32> with_thread = FindProcess(self);
        // Later snapshots, taken while no task starts or ends on the machine, still count it.
        std::vector<DWORD> later;
        for (int i = 0; i < 20; ++i)
            later.push_back(FindProcess(self)->cntThreads);
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        go.notify_one();
        waiter.join();
        ASSERT_TRUE(with_thread);
        EXPECT_EQ(with_thread->cntThreads, before->cntThreads + 1);
        EXPECT_EQ(later, std::vector<DWORD>(later.size(), before->cntThreads + 1));
        EXPECT_EQ(FindProcess(self)->cntThreads, before->cntThreads);
    }

    char name[16] = {};
    ::prctl(PR_GET_NAME, name);
    for (const char* renamed : {"renamed", "back\\slash"}) {
        ::prctl(PR_SET_NAME, renamed);
        EXPECT_STREQ(FindProcess(self)->szExeFile, renamed);
    }
    ::prctl(PR_SET_NAME, name);
    EXPECT_STREQ(FindProcess(self)->szExeFile, name);

    // A grandchild whose parent ends passes to this process, made its reaper.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::pause();
            ::_exit(0);
        }
        (void)!::write(pipe_fds[1], &grandchild, sizeof grandchild);
        ::pause();
        ::_exit(0);
    }
    pid_t grandchild = 0;
    ASSERT_EQ(::read(pipe_fds[0], &grandchild, sizeof grandchild), ssize_t(sizeof grandchild));
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    EXPECT_EQ(FindProcess(grandchild)->th32ParentProcessID, DWORD(child));
    EXPECT_EQ(FindProcess(grandchild)->th32ParentProcessID, DWORD(child));
    ::kill(child, SIGKILL);
    // The child stays a zombie, unreaped, while the grandchild passes to this process.
    for (int i = 0; i < 10000 && ParentOf(grandchild) != self; ++i)
        std::this_thread::yield();
    ASSERT_EQ(ParentOf(grandchild), self);
    EXPECT_EQ(FindProcess(grandchild)->th32ParentProcessID, DWORD(self));
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(FindProcess(grandchild)->th32ParentProcessID, DWORD(self));
    ::kill(grandchild, SIGKILL);
    ::waitpid(grandchild, nullptr, 0);
    EXPECT_FALSE(FindProcess(grandchild));
}

// The flags of a process as its stat file gives them now; nothing once it has ended.
std::optional<unsigned long> FlagsOf(DWORD pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line) || line.rfind(')') == std::string::npos)
        return std::nullopt;
    std::istringstream rest(line.substr(line.rfind(')') + 1));
    std::string field;
    for (int i = 3; i < 9 && rest >> field; ++i) {
    }
    unsigned long flags = 0;
    if (!(rest >> flags))
        return std::nullopt;
    return flags;
}

// Kernel threads, read again from their kept files, still show one thread and their parent.
TEST(ThisMachine, SnapshotsShowKernelThreadsAsTheyAre) {
    ASSERT_EQ(platform::host::Root(), "/");
    constexpr unsigned long kKernelThread = 0x00200000;
    ProcessIds();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int kernel_threads = 0;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        std::optional<unsigned long> flags = FlagsOf(entry.th32ProcessID);
        if (!flags || !(*flags & kKernelThread))
            continue;
        ++kernel_threads;
        EXPECT_EQ(entry.cntThreads, 1u) << entry.szExeFile;
        EXPECT_EQ(entry.th32ParentProcessID, DWORD(ParentOf(pid_t(entry.th32ProcessID))))
            << entry.szExeFile;
    }
    CloseHandle(snapshot);
    // A machine without kernel threads listed (a pid namespace of its own) has nothing to show.
    if (kernel_threads == 0)
        GTEST_SKIP() << "no kernel thread in this /proc";
}

// The kernel's files are kept open from one reading to the next: what they read must still be
// the machine as it is now.
TEST(ThisMachine, ReadingsFollowTheMachineFromOneCallToTheNext) {
    ASSERT_EQ(platform::host::Root(), "/");

    // Processes that start and end between snapshots come and go.
    for (int round = 0; round < 3; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::pause();
            ::_exit(0);
        }
        EXPECT_TRUE(Lists(ProcessIds(), child)) << round;
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        EXPECT_FALSE(Lists(ProcessIds(), child)) << round;
    }

    // The address space read again after a mapping shows the mapping.
    MEMORYSTATUSEX before{};
    before.dwLength = sizeof before;
    ASSERT_TRUE(GlobalMemoryStatusEx(&before));
    constexpr size_t kMapping = size_t(1) << 30;
    void* mapping = ::mmap(nullptr, kMapping, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    MEMORYSTATUSEX after{};
    after.dwLength = sizeof after;
    ASSERT_TRUE(GlobalMemoryStatusEx(&after));
    ::munmap(mapping, kMapping);
    EXPECT_GE(before.ullAvailVirtual - after.ullAvailVirtual, kMapping);

    // Every processor has its clock, not only those of the first page of /proc/cpuinfo.
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    std::vector<PROCESSOR_POWER_INFORMATION> clocks(info.dwNumberOfProcessors);
    ASSERT_EQ(CallNtPowerInformation(ProcessorInformation, nullptr, 0, clocks.data(),
                                     ULONG(clocks.size() * sizeof clocks[0])),
              STATUS_SUCCESS);
    if (clocks[0].CurrentMhz > 0) {
        for (const auto& clock : clocks)
            EXPECT_GT(clock.CurrentMhz, 0u) << clock.Number;
    }
}

} // namespace
