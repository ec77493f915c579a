// The X11 back end's inside, shared by its files and by nothing else: the only header of the
// layer that includes Xlib. One connection, used from the GUI thread's message wait.
#pragma once

#include "present/backend_host.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace platform::present::x11 {

struct Atoms {
    Atom wm_protocols, wm_delete_window, net_wm_name, utf8_string, net_wm_window_type, type_normal,
        type_dialog, type_utility, net_wm_state, state_above, state_skip_taskbar, state_skip_pager,
        state_modal, net_active_window, net_wm_window_opacity, motif_wm_hints, net_workarea,
        net_current_desktop, net_wm_pid, net_wm_icon, cm_selection;
    Atom type_popup_menu;
};

// A window's whole picture in memory that the server reads as well (MIT-SHM): a put from it
// sends no pixels through the connection.
struct SharedImage {
    XShmSegmentInfo segment{};
    XImage* image = nullptr;   // null while the window has no segment
    int width = 0, height = 0; // the size it was made for, also when making it failed
    unsigned long put = 0;     // the request that last put from it, which the server reads
};

// One X window standing for a top-level window of the layer.
struct Shown {
    HWND hwnd = nullptr;
    ::Window id = 0;
    bool argb = false;      // a 32-bit visual, alpha premultiplied
    bool decorated = false; // the window manager draws the frame; the X window is the client
    bool mapped = false;
    bool override_redirect = false; // a popup menu: no window manager comes between
    // The window manager put it in a frame of its own: the server's reports give its place in
    // the frame, and only the window manager's own (synthetic) ones its place on the screen.
    bool framed = false;
    RECT area{}; // the screen rectangle the X window was last asked to cover
    // Rectangles asked for before `area` that the server (or the window manager) may still
    // report: a report of one of them is the screen catching up, not the user moving it.
    std::deque<RECT> asked;
    DWORD style = 0, ex_style = 0;
    std::string title;
    HWND owner = nullptr;
    bool state_known = false;
    bool above = false, skip = false, modal = false;
    // The layered look last applied; `shaped` when the key cut the shape, `opacity` when the
    // alpha went to the compositing manager as the window's opacity.
    bool layered = false, keyed = false, click_through = false, shaped = false, opacity = false;
    COLORREF key = 0;
    BYTE alpha = 255;
    // What the window shows now, as pushed to the server (0x00RRGGBB, or premultiplied ARGB).
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    GC gc = nullptr;
    SharedImage shared;
};

// An icon of the tray area: a small window of ours that the tray manager embeds in its own.
struct TrayIconWindow {
    HWND hwnd = nullptr;
    UINT id = 0;
    HICON icon = nullptr;
    std::string tip;
    ::Window window = 0;  // 0 once the server has destroyed it (with the tray's window)
    ::Window manager = 0; // the tray it asked to dock in
    Visual* visual = nullptr;
    int depth = 0;
    Colormap colormap = 0; // ours, for a visual other than the default one
    int width = 0, height = 0;
};

class X11Backend final : public Backend {
public:
    X11Backend(Display* display, std::string name);
    ~X11Backend() override;

    std::vector<MonitorArea> Monitors() override;
    void WindowCreated(HWND hwnd) override;
    void WindowDestroyed(HWND hwnd) override;
    void WindowChanged(HWND hwnd) override;
    void LayeredChanged(HWND hwnd) override;
    void Activated(HWND hwnd) override;
    void WindowPainted(HWND top) override;
    int WaitDescriptor() override;
    void Pump() override;
    bool GrabHotKey(UINT modifiers, UINT vk) override;
    void UngrabHotKey(UINT modifiers, UINT vk) override;
    bool CursorPosition(POINT& out) override;
    bool TrayIconAdded(const TrayEntry& entry) override;
    void TrayIconChanged(const TrayEntry& entry) override;
    void TrayIconRemoved(HWND hwnd, UINT id) override;
    bool OnScreen() const override { return true; }
    bool GrabInput(HWND hwnd) override;
    void UngrabInput() override;
    std::optional<HeldKeys> Held() override;

    // The server has gone: from now on nothing is sent to it.
    void ConnectionLost() { lost_ = true; }

private:
    // window.cpp
    Shown* Find(HWND hwnd);
    Shown* FindX(::Window id);
    void Create(HWND hwnd);
    void Sync(Shown& s);
    void SetStateHints(Shown& s, bool above, bool skip, bool modal);
    void SendState(Shown& s, bool add, Atom state);
    // pixels.cpp
    void Push(Shown& s, bool whole);
    void PutArea(Shown& s, int x, int y, int width, int height);
    XImage* SharedImageOf(Shown& s, Visual* visual, unsigned depth);
    void FreeShared(Shown& s);
    void ApplyLayered(Shown& s);
    // An alpha channel of its own, and a compositing manager to blend it: else the colour key
    // is the window's shape and the alpha its opacity.
    bool Blended(const Shown& s) const { return s.argb && compositing_; }
    // The compositing manager came or went: each window with an alpha channel is shown again
    // the way that works now.
    void CompositorChanged(bool running);
    // events.cpp
    HWND WindowOf(::Window id);
    void Handle(XEvent& event);
    void HandleButton(const XButtonEvent& event, bool down);
    void HandleKey(XKeyEvent& event, bool down);
    void HandleConfigure(const XConfigureEvent& event);
    void HandleClientMessage(const XClientMessageEvent& event);
    // tray.cpp
    void StartTray();
    void StopTray();
    bool HandleTrayEvent(XEvent& event); // true when the event was the tray's
    TrayIconWindow* FindTray(::Window window);
    void WatchTray(::Window manager);
    void TrayOwnerChanged();
    void DrawTrayIcon(const TrayIconWindow& t);
    void DrawTrayPicture(const TrayIconWindow& t);
    void TrayPointer(const XEvent& event, const TrayIconWindow& t);
    // grabs.cpp
    std::optional<unsigned> HeldMask(); // the server's buttons and modifiers held now
    void HandleFocusOut(const XFocusChangeEvent& event);
    void CheckFocusLeft();

    Display* display_;
    std::string name_;
    int screen_;
    ::Window root_;
    Atoms atoms_{};
    bool lost_ = false;
    bool shape_ = false;
    bool xfixes_ = false;
    bool randr_ = false;
    bool shm_ = false; // pixels go through shared memory (until the server refuses to attach)
    int randr_event_ = 0;
    // Whether a compositing manager holds the screen's _NET_WM_CM_S selection, as last seen.
    bool compositing_ = false;
    Visual* argb_visual_ = nullptr;
    Colormap argb_colormap_ = 0;
    // The desktop's own lock: the back end reads window records under it, and one lock for both
    // leaves no order of two locks to get wrong between threads.
    std::recursive_mutex& mutex_ = DesktopLock();
    std::map<HWND, Shown> shown_;
    std::vector<std::pair<unsigned, unsigned>> grabs_; // keycode, X modifier mask
    bool monitors_dirty_ = false;
    // The tray: its selection and messages, the manager we know of, our icons in it.
    struct {
        Atom selection, opcode, manager, visual, xembed_info;
    } tray_atoms_{};
    bool render_ = false;
    int xfixes_event_ = 0;
    ::Window tray_manager_ = 0;
    std::vector<TrayIconWindow> tray_icons_;
    struct {
        ::Window window = 0;
        unsigned button = 0;
        Time time = 0;
        int x = 0, y = 0;
    } tray_press_; // the last press, which a second one soon after makes a double click
    bool input_grabbed_ = false;
    bool focus_left_ = false; // a window of the layer lost the focus: to whom is seen after
};

// start.cpp: errors of the requests between the two are kept, not reported; EndErrorTrap
// (after an XSync) tells whether there was one.
void BeginErrorTrap();
bool EndErrorTrap();

// keyboard.cpp: a key symbol as a virtual key (0 for none), and the reverse for grabs.
UINT VirtualKeyOf(KeySym sym);
KeySym KeySymOf(UINT vk);
// MOD_* as the X modifier mask (Alt is Mod1, the Windows key Mod4).
unsigned ModifierMaskOf(UINT modifiers);
// Shift, Ctrl, Alt and the Windows keys.
bool IsModifier(UINT vk);
// The layer's Shift, Ctrl and Alt made as an X modifier mask says they are held (the state of
// an event, which is the one just before it, or the pointer's now).
void FollowModifiers(unsigned state);

// pixels.cpp: rows of 32-bit pixels (this machine's order, `width` to a row) put at x, y of a
// drawable of that depth.
void PutPixels(Display* display, Drawable target, GC gc, Visual* visual, unsigned depth,
               const uint32_t* pixels, int width, int height, int x, int y);

// COLORREF (0x00BBGGRR) as a surface pixel (0x00RRGGBB).
inline uint32_t PixelOf(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

} // namespace platform::present::x11
