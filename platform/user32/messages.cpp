#include "user32/hooks.h"
#include "user32/modal_loop.h"
#include "user32/window_manager.h"

#include "host/clock.h"
#include "present/present.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <climits>
#include <poll.h>
#include <utility>

#ifndef ERROR_NOT_ENOUGH_QUOTA
#define ERROR_NOT_ENOUGH_QUOTA 1816L
#endif

namespace platform::user32 {

namespace {

// As the system does, a queue holds at most this many posted messages; a further post fails.
constexpr size_t kPostedLimit = 10000;

IdleHandler& TheIdleHandler() {
    static IdleHandler handler;
    return handler;
}

MessageSource& TheMessageSource() {
    static MessageSource source;
    return source;
}

MessageSource CurrentMessageSource() {
    std::lock_guard lock(DesktopLock());
    return TheMessageSource();
}

bool InRange(UINT message, UINT min, UINT max) {
    return (min == 0 && max == 0) || (message >= min && message <= max);
}

bool Matches(const MSG& m, HWND filter, UINT min, UINT max) {
    if (filter == reinterpret_cast<HWND>(-1)) {
        if (m.hwnd)
            return false;
    } else if (filter && m.hwnd != filter) {
        return false;
    }
    return InRange(m.message, min, max);
}

DWORD Now32() {
    return DWORD(host::CurrentClock().Now());
}

// Handles the messages other threads sent to this one; they come before anything queued.
void ProcessIncomingSends() {
    for (;;) {
        std::shared_ptr<SentMessage> sm;
        {
            std::lock_guard lock(DesktopLock());
            ThreadQueue& q = QueueOf(CurrentThread());
            if (q.sent.empty())
                return;
            sm = q.sent.front();
            q.sent.pop_front();
            q.in_cross_thread_send++;
        }
        LRESULT result = CallProcedure(sm->hwnd, sm->message, sm->wparam, sm->lparam);
        std::lock_guard lock(DesktopLock());
        QueueOf(CurrentThread()).in_cross_thread_send--;
        sm->result = result;
        sm->done = true;
        QueueOf(sm->sender).Wake();
    }
}

// Sends to a window of another thread and waits for its answer; with a deadline, gives up then
// (nullopt), withdrawing the message if the other thread has not taken it yet.
std::optional<LRESULT>
SendAcrossThreads(const std::shared_ptr<Window>& w, UINT message, WPARAM wparam, LPARAM lparam,
                  std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt) {
    auto sm = std::make_shared<SentMessage>(
        SentMessage{w->handle, message, wparam, lparam, CurrentThread()});
    int own_wake;
    {
        std::lock_guard lock(DesktopLock());
        ThreadQueue& target = QueueOf(w->thread);
        target.sent.push_back(sm);
        target.Wake();
        own_wake = QueueOf(CurrentThread()).wake_read;
    }
    for (;;) {
        int wait_ms = 50;
        {
            std::lock_guard lock(DesktopLock());
            if (sm->done)
                return sm->result;
            if (!FindWindowRecord(w->handle)) {
                std::erase(QueueOf(w->thread).sent, sm);
                return 0;
            }
            if (deadline) {
                auto now = std::chrono::steady_clock::now();
                if (now >= *deadline) {
                    std::erase(QueueOf(w->thread).sent, sm);
                    return std::nullopt;
                }
                auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - now).count();
                wait_ms = int(std::min<long long>(wait_ms, left + 1));
            }
        }
        // A thread that waits for its answer still answers what others send to it.
        ProcessIncomingSends();
        pollfd pfd{own_wake, POLLIN, 0};
        poll(&pfd, 1, wait_ms);
        std::lock_guard lock(DesktopLock());
        QueueOf(CurrentThread()).DrainWake();
    }
}

void Record(ThreadQueue& q, const MSG& m) {
    q.message_pos = m.pt;
    q.retrieved = true;
}

// The cursor a posted message carries: where it was for the input the posting thread has got
// to (a message posted while a click is handled has the click's place, though the pointer may
// have gone on since), or for a thread that takes no messages where it is now.
POINT PostingCursorLocked() {
    Desktop& d = TheDesktop();
    auto own = d.queues.find(CurrentThread());
    if (own != d.queues.end() && own->second->retrieved)
        return own->second->message_pos;
    return d.cursor;
}

} // namespace

void SetMessageSource(MessageSource source) {
    std::lock_guard lock(DesktopLock());
    TheMessageSource() = std::move(source);
}

IdleHandler SetIdleHandler(IdleHandler handler) {
    std::lock_guard lock(DesktopLock());
    return std::exchange(TheIdleHandler(), std::move(handler));
}

void PostInputLocked(const std::shared_ptr<Window>& w, const MSG& msg,
                     const std::array<BYTE, 256>& keys) {
    ThreadQueue& q = QueueOf(w->thread);
    q.input.push_back(InputMessage{msg, keys});
    q.Wake();
}

bool NextMessage(MSG& out, HWND filter, UINT min, UINT max, bool remove) {
    ProcessIncomingSends();
    HandleSessionSignal();
    std::lock_guard lock(DesktopLock());
    Desktop& d = TheDesktop();
    uint32_t me = CurrentThread();
    ThreadQueue& q = QueueOf(me);
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (Matches(*it, filter, min, max)) {
            out = *it;
            if (remove)
                q.posted.erase(it);
            Record(q, out);
            return true;
        }
    }
    for (auto it = q.input.begin(); it != q.input.end(); ++it) {
        if (Matches(it->msg, filter, min, max)) {
            out = it->msg;
            if (remove) {
                q.keys = it->keys;
                q.input.erase(it);
            }
            Record(q, out);
            return true;
        }
    }
    if (q.quit && (!filter || filter == reinterpret_cast<HWND>(-1)) && InRange(WM_QUIT, min, max)) {
        out = MSG{nullptr, WM_QUIT, WPARAM(q.quit_code), 0, Now32(), d.cursor};
        if (remove)
            q.quit = false;
        Record(q, out);
        return true;
    }
    if (InRange(WM_PAINT, min, max)) {
        for (auto& [hwnd, w] : d.windows) {
            if (w->thread != me || !w->update_pending || !IsVisibleLocked(*w))
                continue;
            if (filter && filter != hwnd)
                continue;
            out = MSG{hwnd, WM_PAINT, 0, 0, Now32(), d.cursor};
            Record(q, out);
            return true;
        }
    }
    if (InRange(WM_TIMER, min, max) && TakeDueTimerLocked(me, filter, remove, out)) {
        Record(q, out);
        return true;
    }
    return false;
}

bool WaitForMessage(HWND filter, UINT min, UINT max) {
    host::Clock& clock = host::CurrentClock();
    if (clock.IsManual()) {
        IdleHandler handler;
        {
            std::lock_guard lock(DesktopLock());
            handler = TheIdleHandler();
        }
        return handler && handler();
    }
    // What the source has already read must not wait for the next wake-up.
    MessageSource source = CurrentMessageSource();
    if (source.pump) {
        source.pump();
        MSG peek;
        if (NextMessage(peek, filter, min, max, false))
            return true;
    }
    int wake;
    std::optional<uint64_t> due;
    {
        std::lock_guard lock(DesktopLock());
        ThreadQueue& q = QueueOf(CurrentThread());
        wake = q.wake_read;
        if (InRange(WM_TIMER, min, max))
            due = NextTimerDueLocked(CurrentThread(), filter);
    }
    int timeout = -1;
    if (due) {
        uint64_t now = clock.Now();
        timeout = *due <= now ? 0 : int(std::min<uint64_t>(*due - now, INT_MAX));
    }
    pollfd fds[3] = {{wake, POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
    nfds_t count = 1;
    if (int session = SessionWakeFd(); session >= 0)
        fds[count++].fd = session;
    if (source.fd >= 0)
        fds[count++].fd = source.fd;
    poll(fds, count, timeout);
    {
        std::lock_guard lock(DesktopLock());
        QueueOf(CurrentThread()).DrainWake();
    }
    if (source.pump)
        source.pump();
    return true;
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    // A broadcast reaches every top-level window but the message-only ones.
    if (hWnd == HWND_BROADCAST) {
        std::vector<HWND> tops;
        {
            std::lock_guard lock(DesktopLock());
            for (HWND h : TheDesktop().top_level)
                if (auto w = FindWindowRecord(h); w && !w->message_only)
                    tops.push_back(h);
        }
        for (HWND h : tops)
            if (IsWindow(h))
                SendMessageA(h, Msg, wParam, lParam);
        return TRUE;
    }
    auto w = WindowOrError(hWnd);
    if (!w)
        return 0;
    if (w->thread == CurrentThread())
        return CallProcedure(hWnd, Msg, wParam, lParam);
    return SendAcrossThreads(w, Msg, wParam, lParam).value_or(0);
}

LRESULT WINAPI SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT,
                                   UINT uTimeout, PDWORD_PTR lpdwResult) {
    auto w = WindowOrError(hWnd);
    if (!w)
        return 0;
    LRESULT result;
    if (w->thread == CurrentThread()) {
        result = CallProcedure(hWnd, Msg, wParam, lParam);
    } else {
        auto answer = SendAcrossThreads(w, Msg, wParam, lParam,
                                        std::chrono::steady_clock::now() +
                                            std::chrono::milliseconds(uTimeout));
        if (!answer) {
            SetLastError(ERROR_TIMEOUT);
            return 0;
        }
        result = *answer;
    }
    if (lpdwResult)
        *lpdwResult = DWORD_PTR(result);
    return 1;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == HWND_BROADCAST) {
        std::vector<HWND> tops;
        {
            std::lock_guard lock(DesktopLock());
            for (HWND h : TheDesktop().top_level)
                if (auto w = FindWindowRecord(h); w && !w->message_only)
                    tops.push_back(h);
        }
        for (HWND h : tops)
            PostMessageA(h, Msg, wParam, lParam);
        return TRUE;
    }
    std::lock_guard lock(DesktopLock());
    uint32_t thread = CurrentThread();
    if (hWnd) {
        auto w = WindowOrError(hWnd);
        if (!w)
            return FALSE;
        thread = w->thread;
    }
    ThreadQueue& q = QueueOf(thread);
    if (q.posted.size() >= kPostedLimit) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    q.posted.push_back(MSG{hWnd, Msg, wParam, lParam, DWORD(platform::host::CurrentClock().Now()),
                           PostingCursorLocked()});
    q.Wake();
    return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
    std::lock_guard lock(DesktopLock());
    ThreadQueue& q = QueueOf(CurrentThread());
    q.quit = true;
    q.quit_code = nExitCode;
    q.Wake();
}

UINT WINAPI RegisterWindowMessageA(LPCSTR lpString) {
    if (!lpString || IS_INTRESOURCE(lpString) || !lpString[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard lock(DesktopLock());
    ATOM atom = AtomOfLocked(lpString);
    if (!atom)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return atom;
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (hWnd && hWnd != reinterpret_cast<HWND>(-1) && !WindowOrError(hWnd))
        return -1;
    for (;;) {
        if (NextMessage(*lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true))
            return lpMsg->message == WM_QUIT ? FALSE : TRUE;
        if (hWnd && hWnd != reinterpret_cast<HWND>(-1) && !IsWindow(hWnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        if (!WaitForMessage(hWnd, wMsgFilterMin, wMsgFilterMax)) {
            SetLastError(ERROR_TIMEOUT);
            return -1;
        }
    }
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
    if (!lpMsg)
        return FALSE;
    platform::present::TheBackend().Pump();
    return NextMessage(*lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0)
               ? TRUE
               : FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN))
        return FALSE;
    UINT vk = UINT(lpMsg->wParam);
    bool shift = GetKeyState(VK_SHIFT) < 0;
    bool control = GetKeyState(VK_CONTROL) < 0;
    bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
    // The characters of the keys as the US keyboard has them: unshifted and shifted.
    struct KeyChars {
        UINT vk;
        char plain, shifted;
    };
    static constexpr KeyChars kPunctuation[] = {
        {VK_OEM_1, ';', ':'},     {VK_OEM_PLUS, '=', '+'},   {VK_OEM_COMMA, ',', '<'},
        {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
        {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},      {VK_OEM_5, '\\', '|'},
        {VK_OEM_6, ']', '}'},     {VK_OEM_7, '\'', '"'},     {VK_MULTIPLY, '*', '*'},
        {VK_ADD, '+', '+'},       {VK_SUBTRACT, '-', '-'},   {VK_DECIMAL, '.', '.'},
        {VK_DIVIDE, '/', '/'},
    };
    static constexpr char kShiftedDigits[] = ")!@#$%^&*(";
    int ch = -1;
    if (vk >= 'A' && vk <= 'Z') {
        if (control)
            ch = int(vk - 'A' + 1);
        else
            ch = (shift != caps) ? int(vk) : int(vk - 'A' + 'a');
    } else if (vk >= '0' && vk <= '9' && !control) {
        ch = shift ? kShiftedDigits[vk - '0'] : int(vk);
    } else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) {
        ch = int('0' + (vk - VK_NUMPAD0));
    } else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_BACK || vk == VK_TAB ||
               vk == VK_ESCAPE) {
        ch = vk == VK_SPACE ? ' ' : int(vk);
    } else if (!control) {
        for (const KeyChars& k : kPunctuation)
            if (k.vk == vk)
                ch = static_cast<unsigned char>(shift ? k.shifted : k.plain);
    }
    if (ch < 0)
        return TRUE;
    std::lock_guard lock(DesktopLock());
    ThreadQueue& q = QueueOf(CurrentThread());
    UINT message = lpMsg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    q.posted.push_front(
        MSG{lpMsg->hwnd, message, WPARAM(ch), lpMsg->lParam, lpMsg->time, lpMsg->pt});
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    if (!lpMsg)
        return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        // Only a procedure that a live timer was set with is called: a posted WM_TIMER with
        // an arbitrary lParam must not become a call through an arbitrary address.
        TIMERPROC proc = nullptr;
        {
            std::lock_guard lock(DesktopLock());
            for (const Timer& t : TheDesktop().timers)
                if (t.hwnd == lpMsg->hwnd && t.id == lpMsg->wParam &&
                    reinterpret_cast<LPARAM>(t.proc) == lpMsg->lParam)
                    proc = t.proc;
        }
        if (proc)
            proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
        return 0;
    }
    if (!lpMsg->hwnd)
        return 0;
    auto w = WindowOrError(lpMsg->hwnd);
    if (!w || w->thread != CurrentThread())
        return 0;
    return CallProcedureUnhooked(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

DWORD WINAPI GetMessagePos(void) {
    std::lock_guard lock(DesktopLock());
    POINT p = QueueOf(CurrentThread()).message_pos;
    return DWORD(MAKELONG(WORD(SHORT(p.x)), WORD(SHORT(p.y))));
}

BOOL WINAPI InSendMessage(void) {
    std::lock_guard lock(DesktopLock());
    return QueueOf(CurrentThread()).in_cross_thread_send > 0 ? TRUE : FALSE;
}

PELMORA_END_EXTERN_C
