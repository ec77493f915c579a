#include "host/processes.h"

#include "host/root.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <optional>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform::host {

namespace {

// A stat line is "pid (comm) state ppid pgrp session tty tpgid flags minflt cminflt majflt
// cmajflt utime stime cutime cstime priority nice num_threads ...", some 300 bytes; the fields
// read here all lie within the first 256 bytes after the command.
constexpr size_t kStatBuffer = 512;
constexpr int kParentField = 4;
constexpr int kFlagsField = 9;
constexpr int kThreadsField = 20;
constexpr uint32_t kKernelThreadFlag = 0x00200000; // PF_KTHREAD

std::optional<uint32_t> ParseU32(std::string_view text) {
    uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// A stat line into the fields the snapshot gives, and whether the process is a kernel thread;
// nothing for a line cut short (a process in the middle of ending).
std::optional<ProcessInfo> ParseStat(uint32_t pid, std::string_view line, bool* kernel = nullptr) {
    // The command may itself hold blanks and parentheses: it ends at the last ')'.
    size_t open = line.find('(');
    size_t close = line.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;
    ProcessInfo info;
    info.pid = pid;
    info.name = line.substr(open + 1, close - open - 1);
    // Fields from the state (field 3) on, separated by single blanks.
    std::string_view rest = line.substr(close + 1);
    std::optional<uint32_t> parent, flags, threads;
    int field = 2;
    size_t at = 0;
    while (at < rest.size() && field < kThreadsField) {
        while (at < rest.size() && rest[at] == ' ')
            ++at;
        size_t end = rest.find_first_of(" \n", at);
        if (end == std::string_view::npos)
            end = rest.size();
        ++field;
        if (field == kParentField)
            parent = ParseU32(rest.substr(at, end - at));
        else if (field == kFlagsField)
            flags = ParseU32(rest.substr(at, end - at));
        else if (field == kThreadsField)
            threads = ParseU32(rest.substr(at, end - at));
        at = end;
    }
    if (!parent || !threads || !flags)
        return std::nullopt;
    info.parent_pid = *parent;
    info.threads = *threads;
    if (kernel)
        *kernel = (*flags & kKernelThreadFlag) != 0;
    return info;
}

// One read of a stat file from its start; its length, or -1.
ssize_t ReadStat(int fd, char (&buffer)[kStatBuffer]) {
    ssize_t n;
    do {
        n = ::pread(fd, buffer, sizeof buffer, 0);
    } while (n < 0 && errno == EINTR);
    return n;
}

int OpenStat(int proc_fd, uint32_t pid) {
    char path[24];
    std::snprintf(path, sizeof path, "%u/stat", pid);
    return ::openat(proc_fd, path, O_RDONLY | O_CLOEXEC);
}

int OpenInProc(int proc_fd, uint32_t pid, const char* file, int flags) {
    char path[32];
    std::snprintf(path, sizeof path, "%u/%s", pid, file);
    return ::openat(proc_fd, path, flags | O_RDONLY | O_CLOEXEC);
}

std::optional<ProcessInfo> ReadProcess(int proc_fd, uint32_t pid, bool* kernel = nullptr) {
    int fd = OpenStat(proc_fd, pid);
    if (fd < 0)
        return std::nullopt;
    char buffer[kStatBuffer];
    ssize_t n = ReadStat(fd, buffer);
    ::close(fd);
    if (n <= 0)
        return std::nullopt;
    return ParseStat(pid, std::string_view(buffer, size_t(n)), kernel);
}

// On the running kernel's /proc a listing need not read every process's stat file, by far the
// dearest of its files. The directory stays open and is read again from its start, and each
// process seen before is read from two small files kept open: its comm file, which is the name
// stat gives, and its task folder, whose link count is two and one per thread. The parent is
// the one thing neither tells; it changes only when the parent ends (the orphan passes to a
// reaper), so the parent's end is watched through a pid file descriptor, all of them polled
// at once, and only the children of an ended parent read stat again. A process whose parent
// cannot be watched (one outside this pid namespace shows as 0) or whose name holds a
// backslash (escaped in comm) reads stat every time. While the kernel's count of tasks and the
// latest pid it gave stay as they were, no thread has started or ended, so the thread count of
// the previous listing holds and the task folder is not asked. The kept files of a process that has
// ended read as an error, even when its pid has since been given to a new process, which a
// fresh open then finds. A captured tree is opened afresh at every listing, as its files may
// be replaced in between.
struct KeptProcess {
    int comm = -1;
    int task = -1;
    int stat = -1; // kept only while the parent is not watched
    uint32_t parent = 0;
    uint32_t threads = 0; // as last read
    bool watched = false;
    // A kernel thread is one thread all its life, and its parent the kernel's: only its name
    // is read. A worker appends what it runs ("kworker/0:1-events"); any other change to the
    // name (an exec, which may end the kernel thread's status) has the stat file read again.
    bool kernel = false;
    std::string kernel_name; // the name up to a worker's '+' or '-'
    uint64_t listing = 0;    // the latest listing that saw the process
};

struct ParentWatch {
    int pidfd = -1;
    bool ended = false;
    uint64_t listing = 0; // the latest listing in which a child relied on the watch
};

struct ProcTable {
    std::mutex mutex;
    std::string root;
    DIR* dir = nullptr; // kept only on the kernel's own /proc
    // Pid descriptors name pids of this process's own namespace: parents are watched only when
    // /proc shows that namespace.
    bool own_namespace = false;
    std::unordered_map<uint32_t, KeptProcess> processes;
    std::unordered_map<uint32_t, ParentWatch> parents;
    // Processes seen by one listing only, with the listing: most that a build starts end within
    // the second, so a process's files are kept from the second listing that sees it on.
    std::unordered_map<uint32_t, uint64_t> newcomers;
    size_t open_files = 0;
    uint64_t listing = 0;
    // The kernel's count of tasks and the latest pid it gave, as the previous listing found them
    // before it read any process; equal now, no task has started or been released since.
    int loadavg = -1;
    std::optional<std::pair<uint32_t, uint32_t>> tasks;

    void CloseFile(int& fd) {
        if (fd >= 0) {
            ::close(fd);
            --open_files;
        }
        fd = -1;
    }
    void Drop(KeptProcess& process) {
        CloseFile(process.comm);
        CloseFile(process.task);
        CloseFile(process.stat);
    }
    void Close() {
        for (auto& [pid, process] : processes)
            Drop(process);
        processes.clear();
        for (auto& [pid, watch] : parents)
            CloseFile(watch.pidfd);
        parents.clear();
        newcomers.clear();
        if (loadavg >= 0)
            ::close(loadavg);
        loadavg = -1;
        tasks.reset();
        if (dir)
            ::closedir(dir);
        dir = nullptr;
    }
};

ProcTable& TheProcTable() {
    static ProcTable* table = new ProcTable; // outlives every static reader
    return *table;
}

// The kept files leave room for the program's own descriptors: a quarter of the limit at most.
size_t KeptFileLimit() {
    static const size_t limit = [] {
        rlimit files{};
        if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY)
            return size_t(1024);
        return std::min<size_t>(files.rlim_cur / 4, 16384);
    }();
    return limit;
}

// Notes the parents that have ended since the previous listing.
void PollParents(ProcTable& table) {
    thread_local std::vector<pollfd> polls;
    thread_local std::vector<uint32_t> pids;
    polls.clear();
    pids.clear();
    for (auto& [pid, watch] : table.parents) {
        polls.push_back({watch.pidfd, POLLIN, 0});
        pids.push_back(pid);
    }
    if (polls.empty())
        return;
    int ready = ::poll(polls.data(), polls.size(), 0);
    for (size_t i = 0; i < polls.size(); ++i) {
        // A poll that fails trusts no watch.
        if (ready < 0 || polls[i].revents != 0)
            table.parents[pids[i]].ended = true;
    }
}

// Whether the child's parent (as its stat just read) can be watched, a watch opened if need be.
// A new watch is only trusted once the child's stat, read again, still names that parent: the
// pid might otherwise have passed to another process between the two steps.
bool WatchParent(ProcTable& table, int proc_fd, ProcessInfo& info) {
    uint32_t parent = info.parent_pid;
    if (parent == 0 || !table.own_namespace)
        return false;
    if (auto it = table.parents.find(parent); it != table.parents.end()) {
        if (!it->second.ended) {
            it->second.listing = table.listing;
            return true;
        }
        table.CloseFile(it->second.pidfd);
        table.parents.erase(it);
    }
    if (table.open_files >= KeptFileLimit())
        return false;
    int pidfd = int(::syscall(SYS_pidfd_open, pid_t(parent), 0));
    if (pidfd < 0)
        return false;
    ++table.open_files;
    std::optional<ProcessInfo> again = ReadProcess(proc_fd, info.pid);
    if (!again || again->parent_pid != parent) {
        table.CloseFile(pidfd);
        if (again)
            info = std::move(*again);
        return false;
    }
    info = std::move(*again);
    table.parents.emplace(parent, ParentWatch{pidfd, false, table.listing});
    return true;
}

std::string_view KernelNameBase(std::string_view name) {
    return name.substr(0, std::min(name.find_first_of("+-"), name.size()));
}

// The kernel's count of tasks and the latest pid it gave ("0.00 0.01 0.05 1/123 4567").
std::optional<std::pair<uint32_t, uint32_t>> ReadTasks(ProcTable& table, int proc_fd) {
    if (table.loadavg < 0)
        table.loadavg = ::openat(proc_fd, "loadavg", O_RDONLY | O_CLOEXEC);
    char text[128];
    ssize_t n = table.loadavg >= 0 ? ::pread(table.loadavg, text, sizeof text, 0) : -1;
    if (n <= 0)
        return std::nullopt;
    std::string_view line(text, size_t(n));
    size_t slash = line.find('/');
    size_t blank = slash == std::string_view::npos ? slash : line.find(' ', slash);
    if (blank == std::string_view::npos)
        return std::nullopt;
    size_t end = line.find_first_of(" \n", blank + 1);
    std::optional<uint32_t> count = ParseU32(line.substr(slash + 1, blank - slash - 1));
    std::optional<uint32_t> last =
        ParseU32(line.substr(blank + 1, end == std::string_view::npos ? end : end - blank - 1));
    if (!count || !last)
        return std::nullopt;
    return std::pair(*count, *last);
}

// The name, parent and threads of a process seen before whose parent is still there, from its
// comm file and task folder; nothing when the stat file has to tell, with `gone` set when the
// kept files are those of a process that has ended (its pid may be another's by now). While no
// task has started or been released anywhere, the thread count cannot have moved and the task
// folder is not asked.
std::optional<ProcessInfo> ReadTracked(const KeptProcess& process, uint32_t pid, bool settled,
                                       bool& gone) {
    uint32_t threads = process.threads;
    if (!settled && !process.kernel) {
        struct stat task {};
        // A task folder whose process has gone counts no thread.
        gone = ::fstat(process.task, &task) != 0 || task.st_nlink < 3;
        if (gone)
            return std::nullopt;
        threads = uint32_t(task.st_nlink - 2);
    }
    char name[80];
    ssize_t n;
    do {
        n = ::pread(process.comm, name, sizeof name, 0);
    } while (n < 0 && errno == EINTR);
    // The comm file of a process that has been released reads as an error.
    gone = n <= 0;
    if (gone || name[n - 1] != '\n')
        return std::nullopt;
    std::string_view text(name, size_t(n - 1));
    if (text.find('\\') != std::string_view::npos)
        return std::nullopt;
    if (process.kernel && KernelNameBase(text) != process.kernel_name)
        return std::nullopt;
    ProcessInfo info;
    info.pid = pid;
    info.parent_pid = process.parent;
    info.threads = threads;
    info.name = text;
    return info;
}

void Remember(KeptProcess& process, bool kernel, std::string_view name) {
    process.kernel = kernel;
    if (kernel)
        process.kernel_name = KernelNameBase(name);
}

std::optional<ProcessInfo> ReadKeptProcess(ProcTable& table, int proc_fd, uint32_t pid,
                                           bool settled) {
    auto it = table.processes.find(pid);
    if (it != table.processes.end()) {
        KeptProcess& process = it->second;
        process.listing = table.listing;
        bool gone = false;
        if (process.watched) {
            auto watch = table.parents.find(process.parent);
            if (watch != table.parents.end() && !watch->second.ended) {
                watch->second.listing = table.listing;
                if (std::optional<ProcessInfo> info = ReadTracked(process, pid, settled, gone)) {
                    process.threads = info->threads;
                    return info;
                }
            }
        }
        // The stat file tells: kept while the parent goes unwatched.
        if (!gone && process.stat < 0 && table.open_files < KeptFileLimit()) {
            process.stat = OpenStat(proc_fd, pid);
            table.open_files += process.stat >= 0;
        }
        char buffer[kStatBuffer];
        ssize_t n = process.stat >= 0 && !gone ? ReadStat(process.stat, buffer) : -1;
        bool kernel = false;
        std::optional<ProcessInfo> info =
            n > 0 ? ParseStat(pid, std::string_view(buffer, size_t(n)), &kernel) : std::nullopt;
        if (info) {
            process.watched = WatchParent(table, proc_fd, *info);
            process.parent = info->parent_pid;
            process.threads = info->threads;
            Remember(process, kernel, info->name);
            if (process.watched)
                table.CloseFile(process.stat);
            return info;
        }
        // Ended, or its pid is another process's now.
        table.Drop(process);
        table.processes.erase(it);
    }
    bool kernel = false;
    std::optional<ProcessInfo> info = ReadProcess(proc_fd, pid, &kernel);
    if (!info || table.open_files + 2 > KeptFileLimit())
        return info;
    if (auto [newcomer, first] = table.newcomers.try_emplace(pid, table.listing);
        first || newcomer->second == table.listing) {
        newcomer->second = table.listing;
        return info;
    }
    table.newcomers.erase(pid);
    KeptProcess process;
    process.comm = OpenInProc(proc_fd, pid, "comm", 0);
    table.open_files += process.comm >= 0;
    process.task = OpenInProc(proc_fd, pid, "task", O_DIRECTORY);
    table.open_files += process.task >= 0;
    if (process.comm < 0 || process.task < 0) {
        table.Drop(process);
        return info;
    }
    process.watched = WatchParent(table, proc_fd, *info);
    process.parent = info->parent_pid;
    process.threads = info->threads;
    Remember(process, kernel, info->name);
    process.listing = table.listing;
    table.processes.emplace(pid, process);
    return info;
}

} // namespace

std::vector<ProcessInfo> ListProcesses() {
    std::vector<ProcessInfo> processes;
    ProcTable& table = TheProcTable();
    std::lock_guard lock(table.mutex);
    if (std::string root = Root(); root != table.root) {
        table.Close();
        table.root = std::move(root);
    }
    DIR* dir = table.dir;
    if (dir) {
        ::rewinddir(dir);
    } else {
        dir = ::opendir(HostPath("/proc").c_str());
        if (!dir)
            return processes;
        if (IsKernelPseudoFile(::dirfd(dir))) {
            table.dir = dir;
            char self[16] = {};
            ssize_t n = ::readlinkat(::dirfd(dir), "self", self, sizeof self - 1);
            table.own_namespace = n > 0 && ParseU32(std::string_view(self, size_t(n))) ==
                                               std::optional<uint32_t>(uint32_t(::getpid()));
        }
    }
    bool kept = table.dir != nullptr;
    int proc_fd = ::dirfd(dir);
    bool settled = false;
    if (kept) {
        // Read before the listing and any process, so that whatever starts or ends meanwhile
        // shows at the next listing. Only this pid namespace's own pids are counted.
        std::optional<std::pair<uint32_t, uint32_t>> tasks =
            table.own_namespace ? ReadTasks(table, proc_fd) : std::nullopt;
        settled = tasks && tasks == table.tasks;
        table.tasks = tasks;
    }
    // /proc lists thread groups only; their threads are reachable by pid but not listed.
    thread_local std::vector<uint32_t> pids;
    pids.clear();
    while (dirent* entry = ::readdir(dir)) {
        if (std::optional<uint32_t> pid = ParseU32(entry->d_name))
            pids.push_back(*pid);
    }
    std::sort(pids.begin(), pids.end());
    processes.reserve(pids.size());
    ++table.listing;
    if (kept)
        PollParents(table);
    for (uint32_t pid : pids) {
        std::optional<ProcessInfo> info =
            kept ? ReadKeptProcess(table, proc_fd, pid, settled) : ReadProcess(proc_fd, pid);
        if (info)
            processes.push_back(std::move(*info));
    }
    if (kept) {
        // The files of processes no longer listed go, and the watches no child relies on.
        for (auto it = table.processes.begin(); it != table.processes.end();) {
            if (it->second.listing == table.listing) {
                ++it;
                continue;
            }
            table.Drop(it->second);
            it = table.processes.erase(it);
        }
        std::erase_if(table.newcomers,
                      [&](const auto& newcomer) { return newcomer.second != table.listing; });
        for (auto it = table.parents.begin(); it != table.parents.end();) {
            if (it->second.listing == table.listing && !it->second.ended) {
                ++it;
                continue;
            }
            table.CloseFile(it->second.pidfd);
            it = table.parents.erase(it);
        }
    } else {
        ::closedir(dir);
    }
    return processes;
}

} // namespace platform::host
