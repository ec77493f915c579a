#include "host/cpu.h"

#include "host/root.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <mutex>
#include <string>

#include <unistd.h>

namespace platform::host {

namespace {

// "0-3,6,8-9" -> 0 1 2 3 6 8 9; nothing for a malformed list.
std::optional<std::vector<unsigned>> ParseCpuList(std::string_view text) {
    std::vector<unsigned> cpus;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    while (!text.empty()) {
        size_t comma = text.find(',');
        std::string_view range = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        size_t dash = range.find('-');
        auto first = ParseUnsigned(range.substr(0, dash));
        auto last = dash == std::string_view::npos ? first : ParseUnsigned(range.substr(dash + 1));
        // A bound keeps a corrupt file from making billions of entries.
        if (!first || !last || *last < *first || *last >= 65536)
            return std::nullopt;
        for (unsigned long long cpu = *first; cpu <= *last; ++cpu)
            cpus.push_back(unsigned(cpu));
    }
    std::sort(cpus.begin(), cpus.end());
    cpus.erase(std::unique(cpus.begin(), cpus.end()), cpus.end());
    return cpus;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The "cpu MHz" of each "processor" block of /proc/cpuinfo, rounded to whole MHz.
std::map<unsigned, uint32_t> ParseCpuinfoMhz(std::string_view cpuinfo) {
    std::map<unsigned, uint32_t> mhz;
    std::optional<unsigned> processor;
    for (std::string_view line : SplitLines(cpuinfo)) {
        size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string_view key = Trim(line.substr(0, colon));
        std::string_view value = Trim(line.substr(colon + 1));
        if (key == "processor") {
            auto number = ParseUnsigned(value);
            processor = number ? std::optional<unsigned>(unsigned(*number)) : std::nullopt;
        } else if (key == "cpu MHz" && processor) {
            double value_mhz = 0;
            auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), value_mhz);
            if (error == std::errc() && value_mhz >= 0 && value_mhz < 4.0e9)
                mhz[*processor] = uint32_t(value_mhz + 0.5);
        }
    }
    return mhz;
}

// Whether the kernel's "cpu MHz" is a fixed figure. On x86 (the processors with a "flags" line)
// it is cpufreq's reading, else one from the APERF and MPERF counters ("aperfmperf" among the
// flags), else the clock measured at boot, the same at every read. Only the first processor's
// block is looked at: the flags are the machine's.
bool FixedCpuinfoMhz(std::string_view cpuinfo) {
    for (std::string_view line : SplitLines(cpuinfo)) {
        if (line.empty())
            break;
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || Trim(line.substr(0, colon)) != "flags")
            continue;
        for (std::string_view flag : SplitFields(line.substr(colon + 1))) {
            if (flag == "aperfmperf")
                return false;
        }
        return true;
    }
    return false;
}

// The clocks of /proc/cpuinfo, which the kernel makes afresh with every processor's flags at each
// read (some ten kilobytes, the dearest reading of all). Where the figures are fixed (a virtual
// machine, mostly) they are read once; a processor missing from them (one brought online since)
// has them read again.
struct CpuinfoClocks {
    std::mutex mutex;
    std::string root;
    bool fixed = false;
    std::map<unsigned, uint32_t> mhz;
};

CpuinfoClocks& TheCpuinfoClocks() {
    static CpuinfoClocks clocks;
    return clocks;
}

std::map<unsigned, uint32_t> CpuinfoMhz(const std::vector<unsigned>& cpus) {
    CpuinfoClocks& clocks = TheCpuinfoClocks();
    std::lock_guard lock(clocks.mutex);
    if (std::string root = Root(); root != clocks.root) {
        clocks.root = std::move(root);
        clocks.fixed = false;
    }
    if (clocks.fixed &&
        std::ranges::all_of(cpus, [&](unsigned cpu) { return clocks.mhz.contains(cpu); }))
        return clocks.mhz;
    thread_local std::string cpuinfo;
    bool from_kernel = false;
    if (!ReadHostFileInto("/proc/cpuinfo", cpuinfo, &from_kernel)) {
        clocks.fixed = false;
        return {};
    }
    clocks.mhz = ParseCpuinfoMhz(cpuinfo);
    clocks.fixed = from_kernel && FixedCpuinfoMhz(cpuinfo);
    return clocks.mhz;
}

std::string CpufreqFolder(unsigned cpu) {
    return "/sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/cpufreq/";
}

std::optional<uint32_t> FrequencyMhz(const std::string& folder, const char* file) {
    std::optional<long long> khz = ReadHostNumber(folder + file);
    if (!khz || *khz < 0)
        return std::nullopt;
    return uint32_t((*khz + 500) / 1000);
}

} // namespace

std::optional<CpuTimes> ReadCpuTimes() {
    thread_local std::string stat;
    if (!ReadHostFileInto("/proc/stat", stat))
        return std::nullopt;
    for (std::string_view line : SplitLines(stat)) {
        std::vector<std::string_view> fields = SplitFields(line);
        if (fields.empty() || fields[0] != "cpu")
            continue;
        // Older kernels give fewer columns; the missing ones count as 0.
        uint64_t values[8] = {};
        for (size_t i = 0; i < 8 && i + 1 < fields.size(); ++i) {
            auto value = ParseUnsigned(fields[i + 1]);
            if (!value)
                return std::nullopt;
            values[i] = *value;
        }
        if (fields.size() < 5)
            return std::nullopt;
        return CpuTimes{values[0], values[1], values[2], values[3],
                        values[4], values[5], values[6], values[7]};
    }
    return std::nullopt;
}

uint64_t ClockTicksPerSecond() {
    long ticks = ::sysconf(_SC_CLK_TCK);
    return ticks > 0 ? uint64_t(ticks) : 100;
}

std::vector<unsigned> OnlineCpus() {
    if (std::optional<std::string> online = ReadHostFile("/sys/devices/system/cpu/online")) {
        if (auto cpus = ParseCpuList(*online))
            return *cpus;
    }
    std::vector<unsigned> cpus;
    for (const auto& [number, mhz] : CpuinfoMhz({}))
        cpus.push_back(number);
    if (cpus.empty()) {
        // Without "cpu MHz" lines (some architectures) count the processor blocks themselves.
        if (std::optional<std::string> cpuinfo = ReadHostFile("/proc/cpuinfo")) {
            for (std::string_view line : SplitLines(*cpuinfo)) {
                size_t colon = line.find(':');
                if (colon != std::string_view::npos && Trim(line.substr(0, colon)) == "processor") {
                    if (auto number = ParseUnsigned(Trim(line.substr(colon + 1))))
                        cpus.push_back(unsigned(*number));
                }
            }
        }
    }
    if (cpus.empty())
        cpus.push_back(0);
    return cpus;
}

std::vector<CpuClock> ReadCpuClocks() {
    std::vector<CpuClock> clocks;
    std::map<unsigned, uint32_t> cpuinfo;
    bool cpuinfo_read = false;
    std::vector<unsigned> cpus = OnlineCpus();
    for (unsigned cpu : cpus) {
        CpuClock clock;
        clock.number = cpu;
        std::optional<uint32_t> current, max, limit;
        // Without cpufreq (virtual machines) one look at the folder saves four failing opens.
        std::string folder = CpufreqFolder(cpu);
        if (HostDirectoryExists("/sys/devices/system/cpu",
                                "cpu" + std::to_string(cpu) + "/cpufreq")) {
            current = FrequencyMhz(folder, "scaling_cur_freq");
            if (!current)
                current = FrequencyMhz(folder, "cpuinfo_cur_freq");
            max = FrequencyMhz(folder, "cpuinfo_max_freq");
            limit = FrequencyMhz(folder, "scaling_max_freq");
        }
        if (!current || !max) {
            if (!cpuinfo_read) {
                cpuinfo = CpuinfoMhz(cpus);
                cpuinfo_read = true;
            }
            auto it = cpuinfo.find(cpu);
            if (it != cpuinfo.end()) {
                if (!current)
                    current = it->second;
                // Nothing tells the maximum: the clock it runs at is the best guess.
                if (!max)
                    max = it->second;
            }
        }
        clock.current_mhz = current.value_or(0);
        clock.max_mhz = max.value_or(clock.current_mhz);
        clock.limit_mhz = limit.value_or(clock.max_mhz);
        clocks.push_back(clock);
    }
    return clocks;
}

} // namespace platform::host
