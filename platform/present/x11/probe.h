// A second X client for tests of the X11 back end: starts a private Xvfb, reads back what the
// server shows, and drives the pointer and keyboard through XTest as a user would. No Xlib type
// appears here.
#pragma once

#include "gdi32/surface.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform::present::x11 {

// An Xvfb of its own, on a display number it picks; stopped with the object. With `tcp` it
// also listens on the network, as a server on another machine would be reached.
class VirtualServer {
public:
    VirtualServer(int width, int height, bool tcp = false);
    ~VirtualServer();
    VirtualServer(const VirtualServer&) = delete;
    VirtualServer& operator=(const VirtualServer&) = delete;
    bool running() const { return pid_ > 0 && !display_.empty(); }
    const std::string& display() const { return display_; }
    // Ends the server at once (the desktop session going away).
    void Kill();

private:
    pid_t pid_ = -1;
    std::string display_;
};

class Probe {
public:
    explicit Probe(const std::string& display);
    ~Probe();
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    bool connected() const;
    // Whether the server offers the extension of this name ("MIT-SHM", say).
    bool HasExtension(const char* name);

    // The screen's pixels in a rectangle, as 0x00RRGGBB.
    std::optional<gdi::Surface> ReadScreen(RECT area);
    // The rectangle on the screen of the top-level window with this title (WM_NAME), if mapped.
    std::optional<RECT> WindowRect(const std::string& title);
    // Pointer and keys through XTest; each waits until the server has taken it.
    void MoveTo(POINT at);
    void Button(int button, bool down);
    void Key(UINT vk, bool down);
    // Takes a key combination (MOD_*) from everybody else, as another program's hot key.
    bool GrabKey(UINT modifiers, UINT vk);
    // A window of this client at a place, painted one colour, to find clicks that fall through.
    void ShowWindowAt(RECT area, COLORREF colour);
    // Button presses that reached that window so far.
    int ClicksReceived();
    // Properties of the window with this title: a text (UTF-8 or Latin-1), the names of the
    // atoms of an atom list, the two WM_CLASS strings joined by a dot.
    std::string Text(const std::string& title, const char* property);
    std::vector<std::string> AtomNames(const std::string& title, const char* property);
    std::string ClassOf(const std::string& title);
    // A property of 32-bit numbers (CARDINAL), each as a long.
    std::vector<long> Numbers(const std::string& title, const char* property);
    // The sizes the window with this title asks the window manager to keep it within
    // (WM_NORMAL_HINTS), each only where it asks one; nothing when it has no such hints.
    struct SizeLimits {
        std::optional<SIZE> minimum, maximum;
    };
    std::optional<SizeLimits> SizeLimitsOf(const std::string& title);
    // _MOTIF_WM_HINTS of the window with this title: flags, functions, decorations, input
    // mode, status.
    std::vector<long> MotifHints(const std::string& title);
    // The rectangles of the bounding shape of the window with this title, in the window; one
    // rectangle as large as the window when it has no shape of its own.
    std::vector<RECT> ShapeOf(const std::string& title);
    // A compositing manager as far as its clients can tell: it holds the screen's
    // _NET_WM_CM_S selection while it runs, and quits taking its window with it.
    void RunCompositor(bool running);
    // Takes a property off the window with this title, as a window manager takes
    // _NET_WM_STATE off a window that is withdrawn.
    void DeleteProperty(const std::string& title, const char* property);
    // The window manager's close box: WM_DELETE_WINDOW sent to the window.
    void Close(const std::string& title);
    // The mapped windows that no window manager would handle (override-redirect ones, as popup
    // menus are), the probe's own aside, front first.
    std::vector<RECT> OverrideRedirectWindows();
    // True when another client has taken the keyboard (with the pointer, as a modal loop
    // does), as the window with the focus hears of it; the probe takes no grab to find out,
    // so it never stands in the way of one. Blind to a grab on the window that has the focus
    // itself: nothing tells the focus it moved.
    bool InputGrabbed();
    // Gives the keyboard focus to the window with this title, or with an empty title to the
    // probe's own window, as a window manager does when the user clicks it.
    void Focus(const std::string& title);
    // The focus goes to whichever window the pointer is in, as when the server starts.
    void FocusFollowsPointer();
    // A window manager of the simplest kind: from now on the other clients' requests to move
    // their windows wait until AnswerMove carries out the oldest one and reports where the
    // window went (a synthetic ConfigureNotify, as a window manager sends). False when no
    // request came. With `frames`, the windows shown now are each put in a frame with a
    // title bar, as a reparenting window manager does.
    void ManageWindows(bool frames = false);
    bool AnswerMove();
    // The window manager moves the window with this title itself (the user dragged its frame).
    void MoveWindow(const std::string& title, RECT area);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A system tray of a test, as the desktop's panel would run one: it owns the screen's tray
// selection with a window of its own, takes in the icons that ask to dock (side by side, each
// a square of `icon_side` or as big as it asks, mapped when they ask to be), and says what it
// holds. It answers only when asked something, so every question first serves what has arrived.
class TrayHost {
public:
    struct Options {
        RECT area{}; // the tray's window on the screen
        COLORREF background = 0;
        int icon_side = 24;
        // Each icon as wide and high as its size hints ask at least, one pixel when they ask
        // nothing, as GTK's trays size a window that is not theirs; icon_side then goes unused.
        bool sized_by_hints = false;
        bool argb = false;    // asks the icons for a 32-bit visual
        bool announce = true; // says MANAGER on the root window when it starts
    };
    TrayHost(const std::string& display, const Options& options);
    ~TrayHost();
    TrayHost(const TrayHost&) = delete;
    TrayHost& operator=(const TrayHost&) = delete;
    bool running() const;

    struct Icon {
        RECT area{}; // on the screen
        bool mapped = false;
        bool argb = false; // made with a 32-bit visual
        std::string name;  // _NET_WM_NAME
    };
    // The icons docked and not yet gone, in the order they came.
    std::vector<Icon> Icons();
    // The tray goes away: its window destroyed, and the icons in it with it.
    void Close();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace platform::present::x11
