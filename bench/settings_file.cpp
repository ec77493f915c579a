// Loading and saving a large settings file: about 5 MB of 262,000 sibling categories, each
// holding one key. The goal is a load in at most 2 s with at most 100 MB resident; the counters
// report the process's resident memory after the load and its peak.
#include "settings/drive_profile.h"

#include "host/paths.h"
#include "testing/temporary_folder.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int SIBLINGS = 262000;

// A value of /proc/self/status in megabytes ("VmRSS", "VmHWM").
double StatusMegabytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stod(line.substr(field.size() + 1)) / 1024.0;
    }
    return 0;
}

struct LargeFile {
    LargeFile() {
        std::string text;
        text.reserve(size_t(SIBLINGS) * 20);
        char line[64];
        for (int i = 0; i < SIBLINGS; ++i) {
            int n = std::snprintf(line, sizeof line, "C%06d[\r\n\tK=1\r\n]\r\n", i);
            text.append(line, size_t(n));
        }
        size = text.size();
        std::ofstream(folder / "Pelmora.pmu", std::ios::binary) << text;
        path = platform::host::LinuxToWindowsPath((folder / "Pelmora.pmu").string());
        saved = platform::host::LinuxToWindowsPath((folder / "Saved.pmu").string());
    }
    const platform::testing::TemporaryFolder folder{"pelmora-bench-settings"};
    std::string path;
    std::string saved;
    size_t size = 0;
};

LargeFile& TheFile() {
    static LargeFile file;
    return file;
}

void LoadLargeFile(benchmark::State& state) {
    LargeFile& file = TheFile();
    double resident = 0;
    const double before = StatusMegabytes("VmRSS");
    for (auto _ : state) {
        auto profile = std::make_unique<CDriveProfile>();
        if (!profile->Load(file.path.c_str()) || profile->GetRoot()->Count() != SIBLINGS) {
            state.SkipWithError("the file did not load whole");
            break;
        }
        state.PauseTiming();
        resident = StatusMegabytes("VmRSS");
        profile.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size));
    state.counters["file_MB"] = double(file.size) / (1024.0 * 1024.0);
    state.counters["resident_MB"] = resident;
    state.counters["resident_before_MB"] = before;
    state.counters["peak_resident_MB"] = StatusMegabytes("VmHWM");
}

void SaveLargeFile(benchmark::State& state) {
    LargeFile& file = TheFile();
    CDriveProfile profile;
    profile.Load(file.path.c_str());
    for (auto _ : state) {
        if (!profile.Save(file.saved.c_str())) {
            state.SkipWithError("the file was not written");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size));
    state.counters["peak_resident_MB"] = StatusMegabytes("VmHWM");
}

} // namespace

BENCHMARK(LoadLargeFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SaveLargeFile)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
