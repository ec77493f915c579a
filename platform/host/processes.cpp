#include "host/processes.h"

#include "host/root.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
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

// One process's stat file, read with one openat on the open /proc and one read.
std::optional<ProcessInfo> ReadProcess(int proc_fd, uint32_t pid) {
    char path[24];
    std::snprintf(path, sizeof path, "%u/stat", pid);
    int fd = ::openat(proc_fd, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char buffer[kStatBuffer];
    ssize_t n;
    do {
        n = ::read(fd, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0)
        return std::nullopt;
    std::string_view line(buffer, size_t(n));
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
    // A line cut short (a process in the middle of ending) is no process.
    if (!parent || !threads)
        return std::nullopt;
    info.parent_pid = *parent;
    info.threads = *threads;
    return info;
}

} // namespace

std::vector<ProcessInfo> ListProcesses() {
    std::vector<ProcessInfo> processes;
    DIR* dir = ::opendir(HostPath("/proc").c_str());
    if (!dir)
        return processes;
    // /proc lists thread groups only; their threads are reachable by pid but not listed.
    std::vector<uint32_t> pids;
    while (dirent* entry = ::readdir(dir)) {
        if (std::optional<uint32_t> pid = ParseU32(entry->d_name))
            pids.push_back(*pid);
    }
    std::sort(pids.begin(), pids.end());
    processes.reserve(pids.size());
    int proc_fd = ::dirfd(dir);
    for (uint32_t pid : pids) {
        if (std::optional<ProcessInfo> info = ReadProcess(proc_fd, pid))
            processes.push_back(std::move(*info));
    }
    ::closedir(dir);
    return processes;
}

} // namespace platform::host
