// One GetData of each built-in source, on this machine's own readings (the HDD temperature
// source on a simulated drive, as raw drives need rights the benchmark does not have).
#include "plugin_host/plugin_list.h"
#include "settings/drive_profile.h"
#include "shell/environment.h"
#include "shell/program.h"
#include "sources/internal_plugins.h"
#include "testing/desktop.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

struct Sources {
    Sources() {
        drives.Add(0, platform::testing::MakeIdentifySector("Bench drive"),
                   platform::testing::MakeSmartSector({{194, 40}}));
        SetDriveProfile(&profile);
        // Every sample reads the drive.
        profile.GetCategory("HDDTemperature")->SetInteger("Interval0", 1);
        pInternalPlugins = new CInternalPlugins();
        for (int i = 0; i < INTERNAL_PLUGIN_COUNT; ++i) {
            PMPPROCEDURES& entries = pInternalPlugins->pmpAddresses[i];
            entries.pfnInitialize(&info[i]);
            entries.pfnBeforeOperation(0, nullptr, 0, nullptr);
        }
    }
    platform::testing::SimulatedDrivesScope drives;
    CDriveProfile profile;
    PMPINFO info[INTERNAL_PLUGIN_COUNT] = {};
};

Sources& TheSources() {
    static Sources sources;
    return sources;
}

void GetData(benchmark::State& state) {
    TheSources();
    PMPPROCEDURES& entries = pInternalPlugins->pmpAddresses[state.range(0)];
    for (auto _ : state) {
        PMPDATA data = {};
        entries.pfnGetData(0, &data);
        benchmark::DoNotOptimize(data);
    }
}

// The processes on the machine now, for the figure per process.
int CountProcesses() {
    int processes = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string name = entry.path().filename().string();
        processes += !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
    }
    return processes;
}

void Processes(benchmark::State& state) {
    TheSources();
    PMPPROCEDURES& entries = pInternalPlugins->pmpAddresses[INTERNAL_PROCESSES];
    for (auto _ : state) {
        PMPDATA data = {};
        entries.pfnGetData(0, &data);
        benchmark::DoNotOptimize(data);
    }
    int processes = CountProcesses();
    state.counters["processes"] = processes;
    // Seconds of processor time per process and sample.
    state.counters["per_process"] = benchmark::Counter(
        processes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One sample of every source in turn, as a display with one row of each takes; with the
// argument 0 the Processes source is left out.
void AllSources(benchmark::State& state) {
    TheSources();
    bool with_processes = state.range(0) != 0;
    for (auto _ : state) {
        for (int i = 0; i < INTERNAL_PLUGIN_COUNT; ++i) {
            if (i == INTERNAL_PROCESSES && !with_processes)
                continue;
            PMPDATA data = {};
            pInternalPlugins->pmpAddresses[i].pfnGetData(0, &data);
            benchmark::DoNotOptimize(data);
        }
    }
}

} // namespace

BENCHMARK(GetData)
    ->ArgName("source")
    ->DenseRange(0, INTERNAL_PLUGIN_COUNT - 1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(Processes)->Unit(benchmark::kMicrosecond);
BENCHMARK(AllSources)->ArgName("processes")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
