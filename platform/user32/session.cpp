// SIGTERM, SIGINT and SIGHUP (its terminal closes) are this desktop's end of session: the program
// gets WM_QUERYENDSESSION and WM_ENDSESSION as the system sends them when the user logs off, so
// that stopping it from a terminal still runs its shutdown steps. A SIGHUP that the process was
// started ignoring (nohup) stays ignored. The handler only sets a flag and writes to a pipe;
// the message loop does the rest on the GUI thread. Only the first stop signal counts: the ones
// after it (a service manager's TERM and HUP together, Ctrl+C pressed again during the fade-out)
// are ignored, since any of them ending the process would lose what the shutdown steps save.
#include "user32/window_manager.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace platform::user32 {

namespace {

// Set by the first stop signal and not cleared while the process lives.
std::atomic<bool> stop_requested{false};
// Set once the end of session has begun.
std::atomic<bool> session_ending{false};
int session_pipe[2] = {-1, -1};

void OnSessionSignal(int) {
    int saved = errno;
    if (!stop_requested.exchange(true) && session_pipe[1] >= 0) {
        char byte = 1;
        [[maybe_unused]] ssize_t n = write(session_pipe[1], &byte, 1);
    }
    errno = saved;
}

void DrainSessionPipe() {
    if (session_pipe[0] >= 0) {
        char buffer[16];
        while (read(session_pipe[0], buffer, sizeof buffer) > 0) {
        }
    }
}

// The windows the session ends; *here tells whether the calling thread is the one to end it.
// That is the process's first thread, the program's, when it owns one of them: its shutdown may
// wait for a plug-in's thread to end, and that thread, were it sending the end, would wait for
// the first one. Without a window of the first thread's, any thread that owns one ends it.
std::vector<HWND> SessionWindows(bool* here = nullptr) {
    std::vector<HWND> tops;
    const uint32_t me = CurrentThread(), first = uint32_t(getpid());
    bool mine = false, firsts = false;
    std::lock_guard lock(DesktopLock());
    for (HWND h : TheDesktop().top_level) {
        if (auto w = FindWindowRecord(h); w && !w->destroying && !w->message_only) {
            tops.push_back(h);
            mine = mine || w->thread == me;
            firsts = firsts || w->thread == first;
        }
    }
    if (here)
        *here = mine && (me == first || !firsts);
    return tops;
}

[[noreturn]] void EndSessionOf(const std::vector<HWND>& tops) {
    session_ending = true;
    // ExitProcess does not come back in a program; where it unwinds instead (the test
    // desktop's exit trap), the process goes on as one whose session has not ended.
    struct Unwound {
        ~Unwound() {
            stop_requested = false;
            session_ending = false;
        }
    } unwound;
    // The session ends whatever the answers are, as it does when the system forces it.
    for (HWND h : tops)
        if (IsWindow(h))
            SendMessageA(h, WM_QUERYENDSESSION, 0, LPARAM(ENDSESSION_CRITICAL));
    for (HWND h : tops)
        if (IsWindow(h))
            SendMessageA(h, WM_ENDSESSION, TRUE, LPARAM(ENDSESSION_CRITICAL));
    ExitProcess(0);
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

int SessionWakeFd() {
    if (session_pipe[0] < 0)
        return -1;
    bool here = false;
    return SessionWindows(&here).empty() || here ? session_pipe[0] : -1;
}

bool SessionStopPending() {
    return stop_requested.load(std::memory_order_relaxed) && !session_ending;
}

void HandleSessionSignal() {
    if (!SessionStopPending())
        return;
    bool here = false;
    std::vector<HWND> tops = SessionWindows(&here);
    // Left to the thread that is to end it (see SessionWindows), which also watches for it.
    if (!tops.empty() && !here)
        return;
    DrainSessionPipe();
    // No window left to end: the program has closed its windows and is ending by itself (the
    // signal came while its window was closing), and its own shutdown saves. Ending the
    // process here would cut that short; the request stays, for a window made later.
    if (tops.empty())
        return;
    EndSessionOf(tops);
}

void EndSession() {
    EndSessionOf(SessionWindows());
}

} // namespace platform::user32
