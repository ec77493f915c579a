#include "icon_file.h"

#include <cstring>

namespace rc {

namespace {

uint32_t Read16(std::span<const uint8_t> d, size_t at) {
    return d[at] | (d[at + 1] << 8);
}
uint32_t Read32(std::span<const uint8_t> d, size_t at) {
    return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (uint32_t(d[at + 3]) << 24);
}

// One image: a BITMAPINFOHEADER, the palette, the colour rows and the mask rows, both bottom-up
// and padded to 4 bytes. The header's height counts both.
Expected<IconImage, std::string> DecodeImage(std::span<const uint8_t> d) {
    static constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G'};
    if (d.size() >= 4 && std::memcmp(d.data(), kPng, 4) == 0)
        return Unexpected("PNG images in icon files are not supported");
    if (d.size() < 40 || Read32(d, 0) < 40)
        return Unexpected("an image has no bitmap header");
    const size_t header = Read32(d, 0);
    const int32_t width = int32_t(Read32(d, 4));
    const int32_t height2 = int32_t(Read32(d, 8));
    const uint32_t bits = Read16(d, 14);
    const uint32_t compression = Read32(d, 16);
    uint32_t colours_used = Read32(d, 32);
    if (width <= 0 || width > 256 || height2 <= 0 || height2 > 512 || height2 % 2 != 0)
        return Unexpected("an image has an unusable size");
    if (compression != 0)
        return Unexpected("compressed icon images are not supported");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return Unexpected("an image has an unsupported colour depth");
    const int32_t height = height2 / 2;
    size_t palette_entries = 0;
    if (bits <= 8)
        palette_entries = colours_used ? colours_used : (1u << bits);
    if (palette_entries > 256)
        return Unexpected("an image has an oversized palette");
    const size_t palette_at = header;
    const size_t colour_at = palette_at + palette_entries * 4;
    const size_t colour_stride = ((size_t(width) * bits + 31) / 32) * 4;
    const size_t mask_at = colour_at + colour_stride * height;
    const size_t mask_stride = ((size_t(width) + 31) / 32) * 4;
    const size_t end = mask_at + mask_stride * height;
    // A 32-bit image may leave out its mask; the alpha channel then carries it.
    const bool has_mask = end <= d.size();
    if (mask_at > d.size() || (!has_mask && bits != 32))
        return Unexpected("an image is cut short");

    IconImage image;
    image.width = uint32_t(width);
    image.height = uint32_t(height);
    image.pixels.resize(size_t(width) * height);
    bool any_alpha = false;
    for (int32_t row = 0; row < height; ++row) {
        const size_t src = colour_at + colour_stride * (height - 1 - row);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t argb = 0;
            if (bits == 32) {
                const size_t p = src + size_t(x) * 4;
                argb = uint32_t(d[p + 3]) << 24 | uint32_t(d[p + 2]) << 16 | d[p + 1] << 8 | d[p];
                any_alpha = any_alpha || d[p + 3] != 0;
            } else if (bits == 24) {
                const size_t p = src + size_t(x) * 3;
                argb = 0xFF000000u | uint32_t(d[p + 2]) << 16 | d[p + 1] << 8 | d[p];
            } else {
                const size_t bit = size_t(x) * bits;
                const uint8_t byte = d[src + bit / 8];
                const uint32_t index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (index >= palette_entries)
                    return Unexpected("an image uses a colour outside its palette");
                const size_t p = palette_at + index * 4;
                argb = 0xFF000000u | uint32_t(d[p + 2]) << 16 | d[p + 1] << 8 | d[p];
            }
            image.pixels[size_t(row) * width + x] = argb;
        }
    }
    // Without alpha the mask decides: a set mask bit is a transparent pixel.
    if (!(bits == 32 && any_alpha) && has_mask) {
        for (int32_t row = 0; row < height; ++row) {
            const size_t src = mask_at + mask_stride * (height - 1 - row);
            for (int32_t x = 0; x < width; ++x) {
                const bool transparent = (d[src + x / 8] >> (7 - x % 8)) & 1;
                uint32_t& p = image.pixels[size_t(row) * width + x];
                p = transparent ? 0 : (p | 0xFF000000u);
            }
        }
    }
    if (bits == 32 && !any_alpha && !has_mask)
        for (uint32_t& p : image.pixels)
            p |= 0xFF000000u;
    return image;
}

} // namespace

Expected<std::vector<IconImage>, std::string> DecodeIconFile(std::span<const uint8_t> d) {
    if (d.size() < 6 || Read16(d, 0) != 0 || Read16(d, 2) != 1)
        return Unexpected("not an icon file");
    const size_t count = Read16(d, 4);
    if (count == 0)
        return Unexpected("the icon file holds no image");
    if (6 + count * 16 > d.size())
        return Unexpected("the icon file's directory is cut short");
    std::vector<IconImage> images;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = 6 + i * 16;
        const size_t bytes = Read32(d, entry + 8);
        const size_t offset = Read32(d, entry + 12);
        if (offset > d.size() || bytes > d.size() - offset)
            return Unexpected("an image lies outside the icon file");
        auto image = DecodeImage(d.subspan(offset, bytes));
        if (!image)
            return Unexpected(image.error());
        images.push_back(std::move(*image));
    }
    return images;
}

} // namespace rc
