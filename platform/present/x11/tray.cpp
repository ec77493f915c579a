// The tray area on X: each icon is a small window of ours that the desktop's tray manager (the
// owner of the selection _NET_SYSTEM_TRAY_S<screen>) embeds after a dock request. The pointer on
// it comes back as the icon's callback message; a tray that starts later hears of the program
// through the registered "TaskbarCreated" message, and one that goes away takes its icons along.
#include "present/x11/x11.h"

#include "host/codepage.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrender.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>

namespace platform::present::x11 {

namespace {

// What an icon window is until the tray says otherwise.
constexpr int kTrayIconSide = 24;
constexpr long kSystemTrayRequestDock = 0;
constexpr long kXEmbedVersion = 0;
constexpr long kXEmbedMapped = 1;

// How much of each source pixel falls in each destination pixel along one axis. In units of
// 1/to of a source pixel, destination pixel d covers [d * from, (d + 1) * from) and source pixel
// s covers [s * to, (s + 1) * to); the overlap is the weight, and the weights of one destination
// pixel add up to `from`.
std::vector<std::vector<std::pair<int, int>>> Weights(int from, int to) {
    std::vector<std::vector<std::pair<int, int>>> out(static_cast<size_t>(to));
    for (int d = 0; d < to; ++d) {
        const long start = long(d) * from, end = long(d + 1) * from;
        for (int s = int(start / to); s < from && long(s) * to < end; ++s) {
            const long overlap = std::min(end, long(s + 1) * to) - std::max(start, long(s) * to);
            if (overlap > 0)
                out[size_t(d)].push_back({s, int(overlap)});
        }
    }
    return out;
}

// The icon averaged over each pixel of a side x side square, as premultiplied 0xAARRGGBB: the
// colours of clear pixels do not bleed into their neighbours.
std::vector<uint32_t> Scaled(const IconPixels& icon, int side) {
    std::vector<uint32_t> out(size_t(side) * size_t(side));
    const auto across = Weights(icon.width, side), down = Weights(icon.height, side);
    const uint64_t total = uint64_t(icon.width) * uint64_t(icon.height);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            uint64_t sum[4] = {};
            for (auto [sy, wy] : down[size_t(y)]) {
                for (auto [sx, wx] : across[size_t(x)]) {
                    const uint32_t p = icon.pixels[size_t(sy) * size_t(icon.width) + size_t(sx)];
                    const uint64_t w = uint64_t(wx) * uint64_t(wy), a = p >> 24;
                    sum[0] += a * w;
                    sum[1] += ((p >> 16) & 0xFF) * a * w;
                    sum[2] += ((p >> 8) & 0xFF) * a * w;
                    sum[3] += (p & 0xFF) * a * w;
                }
            }
            const uint64_t a = (sum[0] + total / 2) / total;
            const uint64_t r = (sum[1] + total * 255 / 2) / (total * 255);
            const uint64_t g = (sum[2] + total * 255 / 2) / (total * 255);
            const uint64_t b = (sum[3] + total * 255 / 2) / (total * 255);
            out[size_t(y) * size_t(side) + size_t(x)] =
                uint32_t((a << 24) | (r << 16) | (g << 8) | b);
        }
    }
    return out;
}

// The mouse message of an X button, down or up; 0 for the wheel and the rest.
UINT MouseMessage(unsigned button, bool down) {
    switch (button) {
    case Button1:
        return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case Button2:
        return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    case Button3:
        return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    default:
        return 0;
    }
}

void Undock(HWND hwnd, UINT id) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = hwnd;
    data.uID = id;
    Shell_NotifyIconA(NIM_DELETE, &data);
}

} // namespace

void X11Backend::StartTray() {
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(screen_);
    tray_atoms_.selection = XInternAtom(display_, selection.c_str(), False);
    tray_atoms_.opcode = XInternAtom(display_, "_NET_SYSTEM_TRAY_OPCODE", False);
    tray_atoms_.manager = XInternAtom(display_, "MANAGER", False);
    tray_atoms_.visual = XInternAtom(display_, "_NET_SYSTEM_TRAY_VISUAL", False);
    tray_atoms_.xembed_info = XInternAtom(display_, "_XEMBED_INFO", False);
    int event_base, error_base;
    render_ = XRenderQueryExtension(display_, &event_base, &error_base) != 0;
    // A new tray says so with MANAGER on the root window, sent to StructureNotify listeners;
    // XFixes also tells of an owner that forgets to, and of one that goes.
    XWindowAttributes root{};
    XGetWindowAttributes(display_, root_, &root);
    XSelectInput(display_, root_, root.your_event_mask | StructureNotifyMask);
    if (xfixes_ && XFixesQueryExtension(display_, &xfixes_event_, &error_base))
        XFixesSelectSelectionInput(display_, root_, tray_atoms_.selection,
                                   XFixesSetSelectionOwnerNotifyMask |
                                       XFixesSelectionWindowDestroyNotifyMask |
                                       XFixesSelectionClientCloseNotifyMask);
    tray_manager_ = XGetSelectionOwner(display_, tray_atoms_.selection);
    if (tray_manager_)
        WatchTray(tray_manager_);
}

void X11Backend::StopTray() {
    for (TrayIconWindow& t : tray_icons_) {
        if (t.window)
            XDestroyWindow(display_, t.window);
        if (t.colormap)
            XFreeColormap(display_, t.colormap);
    }
    tray_icons_.clear();
}

TrayIconWindow* X11Backend::FindTray(::Window window) {
    if (!window)
        return nullptr;
    for (TrayIconWindow& t : tray_icons_)
        if (t.window == window)
            return &t;
    return nullptr;
}

void X11Backend::WatchTray(::Window manager) {
    // Its window's end is the tray's end. It may be gone already; then XFixes or the next
    // tray's MANAGER tells.
    BeginErrorTrap();
    XSelectInput(display_, manager, StructureNotifyMask);
    XSync(display_, False);
    EndErrorTrap();
}

bool X11Backend::TrayIconAdded(const TrayEntry& entry) {
    std::lock_guard lock(mutex_);
    if (lost_)
        return false;
    // Asked afresh: a tray that started a moment ago takes the icon before its MANAGER arrives.
    const ::Window manager = XGetSelectionOwner(display_, tray_atoms_.selection);
    if (!manager)
        return false;

    TrayIconWindow t;
    t.hwnd = entry.hwnd;
    t.id = entry.id;
    t.icon = entry.icon;
    t.tip = entry.tip;
    t.manager = manager;
    t.width = t.height = kTrayIconSide;
    // The visual the tray asks for, when it is one we can draw with: 24 or 32 bits of true
    // colour. Else the default one, over the tray's own background.
    t.visual = DefaultVisual(display_, screen_);
    t.depth = DefaultDepth(display_, screen_);
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    BeginErrorTrap();
    if (XGetWindowProperty(display_, manager, tray_atoms_.visual, 0, 1, False, AnyPropertyType,
                           &type, &format, &items, &after, &data) == Success &&
        data && format == 32 && items == 1) {
        XVisualInfo wanted{};
        wanted.visualid = VisualID(*reinterpret_cast<unsigned long*>(data));
        wanted.screen = screen_;
        int count = 0;
        XVisualInfo* found =
            XGetVisualInfo(display_, VisualIDMask | VisualScreenMask, &wanted, &count);
        if (found && count > 0 && found->c_class == TrueColor && found->red_mask == 0xFF0000 &&
            found->green_mask == 0xFF00 && found->blue_mask == 0xFF &&
            (found->depth == 24 || found->depth == 32)) {
            t.visual = found->visual;
            t.depth = found->depth;
        }
        if (found)
            XFree(found);
    }
    if (data)
        XFree(data);

    XSetWindowAttributes attributes{};
    unsigned long mask = CWEventMask | CWBorderPixel;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            StructureNotifyMask;
    attributes.border_pixel = 0;
    if (t.visual == DefaultVisual(display_, screen_)) {
        // The tray's own background shows through where the icon is clear.
        attributes.background_pixmap = ParentRelative;
        mask |= CWBackPixmap;
    } else {
        t.colormap = XCreateColormap(display_, root_, t.visual, AllocNone);
        attributes.colormap = t.colormap;
        attributes.background_pixel = 0; // clear, for the tray to blend
        mask |= CWColormap | CWBackPixel;
    }
    t.window = XCreateWindow(display_, root_, 0, 0, unsigned(t.width), unsigned(t.height), 0,
                             t.depth, InputOutput, t.visual, mask, &attributes);
    // Mapped by the tray once it has taken the window in.
    const long xembed[] = {kXEmbedVersion, kXEmbedMapped};
    XChangeProperty(display_, t.window, tray_atoms_.xembed_info, tray_atoms_.xembed_info, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(xembed), 2);
    XClassHint* class_hint = XAllocClassHint();
    char res_name[] = "pelmora";
    char res_class[] = "Pelmora";
    class_hint->res_name = res_name;
    class_hint->res_class = res_class;
    XSetClassHint(display_, t.window, class_hint);
    XFree(class_hint);
    // The size it asks for: trays that size their icons from the hints (GTK's) otherwise give
    // it a single pixel's width.
    XSizeHints* size = XAllocSizeHints();
    size->flags = PMinSize | PBaseSize;
    size->min_width = size->base_width = t.width;
    size->min_height = size->base_height = t.height;
    XSetWMNormalHints(display_, t.window, size);
    XFree(size);
    // The tip, which trays show as the icon's name.
    const std::string utf8 = host::AnsiToUtf8(t.tip);
    XChangeProperty(display_, t.window, atoms_.net_wm_name, atoms_.utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()), int(utf8.size()));

    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = manager;
    request.xclient.message_type = tray_atoms_.opcode;
    request.xclient.format = 32;
    request.xclient.data.l[0] = CurrentTime;
    request.xclient.data.l[1] = kSystemTrayRequestDock;
    request.xclient.data.l[2] = long(t.window);
    XSendEvent(display_, manager, False, NoEventMask, &request);
    XSync(display_, False);
    if (EndErrorTrap()) {
        // The tray went between the question and the request.
        XDestroyWindow(display_, t.window);
        if (t.colormap)
            XFreeColormap(display_, t.colormap);
        XFlush(display_);
        return false;
    }
    tray_icons_.push_back(std::move(t));
    return true;
}

void X11Backend::TrayIconChanged(const TrayEntry& entry) {
    std::lock_guard lock(mutex_);
    if (lost_)
        return;
    auto it = std::find_if(tray_icons_.begin(), tray_icons_.end(), [&](const TrayIconWindow& t) {
        return t.hwnd == entry.hwnd && t.id == entry.id;
    });
    if (it == tray_icons_.end() || !it->window)
        return;
    if (it->tip != entry.tip) {
        it->tip = entry.tip;
        const std::string utf8 = host::AnsiToUtf8(it->tip);
        XChangeProperty(display_, it->window, atoms_.net_wm_name, atoms_.utf8_string, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.data()),
                        int(utf8.size()));
    }
    if (it->icon != entry.icon) {
        it->icon = entry.icon;
        DrawTrayIcon(*it);
    }
    XFlush(display_);
}

void X11Backend::TrayIconRemoved(HWND hwnd, UINT id) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(tray_icons_.begin(), tray_icons_.end(),
                           [&](const TrayIconWindow& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == tray_icons_.end())
        return;
    if (!lost_) {
        // The tray sees its client go and closes the gap.
        BeginErrorTrap();
        if (it->window)
            XDestroyWindow(display_, it->window);
        if (it->colormap)
            XFreeColormap(display_, it->colormap);
        XSync(display_, False);
        EndErrorTrap();
    }
    tray_icons_.erase(it);
}

void X11Backend::DrawTrayIcon(const TrayIconWindow& t) {
    // The tray may have taken the window down with its own before we hear of it.
    BeginErrorTrap();
    DrawTrayPicture(t);
    XSync(display_, False);
    EndErrorTrap();
}

void X11Backend::DrawTrayPicture(const TrayIconWindow& t) {
    // The background first (the tray's, or clear), then the icon over it, centred in the
    // largest square the window holds.
    XClearWindow(display_, t.window);
    const std::optional<IconPixels> icon = ReadIcon(t.icon);
    const int side = std::min(t.width, t.height);
    if (!icon || icon->width <= 0 || icon->height <= 0 || side <= 0)
        return;
    const std::vector<uint32_t> pixels = Scaled(*icon, side);
    const int x = (t.width - side) / 2, y = (t.height - side) / 2;
    if (!render_) {
        // Nobody to blend with: the premultiplied colours, as over black.
        GC gc = XCreateGC(display_, t.window, 0, nullptr);
        PutPixels(display_, t.window, gc, t.visual, unsigned(t.depth), pixels.data(), side, side, x,
                  y);
        XFreeGC(display_, gc);
        return;
    }
    XRenderPictFormat* argb = XRenderFindStandardFormat(display_, PictStandardARGB32);
    XRenderPictFormat* target_format = XRenderFindVisualFormat(display_, t.visual);
    if (!argb || !target_format)
        return;
    Pixmap pixmap = XCreatePixmap(display_, t.window, unsigned(side), unsigned(side), 32);
    GC gc = XCreateGC(display_, pixmap, 0, nullptr);
    PutPixels(display_, pixmap, gc, nullptr, 32, pixels.data(), side, side, 0, 0);
    XFreeGC(display_, gc);
    Picture source = XRenderCreatePicture(display_, pixmap, argb, 0, nullptr);
    Picture target = XRenderCreatePicture(display_, t.window, target_format, 0, nullptr);
    XRenderComposite(display_, PictOpOver, source, None, target, 0, 0, 0, 0, x, y, unsigned(side),
                     unsigned(side));
    XRenderFreePicture(display_, target);
    XRenderFreePicture(display_, source);
    XFreePixmap(display_, pixmap);
}

void X11Backend::TrayOwnerChanged() {
    std::vector<std::pair<HWND, UINT>> lost;
    bool announce = false;
    {
        std::lock_guard lock(mutex_);
        if (lost_)
            return;
        const ::Window owner = XGetSelectionOwner(display_, tray_atoms_.selection);
        if (owner == tray_manager_)
            return;
        tray_manager_ = owner;
        if (owner) {
            WatchTray(owner);
            announce = true;
        }
        // What docked in another tray went with it.
        for (const TrayIconWindow& t : tray_icons_)
            if (t.manager != owner)
                lost.push_back({t.hwnd, t.id});
    }
    // Outside the back end's lock: the tray's list is locked before it.
    for (auto [hwnd, id] : lost)
        Undock(hwnd, id);
    // As the system's task bar does when it starts: every top-level window hears of it, and
    // programs add their icons again.
    if (announce)
        PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
}

void X11Backend::TrayPointer(const XEvent& event, const TrayIconWindow& t) {
    UINT message = 0;
    if (event.type == MotionNotify) {
        message = WM_MOUSEMOVE;
    } else {
        const XButtonEvent& b = event.xbutton;
        const bool down = event.type == ButtonPress;
        message = MouseMessage(b.button, down);
        if (!message)
            return;
        if (down) {
            // A second press of the same button soon after and near the first is a double
            // click, which takes the place of the second press.
            std::lock_guard lock(mutex_);
            auto& last = tray_press_;
            const DoubleClickLimits limits = DoubleClick();
            const bool again = last.window == b.window && last.button == b.button &&
                               uint32_t(b.time - last.time) <= limits.time &&
                               std::abs(b.x_root - last.x) <= limits.width / 2 &&
                               std::abs(b.y_root - last.y) <= limits.height / 2;
            if (again) {
                message += 2; // WM_xBUTTONDOWN + 2 is WM_xBUTTONDBLCLK
                last = {};
            } else {
                last = {b.window, b.button, b.time, b.x_root, b.y_root};
            }
        }
    }
    TrayIconClicked(t.hwnd, t.id, message);
}

bool X11Backend::HandleTrayEvent(XEvent& event) {
    if (event.type == ClientMessage && event.xclient.window == root_ &&
        event.xclient.message_type == tray_atoms_.manager &&
        Atom(event.xclient.data.l[1]) == tray_atoms_.selection) {
        TrayOwnerChanged();
        return true;
    }
    if (xfixes_event_ && event.type == xfixes_event_ + XFixesSelectionNotify) {
        if (reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).selection !=
            tray_atoms_.selection)
            return false;
        TrayOwnerChanged();
        return true;
    }
    TrayIconWindow icon;
    {
        std::lock_guard lock(mutex_);
        if (event.type == DestroyNotify && tray_manager_ &&
            event.xdestroywindow.window == tray_manager_) {
            // Handled below, without the lock.
        } else if (TrayIconWindow* t = FindTray(event.xany.window)) {
            switch (event.type) {
            case Expose:
                if (event.xexpose.count == 0)
                    DrawTrayIcon(*t);
                return true;
            case ConfigureNotify:
                // The size the tray gives the icon.
                if (event.xconfigure.width != t->width || event.xconfigure.height != t->height) {
                    t->width = event.xconfigure.width;
                    t->height = event.xconfigure.height;
                    DrawTrayIcon(*t);
                }
                return true;
            case DestroyNotify:
                // With the tray's window: nothing of it is left to destroy.
                t->window = 0;
                return true;
            case ButtonPress:
            case ButtonRelease:
            case MotionNotify:
                icon = *t;
                break;
            default:
                return true;
            }
        } else {
            return false;
        }
    }
    if (event.type == DestroyNotify) {
        TrayOwnerChanged();
        return true;
    }
    if (event.type == MotionNotify) {
        // Only the newest position of a run of motions matters.
        while (XCheckTypedWindowEvent(display_, icon.window, MotionNotify, &event)) {
        }
    }
    TrayPointer(event, icon);
    return true;
}

} // namespace platform::present::x11
