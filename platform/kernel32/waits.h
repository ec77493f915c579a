// Objects that a thread can wait for (threads, events, mutexes), and the wait that user32's
// MsgWaitForMultipleObjects shares.
#pragma once

#include "kernel32/handles.h"

#include <functional>

namespace platform {

class Waitable : public KernelObject {
public:
    enum class Take { Not, Taken, Abandoned };
    // All three are called with the wait lock held. A successful take consumes the signal of an
    // auto-reset event and gives a mutex to the calling thread; Abandoned is a mutex whose
    // owner ended without releasing it, taken now.
    virtual Take TryTakeLocked() = 0;
    // Undoes a take, when a wait for all objects finds one of them not signalled.
    virtual void GiveBackLocked() {}
    // Whether another process can signal the object: its waiters are not woken by this
    // process's signals and look again every little while.
    virtual bool SignalledElsewhere() const { return false; }
};

// Waits for one (or all) of the handles; `queue_ready`, when given, is asked between waits and
// ends the wait with WAIT_OBJECT_0 + count when it says so. The result is a WAIT_ value.
DWORD WaitForObjects(DWORD count, const HANDLE* handles, bool wait_all, DWORD milliseconds,
                     const std::function<bool()>& queue_ready);

} // namespace platform
