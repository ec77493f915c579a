// MsgWaitForMultipleObjects: kernel32's wait, also ended by input in the calling thread's queue.
#include "kernel32/waits.h"
#include "user32/window_manager.h"

#include "host/clock.h"

#include <poll.h>

namespace platform::user32 {

namespace {

// Whether the calling thread's queue holds input of a kind in the mask. What is there counts,
// whether or not the thread looked at it before.
bool QueueHasLocked(DWORD mask) {
    uint32_t me = CurrentThread();
    ThreadQueue& q = QueueOf(me);
    if ((mask & QS_SENDMESSAGE) && !q.sent.empty())
        return true;
    if ((mask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) && (!q.posted.empty() || q.quit))
        return true;
    if ((mask & QS_INPUT) && !q.input.empty())
        return true;
    if (mask & QS_PAINT)
        for (auto& [hwnd, w] : TheDesktop().windows)
            if (w->thread == me && w->update_pending && IsVisibleLocked(*w))
                return true;
    if (mask & QS_TIMER) {
        auto due = NextTimerDueLocked(me);
        if (due && *due <= host::CurrentClock().Now())
            return true;
    }
    return false;
}

// Whether a stop signal waits to be turned into the end of the session. That end is sent to the
// windows as messages, so a thread that waits for sent messages wakes for it: otherwise a wait
// that never ends (an object whose holder never lets go) would keep the first signal from ever
// ending the program.
bool SessionEndPending() {
    if (!SessionStopPending())
        return false;
    pollfd session{SessionWakeFd(), POLLIN, 0};
    return session.fd >= 0 && poll(&session, 1, 0) == 1;
}

} // namespace

} // namespace platform::user32

PELMORA_BEGIN_EXTERN_C

DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                       DWORD dwMilliseconds, DWORD dwWakeMask) {
    using namespace platform::user32;
    return platform::WaitForObjects(nCount, pHandles, fWaitAll != FALSE, dwMilliseconds, [&] {
        if ((dwWakeMask & QS_SENDMESSAGE) && SessionEndPending())
            return true;
        std::lock_guard lock(DesktopLock());
        return QueueHasLocked(dwWakeMask);
    });
}

PELMORA_END_EXTERN_C
