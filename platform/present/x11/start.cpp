// The connection: opening the display, the extensions and atoms, and the error handlers. The
// server is treated as unreliable: an error is logged, never fatal, and a lost connection ends
// the session the way a desktop logging off does, so that the program saves what it keeps.
#include "present/x11/start.h"

#include "present/x11/x11.h"

#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <type_traits>

namespace platform::present::x11 {

namespace {

std::atomic<X11Backend*> current{nullptr};
std::mutex reported_mutex;
std::set<std::pair<int, int>> reported; // error code, request code

std::atomic<bool> trapping{false};
std::atomic<bool> trapped{false};

// Windows vanish and the window manager races us: an error is said once per kind and ignored.
int OnError(Display* display, XErrorEvent* error) {
    if (trapping) {
        trapped = true;
        return 0;
    }
    {
        std::lock_guard lock(reported_mutex);
        if (!reported.insert({error->error_code, error->request_code}).second)
            return 0;
    }
    char text[160] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X error ignored: %s (request %d.%d, resource 0x%lx)\n", text,
                 error->request_code, error->minor_code, error->resourceid);
    return 0;
}

// The server went away: nothing more is sent to it, and the session ends.
int OnConnectionLost(Display*) {
    if (X11Backend* backend = current.load())
        backend->ConnectionLost();
    ScreenLost();
}

} // namespace

void BeginErrorTrap() {
    trapped = false;
    trapping = true;
}

bool EndErrorTrap() {
    trapping = false;
    return trapped.exchange(false);
}

X11Backend::X11Backend(Display* display, std::string name)
    : display_(display), name_(std::move(name)), screen_(DefaultScreen(display)),
      root_(RootWindow(display, screen_)) {
    auto atom = [&](const char* n) { return XInternAtom(display_, n, False); };
    atoms_.wm_protocols = atom("WM_PROTOCOLS");
    atoms_.wm_delete_window = atom("WM_DELETE_WINDOW");
    atoms_.net_wm_name = atom("_NET_WM_NAME");
    atoms_.utf8_string = atom("UTF8_STRING");
    atoms_.net_wm_window_type = atom("_NET_WM_WINDOW_TYPE");
    atoms_.type_normal = atom("_NET_WM_WINDOW_TYPE_NORMAL");
    atoms_.type_dialog = atom("_NET_WM_WINDOW_TYPE_DIALOG");
    atoms_.type_utility = atom("_NET_WM_WINDOW_TYPE_UTILITY");
    atoms_.net_wm_state = atom("_NET_WM_STATE");
    atoms_.state_above = atom("_NET_WM_STATE_ABOVE");
    atoms_.state_skip_taskbar = atom("_NET_WM_STATE_SKIP_TASKBAR");
    atoms_.state_skip_pager = atom("_NET_WM_STATE_SKIP_PAGER");
    atoms_.state_modal = atom("_NET_WM_STATE_MODAL");
    atoms_.net_active_window = atom("_NET_ACTIVE_WINDOW");
    atoms_.net_wm_window_opacity = atom("_NET_WM_WINDOW_OPACITY");
    atoms_.motif_wm_hints = atom("_MOTIF_WM_HINTS");
    atoms_.net_workarea = atom("_NET_WORKAREA");
    atoms_.net_current_desktop = atom("_NET_CURRENT_DESKTOP");
    atoms_.net_wm_pid = atom("_NET_WM_PID");
    atoms_.net_wm_icon = atom("_NET_WM_ICON");
    const std::string cm = "_NET_WM_CM_S" + std::to_string(screen_);
    atoms_.cm_selection = atom(cm.c_str());
    atoms_.type_popup_menu = atom("_NET_WM_WINDOW_TYPE_POPUP_MENU");

    int event_base, error_base;
    shape_ = XShapeQueryExtension(display_, &event_base, &error_base) != 0;
    xfixes_ = XFixesQueryExtension(display_, &event_base, &error_base) != 0;
    // Shared memory for the windows' pixels, unless turned off (PELMORA_PLATFORM_X11_SHM=0).
    const char* shm = std::getenv("PELMORA_PLATFORM_X11_SHM");
    shm_ = !(shm && std::string(shm) == "0") && XShmQueryExtension(display_);
    int randr_error;
    randr_ = XRRQueryExtension(display_, &randr_event_, &randr_error) != 0;
    if (randr_)
        XRRSelectInput(display_, root_, RRScreenChangeNotifyMask);
    // Work-area changes arrive as property changes of the root window.
    XSelectInput(display_, root_, PropertyChangeMask);

    // A 32-bit visual for windows with their own transparency, used when a compositing manager
    // runs (without one the server has nobody to blend them).
    XVisualInfo wanted{};
    wanted.screen = screen_;
    wanted.depth = 32;
    wanted.c_class = TrueColor;
    int count = 0;
    XVisualInfo* found = XGetVisualInfo(
        display_, VisualScreenMask | VisualDepthMask | VisualClassMask, &wanted, &count);
    for (int i = 0; found && i < count; ++i) {
        if (found[i].red_mask == 0xFF0000 && found[i].green_mask == 0xFF00 &&
            found[i].blue_mask == 0xFF) {
            argb_visual_ = found[i].visual;
            argb_colormap_ = XCreateColormap(display_, root_, argb_visual_, AllocNone);
            break;
        }
    }
    if (found)
        XFree(found);
    StartTray();
    // A compositing manager that starts or quits: XFixes tells of the selection's owner.
    if (xfixes_event_)
        XFixesSelectSelectionInput(display_, root_, atoms_.cm_selection,
                                   XFixesSetSelectionOwnerNotifyMask |
                                       XFixesSelectionWindowDestroyNotifyMask |
                                       XFixesSelectionClientCloseNotifyMask);
    compositing_ = XGetSelectionOwner(display_, atoms_.cm_selection) != None;
    current = this;
}

X11Backend::~X11Backend() {
    X11Backend* self = this;
    current.compare_exchange_strong(self, nullptr);
    for (auto& [hwnd, s] : shown_)
        FreeShared(s);
    if (lost_)
        return;
    StopTray();
    for (auto& [hwnd, s] : shown_) {
        if (s.gc)
            XFreeGC(display_, s.gc);
        XDestroyWindow(display_, s.id);
    }
    if (argb_colormap_)
        XFreeColormap(display_, argb_colormap_);
    XCloseDisplay(display_);
}

int X11Backend::WaitDescriptor() {
    return lost_ ? -1 : ConnectionNumber(display_);
}

} // namespace platform::present::x11

platform::present::Backend* PelmoraX11Open(const char* name, std::string* error) {
    using namespace platform::present::x11;
    static_assert(std::is_same_v<decltype(&PelmoraX11Open), platform::present::OpenBackend>);
    static std::once_flag threads;
    std::call_once(threads, [] { XInitThreads(); });
    Display* display = XOpenDisplay(name);
    if (!display) {
        *error = "no X server answers there";
        return nullptr;
    }
    XSetErrorHandler(OnError);
    XSetIOErrorHandler(OnConnectionLost);
    return new X11Backend(display, name);
}
