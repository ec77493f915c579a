// A second program using the layer, driven a line at a time: each line written to it is
// answered with one line.
#pragma once

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace peer {

class PeerProcess {
public:
    PeerProcess(const std::string& program, const std::string& argument) {
        // Close-on-exec, so that a second peer started meanwhile does not keep this one's input
        // open after this side closes it (dup2 gives the peer its own ends without the flag).
        int to[2], from[2];
        if (pipe2(to, O_CLOEXEC) != 0 || pipe2(from, O_CLOEXEC) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(to[0], 0);
            dup2(from[1], 1);
            close(to[1]);
            close(from[0]);
            execl(program.c_str(), program.c_str(), argument.c_str(), nullptr);
            _exit(127);
        }
        close(to[0]);
        close(from[1]);
        in_ = fdopen(to[1], "w");
        out_ = fdopen(from[0], "r");
    }
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;
    ~PeerProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            Wait();
        }
    }

    // Writes the line and returns the answer without its line end; empty when the peer ended.
    std::string Ask(const std::string& line) {
        if (!in_ || !out_)
            return {};
        std::fprintf(in_, "%s\n", line.c_str());
        std::fflush(in_);
        char answer[256];
        if (!std::fgets(answer, sizeof answer, out_))
            return {};
        std::string text = answer;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        return text;
    }

    // Ends the conversation and waits for the peer; its exit status, or -1.
    int Wait() {
        if (in_)
            std::fclose(in_);
        if (out_)
            std::fclose(out_);
        in_ = out_ = nullptr;
        int status = 0;
        if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_)
            return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    FILE* in_ = nullptr;
    FILE* out_ = nullptr;
};

} // namespace peer
