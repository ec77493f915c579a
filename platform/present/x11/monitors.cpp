// Monitors from RandR, and their work areas from the desktop's _NET_WORKAREA (a monitor's whole
// rectangle when the desktop publishes none).
#include "present/x11/x11.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace platform::present::x11 {

namespace {

bool Intersect(const RECT& a, const RECT& b, RECT& out) {
    out = RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
    return out.left < out.right && out.top < out.bottom;
}

} // namespace

std::vector<MonitorArea> X11Backend::Monitors() {
    if (lost_)
        return {};
    std::vector<MonitorArea> monitors;
    if (randr_) {
        int count = 0;
        XRRMonitorInfo* info = XRRGetMonitors(display_, root_, True, &count);
        for (int i = 0; info && i < count; ++i) {
            RECT r{info[i].x, info[i].y, info[i].x + info[i].width, info[i].y + info[i].height};
            MonitorArea m{r, r};
            if (info[i].primary)
                monitors.insert(monitors.begin(), m);
            else
                monitors.push_back(m);
        }
        if (info)
            XRRFreeMonitors(info);
    }
    if (monitors.empty()) {
        Screen* screen = ScreenOfDisplay(display_, screen_);
        RECT r{0, 0, WidthOfScreen(screen), HeightOfScreen(screen)};
        monitors.push_back(MonitorArea{r, r});
    }
    // The work area of the current desktop, as the desktop's panels leave it.
    long desktop = 0;
    Atom type;
    int format;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, root_, atoms_.net_current_desktop, 0, 1, False, XA_CARDINAL,
                           &type, &format, &items, &after, &data) == Success &&
        data && items == 1 && format == 32)
        desktop = reinterpret_cast<long*>(data)[0];
    if (data)
        XFree(data);
    data = nullptr;
    if (XGetWindowProperty(display_, root_, atoms_.net_workarea, 0, 1024, False, XA_CARDINAL, &type,
                           &format, &items, &after, &data) == Success &&
        data && format == 32 && desktop >= 0 && items >= size_t(desktop + 1) * 4) {
        const long* v = reinterpret_cast<long*>(data) + desktop * 4;
        const RECT work{int(v[0]), int(v[1]), int(v[0] + v[2]), int(v[1] + v[3])};
        for (MonitorArea& m : monitors) {
            RECT inside;
            if (Intersect(m.monitor, work, inside))
                m.work = inside;
        }
    }
    if (data)
        XFree(data);
    return monitors;
}

} // namespace platform::present::x11
