// Threads, events, critical sections and the waits for them. All waitable objects share one
// lock and one condition: a signal wakes every waiter, which looks again at what it waits for.
#include "kernel32/waits.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

std::mutex& WaitLock() {
    static std::mutex lock;
    return lock;
}
std::condition_variable& WaitCondition() {
    static std::condition_variable condition;
    return condition;
}

class ThreadObject final : public Waitable {
public:
    bool done = false;
    DWORD exit_code = STILL_ACTIVE;
    bool SignalledLocked() const override { return done; }
};

class EventObject final : public Waitable {
public:
    bool manual = false;
    bool signalled = false;
    bool SignalledLocked() const override { return signalled; }
    void ConsumeLocked() override {
        if (!manual)
            signalled = false;
    }
};

// While the message queue is also watched, it is looked at this often.
constexpr auto kQueueSlice = std::chrono::milliseconds(5);

} // namespace

DWORD WaitForObjects(DWORD count, const HANDLE* handles, bool wait_all, DWORD milliseconds,
                     const std::function<bool()>& queue_ready) {
    if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && !handles) || (count == 0 && !queue_ready)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Waitable>> objects;
    for (DWORD i = 0; i < count; ++i) {
        auto object = FindKernelObjectAs<Waitable>(handles[i]);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(std::move(object));
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock lock(WaitLock());
    for (;;) {
        if (wait_all && count > 0) {
            bool all = true;
            for (auto& o : objects)
                all = all && o->SignalledLocked();
            if (all) {
                for (auto& o : objects)
                    o->ConsumeLocked();
                return WAIT_OBJECT_0;
            }
        } else {
            for (DWORD i = 0; i < count; ++i) {
                if (objects[i]->SignalledLocked()) {
                    objects[i]->ConsumeLocked();
                    return WAIT_OBJECT_0 + i;
                }
            }
        }
        if (queue_ready) {
            // The queue has its own lock; never hold both.
            lock.unlock();
            bool ready = queue_ready();
            lock.lock();
            if (ready)
                return WAIT_OBJECT_0 + count;
        }
        if (milliseconds == 0)
            return WAIT_TIMEOUT;
        auto until = milliseconds == INFINITE ? Clock::time_point::max() : deadline;
        if (queue_ready)
            until = std::min(until, Clock::now() + kQueueSlice);
        if (milliseconds != INFINITE && Clock::now() >= deadline)
            return WAIT_TIMEOUT;
        if (until == Clock::time_point::max())
            WaitCondition().wait(lock);
        else
            WaitCondition().wait_until(lock, until);
    }
}

} // namespace platform

using namespace platform;

PELMORA_BEGIN_EXTERN_C

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress,
                           LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
    if (!lpStartAddress || dwCreationFlags != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto object = std::make_shared<ThreadObject>();
    HANDLE handle = AddKernelObject(object);
    std::mutex started_lock;
    std::condition_variable started;
    DWORD id = 0;
    try {
        std::thread([object, lpStartAddress, lpParameter, &started_lock, &started, &id] {
            {
                std::lock_guard lock(started_lock);
                id = GetCurrentThreadId();
            }
            started.notify_one();
            DWORD result = lpStartAddress(lpParameter);
            std::lock_guard lock(WaitLock());
            object->exit_code = result;
            object->done = true;
            WaitCondition().notify_all();
        }).detach();
    } catch (const std::system_error&) {
        RemoveKernelObject(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::unique_lock lock(started_lock);
    started.wait(lock, [&] { return id != 0; });
    if (lpThreadId)
        *lpThreadId = id;
    return handle;
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    auto object = FindKernelObjectAs<ThreadObject>(hThread);
    if (!object || !lpExitCode) {
        SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(WaitLock());
    *lpExitCode = object->exit_code;
    return TRUE;
}

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                           LPCSTR lpName) {
    if (lpName) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto object = std::make_shared<EventObject>();
    object->manual = bManualReset != FALSE;
    object->signalled = bInitialState != FALSE;
    return AddKernelObject(object);
}

static BOOL SetEventState(HANDLE hEvent, bool signalled) {
    auto object = FindKernelObjectAs<EventObject>(hEvent);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(WaitLock());
    object->signalled = signalled;
    if (signalled)
        WaitCondition().notify_all();
    return TRUE;
}

BOOL WINAPI SetEvent(HANDLE hEvent) {
    return SetEventState(hEvent, true);
}

BOOL WINAPI ResetEvent(HANDLE hEvent) {
    return SetEventState(hEvent, false);
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    return WaitForObjects(1, &hHandle, false, dwMilliseconds, nullptr);
}

DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                    DWORD dwMilliseconds) {
    if (nCount == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    return WaitForObjects(nCount, lpHandles, bWaitAll != FALSE, dwMilliseconds, nullptr);
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    *lpCriticalSection = CRITICAL_SECTION{};
    lpCriticalSection->DebugInfo = new std::recursive_mutex;
    lpCriticalSection->LockCount = -1;
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    delete static_cast<std::recursive_mutex*>(lpCriticalSection->DebugInfo);
    lpCriticalSection->DebugInfo = nullptr;
}

// OwningThread and RecursionCount are kept as the system keeps them, for a reader in a
// debugger; only the owner writes them.
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    static_cast<std::recursive_mutex*>(lpCriticalSection->DebugInfo)->lock();
    lpCriticalSection->OwningThread = reinterpret_cast<HANDLE>(uintptr_t(GetCurrentThreadId()));
    lpCriticalSection->RecursionCount++;
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (!static_cast<std::recursive_mutex*>(lpCriticalSection->DebugInfo)->try_lock())
        return FALSE;
    lpCriticalSection->OwningThread = reinterpret_cast<HANDLE>(uintptr_t(GetCurrentThreadId()));
    lpCriticalSection->RecursionCount++;
    return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (--lpCriticalSection->RecursionCount == 0)
        lpCriticalSection->OwningThread = nullptr;
    static_cast<std::recursive_mutex*>(lpCriticalSection->DebugInfo)->unlock();
}

PELMORA_END_EXTERN_C
