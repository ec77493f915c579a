// Objects that a thread can wait for (threads, events), and the wait that user32's
// MsgWaitForMultipleObjects shares.
#pragma once

#include "kernel32/handles.h"

#include <functional>

namespace platform {

class Waitable : public KernelObject {
public:
    // Both are called with the wait lock held.
    virtual bool SignalledLocked() const = 0;
    // A successful wait takes the signal of an auto-reset event.
    virtual void ConsumeLocked() {}
};

// Waits for one (or all) of the handles; `queue_ready`, when given, is asked between waits and
// ends the wait with WAIT_OBJECT_0 + count when it says so. The result is a WAIT_ value.
DWORD WaitForObjects(DWORD count, const HANDLE* handles, bool wait_all, DWORD milliseconds,
                     const std::function<bool()>& queue_ready);

} // namespace platform
