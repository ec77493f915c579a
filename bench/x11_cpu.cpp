// CPU time per second of the real program at its 1 Hz refresh, headless and on an Xvfb: the
// X11 presentation should cost little more than the headless one.
#include "present/x11/probe.h"
#include "testing/program_folder.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Seconds of CPU the program used per second of running, over `seconds`.
double CpuPerSecond(const platform::testing::ProgramFolder& folder, const std::string& display,
                    int seconds) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        if (!entry.starts_with("DISPLAY=") && !entry.starts_with("PELMORA_PLATFORM_"))
            env.push_back(entry);
    }
    env.push_back(display.empty() ? "PELMORA_PLATFORM_HEADLESS=1" : "DISPLAY=" + display);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = folder.program().string();
    char* argv[] = {program.data(), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
        return -1;
    // Past the start, then one measured span.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    kill(pid, SIGSTOP);
    // The CPU used so far, from /proc, read while the program is stopped.
    auto cpu_of = [&] {
        FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
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
    kill(pid, SIGCONT);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    kill(pid, SIGSTOP);
    const double after = cpu_of();
    kill(pid, SIGCONT);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return (after - before) / seconds;
}

void BM_CpuPerSecond(benchmark::State& state, bool on_x) {
    // A program folder of its own, the program run from it.
    const platform::testing::ProgramFolder folder("pelmora-bench-x11", {.executable = true});
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
