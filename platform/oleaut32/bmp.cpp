// Windows bitmap files: 1, 4, 8-bit with a palette, 16 and 32-bit (plain or with bit fields) and
// 24-bit; bottom-up or top-down. Compressed (RLE) files are refused.
#include "oleaut32/image.h"

#include <bit>
#include <cstring>

namespace platform::ole {
namespace {

class Reader {
public:
    explicit Reader(std::span<const std::byte> data) : data_(data) {}
    bool Has(size_t offset, size_t n) const {
        return offset <= data_.size() && n <= data_.size() - offset;
    }
    uint32_t U32(size_t o) const { return U16(o) | (static_cast<uint32_t>(U16(o + 2)) << 16); }
    uint16_t U16(size_t o) const { return static_cast<uint16_t>(U8(o) | (U8(o + 1) << 8)); }
    uint8_t U8(size_t o) const { return std::to_integer<uint8_t>(data_[o]); }

private:
    std::span<const std::byte> data_;
};

struct Mask {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    uint8_t Apply(uint32_t v) const {
        if (bits == 0)
            return 0;
        uint32_t x = (v & mask) >> shift;
        if (bits >= 8)
            return static_cast<uint8_t>(x >> (bits - 8));
        return static_cast<uint8_t>(x * 255 / ((1u << bits) - 1));
    }
};

Mask MaskOf(uint32_t mask) {
    Mask m;
    m.mask = mask;
    if (mask == 0)
        return m;
    m.shift = std::countr_zero(mask);
    m.bits = std::popcount(mask);
    return m;
}

constexpr uint32_t BI_RGB_ = 0;
constexpr uint32_t BI_BITFIELDS_ = 3;

} // namespace

std::optional<Image> DecodeBmp(std::span<const std::byte> data) {
    Reader r(data);
    if (!r.Has(0, 18) || r.U8(0) != 'B' || r.U8(1) != 'M')
        return std::nullopt;
    uint32_t bits_offset = r.U32(10);
    uint32_t header_size = r.U32(14);
    size_t h = 14;
    int64_t width = 0, height = 0;
    int bpp = 0;
    uint32_t compression = BI_RGB_, colours_used = 0;
    bool core = header_size == 12;
    if (core) {
        if (!r.Has(h, 12))
            return std::nullopt;
        width = r.U16(h + 4);
        height = static_cast<int16_t>(r.U16(h + 6));
        bpp = r.U16(h + 10);
    } else {
        if (header_size < 40 || !r.Has(h, header_size))
            return std::nullopt;
        width = static_cast<int32_t>(r.U32(h + 4));
        height = static_cast<int32_t>(r.U32(h + 8));
        bpp = r.U16(h + 14);
        compression = r.U32(h + 16);
        colours_used = r.U32(h + 32);
    }
    bool top_down = height < 0;
    if (top_down)
        height = -height;
    if (width <= 0 || height <= 0 || width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE ||
        width * height > MAX_IMAGE_PIXELS)
        return std::nullopt;

    Mask red = MaskOf(0xFF0000), green = MaskOf(0xFF00), blue = MaskOf(0xFF);
    if (bpp == 16) {
        red = MaskOf(0x7C00);
        green = MaskOf(0x03E0);
        blue = MaskOf(0x001F);
    }
    size_t after_header = h + header_size;
    if (compression == BI_BITFIELDS_ && (bpp == 16 || bpp == 32)) {
        // The masks follow a 40-byte header; larger headers hold them inside.
        size_t at = header_size == 40 ? after_header : h + 40;
        if (!r.Has(at, 12))
            return std::nullopt;
        red = MaskOf(r.U32(at));
        green = MaskOf(r.U32(at + 4));
        blue = MaskOf(r.U32(at + 8));
        if (header_size == 40)
            after_header += 12;
    } else if (compression != BI_RGB_) {
        return std::nullopt;
    }

    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        if (bpp != 1 && bpp != 4 && bpp != 8)
            return std::nullopt;
        size_t entries = colours_used == 0 ? (size_t{1} << bpp) : colours_used;
        if (entries > 256)
            return std::nullopt;
        size_t entry_size = core ? 3 : 4;
        if (!r.Has(after_header, entries * entry_size))
            return std::nullopt;
        for (size_t i = 0; i < entries; ++i) {
            size_t at = after_header + i * entry_size;
            palette.push_back(0xFF000000u | (uint32_t{r.U8(at + 2)} << 16) |
                              (uint32_t{r.U8(at + 1)} << 8) | r.U8(at));
        }
    } else if (bpp != 16 && bpp != 24 && bpp != 32) {
        return std::nullopt;
    }

    size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    if (!r.Has(bits_offset, stride * static_cast<size_t>(height)))
        return std::nullopt;

    Image image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.resize(static_cast<size_t>(width) * height);
    for (int64_t y = 0; y < height; ++y) {
        size_t row = bits_offset + stride * static_cast<size_t>(top_down ? y : height - 1 - y);
        uint32_t* out = image.pixels.data() + static_cast<size_t>(y) * width;
        for (int64_t x = 0; x < width; ++x) {
            uint32_t pixel = 0xFF000000u;
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                size_t bit = static_cast<size_t>(x) * bpp;
                uint8_t byte = r.U8(row + bit / 8);
                unsigned index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                // An index past the palette draws black.
                pixel = index < palette.size() ? palette[index] : 0xFF000000u;
                break;
            }
            case 16: {
                uint32_t v = r.U16(row + x * 2);
                pixel |= (uint32_t{red.Apply(v)} << 16) | (uint32_t{green.Apply(v)} << 8) |
                         blue.Apply(v);
                break;
            }
            case 24: {
                size_t at = row + x * 3;
                pixel |= (uint32_t{r.U8(at + 2)} << 16) | (uint32_t{r.U8(at + 1)} << 8) | r.U8(at);
                break;
            }
            case 32: {
                // The fourth byte of a 32-bit bitmap is not alpha: the picture is opaque.
                uint32_t v = r.U32(row + x * 4);
                pixel |= (uint32_t{red.Apply(v)} << 16) | (uint32_t{green.Apply(v)} << 8) |
                         blue.Apply(v);
                break;
            }
            }
            out[x] = pixel;
        }
    }
    return image;
}

} // namespace platform::ole
