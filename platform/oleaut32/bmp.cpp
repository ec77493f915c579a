// Windows bitmap files: 1, 4, 8-bit with a palette, 16 and 32-bit (plain or with bit fields) and
// 24-bit; bottom-up or top-down; 4 and 8-bit run-length encoded (RLE4, RLE8). And icon files,
// whose images are the same device-independent bitmaps with a transparency mask, or PNG.
#include "oleaut32/image.h"

#include <algorithm>
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
constexpr uint32_t BI_RLE8_ = 1;
constexpr uint32_t BI_RLE4_ = 2;
constexpr uint32_t BI_BITFIELDS_ = 3;

// Run-length codes into one palette index per pixel (rows bottom-up in the codes, top row first
// in `indices`). Pixels the codes skip, by a line end or a jump, keep index 0, as in a zeroed
// bitmap; pixels past a line's end are dropped. False when the data ends before the bitmap does.
bool DecodeRle(const Reader& r, size_t at, int bpp, int64_t width, int64_t height,
               std::vector<uint8_t>& indices) {
    int64_t x = 0, row = 0;
    auto put = [&](unsigned index) {
        if (x < width && row < height)
            indices[static_cast<size_t>((height - 1 - row) * width + x)] =
                static_cast<uint8_t>(index);
        ++x;
    };
    // Index i of a run or of an absolute block; RLE4 holds two to a byte, the high half first.
    auto nibble = [&](uint8_t byte, unsigned i) -> unsigned {
        return bpp == 8 ? byte : (i % 2 == 0 ? byte >> 4 : byte & 0x0F);
    };
    while (row < height) {
        if (!r.Has(at, 2))
            return false;
        uint8_t count = r.U8(at), value = r.U8(at + 1);
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count && x < width; ++i)
                put(nibble(value, i));
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++row;
            break;
        case 1: // end of bitmap
            return true;
        case 2: // jump right and up
            if (!r.Has(at, 2))
                return false;
            x += r.U8(at);
            row += r.U8(at + 1);
            at += 2;
            break;
        default: { // `value` indices as they stand, padded to a 16-bit boundary
            size_t bytes = bpp == 8 ? value : (value + 1u) / 2;
            if (!r.Has(at, bytes))
                return false;
            for (unsigned i = 0; i < value; ++i)
                put(nibble(r.U8(at + (bpp == 8 ? i : i / 2)), i));
            at += (bytes + 1) & ~size_t{1};
            break;
        }
        }
    }
    return true;
}

struct DibOptions {
    // Where the pixels start; none: right after the header, masks and palette (icons).
    std::optional<size_t> bits_offset;
    // An icon's header gives the height of the image and its mask together, and the fourth
    // byte of its 32-bit pixels may be alpha.
    bool icon = false;
};

struct Dib {
    Image image;
    size_t bits_end = 0; // one past the pixels: an icon's mask follows
};

// What a bitmap's header says, read from any of its versions.
struct DibHeader {
    uint32_t size = 0;
    bool core = false; // BITMAPCOREHEADER: 16-bit sides, no compression, 3-byte palette entries
    int64_t width = 0;
    int64_t height = 0; // of the image alone (an icon's mask taken off), made positive
    bool top_down = false;
    int bpp = 0;
    uint32_t compression = BI_RGB_;
    uint32_t colours_used = 0;
};

// The header (BITMAPCOREHEADER, BITMAPINFOHEADER or later) that starts at h; nothing when it is
// cut short or gives sides out of bounds.
std::optional<DibHeader> ReadDibHeader(const Reader& r, size_t h, bool icon) {
    if (!r.Has(h, 4))
        return std::nullopt;
    DibHeader d;
    d.size = r.U32(h);
    d.core = d.size == 12;
    if (d.core) {
        if (!r.Has(h, 12))
            return std::nullopt;
        d.width = r.U16(h + 4);
        d.height = static_cast<int16_t>(r.U16(h + 6));
        d.bpp = r.U16(h + 10);
    } else {
        if (d.size < 40 || !r.Has(h, d.size))
            return std::nullopt;
        d.width = static_cast<int32_t>(r.U32(h + 4));
        d.height = static_cast<int32_t>(r.U32(h + 8));
        d.bpp = r.U16(h + 14);
        d.compression = r.U32(h + 16);
        d.colours_used = r.U32(h + 32);
    }
    if (icon)
        d.height /= 2;
    d.top_down = d.height < 0;
    if (d.top_down)
        d.height = -d.height;
    if (d.width <= 0 || d.height <= 0 || d.width > MAX_IMAGE_SIDE || d.height > MAX_IMAGE_SIDE ||
        d.width * d.height > MAX_IMAGE_PIXELS)
        return std::nullopt;
    return d;
}

// Run-length codes hold bottom-up rows of 4 or 8-bit indices only.
bool IsRunLength(const DibHeader& d) {
    return (d.compression == BI_RLE8_ && d.bpp == 8) || (d.compression == BI_RLE4_ && d.bpp == 4);
}

struct ColourMasks {
    Mask red = MaskOf(0xFF0000), green = MaskOf(0xFF00), blue = MaskOf(0xFF);
};

// Where 16 and 32-bit pixels keep their colours: 5-5-5 and 8-8-8 unless bit fields say
// otherwise. Bit fields follow a 40-byte header, and `after_header` is moved past them; larger
// headers hold them inside. Nothing for a compression this reader does not draw.
std::optional<ColourMasks> ReadColourMasks(const Reader& r, size_t h, const DibHeader& d,
                                           size_t& after_header) {
    ColourMasks masks;
    if (d.bpp == 16) {
        masks.red = MaskOf(0x7C00);
        masks.green = MaskOf(0x03E0);
        masks.blue = MaskOf(0x001F);
    }
    if (d.compression == BI_BITFIELDS_ && (d.bpp == 16 || d.bpp == 32)) {
        size_t at = d.size == 40 ? after_header : h + 40;
        if (!r.Has(at, 12))
            return std::nullopt;
        masks.red = MaskOf(r.U32(at));
        masks.green = MaskOf(r.U32(at + 4));
        masks.blue = MaskOf(r.U32(at + 8));
        if (d.size == 40)
            after_header += 12;
    } else if (d.compression != BI_RGB_ && !IsRunLength(d)) {
        return std::nullopt;
    }
    return masks;
}

// The palette of a 1, 4 or 8-bit bitmap (`colours_used` entries, all 2^bpp when that is 0),
// as opaque 0xAARRGGBB; `after_header` is moved past it. Empty for 16, 24 and 32 bits; nothing
// for any other depth or a palette cut short.
std::optional<std::vector<uint32_t>> ReadPalette(const Reader& r, const DibHeader& d,
                                                 size_t& after_header) {
    std::vector<uint32_t> palette;
    if (d.bpp <= 8) {
        if (d.bpp != 1 && d.bpp != 4 && d.bpp != 8)
            return std::nullopt;
        size_t entries = d.colours_used == 0 ? (size_t{1} << d.bpp) : d.colours_used;
        if (entries > 256)
            return std::nullopt;
        size_t entry_size = d.core ? 3 : 4;
        if (!r.Has(after_header, entries * entry_size))
            return std::nullopt;
        for (size_t i = 0; i < entries; ++i) {
            size_t at = after_header + i * entry_size;
            palette.push_back(0xFF000000u | (uint32_t{r.U8(at + 2)} << 16) |
                              (uint32_t{r.U8(at + 1)} << 8) | r.U8(at));
        }
        after_header += entries * entry_size;
    } else if (d.bpp != 16 && d.bpp != 24 && d.bpp != 32) {
        return std::nullopt;
    }
    return palette;
}

// An index past the palette draws black.
uint32_t PaletteColour(const std::vector<uint32_t>& palette, unsigned index) {
    return index < palette.size() ? palette[index] : 0xFF000000u;
}

// Uncompressed rows, each padded to 32 bits, from `bits_offset` into `image`; false when the
// data ends before the last row.
bool DecodePlainRows(const Reader& r, size_t bits_offset, const DibHeader& d,
                     const ColourMasks& masks, const std::vector<uint32_t>& palette, bool icon,
                     Dib& dib) {
    const int64_t width = d.width, height = d.height;
    const int bpp = d.bpp;
    const Mask &red = masks.red, &green = masks.green, &blue = masks.blue;
    Image& image = dib.image;
    size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    if (!r.Has(bits_offset, stride * static_cast<size_t>(height)))
        return false;
    dib.bits_end = bits_offset + stride * static_cast<size_t>(height);
    for (int64_t y = 0; y < height; ++y) {
        size_t row = bits_offset + stride * static_cast<size_t>(d.top_down ? y : height - 1 - y);
        uint32_t* out = image.pixels.data() + static_cast<size_t>(y) * width;
        for (int64_t x = 0; x < width; ++x) {
            uint32_t pixel = 0xFF000000u;
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                size_t bit = static_cast<size_t>(x) * bpp;
                uint8_t byte = r.U8(row + bit / 8);
                pixel = PaletteColour(palette, (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1));
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
                // The fourth byte of a 32-bit bitmap is not alpha: the picture is opaque. An
                // icon's may be; DecodeIconBitmap decides.
                uint32_t v = r.U32(row + x * 4);
                pixel |= (uint32_t{red.Apply(v)} << 16) | (uint32_t{green.Apply(v)} << 8) |
                         blue.Apply(v);
                if (icon)
                    pixel = (pixel & 0x00FFFFFFu) | (v & 0xFF000000u);
                break;
            }
            }
            out[x] = pixel;
        }
    }
    return true;
}

// A device-independent bitmap whose header starts at h: the header, the colour masks, the
// palette, then the pixels, run-length coded or plain.
std::optional<Dib> DecodeDib(const Reader& r, size_t h, const DibOptions& options) {
    std::optional<DibHeader> d = ReadDibHeader(r, h, options.icon);
    if (!d)
        return std::nullopt;
    size_t after_header = h + d->size;
    const bool rle = IsRunLength(*d);
    if (rle && (d->top_down || options.icon))
        return std::nullopt;
    std::optional<ColourMasks> masks = ReadColourMasks(r, h, *d, after_header);
    if (!masks)
        return std::nullopt;
    std::optional<std::vector<uint32_t>> palette = ReadPalette(r, *d, after_header);
    if (!palette)
        return std::nullopt;

    const size_t bits_offset = options.bits_offset.value_or(after_header);
    Dib dib;
    Image& image = dib.image;
    image.width = static_cast<int>(d->width);
    image.height = static_cast<int>(d->height);
    image.pixels.resize(static_cast<size_t>(d->width) * d->height);
    if (rle) {
        std::vector<uint8_t> indices(image.pixels.size(), 0);
        if (!DecodeRle(r, bits_offset, d->bpp, d->width, d->height, indices))
            return std::nullopt;
        for (size_t i = 0; i < indices.size(); ++i)
            image.pixels[i] = PaletteColour(*palette, indices[i]);
        return dib;
    }
    if (!DecodePlainRows(r, bits_offset, *d, *masks, *palette, options.icon, dib))
        return std::nullopt;
    return dib;
}

// An icon's bitmap: a 32-bit image whose fourth bytes are not all 0 carries its own alpha; any
// other takes its transparency from the 1-bit mask that follows it (a set bit is transparent).
std::optional<Image> DecodeIconBitmap(std::span<const std::byte> data) {
    Reader r(data);
    std::optional<Dib> dib = DecodeDib(r, 0, DibOptions{.bits_offset = std::nullopt, .icon = true});
    if (!dib)
        return std::nullopt;
    Image& image = dib->image;
    const bool depth32 = r.U16(14) == 32;
    bool own_alpha = depth32 && std::any_of(image.pixels.begin(), image.pixels.end(),
                                            [](uint32_t p) { return p >> 24 != 0; });
    if (!own_alpha) {
        for (uint32_t& p : image.pixels)
            p |= 0xFF000000u;
        size_t stride = ((static_cast<size_t>(image.width) + 31) / 32) * 4;
        if (r.Has(dib->bits_end, stride * static_cast<size_t>(image.height))) {
            for (int y = 0; y < image.height; ++y) {
                size_t row = dib->bits_end + stride * static_cast<size_t>(image.height - 1 - y);
                for (int x = 0; x < image.width; ++x) {
                    if ((r.U8(row + size_t(x) / 8) >> (7 - x % 8)) & 1)
                        image.pixels[static_cast<size_t>(y) * image.width + x] = 0;
                }
            }
        } else if (!depth32) {
            // Only a 32-bit image may do without its mask (it is then opaque).
            return std::nullopt;
        }
    }
    image.has_alpha = std::any_of(image.pixels.begin(), image.pixels.end(),
                                  [](uint32_t p) { return p >> 24 != 0xFF; });
    return std::move(dib->image);
}

} // namespace

std::optional<Image> DecodeBmp(std::span<const std::byte> data) {
    Reader r(data);
    if (!r.Has(0, 18) || r.U8(0) != 'B' || r.U8(1) != 'M')
        return std::nullopt;
    std::optional<Dib> dib = DecodeDib(r, 14, DibOptions{.bits_offset = r.U32(10), .icon = false});
    if (!dib)
        return std::nullopt;
    return std::move(dib->image);
}

// An icon file holds several images of one picture; the largest is taken (most pixels, then
// most bits per pixel), as the picture is drawn stretched over the background.
std::optional<Image> DecodeIcon(std::span<const std::byte> data) {
    Reader r(data);
    if (!r.Has(0, 6) || r.U16(0) != 0 || r.U16(2) != 1)
        return std::nullopt;
    const unsigned count = r.U16(4);
    std::optional<std::span<const std::byte>> best;
    int64_t best_pixels = 0;
    unsigned best_bits = 0;
    for (unsigned i = 0; i < count; ++i) {
        size_t entry = 6 + size_t{i} * 16;
        if (!r.Has(entry, 16))
            return std::nullopt;
        // A side of 0 stands for 256.
        int64_t pixels =
            int64_t{r.U8(entry) ? r.U8(entry) : 256} * (r.U8(entry + 1) ? r.U8(entry + 1) : 256);
        unsigned bits = r.U16(entry + 6);
        uint32_t size = r.U32(entry + 8), offset = r.U32(entry + 12);
        if (size == 0 || !r.Has(offset, size))
            continue;
        if (!best || pixels > best_pixels || (pixels == best_pixels && bits > best_bits)) {
            best = data.subspan(offset, size);
            best_pixels = pixels;
            best_bits = bits;
        }
    }
    if (!best)
        return std::nullopt;
    static constexpr unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (best->size() >= 8 && std::memcmp(best->data(), png, 8) == 0)
        return DecodePng(*best);
    return DecodeIconBitmap(*best);
}

} // namespace platform::ole
