// The process's one desktop: classes, windows, the per-thread queues, timers, input state.
// Every field is guarded by DesktopLock(); a window procedure is never called with it held,
// since a procedure may send to a window of another thread that waits for this one.
#pragma once

#include <windows.h>

#include "gdi32/surface.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::user32 {

// Not in the public header: DefWindowProcA sends WM_MOVE and WM_SIZE only when the client area
// really moved or changed size, which SetWindowPos records with these two bits.
inline constexpr UINT kNoClientSize = 0x0800;
inline constexpr UINT kNoClientMove = 0x1000;

inline constexpr UINT kDoubleClickTime = 500; // ms
inline constexpr int kDoubleClickWidth = 4;   // pixels, centred on the first click
inline constexpr int kDoubleClickHeight = 4;

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int class_extra = 0;
    int window_extra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON icon_small = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    int windows = 0; // windows of the class that still exist
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    uint32_t thread = 0; // owner thread (GetCurrentThreadId)
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD ex_style = 0;
    std::string text;
    HWND parent = nullptr; // WS_CHILD windows only
    HWND owner = nullptr;  // top-level windows only
    bool message_only = false;
    HINSTANCE instance = nullptr;
    LONG_PTR id = 0; // a child's identifier (hMenu at creation)
    LONG_PTR user_data = 0;
    std::vector<uint8_t> extra;
    // Window and client rectangles, both in the parent's client coordinates (screen
    // coordinates for a top-level window).
    RECT window{};
    RECT client{};
    std::vector<HWND> children; // top of the z-order first
    bool destroying = false;
    std::shared_ptr<gdi::Surface> surface;
    HDC own_dc = nullptr; // CS_OWNDC: the one DC of the window
    std::vector<HDC> dcs; // DCs from GetDC still to be released
    bool update_pending = false;
    bool erase_pending = false;
    RECT update{}; // client coordinates
    // SetLayeredWindowAttributes; forgotten when WS_EX_LAYERED is taken away.
    bool layered_set = false;
    COLORREF layered_key = 0;
    BYTE layered_alpha = 255;
    DWORD layered_flags = 0;
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    uint32_t thread = 0;
    UINT elapse = 0;
    uint64_t due = 0; // clock ms
    TIMERPROC proc = nullptr;
};

struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    uint32_t sender;
    LRESULT result = 0;
    bool done = false;
};

struct InputMessage {
    MSG msg;
    std::array<BYTE, 256> keys; // the key state as it was when the input happened
};

struct ThreadQueue {
    uint32_t thread = 0;
    std::deque<MSG> posted;
    std::deque<InputMessage> input;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quit = false;
    int quit_code = 0;
    int wake_read = -1;
    int wake_write = -1;
    POINT message_pos{};
    bool retrieved = false; // a message has been retrieved: message_pos holds
    int in_cross_thread_send = 0;
    std::array<BYTE, 256> keys{}; // the synchronous key state (GetKeyState)
    ThreadQueue();
    ~ThreadQueue();
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;
    void Wake();
    void DrainWake();
};

struct LastClick {
    HWND hwnd = nullptr;
    UINT button = 0; // WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN
    bool client = true;
    uint64_t time = 0;
    POINT pt{};
};

struct Desktop {
    std::map<std::string, std::shared_ptr<WindowClass>> classes; // by lower-case name
    std::map<std::string, ATOM> atoms;                           // by lower-case name
    ATOM next_atom = 0xC000;
    std::map<HWND, std::shared_ptr<Window>> windows;
    std::vector<HWND> top_level; // z-order, front first; topmost windows come first
    uintptr_t next_handle = 0x10010;
    std::map<uint32_t, std::unique_ptr<ThreadQueue>> queues;
    std::vector<Timer> timers;
    UINT_PTR next_thread_timer = 0x7FF0;
    HWND foreground = nullptr;
    HWND focus = nullptr;
    HWND capture = nullptr;
    POINT cursor{};
    std::array<BYTE, 256> keys{}; // the live key state (GetAsyncKeyState)
    LastClick last_click;
    std::shared_ptr<gdi::Surface> screen_surface;
    std::vector<HDC> screen_dcs;
};

std::recursive_mutex& DesktopLock();
Desktop& TheDesktop();
uint32_t CurrentThread();

// Classes (classes.cpp): a name or an atom (MAKEINTATOM) names a class.
std::shared_ptr<WindowClass> FindClassLocked(LPCSTR name_or_atom);
// The atom of a name in the process's atom table (shared by classes and registered messages),
// added on first use.
ATOM AtomOfLocked(std::string_view name);

// Window lookup; null for a handle that is not (or no longer) a window. Lock held by the caller
// or not: the pointer keeps the record alive.
std::shared_ptr<Window> FindWindowRecord(HWND hwnd);
// As above but sets ERROR_INVALID_WINDOW_HANDLE when there is no such window.
std::shared_ptr<Window> WindowOrError(HWND hwnd);
std::string LowerName(std::string_view name);
// Copies ANSI text into a buffer of `size` bytes with its terminator; a double-byte character
// that does not fit whole is left out. Returns the bytes copied (0 for no buffer).
int CopyTextBounded(const std::string& text, char* buffer, size_t size);
bool IsVisibleLocked(const Window& w);
POINT ClientOriginOnScreen(const Window& w);
RECT WindowRectOnScreen(const Window& w);
HWND TopLevelOf(HWND hwnd);

// Calls the window's procedure on this thread (observers first); lock not held.
LRESULT CallProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The calling thread's queue, created on first use; lock held by the caller.
ThreadQueue& QueueOf(uint32_t thread);
void PostInputLocked(const std::shared_ptr<Window>& w, const MSG& msg,
                     const std::array<BYTE, 256>& keys);

// Retrieves the next message for the calling thread in the system's order (sent, posted, input,
// quit, paint, timer), handling cross-thread sends on the way. False when nothing is there.
bool NextMessage(MSG& out, HWND filter, UINT min, UINT max, bool remove);
// Waits until a message may be there. False when the manual clock is idle and the test desktop
// has nothing more to do (a modal loop then ends, GetMessageA fails). The filter is the one the
// caller retrieves with: a timer it would not take does not cut the wait short.
bool WaitForMessage(HWND filter = nullptr, UINT min = 0, UINT max = 0);

// Window position machinery (window_pos.cpp).
BOOL SetWindowPosInternal(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags);
void ActivateWindow(HWND hwnd);
// The windows owned by `owner`, and theirs, put just in front of it in the z-order and in its
// band: topmost when it is, ordinary when it has just been made ordinary. Lock held; returns
// the windows whose band changed.
std::vector<HWND> KeepOwnedInFrontLocked(HWND owner, bool made_ordinary);
// Another program took the activation: the foreground window and the focus go, and hear so.
void LoseActivation();
// Removes every reference the desktop keeps to a window that goes (focus, queues, timers).
void ForgetWindowLocked(HWND hwnd);

// The deepest visible window under a screen point; only top-level windows behind `below` (all
// of them when null) are looked at. A layered window with WS_EX_TRANSPARENT is passed over.
HWND WindowAtLocked(POINT screen, HWND below);

// Frame thickness of a style: the client rect inside a window rect (windows.cpp).
RECT ClientFromWindowRect(const RECT& window, DWORD style, DWORD ex_style);
LRESULT HitTest(HWND hwnd, POINT screen);

// The caption move loop (move_loop.cpp).
void RunMoveLoop(HWND hwnd);

// Timers of the calling thread (timers.cpp).
std::optional<uint64_t> NextTimerDueLocked(uint32_t thread, HWND filter = nullptr);
bool TakeDueTimerLocked(uint32_t thread, HWND filter, bool remove, MSG& out);
void KillTimersOfLocked(HWND hwnd);

// The window's surface (paint.cpp).
void ResizeSurfaceLocked(Window& w);
void ReleaseWindowDCsLocked(Window& w);
// ReleaseDC without showing the window's new picture; 1 when the DC was released.
int ReleaseWindowDC(HWND hwnd, HDC dc);

// Input from the test desktop (input.cpp). extra_keys holds MK_CONTROL / MK_SHIFT for keys
// held during this input only.
enum class MouseButton { Left, Right, Middle };
void InjectMouseMove(POINT screen, UINT extra_keys);
void InjectMouseButton(MouseButton button, bool down, POINT screen, UINT extra_keys);
void InjectKey(int vk, bool down);
// One turn of the wheel (WHEEL_DELTA a notch, positive away from the user).
void InjectMouseWheel(POINT screen, int delta, UINT extra_keys);
// Sets a key's state at once, for the desktop and the calling thread alike.
void SetKeyStateNow(int vk, bool down);
// The modifiers as a screen says they are held, e.g. with each pointer event: the live key
// state follows without a key message, so a key pressed or released while another program
// had the keyboard counts from the next input on.
void SetModifiersHeld(bool shift, bool control, bool alt);

// Session end (session.cpp).
// Makes SIGTERM, SIGINT and SIGHUP the end of the session. The program's start does it; the
// layer never does by itself, so a test or a plug-in's host keeps its own signal handling.
void InstallSessionSignals();
// What a thread that takes messages watches for a stop signal: readable once one came. -1 for a
// thread that is not to end the session: one that owns none of the top-level windows, or any
// other than the process's first thread when that one owns one.
int SessionWakeFd();
// Whether a stop signal came and its end of session has not begun: a test cheap enough for any
// loop, before the look at the windows that SessionWakeFd takes.
bool SessionStopPending();
// Runs the end of session when a signal asked for it: WM_QUERYENDSESSION, WM_ENDSESSION(TRUE)
// to every top-level window, then ExitProcess(0). Does nothing once the end has begun, nor while
// no top-level window is left (the program is ending by itself), nor on a thread that is not to
// end it (as above), which leaves the end to the one that is.
void HandleSessionSignal();
// The same end of session at once (the display went away): never returns.
[[noreturn]] void EndSession();

// Hooks for the test desktop.
using IdleHandler = std::function<bool()>;
// Returns the handler it replaces.
IdleHandler SetIdleHandler(IdleHandler handler);
using MessageObserver = std::function<void(HWND, UINT, WPARAM, LPARAM)>;
int AddMessageObserver(MessageObserver observer);
void RemoveMessageObserver(int cookie);

struct MenuRequest {
    unsigned serial; // one per TrackPopupMenu call
    HMENU menu;
    UINT flags;
    int x, y;
    HWND owner;
};
// Returns the chosen command (0 cancels) or nullopt to leave the menu open for now.
using MenuAnswerer = std::function<std::optional<UINT>(const MenuRequest&)>;
void SetMenuAnswerer(MenuAnswerer answerer);

// Every call of DefWindowProcA, and every change of a window's layered attributes, as they
// happen; an empty function removes the observer.
using DefWindowProcObserver = std::function<void(HWND, UINT, WPARAM, LPARAM)>;
void SetDefWindowProcObserver(DefWindowProcObserver observer);
struct LayeredChange {
    HWND hwnd;
    COLORREF key;
    BYTE alpha;
    DWORD flags;
};
using LayeredObserver = std::function<void(const LayeredChange&)>;
void SetLayeredObserver(LayeredObserver observer);

// The calling thread's next timer, for the test desktop's clock.
std::optional<uint64_t> NextTimerDue();

// Empties the desktop of the calling thread's windows, classes, timers and queue state.
void ResetDesktopForTests();

} // namespace platform::user32
