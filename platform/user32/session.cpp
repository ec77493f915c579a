// SIGTERM, SIGINT and SIGHUP (its terminal closes) are this desktop's end of session: the program
// gets WM_QUERYENDSESSION and WM_ENDSESSION as the system sends them when the user logs off, so
// that stopping it from a terminal still runs its shutdown steps. A SIGHUP that the process was
// started ignoring (nohup) stays ignored. The handler only sets a flag and writes to a pipe;
// the message loop does the rest on the GUI thread.
#include "user32/window_manager.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace platform::user32 {

namespace {

std::atomic<bool> session_ending{false};
int session_pipe[2] = {-1, -1};

void OnSessionSignal(int signal_number) {
    int saved = errno;
    // A second signal before the loop took the first: nothing is listening, so the signal
    // does what it does by default.
    if (session_ending.exchange(true)) {
        std::signal(signal_number, SIG_DFL);
        std::raise(signal_number);
    }
    if (session_pipe[1] >= 0) {
        char byte = 1;
        [[maybe_unused]] ssize_t n = write(session_pipe[1], &byte, 1);
    }
    errno = saved;
}

} // namespace

void InstallSessionSignals() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (pipe2(session_pipe, O_NONBLOCK | O_CLOEXEC) != 0)
            session_pipe[0] = session_pipe[1] = -1;
        struct sigaction action {};
        action.sa_handler = OnSessionSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
        struct sigaction hang_up {};
        if (sigaction(SIGHUP, nullptr, &hang_up) == 0 && hang_up.sa_handler != SIG_IGN)
            sigaction(SIGHUP, &action, nullptr);
    });
}

namespace {

// Taken from the start of the process: a stop signal that comes while the program is still
// starting waits for its message loop, which ends the session then, instead of killing the
// program before it could save anything.
const bool installed_at_load = (InstallSessionSignals(), true);

} // namespace

int SessionWakeFd() {
    return session_pipe[0];
}

void HandleSessionSignal() {
    if (!session_ending.load(std::memory_order_relaxed) || !session_ending.exchange(false))
        return;
    if (session_pipe[0] >= 0) {
        char buffer[16];
        while (read(session_pipe[0], buffer, sizeof buffer) > 0) {
        }
    }
    EndSession();
}

void EndSession() {
    std::vector<HWND> tops;
    {
        std::lock_guard lock(DesktopLock());
        for (HWND h : TheDesktop().top_level)
            if (auto w = FindWindowRecord(h); w && !w->destroying && !w->message_only)
                tops.push_back(h);
    }
    // The session ends whatever the answers are, as it does when the system forces it.
    for (HWND h : tops)
        if (IsWindow(h))
            SendMessageA(h, WM_QUERYENDSESSION, 0, LPARAM(ENDSESSION_CRITICAL));
    for (HWND h : tops)
        if (IsWindow(h))
            SendMessageA(h, WM_ENDSESSION, TRUE, LPARAM(ENDSESSION_CRITICAL));
    ExitProcess(0);
}

} // namespace platform::user32
