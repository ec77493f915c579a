// Pixels: a window's picture pushed to its X window (only what changed), answered again on
// Expose without the program, and the layered look: an alpha channel under a compositing
// manager, else the colour key as the window's shape and the alpha as its opacity.
#include "present/x11/x11.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <bit>
#include <sys/shm.h>

namespace platform::present::x11 {

namespace {

struct Layered {
    bool layered = false, keyed = false, click_through = false;
    COLORREF key = 0;
    BYTE alpha = 255;
};

Layered ReadLayered(HWND hwnd) {
    Layered l;
    const std::optional<WindowState> w = ReadWindow(hwnd);
    if (!w || !(w->ex_style & WS_EX_LAYERED))
        return l;
    l.layered = true;
    l.click_through = (w->ex_style & WS_EX_TRANSPARENT) != 0;
    if (w->layered_set) {
        if (w->layered_flags & LWA_ALPHA)
            l.alpha = w->layered_alpha;
        if (w->layered_flags & LWA_COLORKEY) {
            l.keyed = true;
            l.key = w->layered_key;
        }
    }
    return l;
}

// An area of what the window shows copied into an image of `stride` bytes a row whose first
// pixel stands for the window's pixel at origin_x, origin_y.
void CopyArea(const Shown& s, int x, int y, int width, int height, char* out, size_t stride,
              int origin_x, int origin_y) {
    for (int row = 0; row < height; ++row)
        std::copy_n(&s.pixels[size_t(y + row) * size_t(s.width) + size_t(x)], width,
                    reinterpret_cast<uint32_t*>(out + size_t(y + row - origin_y) * stride) +
                        (x - origin_x));
}

} // namespace

void X11Backend::PutArea(Shown& s, int x, int y, int width, int height) {
    x = std::max(x, 0);
    y = std::max(y, 0);
    width = std::min(width, s.width - x);
    height = std::min(height, s.height - y);
    if (width <= 0 || height <= 0 || lost_)
        return;
    Visual* visual = s.argb ? argb_visual_ : DefaultVisual(display_, screen_);
    const unsigned depth = s.argb ? 32 : unsigned(DefaultDepth(display_, screen_));
    if (XImage* image = SharedImageOf(s, visual, depth)) {
        // The server may not have read the last put from the segment yet: written now, the
        // screen could take half of one frame and half of the next.
        if (LastKnownRequestProcessed(display_) < s.shared.put)
            XSync(display_, False);
        CopyArea(s, x, y, width, height, image->data, size_t(image->bytes_per_line), 0, 0);
        s.shared.put = NextRequest(display_);
        XShmPutImage(display_, s.id, s.gc, image, x, y, x, y, unsigned(width), unsigned(height),
                     False);
        return;
    }
    // The rows of the area, copied out so that the image has its own stride.
    std::vector<uint32_t> rows(size_t(width) * size_t(height));
    CopyArea(s, x, y, width, height, reinterpret_cast<char*>(rows.data()), size_t(width) * 4, x, y);
    PutPixels(display_, s.id, s.gc, visual, depth, rows.data(), width, height, x, y);
}

XImage* X11Backend::SharedImageOf(Shown& s, Visual* visual, unsigned depth) {
    if (!shm_)
        return nullptr;
    if (s.shared.width == s.width && s.shared.height == s.height)
        return s.shared.image;
    // A segment for the window's new size (or its first): the old one goes.
    FreeShared(s);
    s.shared.width = s.width;
    s.shared.height = s.height;
    XImage* image = XShmCreateImage(display_, visual, depth, ZPixmap, nullptr, &s.shared.segment,
                                    unsigned(s.width), unsigned(s.height));
    if (!image)
        return nullptr;
    // The window's rows are written as they are: the server must take pixels of 32 bits in this
    // machine's order (a server that shares our memory runs on this machine).
    const int native = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    if (image->bits_per_pixel != 32 || image->byte_order != native) {
        XDestroyImage(image);
        shm_ = false;
        return nullptr;
    }
    const size_t bytes = size_t(image->bytes_per_line) * size_t(s.height);
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    void* memory = id < 0 ? reinterpret_cast<void*>(-1) : shmat(id, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        // No segment to be had (the system's limits): this window's pixels go through the
        // connection until its next size.
        if (id >= 0)
            shmctl(id, IPC_RMID, nullptr);
        XDestroyImage(image);
        s.shared.segment = {};
        return nullptr;
    }
    s.shared.segment.shmid = id;
    s.shared.segment.shmaddr = image->data = static_cast<char*>(memory);
    s.shared.segment.readOnly = True;
    // Whether the server could attach it, told apart from errors of earlier requests.
    XSync(display_, False);
    BeginErrorTrap();
    XShmAttach(display_, &s.shared.segment);
    XSync(display_, False);
    const bool refused = EndErrorTrap();
    // Out of the system's list at once: the memory goes when both sides let go of it, even
    // when the program is killed.
    shmctl(id, IPC_RMID, nullptr);
    if (refused) {
        // A server on another machine, or one not let in to our memory: no window tries again.
        shm_ = false;
        shmdt(memory);
        image->data = nullptr;
        XDestroyImage(image);
        s.shared.segment = {};
        return nullptr;
    }
    s.shared.image = image;
    return image;
}

void X11Backend::FreeShared(Shown& s) {
    if (s.shared.image) {
        // The server lets go in the order of the requests, after the puts before it.
        if (!lost_)
            XShmDetach(display_, &s.shared.segment);
        shmdt(s.shared.segment.shmaddr);
        s.shared.image->data = nullptr;
        XDestroyImage(s.shared.image);
    }
    s.shared = {};
}

void PutPixels(Display* display, Drawable target, GC gc, Visual* visual, unsigned depth,
               const uint32_t* pixels, int width, int height, int x, int y) {
    XImage* image = XCreateImage(display, visual, depth, ZPixmap, 0,
                                 reinterpret_cast<char*>(const_cast<uint32_t*>(pixels)),
                                 unsigned(width), unsigned(height), 32, width * 4);
    if (!image)
        return;
    image->byte_order = LSBFirst; // the pixels are in this machine's order: B, G, R, X
    XPutImage(display, target, gc, image, 0, 0, x, y, unsigned(width), unsigned(height));
    image->data = nullptr; // the rows are the caller's
    XDestroyImage(image);
}

void X11Backend::Push(Shown& s, bool whole) {
    std::optional<gdi::Surface> picture = ComposeWindow(s.hwnd);
    if (!picture)
        return;
    const std::optional<WindowState> w = ReadWindow(s.hwnd);
    if (!w)
        return;
    const RECT window = w->window;
    const int width = std::max(0, int(s.area.right - s.area.left));
    const int height = std::max(0, int(s.area.bottom - s.area.top));
    const int dx = s.area.left - window.left, dy = s.area.top - window.top;
    const Layered l = ReadLayered(s.hwnd);
    const uint32_t key = PixelOf(l.key);
    const bool blended = Blended(s);
    std::vector<uint32_t> next(size_t(width) * size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        const int sy = y + dy;
        if (sy < 0 || sy >= picture->height)
            continue;
        for (int x = 0; x < width; ++x) {
            const int sx = x + dx;
            if (sx < 0 || sx >= picture->width)
                continue;
            uint32_t p =
                picture->pixels[size_t(sy) * size_t(picture->width) + size_t(sx)] & 0xFFFFFF;
            if (blended) {
                // Premultiplied: each colour scaled by the alpha; keyed pixels fully clear.
                const uint32_t a = (l.keyed && p == key) ? 0 : l.alpha;
                const uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255,
                               b = (p & 0xFF) * a / 255;
                p = (a << 24) | (r << 16) | (g << 8) | b;
            } else if (s.argb) {
                // Nobody blends: the server shows the colours as they are.
                p |= 0xFF000000u;
            }
            next[size_t(y) * size_t(width) + size_t(x)] = p;
        }
    }
    if (width != s.width || height != s.height)
        whole = true;
    // Only the rows and columns that differ from what the server shows.
    int left = width, right = -1, top = height, bottom = -1;
    if (whole) {
        left = 0, top = 0, right = width - 1, bottom = height - 1;
    } else {
        for (int y = 0; y < height; ++y) {
            const uint32_t* a = &next[size_t(y) * size_t(width)];
            const uint32_t* b = &s.pixels[size_t(y) * size_t(width)];
            if (std::equal(a, a + width, b))
                continue;
            top = std::min(top, y);
            bottom = y;
            int first = 0;
            while (a[first] == b[first])
                ++first;
            int last = width - 1;
            while (a[last] == b[last])
                --last;
            left = std::min(left, first);
            right = std::max(right, last);
        }
    }
    s.pixels = std::move(next);
    s.width = width;
    s.height = height;
    if (bottom < top || right < left)
        return;
    if (l.keyed && !blended)
        ApplyLayered(s);
    PutArea(s, left, top, right - left + 1, bottom - top + 1);
}

void X11Backend::ApplyLayered(Shown& s) {
    if (lost_)
        return;
    const Layered l = ReadLayered(s.hwnd);
    const bool blended = Blended(s);
    // Without a channel to blend: the key cuts the window's shape, the alpha is its opacity.
    if (shape_ && !blended && l.keyed && s.width > 0 && s.height > 0) {
        const uint32_t key = PixelOf(l.key);
        const auto keyed = [&](int x, int y) {
            return (s.pixels[size_t(y) * size_t(s.width) + size_t(x)] & 0xFFFFFF) == key;
        };
        std::vector<XRectangle> kept;
        for (int y = 0; y < s.height; ++y) {
            int x = 0;
            while (x < s.width) {
                while (x < s.width && keyed(x, y))
                    ++x;
                const int start = x;
                while (x < s.width && !keyed(x, y))
                    ++x;
                if (x > start)
                    kept.push_back(XRectangle{short(start), short(y),
                                              static_cast<unsigned short>(x - start), 1});
            }
        }
        XShapeCombineRectangles(display_, s.id, ShapeBounding, 0, 0, kept.data(), int(kept.size()),
                                ShapeSet, Unsorted);
        s.shaped = true;
    } else if (shape_ && s.shaped && (blended || !l.keyed)) {
        XShapeCombineMask(display_, s.id, ShapeBounding, 0, 0, None, ShapeSet);
        s.shaped = false;
    }
    const bool opacity = !blended && l.alpha != 255;
    if (opacity) {
        const unsigned long value = (unsigned long)(0xFFFFFFFFul / 255ul * l.alpha);
        XChangeProperty(display_, s.id, atoms_.net_wm_window_opacity, XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
    } else if (s.opacity) {
        XDeleteProperty(display_, s.id, atoms_.net_wm_window_opacity);
    }
    s.opacity = opacity;
    // Click-through: an empty input region, so the server hands clicks to what lies below.
    if (xfixes_ && l.click_through != s.click_through) {
        XserverRegion region = l.click_through ? XFixesCreateRegion(display_, nullptr, 0) : None;
        XFixesSetWindowShapeRegion(display_, s.id, ShapeInput, 0, 0, region);
        if (region)
            XFixesDestroyRegion(display_, region);
    }
    s.layered = l.layered;
    s.keyed = l.keyed;
    s.key = l.key;
    s.alpha = l.alpha;
    s.click_through = l.click_through;
}

void X11Backend::LayeredChanged(HWND hwnd) {
    if (lost_)
        return;
    std::lock_guard lock(mutex_);
    Shown* s = Find(hwnd);
    if (!s)
        return;
    if (Blended(*s))
        Push(*s, true); // the alpha is in every pixel
    ApplyLayered(*s);
    // Taken by the server before the program goes on: a click that follows falls through.
    XSync(display_, False);
}

void X11Backend::WindowPainted(HWND top) {
    if (lost_)
        return;
    std::lock_guard lock(mutex_);
    Shown* s = Find(top);
    if (!s || !s->mapped)
        return;
    Push(*s, false);
    XFlush(display_);
}

void X11Backend::CompositorChanged(bool running) {
    if (running == compositing_)
        return;
    compositing_ = running;
    for (auto& [hwnd, s] : shown_) {
        if (!s.argb || !s.mapped)
            continue;
        // The pixels first: the shape is cut from them.
        Push(s, true);
        ApplyLayered(s);
    }
    XFlush(display_);
}

} // namespace platform::present::x11
