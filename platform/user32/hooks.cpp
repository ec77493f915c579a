// WH_CALLWNDPROCRET hooks of this process. A hook for all threads reaches every thread of the
// process that installed it; other processes keep their own desktops, so it stops there.
//
// A chain runs newest first. Each thread keeps the chains it is running on a stack, so that
// CallNextHookEx, called from inside a procedure, knows which hook comes next; a hook that is
// removed meanwhile is passed over, and none is called once UnhookWindowsHookEx has returned.
// No lock is held while a procedure runs: it may send to a thread that is removing a hook.
#include "user32/hooks.h"

#include "user32/window_manager.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::user32 {

namespace {

struct Hook {
    HHOOK handle = nullptr;
    HOOKPROC proc = nullptr;
    DWORD thread = 0; // 0: every thread of the process
    bool removed = false;
};

struct Hooks {
    std::mutex lock;
    std::vector<std::shared_ptr<Hook>> installed; // oldest first
    uintptr_t next_handle = 0x30010;
};

Hooks& TheHooks() {
    static Hooks hooks;
    return hooks;
}

// The number of installed hooks, read without the lock on every sent message.
std::atomic<int> installed_count{0};

struct Chain {
    std::vector<std::shared_ptr<Hook>> hooks; // newest first
    size_t next = 0;
};
thread_local std::vector<Chain*> running_chains;

// Calls the next hook of the chain that is still installed; 0 when the chain has ended.
LRESULT CallNextInChain(Chain& chain, int code, WPARAM wparam, LPARAM lparam) {
    while (chain.next < chain.hooks.size()) {
        std::shared_ptr<Hook> hook = chain.hooks[chain.next++];
        {
            std::lock_guard lock(TheHooks().lock);
            if (hook->removed)
                continue;
        }
        return hook->proc(code, wparam, lparam);
    }
    return 0;
}

} // namespace

void RunCallWndProcRetHooks(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT result) {
    if (installed_count.load(std::memory_order_acquire) == 0)
        return;
    Chain chain;
    {
        DWORD me = GetCurrentThreadId();
        std::lock_guard lock(TheHooks().lock);
        auto& installed = TheHooks().installed;
        for (auto it = installed.rbegin(); it != installed.rend(); ++it)
            if ((*it)->thread == 0 || (*it)->thread == me)
                chain.hooks.push_back(*it);
    }
    if (chain.hooks.empty())
        return;
    CWPRETSTRUCT record{result, lparam, wparam, message, hwnd};
    running_chains.push_back(&chain);
    CallNextInChain(chain, HC_ACTION, TRUE, LPARAM(&record));
    running_chains.pop_back();
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

HHOOK WINAPI SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId) {
    if (idHook != WH_CALLWNDPROCRET) {
        SetLastError(ERROR_INVALID_HOOK_FILTER);
        return nullptr;
    }
    if (!lpfn) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // As the system does, a hook for every thread must name the library that holds it.
    if (dwThreadId == 0 && !hmod) {
        SetLastError(ERROR_HOOK_NEEDS_HMOD);
        return nullptr;
    }
    auto hook = std::make_shared<Hook>();
    hook->proc = lpfn;
    hook->thread = dwThreadId;
    std::lock_guard lock(TheHooks().lock);
    hook->handle = reinterpret_cast<HHOOK>(TheHooks().next_handle);
    TheHooks().next_handle += 4;
    TheHooks().installed.push_back(hook);
    installed_count.fetch_add(1, std::memory_order_release);
    return hook->handle;
}

BOOL WINAPI UnhookWindowsHookEx(HHOOK hhk) {
    std::lock_guard lock(TheHooks().lock);
    auto& installed = TheHooks().installed;
    for (auto it = installed.begin(); it != installed.end(); ++it) {
        if ((*it)->handle == hhk) {
            (*it)->removed = true;
            installed.erase(it);
            installed_count.fetch_sub(1, std::memory_order_release);
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
}

// The hook handle is not needed to find the next hook (as with the system, which ignores it).
LRESULT WINAPI CallNextHookEx(HHOOK, int nCode, WPARAM wParam, LPARAM lParam) {
    if (running_chains.empty())
        return 0;
    return CallNextInChain(*running_chains.back(), nCode, wParam, lParam);
}

PELMORA_END_EXTERN_C
