// Threads, events, mutexes, critical sections and the waits for them. All waitable objects
// share one lock and one condition: a signal wakes every waiter, which looks again at what it
// waits for.
//
// A mutex is a robust, recursive pthread mutex in a file of its own (kernel32/named_objects.h),
// so a named one is the same mutex in every process of its user that opens it, and one whose
// owning thread or process ends unreleased is handed to the next waiter as abandoned.
#include "kernel32/named_objects.h"
#include "kernel32/waits.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <sys/mman.h>
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

using Take = Waitable::Take;

class ThreadObject final : public Waitable {
public:
    bool done = false;
    DWORD exit_code = STILL_ACTIVE;
    Take TryTakeLocked() override { return done ? Take::Taken : Take::Not; }
};

class EventObject final : public Waitable {
public:
    bool manual = false;
    bool signalled = false;
    Take TryTakeLocked() override {
        if (!signalled)
            return Take::Not;
        if (!manual)
            signalled = false;
        return Take::Taken;
    }
    void GiveBackLocked() override { signalled = true; }
};

// This process's view of a mutex's file.
struct MutexMemory {
    std::shared_ptr<SharedFile> file;
    pthread_mutex_t* mutex = nullptr;
    ~MutexMemory() { munmap(mutex, sizeof *mutex); }
};

// The mutexes that threads of this process hold, once per take. The kernel finds a mutex that
// its owner leaves behind at the owner's end through the mutex itself, so its memory stays
// mapped while it is held, even after its last handle is closed.
std::vector<std::shared_ptr<MutexMemory>>& HeldHereLocked() {
    static std::vector<std::shared_ptr<MutexMemory>> held;
    return held;
}

class MutexObject final : public Waitable {
public:
    std::shared_ptr<MutexMemory> memory;

    Take TryTakeLocked() override { return Taken(pthread_mutex_trylock(memory->mutex)); }
    void GiveBackLocked() override { ReleaseLocked(); }
    bool SignalledElsewhere() const override { return memory->file->named(); }

    // A wait for this mutex alone, which sleeps in the mutex itself; called without the lock.
    DWORD WaitAlone(DWORD milliseconds) {
        int result;
        if (milliseconds == INFINITE) {
            result = pthread_mutex_lock(memory->mutex);
        } else {
            timespec until{};
            clock_gettime(CLOCK_MONOTONIC, &until);
            until.tv_sec += milliseconds / 1000;
            until.tv_nsec += long(milliseconds % 1000) * 1000000;
            if (until.tv_nsec >= 1000000000) {
                until.tv_sec++;
                until.tv_nsec -= 1000000000;
            }
            result = pthread_mutex_clocklock(memory->mutex, CLOCK_MONOTONIC, &until);
        }
        std::lock_guard lock(WaitLock());
        switch (Taken(result)) {
        case Take::Taken:
            return WAIT_OBJECT_0;
        case Take::Abandoned:
            return WAIT_ABANDONED_0;
        case Take::Not:
            break;
        }
        if (result == ETIMEDOUT)
            return WAIT_TIMEOUT;
        SetLastError(ERROR_GEN_FAILURE);
        return WAIT_FAILED;
    }

    bool ReleaseLocked() {
        if (pthread_mutex_unlock(memory->mutex) != 0)
            return false;
        auto& held = HeldHereLocked();
        held.erase(std::find(held.begin(), held.end(), memory));
        WaitCondition().notify_all();
        return true;
    }

private:
    // What a lock call's result means; a mutex taken is noted as held here.
    Take Taken(int result) {
        auto& held = HeldHereLocked();
        if (result == EOWNERDEAD) {
            pthread_mutex_consistent(memory->mutex);
            // The takes of a thread of this process that ended holding it end with it: kept,
            // they would keep the mutex's memory, and so its name, for as long as the process.
            std::erase(held, memory);
        } else if (result != 0) {
            return Take::Not;
        }
        held.push_back(memory);
        return result == EOWNERDEAD ? Take::Abandoned : Take::Taken;
    }
};

// Writes a new mutex into its file: free, recursive, shared between processes, robust.
bool PrepareMutex(int fd) {
    void* address =
        mmap(nullptr, sizeof(pthread_mutex_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED)
        return false;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    bool made = pthread_mutex_init(static_cast<pthread_mutex_t*>(address), &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    munmap(address, sizeof(pthread_mutex_t));
    return made;
}

// A handle of the mutex in the file; null with the error set when it cannot be mapped.
HANDLE AddMutex(std::shared_ptr<SharedFile> file, std::shared_ptr<MutexObject>* added = nullptr) {
    // Its size as it is now: a mapping past the file's end would fault at the first touch.
    if (CurrentSize(*file) < sizeof(pthread_mutex_t)) {
        SetLastError(ERROR_INVALID_HANDLE); // not a mutex this layer made
        return nullptr;
    }
    void* address =
        mmap(nullptr, sizeof(pthread_mutex_t), PROT_READ | PROT_WRITE, MAP_SHARED, file->fd, 0);
    if (address == MAP_FAILED) {
        SetLastError(ErrorOfErrno(errno));
        return nullptr;
    }
    auto object = std::make_shared<MutexObject>();
    object->memory = std::make_shared<MutexMemory>();
    object->memory->file = std::move(file);
    object->memory->mutex = static_cast<pthread_mutex_t*>(address);
    if (added)
        *added = object;
    return AddKernelObject(object);
}

// The result of a wait that has taken what it waited for, or nothing yet. For all objects, every
// one is taken or none is.
std::optional<DWORD> TryTakeLocked(const std::vector<std::shared_ptr<Waitable>>& objects,
                                   bool wait_all) {
    std::optional<DWORD> abandoned;
    for (size_t i = 0; i < objects.size(); ++i) {
        Take take = objects[i]->TryTakeLocked();
        if (!wait_all && take != Take::Not)
            return (take == Take::Abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + DWORD(i);
        if (!wait_all)
            continue;
        if (take == Take::Not) {
            for (size_t j = i; j-- > 0;)
                objects[j]->GiveBackLocked();
            return std::nullopt;
        }
        if (take == Take::Abandoned && !abandoned)
            abandoned = WAIT_ABANDONED_0 + DWORD(i);
    }
    if (!wait_all || objects.empty())
        return std::nullopt;
    return abandoned.value_or(WAIT_OBJECT_0);
}

// While the message queue is also watched, it is looked at this often; an object that another
// process may signal, more often.
constexpr auto kQueueSlice = std::chrono::milliseconds(5);
constexpr auto kElsewhereSlice = std::chrono::milliseconds(1);

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
    if (count == 1 && !queue_ready)
        if (auto mutex = std::dynamic_pointer_cast<MutexObject>(objects[0]))
            return mutex->WaitAlone(milliseconds);
    bool elsewhere = std::any_of(objects.begin(), objects.end(),
                                 [](const auto& o) { return o->SignalledElsewhere(); });
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock lock(WaitLock());
    for (;;) {
        if (std::optional<DWORD> taken = TryTakeLocked(objects, wait_all))
            return *taken;
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
        if (elsewhere)
            until = std::min(until, Clock::now() + kElsewhereSlice);
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

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName) {
    DWORD error = ERROR_SUCCESS;
    auto file =
        lpName && lpName[0]
            ? CreateOrOpenNamed(lpName, NamedKind::Mutex, sizeof(pthread_mutex_t), PrepareMutex,
                                &error)
            : CreateUnnamed(NamedKind::Mutex, sizeof(pthread_mutex_t), PrepareMutex, &error);
    if (!file) {
        SetLastError(error);
        return nullptr;
    }
    std::shared_ptr<MutexObject> mutex;
    HANDLE handle = AddMutex(std::move(file), &mutex);
    if (!handle)
        return nullptr;
    // Only the creator takes it at once; a mutex that existed is only opened. Another process
    // that opens it first may take it before the creator: the creator then waits for it.
    if (bInitialOwner && error != ERROR_ALREADY_EXISTS)
        mutex->WaitAlone(INFINITE);
    SetLastError(error);
    return handle;
}

HANDLE WINAPI OpenMutexA(DWORD, BOOL, LPCSTR lpName) {
    if (!lpName || !lpName[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD error = ERROR_SUCCESS;
    auto file = OpenNamed(lpName, NamedKind::Mutex, &error);
    if (!file) {
        SetLastError(error);
        return nullptr;
    }
    return AddMutex(std::move(file));
}

BOOL WINAPI ReleaseMutex(HANDLE hMutex) {
    auto mutex = FindKernelObjectAs<MutexObject>(hMutex);
    if (!mutex) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(WaitLock());
    if (!mutex->ReleaseLocked()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
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
