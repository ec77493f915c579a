// Windows: creating, mapping, moving, and the properties through which the window manager
// learns what kind of window each one is.
#include "present/x11/x11.h"

#include "host/codepage.h"

#include <X11/Xatom.h>

#include <unistd.h>

namespace platform::present::x11 {

namespace {

// The system's popup menus: shown over everything for as long as their loop runs, with the
// input grabbed, so no window manager is to frame, place or focus them.
constexpr char kPopupMenuClass[] = "#32768";

// What of a layer window decides its X window, read under the desktop's lock.
struct Record {
    bool exists = false;
    bool visible = false;
    RECT window{}, client{};
    DWORD style = 0, ex_style = 0;
    std::string title;
    HWND owner = nullptr;
    bool owner_disabled = false;
    HICON icon = nullptr;
    bool popup_menu = false;
};

Record Read(HWND hwnd) {
    Record r;
    const std::optional<WindowState> w = ReadWindow(hwnd);
    if (!w || w->child || w->message_only || w->destroying)
        return r;
    r.exists = true;
    r.visible = (w->style & WS_VISIBLE) != 0;
    r.window = w->window;
    r.client = w->client;
    r.style = w->style;
    r.ex_style = w->ex_style;
    r.title = w->title;
    r.owner = w->owner;
    r.icon = w->icon;
    r.popup_menu = w->class_name == kPopupMenuClass;
    r.owner_disabled = w->owner_disabled;
    return r;
}

bool Decorated(DWORD style) {
    return (style & WS_CAPTION) == WS_CAPTION;
}

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Rectangles asked for that a later report may still name: a drag asks for one at every step.
constexpr size_t kAskedKept = 64;

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status. The flags say which
// fields count; in those, each bit offers one thing (the "all" bit would turn the rest into
// exceptions, so it is never set).
struct MotifHints {
    unsigned long flags, functions, decorations;
    long input_mode;
    unsigned long status;
};
constexpr unsigned long kMotifFunctions = 1ul << 0, kMotifDecorations = 1ul << 1;
constexpr unsigned long kFunctionResize = 1ul << 1, kFunctionMove = 1ul << 2,
                        kFunctionMinimize = 1ul << 3, kFunctionMaximize = 1ul << 4,
                        kFunctionClose = 1ul << 5;
constexpr unsigned long kDecorBorder = 1ul << 1, kDecorResizeHandles = 1ul << 2,
                        kDecorTitle = 1ul << 3, kDecorMenu = 1ul << 4, kDecorMinimize = 1ul << 5,
                        kDecorMaximize = 1ul << 6;

// What the window manager may do to a window and draw around it: what the window's own frame
// would offer. Without a sizing border it is not resized, without the boxes not maximised or
// minimised, whatever keys or menus the window manager has for that.
MotifHints MotifHintsOf(DWORD style) {
    MotifHints m{kMotifFunctions | kMotifDecorations, kFunctionMove | kFunctionClose, 0, 0, 0};
    const bool sizable = (style & WS_THICKFRAME) != 0;
    const bool minimizable = (style & WS_MINIMIZEBOX) != 0;
    const bool maximizable = (style & WS_MAXIMIZEBOX) != 0;
    if (sizable)
        m.functions |= kFunctionResize;
    if (minimizable)
        m.functions |= kFunctionMinimize;
    if (maximizable)
        m.functions |= kFunctionMaximize;
    if (Decorated(style)) {
        m.decorations = kDecorBorder | kDecorTitle | kDecorMenu;
        if (sizable)
            m.decorations |= kDecorResizeHandles;
        if (minimizable)
            m.decorations |= kDecorMinimize;
        if (maximizable)
            m.decorations |= kDecorMaximize;
    }
    return m;
}

// WM_NORMAL_HINTS: placed where the program put it, the frame around it; a window without a
// sizing border as small and as large as it is now, so the window manager neither offers to
// resize it nor lets a maximise stretch it.
void SetSizeHints(Display* display, ::Window id, const RECT& area, DWORD style) {
    XSizeHints* size = XAllocSizeHints();
    if (!size)
        return;
    const int width = std::max(1, int(area.right - area.left));
    const int height = std::max(1, int(area.bottom - area.top));
    size->flags = USPosition | USSize | PWinGravity;
    size->x = area.left;
    size->y = area.top;
    size->width = width;
    size->height = height;
    size->win_gravity = StaticGravity;
    if (!(style & WS_THICKFRAME)) {
        size->flags |= PMinSize | PMaxSize;
        size->min_width = size->max_width = width;
        size->min_height = size->max_height = height;
    }
    XSetWMNormalHints(display, id, size);
    XFree(size);
}

} // namespace

Shown* X11Backend::Find(HWND hwnd) {
    auto it = shown_.find(hwnd);
    return it == shown_.end() ? nullptr : &it->second;
}

Shown* X11Backend::FindX(::Window id) {
    for (auto& [hwnd, s] : shown_)
        if (s.id == id)
            return &s;
    return nullptr;
}

void X11Backend::WindowCreated(HWND) {
    // The X window is made when the window is first shown: only then are its frame and
    // position settled.
}

void X11Backend::WindowDestroyed(HWND hwnd) {
    std::lock_guard lock(mutex_);
    Shown* s = Find(hwnd);
    if (!s)
        return;
    FreeShared(*s);
    if (!lost_) {
        if (s->gc)
            XFreeGC(display_, s->gc);
        XDestroyWindow(display_, s->id);
        XFlush(display_);
    }
    shown_.erase(hwnd);
}

void X11Backend::Create(HWND hwnd) {
    const Record r = Read(hwnd);
    Shown s;
    s.hwnd = hwnd;
    s.decorated = Decorated(r.style);
    s.area = s.decorated ? r.client : r.window;
    const int width = std::max(1, int(s.area.right - s.area.left));
    const int height = std::max(1, int(s.area.bottom - s.area.top));
    // A layered window gets its own alpha channel where a compositing manager can blend it.
    // Asked afresh, as its channel is for life: one that started a moment ago counts.
    CompositorChanged(XGetSelectionOwner(display_, atoms_.cm_selection) != None);
    s.argb = (r.ex_style & WS_EX_LAYERED) && compositing_ && argb_visual_;

    XSetWindowAttributes attributes{};
    unsigned long mask = CWEventMask | CWBorderPixel | CWBackPixmap;
    attributes.background_pixmap = None; // the window's own pixels, never a cleared flash
    attributes.border_pixel = 0;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
    if (r.popup_menu) {
        // Never the focus: the keyboard comes to it through the grab of the menu's loop.
        s.override_redirect = true;
        attributes.override_redirect = True;
        attributes.event_mask &= ~FocusChangeMask;
        mask |= CWOverrideRedirect;
    }
    Visual* visual = CopyFromParent;
    int depth = CopyFromParent;
    if (s.argb) {
        visual = argb_visual_;
        depth = 32;
        attributes.colormap = argb_colormap_;
        mask |= CWColormap;
    }
    s.id = XCreateWindow(display_, root_, s.area.left, s.area.top, unsigned(width),
                         unsigned(height), 0, depth, InputOutput, visual, mask, &attributes);
    s.gc = XCreateGC(display_, s.id, 0, nullptr);

    SetSizeHints(display_, s.id, s.area, r.style);
    XWMHints* hints = XAllocWMHints();
    hints->flags = InputHint | StateHint;
    hints->input = (r.ex_style & WS_EX_NOACTIVATE) ? False : True;
    hints->initial_state = NormalState;
    XClassHint* class_hint = XAllocClassHint();
    char res_name[] = "pelmora";
    char res_class[] = "Pelmora";
    class_hint->res_name = res_name;
    class_hint->res_class = res_class;
    XSetWMProperties(display_, s.id, nullptr, nullptr, nullptr, 0, nullptr, hints, class_hint);
    XFree(hints);
    XFree(class_hint);
    Atom protocols[] = {atoms_.wm_delete_window};
    XSetWMProtocols(display_, s.id, protocols, 1);
    // The class icon, as the task bar and the window switcher show it: width, height, then
    // ARGB pixels, each in a long.
    if (auto icon = ReadIcon(r.icon); icon && icon->width > 0 && icon->height > 0) {
        std::vector<long> data{long(icon->width), long(icon->height)};
        for (uint32_t p : icon->pixels)
            data.push_back(long(p));
        XChangeProperty(display_, s.id, atoms_.net_wm_icon, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(data.data()), int(data.size()));
    }
    const long pid = long(getpid());
    XChangeProperty(display_, s.id, atoms_.net_wm_pid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    shown_[hwnd] = std::move(s);
}

void X11Backend::SendState(Shown& s, bool add, Atom state) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = s.id;
    event.xclient.message_type = atoms_.net_wm_state;
    event.xclient.format = 32;
    event.xclient.data.l[0] = add ? 1 : 0;
    event.xclient.data.l[1] = long(state);
    event.xclient.data.l[3] = 1; // from an application
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

void X11Backend::SetStateHints(Shown& s, bool above, bool skip, bool modal) {
    if (s.state_known && s.above == above && s.skip == skip && s.modal == modal)
        return;
    if (!s.mapped) {
        // Before mapping, the property itself is read by the window manager.
        std::vector<Atom> states;
        if (above)
            states.push_back(atoms_.state_above);
        if (skip) {
            states.push_back(atoms_.state_skip_taskbar);
            states.push_back(atoms_.state_skip_pager);
        }
        if (modal)
            states.push_back(atoms_.state_modal);
        XChangeProperty(display_, s.id, atoms_.net_wm_state, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(states.data()), int(states.size()));
    } else {
        // A mapped window asks the window manager.
        if (!s.state_known || s.above != above)
            SendState(s, above, atoms_.state_above);
        if (!s.state_known || s.skip != skip) {
            SendState(s, skip, atoms_.state_skip_taskbar);
            SendState(s, skip, atoms_.state_skip_pager);
        }
        if (!s.state_known || s.modal != modal)
            SendState(s, modal, atoms_.state_modal);
    }
    s.state_known = true;
    s.above = above;
    s.skip = skip;
    s.modal = modal;
}

void X11Backend::Sync(Shown& s) {
    const Record r = Read(s.hwnd);
    if (!r.exists)
        return;
    const RECT area = Decorated(r.style) ? r.client : r.window;
    const bool resized = area.right - area.left != s.area.right - s.area.left ||
                         area.bottom - area.top != s.area.bottom - s.area.top;
    // Before the window is resized: a window manager holds a request to the sizes allowed.
    if (resized || ((s.style ^ r.style) & WS_THICKFRAME))
        SetSizeHints(display_, s.id, area, r.style);
    // Styles: the frame, the kind of window, its owner.
    if (s.style != r.style || s.ex_style != r.ex_style || s.owner != r.owner || !s.state_known) {
        const MotifHints motif = MotifHintsOf(r.style);
        XChangeProperty(display_, s.id, atoms_.motif_wm_hints, atoms_.motif_wm_hints, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&motif), 5);
        Atom type = atoms_.type_normal;
        if (s.override_redirect)
            type = atoms_.type_popup_menu;
        else if (r.ex_style & WS_EX_TOOLWINDOW)
            type = atoms_.type_utility;
        else if (Decorated(r.style) && r.owner)
            type = atoms_.type_dialog;
        XChangeProperty(display_, s.id, atoms_.net_wm_window_type, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&type), 1);
        Shown* owner = Find(r.owner);
        if (owner)
            XSetTransientForHint(display_, s.id, owner->id);
        else
            XDeleteProperty(display_, s.id, XA_WM_TRANSIENT_FOR);
        s.style = r.style;
        s.ex_style = r.ex_style;
        s.owner = r.owner;
    }
    SetStateHints(s, (r.ex_style & WS_EX_TOPMOST) != 0, (r.ex_style & WS_EX_TOOLWINDOW) != 0,
                  r.owner && r.owner_disabled && Decorated(r.style));
    if (s.title != r.title || !s.mapped) {
        const std::string utf8 = host::AnsiToUtf8(r.title);
        XChangeProperty(display_, s.id, atoms_.net_wm_name, atoms_.utf8_string, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(utf8.data()), int(utf8.size()));
        XStoreName(display_, s.id, r.title.c_str());
        s.title = r.title;
    }
    if (!Same(area, s.area)) {
        s.asked.push_back(s.area);
        if (s.asked.size() > kAskedKept)
            s.asked.pop_front();
        s.area = area;
        XMoveResizeWindow(display_, s.id, area.left, area.top,
                          unsigned(std::max(1, int(area.right - area.left))),
                          unsigned(std::max(1, int(area.bottom - area.top))));
    }
    if (r.visible && !s.mapped) {
        ApplyLayered(s);
        XMapWindow(display_, s.id);
        // Some window managers place a window anew on mapping: it goes where the program said.
        XMoveWindow(display_, s.id, area.left, area.top);
        s.mapped = true;
        Push(s, true);
    } else if (!r.visible && s.mapped) {
        XWithdrawWindow(display_, s.id, screen_);
        s.mapped = false;
        // The window manager takes the states off a withdrawn window: they are written again
        // before it is mapped once more.
        s.state_known = false;
    } else if (resized && s.mapped) {
        Push(s, true);
    }
    XFlush(display_);
}

void X11Backend::WindowChanged(HWND hwnd) {
    if (lost_)
        return;
    std::lock_guard lock(mutex_);
    Shown* s = Find(hwnd);
    if (!s) {
        const Record r = Read(hwnd);
        if (!r.exists || !r.visible)
            return;
        Create(hwnd);
        s = Find(hwnd);
    }
    Sync(*s);
}

void X11Backend::Activated(HWND hwnd) {
    if (lost_)
        return;
    std::lock_guard lock(mutex_);
    Shown* s = Find(hwnd);
    if (!s || !s->mapped)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = s->id;
    event.xclient.message_type = atoms_.net_active_window;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1; // from an application
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XRaiseWindow(display_, s->id);
    XFlush(display_);
}

} // namespace platform::present::x11
