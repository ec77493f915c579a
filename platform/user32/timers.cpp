#include "user32/window_manager.h"

#include "host/clock.h"

#include <algorithm>

namespace platform::user32 {

namespace {

bool TakenWith(const Timer& t, HWND filter) {
    if (filter == reinterpret_cast<HWND>(-1))
        return t.hwnd == nullptr;
    return !filter || t.hwnd == filter;
}

} // namespace

std::optional<uint64_t> NextTimerDueLocked(uint32_t thread, HWND filter) {
    std::optional<uint64_t> next;
    for (const Timer& t : TheDesktop().timers)
        if (t.thread == thread && TakenWith(t, filter) && (!next || t.due < *next))
            next = t.due;
    return next;
}

// A timer gives one WM_TIMER however many periods have passed, and its next period starts when
// that message is taken: the system's timers do not catch up.
bool TakeDueTimerLocked(uint32_t thread, HWND filter, bool remove, MSG& out) {
    uint64_t now = host::CurrentClock().Now();
    Timer* best = nullptr;
    for (Timer& t : TheDesktop().timers) {
        if (t.thread != thread || t.due > now)
            continue;
        if (!TakenWith(t, filter))
            continue;
        if (!best || t.due < best->due)
            best = &t;
    }
    if (!best)
        return false;
    out = MSG{best->hwnd, WM_TIMER,           best->id, reinterpret_cast<LPARAM>(best->proc),
              DWORD(now), TheDesktop().cursor};
    if (remove)
        best->due = now + best->elapse;
    return true;
}

std::optional<uint64_t> NextTimerDue() {
    std::lock_guard lock(DesktopLock());
    return NextTimerDueLocked(CurrentThread());
}

void KillTimersOfLocked(HWND hwnd) {
    std::erase_if(TheDesktop().timers, [&](const Timer& t) { return t.hwnd == hwnd; });
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    std::lock_guard lock(DesktopLock());
    Desktop& d = TheDesktop();
    if (hWnd) {
        auto w = WindowOrError(hWnd);
        if (!w)
            return 0;
        if (w->thread != CurrentThread()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    uElapse = std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    uint64_t due = platform::host::CurrentClock().Now() + uElapse;
    uint32_t me = CurrentThread();
    // The same window and identifier (or a thread timer's own identifier) replace the timer.
    for (Timer& t : d.timers) {
        if (t.hwnd == hWnd && t.id == nIDEvent && (hWnd || t.thread == me)) {
            t.elapse = uElapse;
            t.due = due;
            t.proc = lpTimerFunc;
            return hWnd ? (nIDEvent ? nIDEvent : 1) : nIDEvent;
        }
    }
    UINT_PTR id = nIDEvent;
    if (!hWnd) {
        do {
            id = d.next_thread_timer++;
            if (d.next_thread_timer == 0)
                d.next_thread_timer = 0x7FF0;
        } while (std::any_of(d.timers.begin(), d.timers.end(),
                             [&](const Timer& t) { return !t.hwnd && t.id == id; }));
    }
    d.timers.push_back(Timer{hWnd, id, me, uElapse, due, lpTimerFunc});
    QueueOf(me).Wake();
    return hWnd ? (nIDEvent ? nIDEvent : 1) : id;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    std::lock_guard lock(DesktopLock());
    auto& timers = TheDesktop().timers;
    uint32_t me = CurrentThread();
    auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) {
        return t.hwnd == hWnd && t.id == uIDEvent && (hWnd || t.thread == me);
    });
    if (it == timers.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    timers.erase(it);
    return TRUE;
}

PELMORA_END_EXTERN_C
