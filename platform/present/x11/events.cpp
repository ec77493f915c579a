// Events: one loop turning what the server sends into the layer's input and window changes.
// Events are taken one at a time and handled without the back end's lock, since handling them
// runs window procedures that may call back into the presentation.
#include "present/x11/x11.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace platform::present::x11 {

namespace {

UINT ExtraKeys(unsigned state) {
    UINT keys = 0;
    if (state & ShiftMask)
        keys |= MK_SHIFT;
    if (state & ControlMask)
        keys |= MK_CONTROL;
    return keys;
}

UINT HotKeyModifiers(unsigned state) {
    UINT modifiers = 0;
    if (state & ShiftMask)
        modifiers |= MOD_SHIFT;
    if (state & ControlMask)
        modifiers |= MOD_CONTROL;
    if (state & Mod1Mask)
        modifiers |= MOD_ALT;
    if (state & Mod4Mask)
        modifiers |= MOD_WIN;
    return modifiers;
}

} // namespace

HWND X11Backend::WindowOf(::Window id) {
    std::lock_guard lock(mutex_);
    Shown* s = FindX(id);
    return s ? s->hwnd : nullptr;
}

void X11Backend::Pump() {
    if (lost_)
        return;
    XFlush(display_);
    while (!lost_ && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        Handle(event);
    }
    CheckFocusLeft();
    if (monitors_dirty_ && !lost_) {
        monitors_dirty_ = false;
        if (const std::vector<MonitorArea> monitors = Monitors(); !monitors.empty())
            MonitorsChanged(monitors);
    }
}

void X11Backend::Handle(XEvent& event) {
    if (HandleTrayEvent(event))
        return;
    if (xfixes_event_ && event.type == xfixes_event_ + XFixesSelectionNotify) {
        if (reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).selection ==
            atoms_.cm_selection) {
            // The owner asked now: the report may be older than what followed it.
            std::lock_guard lock(mutex_);
            if (!lost_)
                CompositorChanged(XGetSelectionOwner(display_, atoms_.cm_selection) != None);
        }
        return;
    }
    if (randr_ && event.type == randr_event_ + RRScreenChangeNotify) {
        XRRUpdateConfiguration(&event);
        monitors_dirty_ = true;
        return;
    }
    switch (event.type) {
    case Expose: {
        // Answered from what the window shows: the program is not asked to paint.
        std::lock_guard lock(mutex_);
        if (Shown* s = FindX(event.xexpose.window))
            PutArea(*s, event.xexpose.x, event.xexpose.y, event.xexpose.width,
                    event.xexpose.height);
        break;
    }
    case ButtonPress:
    case ButtonRelease:
        HandleButton(event.xbutton, event.type == ButtonPress);
        break;
    case MotionNotify: {
        // Only the newest position of a run of motions matters.
        while (XEventsQueued(display_, QueuedAfterReading) > 0) {
            XEvent next;
            XPeekEvent(display_, &next);
            if (next.type != MotionNotify)
                break;
            XNextEvent(display_, &event);
        }
        ModifiersHeld((event.xmotion.state & ShiftMask) != 0,
                      (event.xmotion.state & ControlMask) != 0,
                      (event.xmotion.state & Mod1Mask) != 0);
        MouseMoved(POINT{event.xmotion.x_root, event.xmotion.y_root},
                   ExtraKeys(event.xmotion.state));
        break;
    }
    case KeyPress:
    case KeyRelease:
        HandleKey(event.xkey, event.type == KeyPress);
        break;
    case FocusIn: {
        const HWND hwnd = WindowOf(event.xfocus.window);
        // Keys pressed or let go while the focus was elsewhere, or while a grab had the
        // keyboard, were not seen: the modifiers start again from what the server holds now.
        if (const std::optional<unsigned> held = hwnd ? HeldMask() : std::nullopt)
            FollowModifiers(*held);
        if (hwnd && event.xfocus.mode != NotifyGrab && GetForegroundWindow() != hwnd)
            WindowActivatedOnScreen(hwnd);
        break;
    }
    case FocusOut:
        HandleFocusOut(event.xfocus);
        break;
    case ConfigureNotify:
        HandleConfigure(event.xconfigure);
        break;
    case ReparentNotify: {
        std::lock_guard lock(mutex_);
        if (Shown* s = FindX(event.xreparent.window))
            s->framed = event.xreparent.parent != root_;
        break;
    }
    case ClientMessage:
        HandleClientMessage(event.xclient);
        break;
    case PropertyNotify:
        if (event.xproperty.window == root_ && (event.xproperty.atom == atoms_.net_workarea ||
                                                event.xproperty.atom == atoms_.net_current_desktop))
            monitors_dirty_ = true;
        break;
    default:
        break;
    }
}

void X11Backend::HandleButton(const XButtonEvent& event, bool down) {
    const POINT at{event.x_root, event.y_root};
    ModifiersHeld((event.state & ShiftMask) != 0, (event.state & ControlMask) != 0,
                  (event.state & Mod1Mask) != 0);
    switch (event.button) {
    case Button1:
        MouseButtonChanged(MouseButton::Left, down, at, ExtraKeys(event.state));
        break;
    case Button2:
        MouseButtonChanged(MouseButton::Middle, down, at, ExtraKeys(event.state));
        break;
    case Button3:
        MouseButtonChanged(MouseButton::Right, down, at, ExtraKeys(event.state));
        break;
    case Button4:
    case Button5:
        // The wheel: one notch per press, away from the user upwards.
        if (down)
            MouseWheelTurned(at, event.button == Button4 ? WHEEL_DELTA : -WHEEL_DELTA,
                             ExtraKeys(event.state));
        break;
    default:
        break;
    }
}

void X11Backend::HandleKey(XKeyEvent& event, bool down) {
    // Every key event says which modifiers were held just before it: a release the layer never
    // saw (it went to a grab, or to another program) stops counting here.
    FollowModifiers(event.state);
    const KeySym sym = XLookupKeysym(&event, 0);
    const UINT vk = VirtualKeyOf(sym);
    if (!vk)
        return;
    if (event.window == root_) {
        // While a hot key's grab lasts every key comes here, also the release of the Ctrl or
        // Alt that went with it: those reach the focus window as they would without the grab,
        // so that the layer does not go on holding them.
        if (IsModifier(vk)) {
            KeyChanged(int(vk), down);
            return;
        }
        // A grabbed combination: the hot key's window hears of it, nobody else.
        if (down)
            HotKeyPressed(vk, HotKeyModifiers(event.state));
        return;
    }
    if (!down && XEventsQueued(display_, QueuedAfterReading) > 0) {
        // The server's auto-repeat sends a release just before each repeated press: such a pair
        // is one key held down.
        XEvent next;
        XPeekEvent(display_, &next);
        if (next.type == KeyPress && next.xkey.time == event.time &&
            next.xkey.keycode == event.keycode)
            return;
    }
    KeyChanged(int(vk), down);
}

void X11Backend::HandleConfigure(const XConfigureEvent& event) {
    HWND hwnd = nullptr;
    RECT area{};
    {
        std::lock_guard lock(mutex_);
        Shown* s = FindX(event.window);
        if (!s)
            return;
        const auto same_size = [&](const RECT& r) {
            return event.width == r.right - r.left && event.height == r.bottom - r.top;
        };
        if (s->framed && !event.send_event) {
            // The server's report of a framed window: its size, and its place in the frame,
            // which says nothing of where it is on the screen. Asking the server where it is
            // now would pair today's place with the report's old size; the place comes in the
            // window manager's own report. Only a size the layer never asked for is news: the
            // user sized the frame.
            if (same_size(s->area) || std::any_of(s->asked.begin(), s->asked.end(), same_size))
                return;
            int x = 0, y = 0;
            ::Window child;
            XTranslateCoordinates(display_, event.window, root_, 0, 0, &x, &y, &child);
            area = RECT{x, y, x + event.width, y + event.height};
        } else {
            // Where the window is on the screen: a window of the root reported by the server,
            // or any window reported by the window manager.
            area = RECT{event.x, event.y, event.x + event.width, event.y + event.height};
            const auto same = [&](const RECT& r) {
                return area.left == r.left && area.top == r.top && same_size(r);
            };
            if (same(s->area)) {
                s->asked.clear();
                return;
            }
            // A place asked for before the newest one, reported late: the window is on its
            // way there, and following it back would undo the program's later moves (a
            // drag's). The same place may be reported twice (by the server, then by the window
            // manager).
            if (auto echo = std::find_if(s->asked.begin(), s->asked.end(), same);
                echo != s->asked.end()) {
                s->asked.erase(s->asked.begin(), echo);
                return;
            }
        }
        s->asked.clear();
        s->area = area;
        hwnd = s->hwnd;
    }
    // The user moved or sized the window through the window manager: the layer follows.
    const std::optional<WindowState> w = ReadWindow(hwnd);
    if (!w)
        return;
    const RECT window = w->window;
    const bool decorated = (w->style & WS_CAPTION) == WS_CAPTION;
    const RECT covered = decorated ? w->client : w->window;
    const int dx = area.left - covered.left, dy = area.top - covered.top;
    const int dw = (area.right - area.left) - (covered.right - covered.left);
    const int dh = (area.bottom - area.top) - (covered.bottom - covered.top);
    WindowMovedOnScreen(hwnd, window.left + dx, window.top + dy, window.right - window.left + dw,
                        window.bottom - window.top + dh, SWP_NOZORDER | SWP_NOACTIVATE);
}

void X11Backend::HandleClientMessage(const XClientMessageEvent& event) {
    if (event.message_type != atoms_.wm_protocols ||
        Atom(event.data.l[0]) != atoms_.wm_delete_window)
        return;
    const HWND hwnd = WindowOf(event.window);
    // The close box, as the system's own: SC_CLOSE, which the default procedure makes WM_CLOSE.
    if (hwnd)
        SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool X11Backend::CursorPosition(POINT& out) {
    if (lost_)
        return false;
    ::Window root, child;
    int x, y, wx, wy;
    unsigned mask;
    if (!XQueryPointer(display_, root_, &root, &child, &x, &y, &wx, &wy, &mask))
        return false;
    out = POINT{x, y};
    return true;
}

} // namespace platform::present::x11
