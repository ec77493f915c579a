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
#include <sys/resource.h>
#include <unistd.h>

namespace platform::host {

namespace {

// A stat line is "pid (comm) state ppid pgrp session tty tpgid flags minflt cminflt majflt
// cmajflt utime stime cutime cstime priority nice num_threads ...", some 300 bytes; the fields
// read here all lie within the first 256 bytes after the command.
constexpr size_t kStatBuffer = 512;
constexpr int kParentField = 4;
constexpr int kThreadsField = 20;

std::optional<uint32_t> ParseU32(std::string_view text) {
    uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// A stat line into the fields the snapshot gives; nothing for a line cut short (a process in
// the middle of ending).
std::optional<ProcessInfo> ParseStat(uint32_t pid, std::string_view line) {
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
    std::optional<uint32_t> parent, threads;
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
        else if (field == kThreadsField)
            threads = ParseU32(rest.substr(at, end - at));
        at = end;
    }
    if (!parent || !threads)
        return std::nullopt;
    info.parent_pid = *parent;
    info.threads = *threads;
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

// On the running kernel's /proc the directory and each process's stat file stay open from one
// listing to the next: a listing rewinds the directory and reads every stat file again from its
// start, one read a process instead of an open, a read and a close. The kept file of a process
// that has ended reads as an error, even when its pid has since been given to a new process,
// which a fresh open then finds. A captured tree is opened afresh at every listing, as its files
// may be replaced in between.
struct KeptStat {
    int fd = -1;
    uint64_t listing = 0; // the latest listing that saw the process
};

struct ProcTable {
    std::mutex mutex;
    std::string root;
    DIR* dir = nullptr; // kept only on the kernel's own /proc
    std::unordered_map<uint32_t, KeptStat> stats;
    uint64_t listing = 0;

    void Close() {
        for (auto& [pid, kept] : stats)
            ::close(kept.fd);
        stats.clear();
        if (dir)
            ::closedir(dir);
        dir = nullptr;
    }
};

ProcTable& TheProcTable() {
    static ProcTable* table = new ProcTable; // outlives every static reader
    return *table;
}

// Open stat files leave room for the program's own descriptors: a quarter of the limit at most.
size_t KeptStatLimit() {
    static const size_t limit = [] {
        rlimit files{};
        if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY)
            return size_t(1024);
        return std::min<size_t>(files.rlim_cur / 4, 8192);
    }();
    return limit;
}

std::optional<ProcessInfo> ReadKeptProcess(ProcTable& table, int proc_fd, uint32_t pid) {
    char buffer[kStatBuffer];
    auto it = table.stats.find(pid);
    if (it != table.stats.end()) {
        ssize_t n = ReadStat(it->second.fd, buffer);
        if (n > 0) {
            it->second.listing = table.listing;
            return ParseStat(pid, std::string_view(buffer, size_t(n)));
        }
        ::close(it->second.fd);
        table.stats.erase(it);
    }
    int fd = OpenStat(proc_fd, pid);
    if (fd < 0)
        return std::nullopt;
    ssize_t n = ReadStat(fd, buffer);
    if (n > 0 && table.stats.size() < KeptStatLimit())
        table.stats.emplace(pid, KeptStat{fd, table.listing});
    else
        ::close(fd);
    if (n <= 0)
        return std::nullopt;
    return ParseStat(pid, std::string_view(buffer, size_t(n)));
}

std::optional<ProcessInfo> ReadProcess(int proc_fd, uint32_t pid) {
    int fd = OpenStat(proc_fd, pid);
    if (fd < 0)
        return std::nullopt;
    char buffer[kStatBuffer];
    ssize_t n = ReadStat(fd, buffer);
    ::close(fd);
    if (n <= 0)
        return std::nullopt;
    return ParseStat(pid, std::string_view(buffer, size_t(n)));
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
        if (IsKernelPseudoFile(::dirfd(dir)))
            table.dir = dir;
    }
    bool kept = table.dir != nullptr;
    // /proc lists thread groups only; their threads are reachable by pid but not listed.
    thread_local std::vector<uint32_t> pids;
    pids.clear();
    while (dirent* entry = ::readdir(dir)) {
        if (std::optional<uint32_t> pid = ParseU32(entry->d_name))
            pids.push_back(*pid);
    }
    std::sort(pids.begin(), pids.end());
    processes.reserve(pids.size());
    int proc_fd = ::dirfd(dir);
    ++table.listing;
    for (uint32_t pid : pids) {
        std::optional<ProcessInfo> info =
            kept ? ReadKeptProcess(table, proc_fd, pid) : ReadProcess(proc_fd, pid);
        if (info)
            processes.push_back(std::move(*info));
    }
    if (kept) {
        // The files of processes no longer listed go.
        std::erase_if(table.stats, [&](const auto& entry) {
            if (entry.second.listing == table.listing)
                return false;
            ::close(entry.second.fd);
            return true;
        });
    } else {
        ::closedir(dir);
    }
    return processes;
}

} // namespace platform::host
