// The input of the modal loops: the pointer and the keyboard taken from every other client
// while a move or a popup menu runs, the buttons and modifiers as the server has them, and the
// focus going to another program.
#include "present/x11/x11.h"

namespace platform::present::x11 {

bool X11Backend::GrabInput(HWND hwnd) {
    if (lost_)
        return false;
    std::lock_guard lock(mutex_);
    Shown* s = Find(hwnd);
    if (!s || !s->mapped)
        return false;
    // Every event is reported to this window, with the pointer's place on the screen: the
    // layer finds the window meant from there, as it does for the capture.
    const int pointer = XGrabPointer(display_, s->id, False,
                                     ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                     GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    const int keyboard =
        XGrabKeyboard(display_, s->id, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    XFlush(display_);
    input_grabbed_ = pointer == GrabSuccess || keyboard == GrabSuccess;
    return pointer == GrabSuccess && keyboard == GrabSuccess;
}

void X11Backend::UngrabInput() {
    if (lost_ || !input_grabbed_)
        return;
    input_grabbed_ = false;
    XUngrabPointer(display_, CurrentTime);
    XUngrabKeyboard(display_, CurrentTime);
    // Given back before the loop's end is told: a client that reaches for the input next
    // (another program, a grab of the layer's own) must not find it still held.
    XSync(display_, False);
}

std::optional<unsigned> X11Backend::HeldMask() {
    if (lost_)
        return std::nullopt;
    ::Window root, child;
    int x, y, wx, wy;
    unsigned mask;
    if (!XQueryPointer(display_, root_, &root, &child, &x, &y, &wx, &wy, &mask))
        return std::nullopt;
    return mask;
}

std::optional<HeldKeys> X11Backend::Held() {
    const std::optional<unsigned> held_mask = HeldMask();
    if (!held_mask)
        return std::nullopt;
    const unsigned mask = *held_mask;
    HeldKeys held;
    held.left = (mask & Button1Mask) != 0;
    held.middle = (mask & Button2Mask) != 0;
    held.right = (mask & Button3Mask) != 0;
    held.shift = (mask & ShiftMask) != 0;
    held.control = (mask & ControlMask) != 0;
    held.alt = (mask & Mod1Mask) != 0;
    return held;
}

void X11Backend::HandleFocusOut(const XFocusChangeEvent& event) {
    // A grab (the layer's own, or another client's for a moment) does not move the focus; the
    // focus going into a window inside this one does not take it away.
    if (event.mode == NotifyGrab || event.mode == NotifyUngrab || event.detail == NotifyInferior)
        return;
    if (WindowOf(event.window))
        focus_left_ = true;
}

void X11Backend::CheckFocusLeft() {
    if (!focus_left_ || lost_)
        return;
    focus_left_ = false;
    // Where the focus went, once the events at hand are through: to another window of the
    // layer, which activates it, or away from the program.
    ::Window focus;
    int revert;
    XGetInputFocus(display_, &focus, &revert);
    if (focus == PointerRoot) {
        // The focus follows the pointer: the window under it has it.
        ::Window root, child = None;
        int x, y, wx, wy;
        unsigned mask;
        XQueryPointer(display_, root_, &root, &child, &x, &y, &wx, &wy, &mask);
        focus = child;
    }
    if (focus != None && WindowOf(focus))
        return;
    ActivationLost();
}

} // namespace platform::present::x11
