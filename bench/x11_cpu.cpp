// CPU time per second of the real program at its 1 Hz refresh, headless and on an Xvfb: the
// X11 presentation should cost little more than the headless one.
#include "present/x11/probe.h"
#include "../tests/e2e/program_dir.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Seconds of CPU the program used per second of running, over `seconds`.
double CpuPerSecond(const e2e::ProgramDir& folder, const std::string& display, int seconds) {
    e2e::RunningProgram program(
        folder, {display.empty() ? "PELMORA_PLATFORM_HEADLESS=1" : "DISPLAY=" + display});
    if (program.pid() <= 0)
        return -1;
    // Past the start, then one measured span.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    program.Signal(SIGSTOP);
    // The CPU used so far, from /proc, read while the program is stopped.
    auto cpu_of = [&] {
        FILE* f = std::fopen(("/proc/" + std::to_string(program.pid()) + "/stat").c_str(), "r");
        if (!f)
            return 0.0;
        char buffer[1024] = {};
        size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
        std::fclose(f);
        std::string stat(buffer, n);
        size_t at = stat.rfind(')');
        unsigned long utime = 0, stime = 0;
        std::sscanf(stat.c_str() + at + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu",
                    &utime, &stime);
        return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
    };
    const double before = cpu_of();
    program.Signal(SIGCONT);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    program.Signal(SIGSTOP);
    const double after = cpu_of();
    program.Signal(SIGCONT);
    program.Signal(SIGTERM);
    program.Wait(std::chrono::seconds(10));
    return (after - before) / seconds;
}

void BM_CpuPerSecond(benchmark::State& state, bool on_x) {
    // A program folder of its own, without plug-ins, the program run from it.
    const e2e::ProgramDir folder({.plugins = false});
    std::unique_ptr<platform::present::x11::VirtualServer> server;
    if (on_x) {
        server = std::make_unique<platform::present::x11::VirtualServer>(1280, 800);
        if (!server->running()) {
            state.SkipWithError("Xvfb cannot be started");
            return;
        }
    }
    double cpu = 0;
    for (auto _ : state)
        cpu = CpuPerSecond(folder, on_x ? server->display() : std::string(), 10);
    state.counters["cpu_ms_per_s"] = cpu * 1000.0;
}

BENCHMARK_CAPTURE(BM_CpuPerSecond, headless, false)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_CpuPerSecond, xvfb, true)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
