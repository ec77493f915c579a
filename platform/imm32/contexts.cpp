// Input contexts. Each thread has one default context, which its windows share until
// ImmAssociateContext gives a window another one, or none. The open status is all the state a
// context keeps here: there is no composition.
#include "user32/window_manager.h"

#include <imm.h>

#include <map>
#include <mutex>
#include <vector>

namespace platform::imm32 {

namespace {

struct Contexts {
    std::mutex lock;
    std::map<HIMC, bool> open;               // every context and its open status
    std::map<uint32_t, HIMC> thread_default; // by thread
    std::map<HWND, HIMC> associated;         // windows given another context (null: none)
    uintptr_t next_handle = 0x40010;
};

Contexts& TheContexts() {
    static Contexts contexts;
    return contexts;
}

// The context of a window of `thread`; the thread's default is made on first use.
HIMC ContextOfLocked(Contexts& c, HWND hwnd, uint32_t thread) {
    if (auto it = c.associated.find(hwnd); it != c.associated.end())
        return it->second;
    HIMC& himc = c.thread_default[thread];
    if (!himc) {
        himc = reinterpret_cast<HIMC>(c.next_handle);
        c.next_handle += 4;
        c.open[himc] = false;
    }
    return himc;
}

} // namespace

} // namespace platform::imm32

using namespace platform;
using namespace platform::imm32;

PELMORA_BEGIN_EXTERN_C

HIMC WINAPI ImmGetContext(HWND hWnd) {
    auto w = user32::FindWindowRecord(hWnd);
    if (!w)
        return nullptr;
    Contexts& c = TheContexts();
    std::lock_guard lock(c.lock);
    return ContextOfLocked(c, hWnd, w->thread);
}

BOOL WINAPI ImmReleaseContext(HWND, HIMC hIMC) {
    return hIMC ? TRUE : FALSE;
}

BOOL WINAPI ImmGetOpenStatus(HIMC hIMC) {
    Contexts& c = TheContexts();
    std::lock_guard lock(c.lock);
    auto it = c.open.find(hIMC);
    return it != c.open.end() && it->second ? TRUE : FALSE;
}

BOOL WINAPI ImmSetOpenStatus(HIMC hIMC, BOOL fOpen) {
    Contexts& c = TheContexts();
    {
        std::lock_guard lock(c.lock);
        auto it = c.open.find(hIMC);
        if (it == c.open.end())
            return FALSE;
        if (it->second == (fOpen != FALSE))
            return TRUE;
        it->second = fOpen != FALSE;
    }
    // Tell every window that has the context; no lock is held while they handle it.
    std::vector<HWND> windows;
    {
        std::lock_guard desktop(user32::DesktopLock());
        std::lock_guard lock(c.lock);
        for (auto& [hwnd, w] : user32::TheDesktop().windows)
            if (!w->destroying && ContextOfLocked(c, hwnd, w->thread) == hIMC)
                windows.push_back(hwnd);
    }
    for (HWND hwnd : windows)
        SendMessageA(hwnd, WM_IME_NOTIFY, IMN_SETOPENSTATUS, 0);
    return TRUE;
}

HIMC WINAPI ImmAssociateContext(HWND hWnd, HIMC hIMC) {
    auto w = user32::FindWindowRecord(hWnd);
    if (!w)
        return nullptr;
    Contexts& c = TheContexts();
    std::lock_guard lock(c.lock);
    if (hIMC && !c.open.contains(hIMC))
        return nullptr;
    HIMC previous = ContextOfLocked(c, hWnd, w->thread);
    c.associated[hWnd] = hIMC;
    return previous;
}

PELMORA_END_EXTERN_C
