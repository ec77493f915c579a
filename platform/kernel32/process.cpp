#include "kernel32/process.h"

#include "host/clock.h"
#include "host/process_info.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

// This thread's id once asked for; 0 before.
thread_local pid_t cached_thread_id = 0;

std::function<void(UINT)>& ExitHandler() {
    static std::function<void(UINT)> handler;
    return handler;
}

ReportedVersion reported_version{10, 0, 19045};

void ToSystemTime(const host::WallTime& t, LPSYSTEMTIME out) {
    out->wYear = WORD(t.year);
    out->wMonth = WORD(t.month);
    out->wDayOfWeek = WORD(t.day_of_week);
    out->wDay = WORD(t.day);
    out->wHour = WORD(t.hour);
    out->wMinute = WORD(t.minute);
    out->wSecond = WORD(t.second);
    out->wMilliseconds = WORD(t.millisecond);
}

} // namespace

void SetExitHandler(std::function<void(UINT)> handler) {
    ExitHandler() = std::move(handler);
}

void SetReportedVersion(ReportedVersion version) {
    reported_version = version;
}

} // namespace platform

PELMORA_BEGIN_EXTERN_C

void WINAPI ExitProcess(UINT uExitCode) {
    if (platform::ExitHandler())
        platform::ExitHandler()(uExitCode);
    std::fflush(nullptr);
    std::exit(int(uExitCode));
}

void WINAPI Sleep(DWORD dwMilliseconds) {
    platform::host::CurrentClock().Sleep(dwMilliseconds);
}

// Milliseconds since boot in 32 bits: wraps after 49.7 days, as the system's does.
DWORD WINAPI GetTickCount(void) {
    return DWORD(platform::host::CurrentClock().Now());
}

ULONGLONG WINAPI GetTickCount64(void) {
    return platform::host::CurrentClock().Now();
}

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    if (lpSystemTime)
        platform::ToSystemTime(platform::host::CurrentClock().Local(), lpSystemTime);
}

void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
    if (lpSystemTime)
        platform::ToSystemTime(platform::host::CurrentClock().Utc(), lpSystemTime);
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
    if (!lpVersionInformation ||
        (lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
         lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) + 8)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    lpVersionInformation->dwMajorVersion = platform::reported_version.major;
    lpVersionInformation->dwMinorVersion = platform::reported_version.minor;
    lpVersionInformation->dwBuildNumber = platform::reported_version.build;
    lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
    lpVersionInformation->szCSDVersion[0] = '\0';
    return TRUE;
}

DWORD WINAPI GetCurrentProcessId(void) {
    return DWORD(getpid());
}

DWORD WINAPI GetCurrentThreadId(void) {
    // Asked many times a second (every message and lock knows its thread): one system call per
    // thread. The thread of a forked child is another one, whose id is asked for again.
    static const bool reset_at_fork = [] {
        pthread_atfork(nullptr, nullptr, [] { platform::cached_thread_id = 0; });
        return true;
    }();
    (void)reset_at_fork;
    if (platform::cached_thread_id == 0)
        platform::cached_thread_id = pid_t(syscall(SYS_gettid));
    return DWORD(platform::cached_thread_id);
}

BOOL WINAPI IsBadWritePtr(LPVOID lp, UINT_PTR ucb) {
    return platform::host::IsRangeMapped(lp, ucb, true) ? FALSE : TRUE;
}

PELMORA_END_EXTERN_C
