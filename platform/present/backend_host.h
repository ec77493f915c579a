// What a back end may ask of the rest of the layer, beside the operations it fills
// (present/backend.h): a window's state and picture, an icon's pixels, and the user's input and
// the screen's changes to report. user32 and shell32 implement these; a back end includes no
// header of theirs, so it never depends on how they keep their windows and icons.
#pragma once

#include "present/backend.h"
#include "present/picture.h" // ComposeWindow: a top-level window's whole picture

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::present {

// The desktop's lock, recursive. A back end may guard its own state with it: one lock for both
// leaves no order of two locks to get wrong between threads.
std::recursive_mutex& DesktopLock();

// A window as a back end sees it, copied in one step under the desktop's lock.
struct WindowState {
    bool child = false;        // has a parent: not a window of the screen's own
    bool message_only = false; // never shown
    bool destroying = false;   // DestroyWindow is under way
    bool shown = false;        // it and every parent visible
    RECT window{}, client{};   // on the screen
    DWORD style = 0, ex_style = 0;
    std::string title; // ANSI
    std::string class_name;
    HWND owner = nullptr;
    bool owner_disabled = false;
    HICON icon = nullptr; // the class's icon, else its small one
    // SetLayeredWindowAttributes as last called; `layered_set` false while it never was.
    bool layered_set = false;
    DWORD layered_flags = 0;
    BYTE layered_alpha = 255;
    COLORREF layered_key = 0;
};
// Nothing for a handle that is not (or no longer) a window.
std::optional<WindowState> ReadWindow(HWND hwnd);

// An icon's pixels: top row first, 0xAARRGGBB, alpha not premultiplied.
struct IconPixels {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};
// Nothing for a handle that is not (or no longer) an icon or cursor.
std::optional<IconPixels> ReadIcon(HICON icon);

// How close in time (ms) and place (pixels, centred on the first) a second click must come to
// make a double click.
struct DoubleClickLimits {
    UINT time = 0;
    int width = 0, height = 0;
};
DoubleClickLimits DoubleClick();

// The user's input, as the desktop's own. extra_keys holds MK_CONTROL / MK_SHIFT for keys held
// during this input only; screen points are the layer's.
enum class MouseButton { Left, Right, Middle };
void MouseMoved(POINT screen, UINT extra_keys);
void MouseButtonChanged(MouseButton button, bool down, POINT screen, UINT extra_keys);
// One turn of the wheel (WHEEL_DELTA a notch, positive away from the user).
void MouseWheelTurned(POINT screen, int delta, UINT extra_keys);
void KeyChanged(int vk, bool down);
// The modifiers as the screen says they are held: the desktop's key state follows without a
// key message.
void ModifiersHeld(bool shift, bool control, bool alt);
// A grabbed key combination went down: the hot key's window hears of it. False when no hot key
// has that combination.
bool HotKeyPressed(UINT vk, UINT modifiers);
// The icon of the tray area named by its window and id was clicked: the mouse message
// (WM_LBUTTONUP, WM_RBUTTONUP, WM_LBUTTONDBLCLK ...) goes to the window as the icon asked.
bool TrayIconClicked(HWND hwnd, UINT id, UINT mouse_message);

// The user moved or sized a top-level window through the screen: the layer's window follows,
// as SetWindowPos with `flags` does it.
void WindowMovedOnScreen(HWND hwnd, int x, int y, int width, int height, UINT flags);
// The user made one of the layer's windows the active one, or another program took the
// activation from them.
void WindowActivatedOnScreen(HWND hwnd);
void ActivationLost();
// The screen's monitors, the primary first; an empty list gives the layer's default monitor.
void MonitorsChanged(const std::vector<MonitorArea>& monitors);
// The screen went away: the session ends at once, as when the user logs off.
[[noreturn]] void ScreenLost();

} // namespace platform::present
