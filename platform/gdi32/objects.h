// GDI objects behind the handles: bitmaps, brushes, pens, fonts and device contexts, in one table
// of their own (GDI handles are not kernel handles; CloseHandle knows none of them).
#pragma once

#include <windows.h>

#include "gdi32/surface.h"

#include <algorithm>
#include <memory>

namespace platform::gdi {

class FontInstance;

struct Object {
    virtual ~Object() = default;
    virtual DWORD Type() const = 0;
    bool stock = false;
    // DCs that hold the object; an object that is held cannot be deleted.
    int selected = 0;
};

struct Bitmap final : Object {
    static bool HasType(DWORD type) { return type == OBJ_BITMAP; }
    DWORD Type() const override { return OBJ_BITMAP; }
    std::shared_ptr<Surface> surface;
    // A bitmap is selected into at most one memory DC (the stock bitmap into any number).
    HDC selected_into = nullptr;
};

struct Brush final : Object {
    static bool HasType(DWORD type) { return type == OBJ_BRUSH; }
    DWORD Type() const override { return OBJ_BRUSH; }
    COLORREF color = 0;
    bool hollow = false;
};

struct Pen final : Object {
    static bool HasType(DWORD type) { return type == OBJ_PEN; }
    DWORD Type() const override { return OBJ_PEN; }
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct Font final : Object {
    static bool HasType(DWORD type) { return type == OBJ_FONT; }
    DWORD Type() const override { return OBJ_FONT; }
    LOGFONTA logfont{};
    // Matched and opened at the first use.
    std::shared_ptr<FontInstance> instance;
};

struct DeviceContext final : Object {
    static bool HasType(DWORD type) { return type == OBJ_MEMDC || type == OBJ_DC; }
    DWORD Type() const override { return memory ? OBJ_MEMDC : OBJ_DC; }
    bool memory = true;
    // What the DC draws on: its selected bitmap's pixels, or a window's surface.
    std::shared_ptr<Surface> surface;
    HGDIOBJ bitmap = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ pen = nullptr;
    HGDIOBJ font = nullptr;
    int bk_mode = OPAQUE;
    COLORREF bk_color = RGB(255, 255, 255);
    COLORREF text_color = RGB(0, 0, 0);
    POINT position{};
    // The instance of `font` as FontOf last found it (instances are kept for the process), so
    // that a text call looks up the DC alone.
    mutable HGDIOBJ instance_font = nullptr;
    mutable FontInstance* font_instance = nullptr;
};

HGDIOBJ AddObject(std::shared_ptr<Object> object);
std::shared_ptr<Object> FindObject(HGDIOBJ handle);
// The object of a handle if it is of that kind (each kind tells its own types), else null.
template <typename T> std::shared_ptr<T> FindObjectAs(HGDIOBJ handle) {
    std::shared_ptr<Object> object = FindObject(handle);
    if (!object || !T::HasType(object->Type()))
        return nullptr;
    return std::static_pointer_cast<T>(std::move(object));
}
std::shared_ptr<DeviceContext> FindDC(HDC dc);

// The pixels that a DC draws on, or null for a handle that is no DC. A surface whose pixel
// vector does not match its size (a window caught in the middle of a resize) counts as none, so
// that nothing is drawn outside the vector.
Surface* SurfaceOf(HDC dc);
Surface* SurfaceOf(const DeviceContext& dc);
// The font that a DC draws with, opened (the stock system font when nothing else is selected).
FontInstance& FontOf(const DeviceContext& dc);

// A brush handle may also be a system colour index plus one ((HBRUSH)(COLOR_WINDOW + 1), as
// window classes give them); user32, which owns the system colours, installs their lookup.
using SystemColorLookup = COLORREF (*)(int index);
void SetSystemColorLookup(SystemColorLookup lookup);
// The brush of a handle: a brush object, or a solid one of a system colour; null otherwise.
std::shared_ptr<Brush> BrushOf(HBRUSH handle);

// Pixel conversions: COLORREF is 0x00BBGGRR, a surface pixel 0x00RRGGBB.
constexpr uint32_t PixelFromColor(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ColorFromPixel(uint32_t p) {
    return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

// A clipped rectangle of a surface: left <= x < right, top <= y < bottom.
struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};
// Inline: every glyph and fill clips with it.
inline Box Intersect(const Box& a, const Box& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}
inline Box BoundsOf(const Surface& s) {
    return {0, 0, s.width, s.height};
}

// Fills a box (already clipped to the surface) with one pixel value.
void FillBox(Surface& s, const Box& box, uint32_t pixel);

} // namespace platform::gdi
