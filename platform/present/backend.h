// The presentation back end: what puts the layer's top-level windows on a screen and brings
// the user's input back. Headless keeps everything inside the process; a back end of a real
// screen is a module of its own (present/backend_modules.h) that shows each window there. user32
// reaches the one in force through present/present.h; a back end asks of the layer only what
// present/backend_host.h offers.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <optional>
#include <vector>

namespace platform::present {

// An icon of the tray area as the back end shows it; named by its window and id.
struct TrayEntry {
    HWND hwnd = nullptr;
    UINT id = 0;
    HICON icon = nullptr;
    std::string tip; // ANSI
};

struct MonitorArea {
    RECT monitor{};
    RECT work{}; // the monitor less the desktop's panels and task bars
};

// The mouse buttons and the modifier keys held down.
struct HeldKeys {
    bool left = false, right = false, middle = false;
    bool shift = false, control = false, alt = false;
};

class Backend {
public:
    virtual ~Backend() = default;

    // The monitors, the primary first; empty when the back end has no idea (the layer's default
    // monitor is used then).
    virtual std::vector<MonitorArea> Monitors() = 0;

    // A top-level window came to exist or went; lock of the desktop held or not.
    virtual void WindowCreated(HWND hwnd) = 0;
    virtual void WindowDestroyed(HWND hwnd) = 0;
    // Its position, size, visibility, styles, title or owner may have changed: the back end
    // reads the window's record and brings the screen in line.
    virtual void WindowChanged(HWND hwnd) = 0;
    // SetLayeredWindowAttributes or WS_EX_LAYERED / WS_EX_TRANSPARENT changed.
    virtual void LayeredChanged(HWND hwnd) = 0;
    // The program asked for the window to be the foreground one.
    virtual void Activated(HWND hwnd) = 0;
    // The window (or one of its children) drew: its picture is to reach the screen.
    virtual void WindowPainted(HWND top) = 0;

    // A descriptor that becomes readable when Pump has work (-1 for none), and the pump, which
    // turns what arrived into the layer's messages. Called on the GUI thread's message wait.
    virtual int WaitDescriptor() = 0;
    virtual void Pump() = 0;

    // A global hot key taken from every other client; false when another one holds it.
    virtual bool GrabHotKey(UINT modifiers, UINT vk) = 0;
    virtual void UngrabHotKey(UINT modifiers, UINT vk) = 0;

    // The cursor position on the screen, when the back end knows it better than the layer.
    virtual bool CursorPosition(POINT& out) = 0;

    // The tray area: an icon is to be docked in the desktop's tray, which may have none to take
    // it (false); its picture or tip changed; it goes. shell32 calls these with its list of
    // icons locked: they must not call back into it.
    virtual bool TrayIconAdded(const TrayEntry& entry) = 0;
    virtual void TrayIconChanged(const TrayEntry& entry) = 0;
    virtual void TrayIconRemoved(HWND hwnd, UINT id) = 0;

    // Whether a user sees the windows, so that a message box waits for an answer.
    virtual bool OnScreen() const { return false; }

    // A modal loop that tracks the pointer (the caption move loop, an open popup menu) takes
    // the pointer and the keyboard from every other client while it runs, so that all input
    // comes to the layer wherever the pointer goes. False when the window is not on the screen
    // or another client holds them; UngrabInput gives back whatever was taken. A back end with
    // no other clients has nothing to take.
    virtual bool GrabInput(HWND) { return true; }
    virtual void UngrabInput() {}
    // The buttons and modifiers held now, when the back end knows them better than the layer.
    virtual std::optional<HeldKeys> Held() { return std::nullopt; }
};

// A module's one entry: the back end on the named screen (the caller owns it), or null with
// `*error` saying why that screen could not be opened.
using OpenBackend = Backend* (*)(const char* screen, std::string* error);

} // namespace platform::present
