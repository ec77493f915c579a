#include "present/snapshot.h"

#include <png.h>

#include <vector>

namespace platform::present {

bool WriteSurfacePng(const gdi::Surface& surface, const std::string& linux_path, uint8_t alpha,
                     std::optional<COLORREF> color_key) {
    if (surface.width <= 0 || surface.height <= 0 ||
        surface.pixels.size() < static_cast<size_t>(surface.width) * surface.height)
        return false;
    // Surface pixels are 0x00RRGGBB; the key is compared in that form.
    std::optional<uint32_t> key;
    if (color_key)
        key = ((*color_key & 0xFF) << 16) | (*color_key & 0xFF00) | ((*color_key >> 16) & 0xFF);
    std::vector<uint8_t> rgba(static_cast<size_t>(surface.width) * surface.height * 4);
    for (size_t i = 0; i < static_cast<size_t>(surface.width) * surface.height; ++i) {
        uint32_t p = surface.pixels[i] & 0xFFFFFF;
        rgba[i * 4 + 0] = static_cast<uint8_t>(p >> 16);
        rgba[i * 4 + 1] = static_cast<uint8_t>(p >> 8);
        rgba[i * 4 + 2] = static_cast<uint8_t>(p);
        rgba[i * 4 + 3] = key && p == *key ? 0 : alpha;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(surface.width);
    image.height = static_cast<png_uint_32>(surface.height);
    image.format = PNG_FORMAT_RGBA;
    image.flags = PNG_IMAGE_FLAG_FAST; // a picture written every second needs no tight packing
    bool ok = png_image_write_to_file(&image, linux_path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

} // namespace platform::present
