#include "gdi32/objects.h"

#include "gdi32/fonts.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <unordered_map>
#include <mutex>
#include <utility>

namespace platform::gdi {

namespace {

// Every drawing call looks its DC up, and most look up a font, brush or pen besides: a hashed
// table keeps that to one probe.
std::mutex table_mutex;
std::unordered_map<uintptr_t, std::shared_ptr<Object>>& Table() {
    static std::unordered_map<uintptr_t, std::shared_ptr<Object>> table;
    return table;
}
// GDI handles live in a range of their own, multiples of four.
uintptr_t next_handle = 0x40000000;

// Bitmaps larger than this are refused: 64 Mi pixels is 256 MiB of memory.
constexpr int64_t MAX_BITMAP_PIXELS = int64_t{64} << 20;

constexpr int STOCK_COUNT = 20;
constexpr int STOCK_BITMAP = STOCK_COUNT; // the 1x1 bitmap that a new memory DC holds

std::array<HGDIOBJ, STOCK_COUNT + 1>& StockHandles() {
    static std::array<HGDIOBJ, STOCK_COUNT + 1> handles{};
    return handles;
}

std::shared_ptr<Object> MakeStock(int index) {
    auto brush = [](COLORREF c, bool hollow = false) {
        auto b = std::make_shared<Brush>();
        b->color = c;
        b->hollow = hollow;
        return std::shared_ptr<Object>(b);
    };
    auto pen = [](COLORREF c, int style = PS_SOLID) {
        auto p = std::make_shared<Pen>();
        p->color = c;
        p->style = style;
        return std::shared_ptr<Object>(p);
    };
    auto font = [](LONG height, LONG weight, const char* face) {
        auto f = std::make_shared<Font>();
        f->logfont.lfHeight = height;
        f->logfont.lfWeight = weight;
        f->logfont.lfCharSet = DEFAULT_CHARSET;
        std::strncpy(f->logfont.lfFaceName, face, LF_FACESIZE - 1);
        return std::shared_ptr<Object>(f);
    };
    switch (index) {
    case WHITE_BRUSH:
        return brush(RGB(255, 255, 255));
    case LTGRAY_BRUSH:
        return brush(RGB(192, 192, 192));
    case GRAY_BRUSH:
        return brush(RGB(128, 128, 128));
    case DKGRAY_BRUSH:
        return brush(RGB(64, 64, 64));
    case BLACK_BRUSH:
        return brush(RGB(0, 0, 0));
    case NULL_BRUSH:
        return brush(0, true);
    case WHITE_PEN:
        return pen(RGB(255, 255, 255));
    case BLACK_PEN:
        return pen(RGB(0, 0, 0));
    case NULL_PEN:
        return pen(0, PS_NULL);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
        return font(16, FW_NORMAL, "Courier New");
    case ANSI_VAR_FONT:
        return font(-11, FW_NORMAL, "MS Sans Serif");
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
        return font(16, FW_BOLD, "System");
    case DEFAULT_GUI_FONT:
        return font(-11, FW_NORMAL, "MS Shell Dlg");
    case DC_BRUSH:
        return brush(RGB(255, 255, 255));
    case DC_PEN:
        return pen(RGB(0, 0, 0));
    case STOCK_BITMAP: {
        auto b = std::make_shared<Bitmap>();
        b->surface = std::make_shared<Surface>();
        b->surface->width = 1;
        b->surface->height = 1;
        b->surface->pixels.assign(1, 0);
        return b;
    }
    default:
        return nullptr; // DEFAULT_PALETTE and the gaps: no palettes here
    }
}

HGDIOBJ Stock(int index) {
    if (index < 0 || index > STOCK_COUNT)
        return nullptr;
    {
        std::lock_guard lock(table_mutex);
        if (StockHandles()[index])
            return StockHandles()[index];
    }
    auto object = MakeStock(index);
    if (!object)
        return nullptr;
    object->stock = true;
    std::lock_guard lock(table_mutex);
    if (!StockHandles()[index]) {
        uintptr_t value = next_handle;
        next_handle += 4;
        Table()[value] = std::move(object);
        StockHandles()[index] = reinterpret_cast<HGDIOBJ>(value);
    }
    return StockHandles()[index];
}

bool RemoveObject(HGDIOBJ handle) {
    std::shared_ptr<Object> released;
    std::lock_guard lock(table_mutex);
    auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
    if (it == Table().end())
        return false;
    released = std::move(it->second);
    Table().erase(it);
    return true;
}

std::shared_ptr<DeviceContext> NewDC(bool memory, std::shared_ptr<Surface> surface) {
    auto dc = std::make_shared<DeviceContext>();
    dc->memory = memory;
    dc->brush = Stock(WHITE_BRUSH);
    dc->pen = Stock(BLACK_PEN);
    dc->font = Stock(SYSTEM_FONT);
    for (HGDIOBJ h : {dc->brush, dc->pen, dc->font})
        FindObject(h)->selected++;
    if (memory) {
        dc->bitmap = Stock(STOCK_BITMAP);
        auto bitmap = FindObjectAs<Bitmap>(dc->bitmap);
        bitmap->selected++;
        dc->surface = bitmap->surface;
    } else {
        dc->surface = std::move(surface);
    }
    return dc;
}

// Lets go of everything a DC holds, so that its objects can be deleted.
void ReleaseSelections(DeviceContext& dc) {
    for (HGDIOBJ h : {dc.bitmap, dc.brush, dc.pen, dc.font}) {
        if (!h)
            continue;
        if (auto object = FindObject(h)) {
            object->selected = std::max(0, object->selected - 1);
            if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(object); bitmap && !bitmap->stock)
                bitmap->selected_into = nullptr;
        }
    }
    dc.bitmap = dc.brush = dc.pen = dc.font = nullptr;
    dc.surface.reset();
}

} // namespace

HGDIOBJ AddObject(std::shared_ptr<Object> object) {
    std::lock_guard lock(table_mutex);
    uintptr_t value = next_handle;
    next_handle += 4;
    Table()[value] = std::move(object);
    return reinterpret_cast<HGDIOBJ>(value);
}

std::shared_ptr<Object> FindObject(HGDIOBJ handle) {
    if (!handle)
        return nullptr;
    std::lock_guard lock(table_mutex);
    auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
    return it == Table().end() ? nullptr : it->second;
}

std::shared_ptr<DeviceContext> FindDC(HDC dc) {
    return FindObjectAs<DeviceContext>(dc);
}

namespace {
std::atomic<SystemColorLookup> system_colors{nullptr};
// System colour indices run from 0 (COLOR_SCROLLBAR) to 30 (COLOR_MENUBAR).
constexpr uintptr_t MAX_SYSTEM_COLOR_BRUSH = 31;
} // namespace

void SetSystemColorLookup(SystemColorLookup lookup) {
    system_colors = lookup;
}

std::shared_ptr<Brush> BrushOf(HBRUSH handle) {
    if (auto brush = FindObjectAs<Brush>(handle))
        return brush;
    auto value = reinterpret_cast<uintptr_t>(handle);
    SystemColorLookup lookup = system_colors;
    if (value == 0 || value > MAX_SYSTEM_COLOR_BRUSH || !lookup)
        return nullptr;
    auto brush = std::make_shared<Brush>();
    brush->color = lookup(static_cast<int>(value - 1)) & 0xFFFFFF;
    return brush;
}

Surface* SurfaceOf(const DeviceContext& dc) {
    Surface* s = dc.surface.get();
    if (!s || s->width < 0 || s->height < 0 ||
        s->pixels.size() < static_cast<size_t>(s->width) * static_cast<size_t>(s->height))
        return nullptr;
    return s;
}

Surface* SurfaceOf(HDC dc) {
    auto context = FindDC(dc);
    return context ? SurfaceOf(*context) : nullptr;
}

FontInstance& FontOf(const DeviceContext& dc) {
    // A handle names one object for good (handles are not used again), and a selected font
    // cannot be deleted: while the DC holds the same handle, its instance is the one found.
    if (dc.font_instance && dc.instance_font == dc.font)
        return *dc.font_instance;
    auto font = FindObjectAs<Font>(dc.font);
    if (!font)
        font = FindObjectAs<Font>(Stock(SYSTEM_FONT));
    if (!font->instance)
        font->instance = OpenFont(font->logfont);
    dc.instance_font = dc.font;
    dc.font_instance = font->instance.get();
    return *font->instance;
}

void FillBox(Surface& s, const Box& box, uint32_t pixel) {
    for (int y = box.top; y < box.bottom; ++y) {
        uint32_t* row = s.pixels.data() + static_cast<size_t>(y) * s.width;
        std::fill(row + box.left, row + box.right, pixel);
    }
}

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface) {
    if (!surface)
        return nullptr;
    return static_cast<HDC>(AddObject(NewDC(false, std::move(surface))));
}

void DeleteSurfaceDC(HDC dc) {
    auto context = FindDC(dc);
    if (!context || context->memory)
        return;
    ReleaseSelections(*context);
    RemoveObject(dc);
}

} // namespace platform::gdi

using namespace platform::gdi;

PELMORA_BEGIN_EXTERN_C

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc && !FindDC(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<HDC>(AddObject(NewDC(true, nullptr)));
}

BOOL WINAPI DeleteDC(HDC hdc) {
    auto dc = FindDC(hdc);
    // A window's DC goes back through ReleaseDC or EndPaint, never through DeleteDC.
    if (!dc || !dc->memory) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ReleaseSelections(*dc);
    RemoveObject(hdc);
    return TRUE;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    if (!FindDC(hdc) || cx < 0 || cy < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // An empty size gives a 1x1 bitmap, as the system does.
    if (cx == 0 || cy == 0)
        cx = cy = 1;
    if (int64_t{cx} * cy > MAX_BITMAP_PIXELS) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->surface = std::make_shared<Surface>();
    bitmap->surface->width = cx;
    bitmap->surface->height = cy;
    bitmap->surface->pixels.assign(static_cast<size_t>(cx) * cy, 0);
    return static_cast<HBITMAP>(AddObject(std::move(bitmap)));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    auto brush = std::make_shared<Brush>();
    brush->color = color & 0xFFFFFF;
    return static_cast<HBRUSH>(AddObject(std::move(brush)));
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
    if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto pen = std::make_shared<Pen>();
    pen->style = iStyle;
    pen->width = std::max(1, cWidth);
    pen->color = color & 0xFFFFFF;
    return static_cast<HPEN>(AddObject(std::move(pen)));
}

HGDIOBJ WINAPI GetStockObject(int i) {
    if (i < 0 || i >= STOCK_COUNT)
        return nullptr;
    return Stock(i);
}

DWORD WINAPI GetObjectType(HGDIOBJ h) {
    auto object = FindObject(h);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return object->Type();
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    auto dc = FindDC(hdc);
    auto object = FindObject(h);
    if (!dc || !object || object->Type() == OBJ_DC || object->Type() == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HGDIOBJ* slot = nullptr;
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(object)) {
        // Only a memory DC takes a bitmap, and a bitmap goes into one DC at a time.
        if (!dc->memory) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        if (!bitmap->stock && bitmap->selected_into && bitmap->selected_into != hdc) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        slot = &dc->bitmap;
    } else if (object->Type() == OBJ_BRUSH) {
        slot = &dc->brush;
    } else if (object->Type() == OBJ_PEN) {
        slot = &dc->pen;
    } else {
        slot = &dc->font;
    }
    HGDIOBJ previous = *slot;
    if (previous == h)
        return previous;
    if (auto old = FindObject(previous)) {
        old->selected = std::max(0, old->selected - 1);
        if (auto old_bitmap = std::dynamic_pointer_cast<Bitmap>(old); old_bitmap)
            old_bitmap->selected_into = nullptr;
    }
    object->selected++;
    *slot = h;
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(object)) {
        if (!bitmap->stock)
            bitmap->selected_into = hdc;
        dc->surface = bitmap->surface;
    }
    return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    auto object = FindObject(ho);
    if (!object || object->Type() == OBJ_DC || object->Type() == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Stock objects outlive every attempt to delete them; the attempt succeeds.
    if (object->stock)
        return TRUE;
    // An object that a DC holds stays valid: the caller selects it out first.
    if (object->selected > 0)
        return FALSE;
    RemoveObject(ho);
    return TRUE;
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
    auto dc = FindDC(hdc);
    if (!dc)
        return nullptr;
    switch (type) {
    case OBJ_PEN:
        return dc->pen;
    case OBJ_BRUSH:
        return dc->brush;
    case OBJ_FONT:
        return dc->font;
    case OBJ_BITMAP:
        return dc->bitmap;
    default:
        return nullptr;
    }
}

int WINAPI GetObjectA(HANDLE h, int c, LPVOID pv) {
    auto object = FindObject(h);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(object)) {
        if (!pv)
            return sizeof(BITMAP);
        if (c < static_cast<int>(sizeof(BITMAP)))
            return 0;
        BITMAP bm{};
        bm.bmWidth = bitmap->surface->width;
        bm.bmHeight = bitmap->surface->height;
        bm.bmWidthBytes = bitmap->surface->width * 4;
        bm.bmPlanes = 1;
        bm.bmBitsPixel = 32;
        std::memcpy(pv, &bm, sizeof bm);
        return sizeof(BITMAP);
    }
    if (auto font = std::dynamic_pointer_cast<Font>(object)) {
        if (!pv)
            return sizeof(LOGFONTA);
        int n = std::min(c, static_cast<int>(sizeof(LOGFONTA)));
        if (n <= 0)
            return 0;
        std::memcpy(pv, &font->logfont, n);
        return n;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    auto dc = FindDC(hdc);
    if (!dc)
        return 0;
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case HORZRES:
        return dc->surface ? dc->surface->width : 0;
    case VERTRES:
        return dc->surface ? dc->surface->height : 0;
    default:
        return 0;
    }
}

int WINAPI SetBkMode(HDC hdc, int mode) {
    auto dc = FindDC(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(dc->bk_mode, mode);
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    auto dc = FindDC(hdc);
    if (!dc)
        return CLR_INVALID;
    return std::exchange(dc->bk_color, color & 0xFFFFFF);
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    auto dc = FindDC(hdc);
    if (!dc)
        return CLR_INVALID;
    return std::exchange(dc->text_color, color & 0xFFFFFF);
}

PELMORA_END_EXTERN_C
