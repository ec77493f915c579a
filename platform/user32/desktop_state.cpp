#include "user32/hooks.h"
#include "user32/window_manager.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <unistd.h>

namespace platform::user32 {

namespace {

struct Observers {
    std::mutex lock;
    std::map<int, MessageObserver> list;
    int next = 1;
};

Observers& TheObservers() {
    static Observers observers;
    return observers;
}

} // namespace

std::recursive_mutex& DesktopLock() {
    static std::recursive_mutex lock;
    return lock;
}

Desktop& TheDesktop() {
    // Window handles of two processes differ (apart from the process number's low 13 bits):
    // each process has a desktop of its own, and a handle that another process wrote into shared
    // memory must name no window here rather than the wrong one.
    static Desktop desktop;
    [[maybe_unused]] static const bool numbered = [] {
        desktop.next_handle += uintptr_t(getpid() & 0x1FFF) << 16;
        return true;
    }();
    return desktop;
}

uint32_t CurrentThread() {
    return GetCurrentThreadId();
}

ThreadQueue::ThreadQueue() {
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        wake_read = fds[0];
        wake_write = fds[1];
    }
}

ThreadQueue::~ThreadQueue() {
    if (wake_read >= 0)
        close(wake_read);
    if (wake_write >= 0)
        close(wake_write);
}

void ThreadQueue::Wake() {
    if (wake_write >= 0) {
        char byte = 1;
        // A full pipe already wakes the reader; the result does not matter.
        [[maybe_unused]] ssize_t n = write(wake_write, &byte, 1);
    }
}

void ThreadQueue::DrainWake() {
    char buffer[64];
    while (wake_read >= 0 && read(wake_read, buffer, sizeof buffer) > 0) {
    }
}

namespace {

// A thread's queue (and its pipe) goes with the thread; thread ids are used again.
struct QueueReaper {
    ~QueueReaper() {
        std::lock_guard lock(DesktopLock());
        TheDesktop().queues.erase(CurrentThread());
    }
};

} // namespace

ThreadQueue& QueueOf(uint32_t thread) {
    auto& queues = TheDesktop().queues;
    auto it = queues.find(thread);
    if (it == queues.end()) {
        if (thread == CurrentThread()) {
            static thread_local QueueReaper reaper;
            (void)reaper;
        }
        it = queues.emplace(thread, std::make_unique<ThreadQueue>()).first;
        it->second->thread = thread;
        it->second->keys = TheDesktop().keys;
    }
    return *it->second;
}

std::string LowerName(std::string_view name) {
    std::string lower(name);
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::shared_ptr<Window> FindWindowRecord(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    std::lock_guard lock(DesktopLock());
    auto& windows = TheDesktop().windows;
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second;
}

std::shared_ptr<Window> WindowOrError(HWND hwnd) {
    auto w = FindWindowRecord(hwnd);
    if (!w)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

bool IsVisibleLocked(const Window& w) {
    const Window* at = &w;
    while (at) {
        if (!(at->style & WS_VISIBLE) || at->message_only)
            return false;
        if (!at->parent)
            return true;
        auto parent = FindWindowRecord(at->parent);
        at = parent.get();
    }
    return false;
}

POINT ClientOriginOnScreen(const Window& w) {
    POINT origin{w.client.left, w.client.top};
    if (w.parent) {
        if (auto parent = FindWindowRecord(w.parent)) {
            POINT p = ClientOriginOnScreen(*parent);
            origin.x += p.x;
            origin.y += p.y;
        }
    }
    return origin;
}

RECT WindowRectOnScreen(const Window& w) {
    RECT r = w.window;
    if (w.parent) {
        if (auto parent = FindWindowRecord(w.parent)) {
            POINT p = ClientOriginOnScreen(*parent);
            r.left += p.x;
            r.right += p.x;
            r.top += p.y;
            r.bottom += p.y;
        }
    }
    return r;
}

HWND TopLevelOf(HWND hwnd) {
    std::lock_guard lock(DesktopLock());
    auto w = FindWindowRecord(hwnd);
    while (w && w->parent) {
        auto parent = FindWindowRecord(w->parent);
        if (!parent)
            break;
        w = parent;
    }
    return w ? w->handle : nullptr;
}

LRESULT CallProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = CallProcedureUnhooked(hwnd, message, wparam, lparam);
    RunCallWndProcRetHooks(hwnd, message, wparam, lparam, result);
    return result;
}

LRESULT CallProcedureUnhooked(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    WNDPROC proc = nullptr;
    {
        std::lock_guard lock(DesktopLock());
        auto w = FindWindowRecord(hwnd);
        if (!w)
            return 0;
        proc = w->proc;
    }
    std::vector<MessageObserver> observers;
    {
        auto& o = TheObservers();
        std::lock_guard lock(o.lock);
        for (auto& [cookie, observer] : o.list)
            observers.push_back(observer);
    }
    for (auto& observer : observers)
        observer(hwnd, message, wparam, lparam);
    return proc ? proc(hwnd, message, wparam, lparam)
                : DefWindowProcA(hwnd, message, wparam, lparam);
}

int AddMessageObserver(MessageObserver observer) {
    auto& o = TheObservers();
    std::lock_guard lock(o.lock);
    int cookie = o.next++;
    o.list.emplace(cookie, std::move(observer));
    return cookie;
}

void RemoveMessageObserver(int cookie) {
    auto& o = TheObservers();
    std::lock_guard lock(o.lock);
    o.list.erase(cookie);
}

void ResetDesktopForTests() {
    std::vector<HWND> mine;
    {
        std::lock_guard lock(DesktopLock());
        for (auto& [hwnd, w] : TheDesktop().windows)
            if (w->thread == CurrentThread() && !w->parent)
                mine.push_back(hwnd);
    }
    for (HWND hwnd : mine)
        DestroyWindow(hwnd);
    std::lock_guard lock(DesktopLock());
    Desktop& d = TheDesktop();
    for (auto it = d.classes.begin(); it != d.classes.end();) {
        if (it->second->windows == 0)
            it = d.classes.erase(it);
        else
            ++it;
    }
    std::erase_if(d.timers, [](const Timer& t) { return t.thread == CurrentThread(); });
    ThreadQueue& q = QueueOf(CurrentThread());
    q.posted.clear();
    q.input.clear();
    q.quit = false;
    q.quit_code = 0;
    q.keys.fill(0);
    q.message_pos = {};
    q.retrieved = false;
    d.keys.fill(0);
    d.cursor = {};
    d.last_click = {};
    d.capture = nullptr;
    d.foreground = nullptr;
    d.focus = nullptr;
}

} // namespace platform::user32
