// The real program, run headless in a temporary program folder: its processor time per second at
// the one-second update (the default two rows, and one row of every built-in source) beside
// that of a bare listing of /proc at the same rate, its resident size and wake-ups, the time to its
// first frame, and one headless snapshot of its default window.
#include "present/snapshot.h"

#include "../tests/e2e/program_dir.h"

#include <benchmark/benchmark.h>

#include <png.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include <csignal>

#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The time measured once the program has settled, and the time it is given to settle.
constexpr auto kMeasured = 10s;
constexpr auto kSettle = 2s;

constexpr char kEverySource[] = "GraphDetail[\r\n"
                                "\tNumberOfGraphs=11\r\n"
                                "\tGraph0=Internal:VirtualMemory|0\r\n"
                                "\tGraph1=Internal:PhysicalMemory|0\r\n"
                                "\tGraph2=Internal:CPUUsage|0\r\n"
                                "\tGraph3=Internal:DateAndTime|0\r\n"
                                "\tGraph4=Internal:Processes|0\r\n"
                                "\tGraph5=Internal:NetworkSpeed|0\r\n"
                                "\tGraph6=Internal:RunningTime|0\r\n"
                                "\tGraph7=Internal:CPUClock|0\r\n"
                                "\tGraph8=Internal:Battery|0\r\n"
                                "\tGraph9=Internal:HDDTemperature|0\r\n"
                                "\tGraph10=Internal:HDDUsage|0\r\n"
                                "]\r\n";

constexpr char kNoFade[] = "MainWindow[\r\n"
                           "\tFade=0\r\n"
                           "]\r\n";

// Processor time of every thread of a process, in nanoseconds (the first field of each thread's
// schedstat), and its context switches.
struct Usage {
    uint64_t cpu_ns = 0;
    uint64_t switches = 0;
};

Usage UsageOf(pid_t pid) {
    Usage usage;
    fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : fs::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        uint64_t ns = 0;
        if (schedstat >> ns)
            usage.cpu_ns += ns;
        std::ifstream status(task.path() / "status");
        std::string key;
        uint64_t value = 0;
        while (status >> key) {
            if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
                if (status >> value)
                    usage.switches += value;
            }
        }
    }
    return usage;
}

double ResidentMegabytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        double kib = 0;
        if (key == "VmRSS:" && status >> kib)
            return kib / 1024;
    }
    return 0;
}

void Stop(e2e::RunningProgram& program) {
    program.Signal(SIGTERM);
    program.Wait(10s);
}

// The processor time per second of a process that has settled, its wake-ups and its resident
// size, as counters; false when it ended before it was measured.
bool Measure(benchmark::State& state, pid_t pid, const std::function<bool()>& ended) {
    std::this_thread::sleep_for(kSettle);
    if (ended())
        return false;
    Usage before = UsageOf(pid);
    auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(kMeasured);
    Usage after = UsageOf(pid);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["cpu_ms_per_s"] = double(after.cpu_ns - before.cpu_ns) / 1e6 / seconds;
    state.counters["wakeups_per_s"] = double(after.switches - before.switches) / seconds;
    state.counters["resident_mb"] = ResidentMegabytes(pid);
    state.SetIterationTime(seconds);
    return true;
}

void CpuPerSecond(benchmark::State& state, const char* settings) {
    for (auto _ : state) {
        e2e::ProgramDir dir;
        if (settings)
            dir.WriteSettings(settings);
        e2e::RunningProgram program(dir, {"PELMORA_PLATFORM_HEADLESS=1"});
        if (!Measure(state, program.pid(), [&] { return program.Wait(0ms).has_value(); })) {
            state.SkipWithError(("the program ended: " + program.Errors()).c_str());
            break;
        }
        Stop(program);
    }
}

void ProgramDefaultRows(benchmark::State& state) {
    CpuPerSecond(state, nullptr);
}
void ProgramEverySource(benchmark::State& state) {
    CpuPerSecond(state, kEverySource);
}
BENCHMARK(ProgramDefaultRows)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(ProgramEverySource)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The machine's own floor beside the program: a minimal program that lists /proc once a
// second and reads no file of any process, measured the same way.
void ProcListing(benchmark::State& state) {
    for (auto _ : state) {
        char program[] = PELMORA_PROC_LISTING;
        char* argv[] = {program, nullptr};
        pid_t pid = -1;
        if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("the listing program did not start");
            break;
        }
        bool measured = Measure(state, pid, [&] { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        if (!measured) {
            state.SkipWithError("the listing program ended");
            break;
        }
    }
}
BENCHMARK(ProcListing)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// From the start of the process to its first picture on the headless desktop, the fade off.
void FirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        e2e::ProgramDir dir;
        dir.WriteSettings(kNoFade);
        fs::path snapshots = dir.path() / "snapshots";
        fs::create_directories(snapshots);
        auto start = std::chrono::steady_clock::now();
        e2e::RunningProgram program(dir, {"PELMORA_PLATFORM_HEADLESS=1",
                                          "PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string()});
        bool shown = e2e::WaitFor([&] { return !fs::is_empty(snapshots); }, 10s);
        auto end = std::chrono::steady_clock::now();
        Stop(program);
        if (!shown) {
            state.SkipWithError("no picture");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(FirstFrame)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// The default window's own picture, as the program wrote it, read back into a surface.
std::optional<platform::gdi::Surface> DefaultWindowSurface() {
    e2e::ProgramDir dir;
    fs::path snapshots = dir.path() / "snapshots";
    fs::create_directories(snapshots);
    fs::path png = snapshots / "Pelmora.png";
    e2e::RunningProgram program(
        dir, {"PELMORA_PLATFORM_HEADLESS=1", "PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string()});
    // The fade has ended after a second and a half.
    std::this_thread::sleep_for(2500ms);
    Stop(program);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, png.c_str()))
        return std::nullopt;
    image.format = PNG_FORMAT_BGRA;
    platform::gdi::Surface surface;
    surface.width = int(image.width);
    surface.height = int(image.height);
    surface.pixels.resize(size_t(image.width) * image.height);
    bool read = png_image_finish_read(&image, nullptr, surface.pixels.data(), 0, nullptr) != 0;
    png_image_free(&image);
    if (!read)
        return std::nullopt;
    for (uint32_t& pixel : surface.pixels)
        pixel &= 0xFFFFFF;
    return surface;
}

void Snapshot(benchmark::State& state) {
    std::optional<platform::gdi::Surface> surface = DefaultWindowSurface();
    if (!surface) {
        state.SkipWithError("no picture of the default window");
        return;
    }
    e2e::ProgramDir dir({.resources = false, .plugins = false});
    std::string path = (dir.path() / "snapshot.png").string();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            platform::present::WriteSurfacePng(*surface, path, 255, std::nullopt));
    state.counters["width"] = surface->width;
    state.counters["height"] = surface->height;
    state.counters["bytes"] = double(fs::file_size(path));
}
BENCHMARK(Snapshot)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
