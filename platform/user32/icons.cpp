// Icon objects, the stock icons and cursors, and icons from a module's resources.
#include "user32/icons.h"

#include "user32/resources.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <tuple>

namespace platform::user32 {

namespace {

std::mutex icon_mutex;
std::map<uintptr_t, std::shared_ptr<const Icon>>& Icons() {
    static std::map<uintptr_t, std::shared_ptr<const Icon>> icons;
    return icons;
}
// Handles are never reused, so a destroyed icon's handle stays refused.
uintptr_t next_icon = 0x1C0000;

constexpr int kIconSize = 32;   // SM_CXICON, SM_CYICON
constexpr int kCursorSize = 32; // SM_CXCURSOR, SM_CYCURSOR

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;

// A blank canvas for the stock pictures, with a few shapes to draw on it.
struct Canvas {
    int size;
    std::vector<uint32_t> pixels;
    explicit Canvas(int s) : size(s), pixels(size_t(s) * s, 0) {}
    void Fill(int left, int top, int right, int bottom, uint32_t argb) {
        for (int y = std::max(top, 0); y < std::min(bottom, size); ++y)
            for (int x = std::max(left, 0); x < std::min(right, size); ++x)
                pixels[size_t(y) * size + x] = argb;
    }
    void Disc(double cx, double cy, double r, uint32_t argb) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= r)
                    pixels[size_t(y) * size + x] = argb;
    }
    // A triangle standing on its base, apex at (cx, top), base from cx - half to cx + half.
    void Triangle(double cx, double top, double bottom, double half, uint32_t argb) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const double py = y + 0.5, px = x + 0.5;
                if (py < top || py > bottom)
                    continue;
                const double reach = half * (py - top) / (bottom - top);
                if (std::abs(px - cx) <= reach)
                    pixels[size_t(y) * size + x] = argb;
            }
    }
    Icon ToIcon() && {
        Icon icon;
        icon.width = icon.height = size;
        icon.pixels = std::move(pixels);
        icon.shared = true;
        return icon;
    }
};

// The stock icons: small pictures of our own in the spirit of each kind.
std::optional<Icon> StockIcon(uint32_t id) {
    Canvas c(kIconSize);
    switch (id) {
    case 32512: // IDI_APPLICATION: a window
        c.Fill(2, 4, 30, 28, 0xFF606060u);
        c.Fill(3, 5, 29, 27, kWhite);
        c.Fill(3, 5, 29, 10, 0xFF2060C0u);
        break;
    case 32513: // IDI_HAND: a red disc with a white bar across
        c.Disc(16, 16, 14, 0xFFD02020u);
        c.Fill(8, 14, 24, 18, kWhite);
        break;
    case 32514: // IDI_QUESTION: a blue disc with a white dot
        c.Disc(16, 16, 14, 0xFF2060C0u);
        c.Disc(16, 16, 4, kWhite);
        break;
    case 32515: // IDI_EXCLAMATION: a yellow warning triangle, edged dark, with a black mark
        c.Triangle(16, 1, 30, 15, 0xFF604000u);
        c.Triangle(16, 4, 28.5, 12.5, 0xFFF0C020u);
        c.Fill(15, 10, 17, 21, kBlack);
        c.Fill(15, 23, 17, 26, kBlack);
        break;
    case 32516: // IDI_ASTERISK: a blue disc with a white mark
        c.Disc(16, 16, 14, 0xFF2060C0u);
        c.Fill(14, 13, 18, 25, kWhite);
        c.Fill(14, 7, 18, 11, kWhite);
        break;
    case 32517: // IDI_WINLOGO: four tiles
        c.Fill(4, 4, 15, 15, 0xFFE04020u);
        c.Fill(17, 4, 28, 15, 0xFF40B040u);
        c.Fill(4, 17, 15, 28, 0xFF2070E0u);
        c.Fill(17, 17, 28, 28, 0xFFF0C020u);
        break;
    case 32518: // IDI_SHIELD: a shield quartered in two colours
        c.Disc(16, 18, 10, 0xFF2070E0u);
        c.Fill(6, 4, 26, 18, 0xFF2070E0u);
        c.Fill(16, 4, 26, 12, 0xFFF0C020u);
        c.Fill(6, 12, 16, 18, 0xFFF0C020u);
        break;
    default:
        return std::nullopt;
    }
    return std::move(c).ToIcon();
}

std::optional<Icon> StockCursor(uint32_t id) {
    Canvas c(kCursorSize);
    POINT hotspot{0, 0};
    switch (id) {
    case 32513: // IDC_IBEAM
        c.Fill(15, 4, 17, 28, kBlack);
        c.Fill(12, 4, 20, 6, kBlack);
        c.Fill(12, 26, 20, 28, kBlack);
        hotspot = {16, 16};
        break;
    case 32515: // IDC_CROSS
    case 32646: // IDC_SIZEALL
        c.Fill(15, 2, 17, 30, kBlack);
        c.Fill(2, 15, 30, 17, kBlack);
        hotspot = {16, 16};
        break;
    case 32644: // IDC_SIZEWE
        c.Fill(4, 15, 28, 17, kBlack);
        hotspot = {16, 16};
        break;
    case 32645: // IDC_SIZENS
        c.Fill(15, 4, 17, 28, kBlack);
        hotspot = {16, 16};
        break;
    case 32512: // IDC_ARROW
    case 32514: // IDC_WAIT
    case 32516: // IDC_UPARROW
    case 32640: // IDC_SIZE
    case 32641: // IDC_ICON
    case 32642: // IDC_SIZENWSE
    case 32643: // IDC_SIZENESW
    case 32648: // IDC_NO
    case 32649: // IDC_HAND
    case 32650: // IDC_APPSTARTING
    case 32651: // IDC_HELP
        // An arrow: a black outline around white, its point at the top-left corner.
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x <= y * 11 / 19; ++x)
                c.pixels[size_t(y) * kCursorSize + x] =
                    (x == 0 || x == y * 11 / 19 || y == 19) ? kBlack : kWhite;
        break;
    default:
        return std::nullopt;
    }
    Icon icon = std::move(c).ToIcon();
    icon.cursor = true;
    icon.hotspot = hotspot;
    return icon;
}

// Shared icons once made: stock ones by kind and number, module ones by module, name and size.
using SharedKey = std::tuple<uintptr_t, std::string, uint32_t, int, int>;
std::map<SharedKey, HICON>& SharedIcons() {
    static std::map<SharedKey, HICON> shared;
    return shared;
}

SharedKey KeyOf(uintptr_t owner, LPCSTR name, int cx, int cy) {
    if (IS_INTRESOURCE(name))
        return {owner, std::string(), uint32_t(reinterpret_cast<uintptr_t>(name)), cx, cy};
    // "#7" is the icon number 7, the same icon as MAKEINTRESOURCE(7).
    if (name[0] == '#') {
        uint32_t number = 0;
        const char* end = name + std::strlen(name);
        auto [p, ec] = std::from_chars(name + 1, end, number);
        if (ec == std::errc() && p == end)
            return {owner, std::string(), number, cx, cy};
    }
    std::string upper(name);
    for (char& ch : upper)
        ch = char(std::toupper(uint8_t(ch)));
    return {owner, upper, 0, cx, cy};
}

HICON FindShared(const SharedKey& key) {
    std::lock_guard lock(icon_mutex);
    auto it = SharedIcons().find(key);
    if (it == SharedIcons().end())
        return nullptr;
    // Shared icons are never destroyed, but a stale entry would be a fault worth not hiding.
    return Icons().contains(reinterpret_cast<uintptr_t>(it->second)) ? it->second : nullptr;
}

HICON RememberShared(const SharedKey& key, Icon icon) {
    icon.shared = true;
    HICON handle = AddIcon(std::move(icon));
    std::lock_guard lock(icon_mutex);
    SharedIcons()[key] = handle;
    return handle;
}

// The picture of `image` resized to cx x cy (nearest pixel; the icons we ship carry every
// size the program asks for, so this is only for odd requests).
Icon Resize(const PelmoraRcIconImage& image, int cx, int cy) {
    Icon icon;
    icon.width = cx;
    icon.height = cy;
    icon.pixels.resize(size_t(cx) * cy);
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) {
            const size_t sx = size_t(x) * image.width / cx;
            const size_t sy = size_t(y) * image.height / cy;
            icon.pixels[size_t(y) * cx + x] = image.pixels[sy * image.width + sx];
        }
    return icon;
}

// The image of a module's icon that suits cx x cy best: the same size, else the smallest
// larger one, else the largest. cx or cy 0 takes the first image's own size.
std::optional<Icon> ModuleIcon(HMODULE module, LPCSTR name, int cx, int cy) {
    const PelmoraRcTable* table = FindResourceTable(module);
    if (!table)
        return std::nullopt;
    const PelmoraRcIcon* entry = FindTableIcon(*table, name);
    if (!entry || entry->image_count == 0 || entry->first_image > table->icon_image_count ||
        entry->image_count > table->icon_image_count - entry->first_image) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return std::nullopt;
    }
    const std::span images(table->icon_images + entry->first_image, entry->image_count);
    if (cx <= 0 || cy <= 0) {
        cx = int(images[0].width);
        cy = int(images[0].height);
    }
    const PelmoraRcIconImage* best = nullptr;
    for (const PelmoraRcIconImage& image : images) {
        if (int(image.width) == cx && int(image.height) == cy) {
            best = &image;
            break;
        }
        const bool larger = int(image.width) >= cx && int(image.height) >= cy;
        if (!best)
            best = &image;
        else if (larger && (int(best->width) < cx || image.width < best->width))
            best = &image;
        else if (!larger && int(best->width) < cx && image.width > best->width)
            best = &image;
    }
    return Resize(*best, cx, cy);
}

} // namespace

std::shared_ptr<const Icon> FindIcon(HICON icon) {
    std::lock_guard lock(icon_mutex);
    auto it = Icons().find(reinterpret_cast<uintptr_t>(icon));
    return it == Icons().end() ? nullptr : it->second;
}

HICON AddIcon(Icon icon) {
    std::lock_guard lock(icon_mutex);
    const uintptr_t value = next_icon;
    next_icon += 4;
    Icons()[value] = std::make_shared<const Icon>(std::move(icon));
    return reinterpret_cast<HICON>(value);
}

} // namespace platform::user32

using namespace platform::user32;

namespace {

// Owner values of the shared-icon cache for the stock pictures (module handles are pointers,
// never this small).
constexpr uintptr_t kStockIcons = 1;
constexpr uintptr_t kStockCursors = 2;

HICON LoadStock(bool cursor, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const SharedKey key = KeyOf(cursor ? kStockCursors : kStockIcons, name, 0, 0);
    if (HICON shared = FindShared(key))
        return shared;
    const uint32_t id = uint32_t(reinterpret_cast<uintptr_t>(name));
    std::optional<Icon> icon = cursor ? StockCursor(id) : StockIcon(id);
    if (!icon) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return RememberShared(key, std::move(*icon));
}

} // namespace

PELMORA_BEGIN_EXTERN_C

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
    if (!lpIconName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!hInstance)
        return LoadStock(false, lpIconName);
    const SharedKey key =
        KeyOf(reinterpret_cast<uintptr_t>(hInstance), lpIconName, kIconSize, kIconSize);
    if (HICON shared = FindShared(key))
        return shared;
    auto icon = ModuleIcon(hInstance, lpIconName, kIconSize, kIconSize);
    return icon ? RememberShared(key, std::move(*icon)) : nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
    if (!lpCursorName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (hInstance) {
        // Scripts carry no cursors; every cursor is a stock one.
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    return LoadStock(true, lpCursorName);
}

HANDLE WINAPI LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad) {
    if (!name || cx < 0 || cy < 0 || (fuLoad & LR_LOADFROMFILE) ||
        (type != IMAGE_ICON && type != IMAGE_CURSOR)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (fuLoad & LR_DEFAULTSIZE) {
        const int size = type == IMAGE_ICON ? kIconSize : kCursorSize;
        cx = cx ? cx : size;
        cy = cy ? cy : size;
    }
    if (type == IMAGE_CURSOR || !hInst) {
        // The stock pictures come in one size; a request for another is served from it.
        HICON stock = LoadStock(type == IMAGE_CURSOR, name);
        if (!stock || (fuLoad & LR_SHARED) || (cx == 0 && cy == 0))
            return stock;
        auto picture = FindIcon(stock);
        PelmoraRcIconImage image{uint32_t(picture->width), uint32_t(picture->height),
                                 picture->pixels.data()};
        Icon icon = Resize(image, cx ? cx : picture->width, cy ? cy : picture->height);
        icon.cursor = picture->cursor;
        icon.hotspot = {picture->hotspot.x * icon.width / picture->width,
                        picture->hotspot.y * icon.height / picture->height};
        return AddIcon(std::move(icon));
    }
    const SharedKey key = KeyOf(reinterpret_cast<uintptr_t>(hInst), name, cx, cy);
    if (fuLoad & LR_SHARED)
        if (HICON shared = FindShared(key))
            return shared;
    auto icon = ModuleIcon(hInst, name, cx, cy);
    if (!icon)
        return nullptr;
    if (fuLoad & LR_SHARED)
        return RememberShared(key, std::move(*icon));
    return AddIcon(std::move(*icon));
}

BOOL WINAPI DestroyIcon(HICON hIcon) {
    std::lock_guard lock(icon_mutex);
    auto it = Icons().find(reinterpret_cast<uintptr_t>(hIcon));
    if (it == Icons().end()) {
        SetLastError(ERROR_INVALID_CURSOR_HANDLE);
        return FALSE;
    }
    if (!it->second->shared)
        Icons().erase(it);
    return TRUE;
}

PELMORA_END_EXTERN_C
