#include "host/processes.h"

#include "host/root.h"

#include <algorithm>
#include <optional>

namespace platform::host {

namespace {

std::optional<ProcessInfo> ReadProcess(uint32_t pid) {
    std::optional<std::string> status = ReadHostFile("/proc/" + std::to_string(pid) + "/status");
    if (!status)
        return std::nullopt;
    ProcessInfo info;
    info.pid = pid;
    for (std::string_view line : SplitLines(*status)) {
        size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string_view key = line.substr(0, colon);
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == '\t' || value.front() == ' '))
            value.remove_prefix(1);
        if (key == "Name") {
            info.name = value;
        } else if (key == "PPid") {
            info.parent_pid = uint32_t(ParseUnsigned(value).value_or(0));
        } else if (key == "Threads") {
            info.threads = uint32_t(ParseUnsigned(value).value_or(0));
        }
    }
    return info;
}

} // namespace

std::vector<ProcessInfo> ListProcesses() {
    // /proc lists thread groups only; their threads are reachable by pid but not listed.
    std::vector<uint32_t> pids;
    for (const std::string& name : ListHostDirectory("/proc")) {
        auto pid = ParseUnsigned(name);
        if (pid && *pid <= UINT32_MAX)
            pids.push_back(uint32_t(*pid));
    }
    std::sort(pids.begin(), pids.end());
    std::vector<ProcessInfo> processes;
    processes.reserve(pids.size());
    for (uint32_t pid : pids) {
        if (std::optional<ProcessInfo> info = ReadProcess(pid))
            processes.push_back(std::move(*info));
    }
    return processes;
}

} // namespace platform::host
