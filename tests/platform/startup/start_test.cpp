// Loading the layer does nothing by itself: a process that links it, without the program's
// start, keeps its own stop-signal handling and opens no display, whatever DISPLAY says.
#include "testing/signals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct ProbeRun {
    int status = -1;
    std::string output;
};

// Runs the probe with the test's environment less any display or setting of the layer's, plus
// `extra`; gives up (status -1) after 30 s.
ProbeRun RunProbe(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (!entry.starts_with("DISPLAY=") && !entry.starts_with("PELMORA_PLATFORM_"))
            env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    ProbeRun run;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::string program = PELMORA_LAYER_PROBE;
    char* argv[] = {program.data(), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return run;
    }
    char buffer[256];
    pollfd pfd{out[0], POLLIN, 0};
    while (poll(&pfd, 1, 30'000) == 1) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        run.output.append(buffer, size_t(n));
    }
    close(out[0]);
    const std::optional<int> status = platform::testing::EndOfChild(pid, 30);
    if (!status)
        return run;
    run.status = WIFEXITED(*status) ? WEXITSTATUS(*status) : 128 + WTERMSIG(*status);
    return run;
}

// A display number no server of this machine is expected to hold.
std::string UnusedDisplay() {
    return ":" + std::to_string(60000 + getpid() % 5000);
}

// What the probe is to find for a signal: this process's own way with it, since a signal
// ignored here (a run under nohup) stays ignored in the child, and a handler becomes the default.
std::string Inherited(int signal) {
    struct sigaction action {};
    sigaction(signal, nullptr, &action);
    return action.sa_handler == SIG_IGN ? "ignored" : "default";
}

TEST(LayerStart, LoadingTheLayerTakesNoSignalAndOpensNoDisplay) {
    const std::string expected = "window made\nSIGTERM " + Inherited(SIGTERM) + "\nSIGINT " +
                                 Inherited(SIGINT) + "\nSIGHUP " + Inherited(SIGHUP) +
                                 "\nX not mapped\n";
    const struct {
        const char* what;
        std::vector<std::string> environment;
    } cases[] = {
        {"no display", {}},
        {"a display without a server", {"DISPLAY=" + UnusedDisplay()}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ProbeRun run = RunProbe(c.environment);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, expected);
    }
}

} // namespace
