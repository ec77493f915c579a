#include "present/x11/probe.h"

#include "present/x11/x11.h"

#include <fcntl.h>

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <csignal>
#include <deque>
#include <cstdio>
#include <map>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace platform::present::x11 {

VirtualServer::VirtualServer(int width, int height, bool tcp) {
    int fds[2];
    if (pipe(fds) != 0)
        return;
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               tcp ? "-listen" : "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buffer[32] = {};
    ssize_t n = 0, got;
    while (n < ssize_t(sizeof buffer - 1) &&
           (got = read(fds[0], buffer + n, sizeof buffer - 1 - size_t(n))) > 0) {
        n += got;
        if (std::memchr(buffer, '\n', size_t(n)))
            break;
    }
    close(fds[0]);
    if (n > 0 && buffer[0] >= '0' && buffer[0] <= '9')
        display_ = ":" + std::to_string(std::atoi(buffer));
}

VirtualServer::~VirtualServer() {
    Kill();
}

void VirtualServer::Kill() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

namespace {

// Pixels: the title bar of the frames the probe's window manager puts windows in.
constexpr int kFrameTitle = 20;

} // namespace

struct Probe::State {
    Display* display = nullptr;
    ::Window target = 0;
    int clicks = 0;

    std::deque<XConfigureRequestEvent> moves; // waiting for AnswerMove
    std::map<::Window, ::Window> frames;      // a client's window, the frame it was put in
    ::Window compositor = 0;                  // owns _NET_WM_CM_S<screen> while it lives
    long root_events = FocusChangeMask;       // what this client takes from the root window
    // Another client holds the keyboard: the window with the focus was told it went for a grab
    // and has not been told it came back.
    bool keyboard_taken = false;

    ::Window FrameOf(::Window client) const {
        auto it = frames.find(client);
        return it == frames.end() ? 0 : it->second;
    }

    void Drain() {
        XSync(display, False);
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ButtonPress && event.xbutton.window == target)
                ++clicks;
            if (event.type == ConfigureRequest)
                moves.push_back(event.xconfigurerequest);
            // The window with the focus hears of a grab as the focus going away and coming back
            // with the modes of a grab (with the focus following the pointer, the root hears).
            if (event.type == FocusOut && event.xfocus.mode == NotifyGrab)
                keyboard_taken = true;
            if (event.type == FocusIn && event.xfocus.mode == NotifyUngrab)
                keyboard_taken = false;
        }
    }
};

Probe::Probe(const std::string& display) : state_(std::make_unique<State>()) {
    state_->display = XOpenDisplay(display.c_str());
    if (state_->display)
        XSelectInput(state_->display, DefaultRootWindow(state_->display), state_->root_events);
}

Probe::~Probe() {
    if (state_->display)
        XCloseDisplay(state_->display);
}

bool Probe::connected() const {
    return state_->display != nullptr;
}

bool Probe::HasExtension(const char* name) {
    int opcode, event, error;
    return state_->display && XQueryExtension(state_->display, name, &opcode, &event, &error);
}

std::optional<gdi::Surface> Probe::ReadScreen(RECT area) {
    Display* d = state_->display;
    if (!d)
        return std::nullopt;
    XSync(d, False);
    const int width = area.right - area.left, height = area.bottom - area.top;
    XImage* image = XGetImage(d, DefaultRootWindow(d), area.left, area.top, unsigned(width),
                              unsigned(height), AllPlanes, ZPixmap);
    if (!image)
        return std::nullopt;
    gdi::Surface out;
    out.width = width;
    out.height = height;
    out.pixels.resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.pixels[size_t(y) * size_t(width) + size_t(x)] =
                uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
    XDestroyImage(image);
    return out;
}

namespace {

int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}

// While it lives, the errors of this client are ignored: a window listed a moment ago may be
// gone by the time it is asked about (a popup menu closing, say).
class WindowsMayVanish {
public:
    explicit WindowsMayVanish(Display* d) : display_(d), previous_(XSetErrorHandler(IgnoreError)) {}
    ~WindowsMayVanish() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    WindowsMayVanish(const WindowsMayVanish&) = delete;
    WindowsMayVanish& operator=(const WindowsMayVanish&) = delete;

private:
    Display* display_;
    XErrorHandler previous_;
};

std::vector<::Window> ChildrenOf(Display* d, ::Window w) {
    ::Window root, parent, *children = nullptr;
    unsigned count = 0;
    std::vector<::Window> out;
    if (XQueryTree(d, w, &root, &parent, &children, &count))
        out.assign(children, children + count);
    if (children)
        XFree(children);
    return out;
}

bool Named(Display* d, ::Window w, const std::string& title) {
    char* name = nullptr;
    const bool named = XFetchName(d, w, &name) && name && title == name;
    if (name)
        XFree(name);
    return named;
}

// The clients' top-level windows, bottom first: the children of the root, and of a window
// manager's frame (a child of the root without a name of its own) the window in it.
std::vector<::Window> TopLevels(Display* d) {
    std::vector<::Window> out;
    for (::Window w : ChildrenOf(d, DefaultRootWindow(d))) {
        char* name = nullptr;
        if (XFetchName(d, w, &name) && name) {
            out.push_back(w);
        } else {
            for (::Window inner : ChildrenOf(d, w))
                out.push_back(inner);
        }
        if (name)
            XFree(name);
    }
    return out;
}

::Window FindByName(Display* d, const std::string& title) {
    WindowsMayVanish vanishing(d);
    for (::Window w : TopLevels(d))
        if (Named(d, w, title))
            return w;
    return 0;
}

} // namespace

namespace {

// A property of the window with this title: its items of `format` bits (8 or 32; 32-bit items
// come as longs, as Xlib gives them).
struct Property {
    int format = 0;
    std::vector<long> numbers;
    std::string bytes;
};

Property Read(Display* d, const std::string& title, const char* property, Atom wanted) {
    Property out;
    ::Window w = d ? FindByName(d, title) : 0;
    if (!w)
        return out;
    Atom type;
    unsigned long items, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, XInternAtom(d, property, False), 0, 1 << 16, False, wanted, &type,
                           &out.format, &items, &after, &data) == Success &&
        data) {
        if (out.format == 8)
            out.bytes.assign(reinterpret_cast<char*>(data), items);
        else if (out.format == 32)
            out.numbers.assign(reinterpret_cast<long*>(data),
                               reinterpret_cast<long*>(data) + items);
    }
    if (data)
        XFree(data);
    return out;
}

} // namespace

std::string Probe::Text(const std::string& title, const char* property) {
    return Read(state_->display, title, property, AnyPropertyType).bytes;
}

std::vector<std::string> Probe::AtomNames(const std::string& title, const char* property) {
    std::vector<std::string> out;
    for (long atom : Read(state_->display, title, property, XA_ATOM).numbers) {
        if (char* name = XGetAtomName(state_->display, Atom(atom))) {
            out.push_back(name);
            XFree(name);
        }
    }
    return out;
}

std::vector<long> Probe::Numbers(const std::string& title, const char* property) {
    return Read(state_->display, title, property, XA_CARDINAL).numbers;
}

std::optional<Probe::SizeLimits> Probe::SizeLimitsOf(const std::string& title) {
    Display* d = state_->display;
    const ::Window w = d ? FindByName(d, title) : 0;
    XSizeHints hints{};
    long supplied = 0;
    if (!w || !XGetWMNormalHints(d, w, &hints, &supplied))
        return std::nullopt;
    SizeLimits out;
    if (hints.flags & PMinSize)
        out.minimum = SIZE{hints.min_width, hints.min_height};
    if (hints.flags & PMaxSize)
        out.maximum = SIZE{hints.max_width, hints.max_height};
    return out;
}

std::vector<long> Probe::MotifHints(const std::string& title) {
    Display* d = state_->display;
    if (!d)
        return {};
    return Read(d, title, "_MOTIF_WM_HINTS", XInternAtom(d, "_MOTIF_WM_HINTS", False)).numbers;
}

std::vector<RECT> Probe::ShapeOf(const std::string& title) {
    Display* d = state_->display;
    const ::Window w = d ? FindByName(d, title) : 0;
    std::vector<RECT> out;
    if (!w)
        return out;
    int count = 0, ordering = 0;
    XRectangle* rectangles = XShapeGetRectangles(d, w, ShapeBounding, &count, &ordering);
    for (int i = 0; i < count; ++i)
        out.push_back(RECT{rectangles[i].x, rectangles[i].y, rectangles[i].x + rectangles[i].width,
                           rectangles[i].y + rectangles[i].height});
    if (rectangles)
        XFree(rectangles);
    return out;
}

void Probe::RunCompositor(bool running) {
    Display* d = state_->display;
    if (!d || running == (state_->compositor != 0))
        return;
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(d));
    if (running) {
        state_->compositor = XCreateSimpleWindow(d, DefaultRootWindow(d), -1, -1, 1, 1, 0, 0, 0);
        XSetSelectionOwner(d, XInternAtom(d, name.c_str(), False), state_->compositor, CurrentTime);
    } else {
        XDestroyWindow(d, state_->compositor);
        state_->compositor = 0;
    }
    state_->Drain();
}

std::string Probe::ClassOf(const std::string& title) {
    Display* d = state_->display;
    ::Window w = d ? FindByName(d, title) : 0;
    XClassHint hint{};
    if (!w || !XGetClassHint(d, w, &hint))
        return {};
    std::string out = std::string(hint.res_name ? hint.res_name : "") + "." +
                      (hint.res_class ? hint.res_class : "");
    XFree(hint.res_name);
    XFree(hint.res_class);
    return out;
}

void Probe::DeleteProperty(const std::string& title, const char* property) {
    Display* d = state_->display;
    ::Window w = d ? FindByName(d, title) : 0;
    if (!w)
        return;
    XDeleteProperty(d, w, XInternAtom(d, property, False));
    XSync(d, False);
}

void Probe::Close(const std::string& title) {
    Display* d = state_->display;
    ::Window w = d ? FindByName(d, title) : 0;
    if (!w)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &event);
    XSync(d, False);
}

std::optional<RECT> Probe::WindowRect(const std::string& title) {
    Display* d = state_->display;
    if (!d)
        return std::nullopt;
    XSync(d, False);
    WindowsMayVanish vanishing(d);
    for (::Window w : TopLevels(d)) {
        XWindowAttributes attributes;
        if (Named(d, w, title) && XGetWindowAttributes(d, w, &attributes) &&
            attributes.map_state == IsViewable) {
            int x, y;
            ::Window child;
            XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child);
            return RECT{x, y, x + attributes.width, y + attributes.height};
        }
    }
    return std::nullopt;
}

std::vector<RECT> Probe::OverrideRedirectWindows() {
    std::vector<RECT> out;
    Display* d = state_->display;
    if (!d)
        return out;
    XSync(d, False);
    WindowsMayVanish vanishing(d);
    ::Window root = DefaultRootWindow(d), parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, root, &root, &parent, &children, &count))
        return out;
    // The tree lists the children bottom first.
    for (unsigned i = count; i-- > 0;) {
        XWindowAttributes a;
        if (children[i] != state_->target && XGetWindowAttributes(d, children[i], &a) &&
            a.override_redirect && a.map_state == IsViewable)
            out.push_back(RECT{a.x, a.y, a.x + a.width, a.y + a.height});
    }
    if (children)
        XFree(children);
    return out;
}

bool Probe::InputGrabbed() {
    if (!state_->display)
        return false;
    state_->Drain();
    return state_->keyboard_taken;
}

void Probe::Focus(const std::string& title) {
    Display* d = state_->display;
    if (!d)
        return;
    const ::Window w = title.empty() ? state_->target : FindByName(d, title);
    if (!w)
        return;
    // Told when a grab takes the keyboard from it (the probe's own window asks for it already).
    if (w != state_->target)
        XSelectInput(d, w, FocusChangeMask);
    XSetInputFocus(d, w, RevertToPointerRoot, CurrentTime);
    state_->Drain();
}

void Probe::FocusFollowsPointer() {
    Display* d = state_->display;
    if (!d)
        return;
    XSetInputFocus(d, PointerRoot, RevertToPointerRoot, CurrentTime);
    state_->Drain();
}

void Probe::ManageWindows(bool frames) {
    Display* d = state_->display;
    if (!d)
        return;
    const ::Window root = DefaultRootWindow(d);
    state_->root_events |= SubstructureRedirectMask;
    XSelectInput(d, root, state_->root_events);
    if (frames) {
        WindowsMayVanish vanishing(d);
        for (::Window w : ChildrenOf(d, root)) {
            XWindowAttributes a;
            if (w == state_->target || !XGetWindowAttributes(d, w, &a) || a.override_redirect ||
                a.map_state != IsViewable)
                continue;
            // A title bar above the window, as a window manager's frame has: the window's
            // place in its frame is not its place on the screen.
            // The window's requests to move come to the frame's owner.
            XSetWindowAttributes attributes{};
            attributes.background_pixel = 0x808080;
            attributes.event_mask = SubstructureRedirectMask;
            const ::Window frame =
                XCreateWindow(d, root, a.x, a.y - kFrameTitle, unsigned(a.width),
                              unsigned(a.height + kFrameTitle), 0, CopyFromParent, InputOutput,
                              CopyFromParent, CWBackPixel | CWEventMask, &attributes);
            XAddToSaveSet(d, w);
            XReparentWindow(d, w, frame, 0, kFrameTitle);
            XMapWindow(d, frame);
            state_->frames[w] = frame;
        }
    }
    state_->Drain();
}

namespace {

// What a window manager does to move a window: it moves it (in its frame, the frame), then
// tells its client where.
void Place(Display* d, ::Window w, ::Window frame, RECT area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (frame) {
        XMoveResizeWindow(d, frame, area.left, area.top - kFrameTitle, unsigned(width),
                          unsigned(height + kFrameTitle));
        XResizeWindow(d, w, unsigned(width), unsigned(height));
    } else {
        XMoveResizeWindow(d, w, area.left, area.top, unsigned(width), unsigned(height));
    }
    XEvent event{};
    event.xconfigure.type = ConfigureNotify;
    event.xconfigure.event = w;
    event.xconfigure.window = w;
    event.xconfigure.x = area.left;
    event.xconfigure.y = area.top;
    event.xconfigure.width = width;
    event.xconfigure.height = height;
    XSendEvent(d, w, False, StructureNotifyMask, &event);
}

} // namespace

bool Probe::AnswerMove() {
    Display* d = state_->display;
    if (!d)
        return false;
    state_->Drain();
    if (state_->moves.empty())
        return false;
    const XConfigureRequestEvent request = state_->moves.front();
    state_->moves.pop_front();
    Place(d, request.window, state_->FrameOf(request.window),
          RECT{request.x, request.y, request.x + request.width, request.y + request.height});
    state_->Drain();
    return true;
}

void Probe::MoveWindow(const std::string& title, RECT area) {
    Display* d = state_->display;
    const ::Window w = d ? FindByName(d, title) : 0;
    if (!w)
        return;
    Place(d, w, state_->FrameOf(w), area);
    state_->Drain();
}

void Probe::MoveTo(POINT at) {
    if (!state_->display)
        return;
    XTestFakeMotionEvent(state_->display, -1, at.x, at.y, CurrentTime);
    state_->Drain();
}

void Probe::Button(int button, bool down) {
    if (!state_->display)
        return;
    XTestFakeButtonEvent(state_->display, unsigned(button), down ? True : False, CurrentTime);
    state_->Drain();
}

void Probe::Key(UINT vk, bool down) {
    Display* d = state_->display;
    if (!d)
        return;
    const KeyCode code = XKeysymToKeycode(d, KeySymOf(vk));
    if (!code)
        return;
    XTestFakeKeyEvent(d, code, down ? True : False, CurrentTime);
    state_->Drain();
}

bool Probe::GrabKey(UINT modifiers, UINT vk) {
    Display* d = state_->display;
    if (!d)
        return false;
    const KeyCode code = XKeysymToKeycode(d, KeySymOf(vk));
    const unsigned mask = ModifierMaskOf(modifiers);
    XGrabKey(d, code, mask, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync);
    XSync(d, False);
    return code != 0;
}

void Probe::ShowWindowAt(RECT area, COLORREF colour) {
    Display* d = state_->display;
    if (!d)
        return;
    const unsigned long pixel =
        ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = pixel;
    attributes.override_redirect = True;
    attributes.event_mask = ButtonPressMask | FocusChangeMask;
    state_->target = XCreateWindow(
        d, DefaultRootWindow(d), area.left, area.top, unsigned(area.right - area.left),
        unsigned(area.bottom - area.top), 0, CopyFromParent, InputOutput, CopyFromParent,
        CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    XMapWindow(d, state_->target);
    // Below every other window, as the desktop under a program would be.
    XLowerWindow(d, state_->target);
    state_->Drain();
}

int Probe::ClicksReceived() {
    if (!state_->display)
        return 0;
    state_->Drain();
    return state_->clicks;
}

} // namespace platform::present::x11

namespace platform::present::x11 {

namespace {

// The icons are other clients' windows, which may go at any moment: while one lives, errors of
// requests about them are ignored. Xlib's handler is the process's, so the one before comes back.
class IgnoringErrors {
public:
    explicit IgnoringErrors(Display* display)
        : display_(display), before_(XSetErrorHandler([](Display*, XErrorEvent*) { return 0; })) {}
    ~IgnoringErrors() {
        XSync(display_, False);
        XSetErrorHandler(before_);
    }
    IgnoringErrors(const IgnoringErrors&) = delete;
    IgnoringErrors& operator=(const IgnoringErrors&) = delete;

private:
    Display* display_;
    XErrorHandler before_;
};

} // namespace

struct TrayHost::State {
    Display* display = nullptr;
    ::Window window = 0;
    TrayHost::Options options;
    Atom opcode = 0, xembed = 0, xembed_info = 0, net_wm_name = 0;
    std::vector<::Window> icons;

    void Serve() {
        IgnoringErrors ignoring(display);
        XSync(display, False);
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && event.xclient.window == window &&
                event.xclient.message_type == opcode && event.xclient.data.l[1] == 0)
                Dock(::Window(event.xclient.data.l[2]));
            else if (event.type == DestroyNotify)
                std::erase(icons, event.xdestroywindow.window);
            else if (event.type == ReparentNotify && event.xreparent.parent != window)
                std::erase(icons, event.xreparent.window);
        }
    }

    // As a tray does: into its window beside the others, sized, mapped when the icon's
    // _XEMBED_INFO says so, and told that it is embedded.
    void Dock(::Window icon) {
        if (std::find(icons.begin(), icons.end(), icon) != icons.end())
            return;
        int width = options.icon_side, height = options.icon_side;
        if (options.sized_by_hints) {
            width = height = 1;
            XSizeHints hints{};
            long supplied = 0;
            if (XGetWMNormalHints(display, icon, &hints, &supplied) && (hints.flags & PMinSize)) {
                width = std::max(1, hints.min_width);
                height = std::max(1, hints.min_height);
            }
        }
        XSelectInput(display, icon, StructureNotifyMask);
        XAddToSaveSet(display, icon);
        XReparentWindow(display, icon, window, int(icons.size()) * width, 0);
        XResizeWindow(display, icon, unsigned(width), unsigned(height));
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, icon, xembed_info, 0, 2, False, xembed_info, &type, &format,
                               &items, &after, &data) == Success &&
            data && format == 32 && items == 2 && (reinterpret_cast<long*>(data)[1] & 1))
            XMapWindow(display, icon);
        if (data)
            XFree(data);
        XEvent notify{};
        notify.xclient.type = ClientMessage;
        notify.xclient.window = icon;
        notify.xclient.message_type = xembed;
        notify.xclient.format = 32;
        notify.xclient.data.l[0] = CurrentTime;
        notify.xclient.data.l[1] = 0; // XEMBED_EMBEDDED_NOTIFY
        notify.xclient.data.l[3] = long(window);
        notify.xclient.data.l[4] = 0;
        XSendEvent(display, icon, False, NoEventMask, &notify);
        icons.push_back(icon);
        XSync(display, False);
    }
};

TrayHost::TrayHost(const std::string& display_name, const Options& options)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.options = options;
    s.display = XOpenDisplay(display_name.c_str());
    if (!s.display)
        return;
    Display* d = s.display;
    const int screen = DefaultScreen(d);
    const ::Window root = RootWindow(d, screen);
    s.opcode = XInternAtom(d, "_NET_SYSTEM_TRAY_OPCODE", False);
    s.xembed = XInternAtom(d, "_XEMBED", False);
    s.xembed_info = XInternAtom(d, "_XEMBED_INFO", False);
    s.net_wm_name = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom selection =
        XInternAtom(d, ("_NET_SYSTEM_TRAY_S" + std::to_string(screen)).c_str(), False);

    XSetWindowAttributes attributes{};
    attributes.background_pixel = ((options.background & 0xFF) << 16) |
                                  (options.background & 0xFF00) |
                                  ((options.background >> 16) & 0xFF);
    attributes.override_redirect = True;
    attributes.event_mask = SubstructureNotifyMask;
    const RECT& a = options.area;
    s.window =
        XCreateWindow(d, root, a.left, a.top, unsigned(a.right - a.left),
                      unsigned(a.bottom - a.top), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    if (options.argb) {
        XVisualInfo wanted{};
        wanted.screen = screen;
        wanted.depth = 32;
        wanted.c_class = TrueColor;
        int count = 0;
        XVisualInfo* found = XGetVisualInfo(d, VisualScreenMask | VisualDepthMask | VisualClassMask,
                                            &wanted, &count);
        if (found && count > 0) {
            const long id = long(found->visualid);
            XChangeProperty(d, s.window, XInternAtom(d, "_NET_SYSTEM_TRAY_VISUAL", False),
                            XInternAtom(d, "VISUALID", False), 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&id), 1);
        }
        if (found)
            XFree(found);
    }
    XMapWindow(d, s.window);
    XSetSelectionOwner(d, selection, s.window, CurrentTime);
    if (options.announce) {
        XEvent manager{};
        manager.xclient.type = ClientMessage;
        manager.xclient.window = root;
        manager.xclient.message_type = XInternAtom(d, "MANAGER", False);
        manager.xclient.format = 32;
        manager.xclient.data.l[0] = CurrentTime;
        manager.xclient.data.l[1] = long(selection);
        manager.xclient.data.l[2] = long(s.window);
        XSendEvent(d, root, False, StructureNotifyMask, &manager);
    }
    XSync(d, False);
}

TrayHost::~TrayHost() {
    if (state_->display)
        XCloseDisplay(state_->display);
}

bool TrayHost::running() const {
    return state_->display && state_->window;
}

std::vector<TrayHost::Icon> TrayHost::Icons() {
    std::vector<Icon> out;
    State& s = *state_;
    if (!s.display)
        return out;
    s.Serve();
    IgnoringErrors ignoring(s.display);
    for (::Window icon : s.icons) {
        Icon i;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(s.display, icon, &attributes))
            continue;
        int x = 0, y = 0;
        ::Window child;
        XTranslateCoordinates(s.display, icon, DefaultRootWindow(s.display), 0, 0, &x, &y, &child);
        i.area = RECT{x, y, x + attributes.width, y + attributes.height};
        i.mapped = attributes.map_state == IsViewable;
        i.argb = attributes.depth == 32;
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(s.display, icon, s.net_wm_name, 0, 1024, False, AnyPropertyType,
                               &type, &format, &items, &after, &data) == Success &&
            data && format == 8)
            i.name.assign(reinterpret_cast<char*>(data), items);
        if (data)
            XFree(data);
        out.push_back(i);
    }
    return out;
}

void TrayHost::Close() {
    State& s = *state_;
    if (!s.display || !s.window)
        return;
    XDestroyWindow(s.display, s.window);
    s.window = 0;
    s.icons.clear();
    XSync(s.display, False);
}

} // namespace platform::present::x11
