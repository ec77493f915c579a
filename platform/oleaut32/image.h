// Decoded pictures: BMP and icons (our own readers), JPEG, GIF (its first frame) and PNG from bytes
// in memory. Every reader checks the data against its own length and refuses what does not fit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform::ole {

struct Image {
    int width = 0;
    int height = 0;
    // Top row first; 0xAARRGGBB (alpha 255 opaque, 0 transparent).
    std::vector<uint32_t> pixels;
    bool has_alpha = false; // some pixel is not opaque
};

// Pictures larger than this on a side, or in all, are refused before anything of their size is
// allocated. A picture is drawn stretched over a window a few thousand pixels wide and never
// much more than a thousand high, so more pixels than the largest screens hold (3840 x 2160 fits)
// only cost: 32 MB decoded at the limit, and well under a second to decode.
inline constexpr int MAX_IMAGE_SIDE = 16384;
inline constexpr int64_t MAX_IMAGE_PIXELS = int64_t{1} << 23;
// No picture within those limits needs a larger file: the largest uncompressed one (32 bits a
// pixel) with room for its headers. A larger one is refused without being read.
inline constexpr uint64_t MAX_PICTURE_BYTES = uint64_t(MAX_IMAGE_PIXELS) * 4 + (uint64_t{1} << 20);

std::optional<Image> DecodeBmp(std::span<const std::byte> data);
std::optional<Image> DecodeIcon(std::span<const std::byte> data);
std::optional<Image> DecodeJpeg(std::span<const std::byte> data);
std::optional<Image> DecodeGif(std::span<const std::byte> data);
std::optional<Image> DecodePng(std::span<const std::byte> data);
// Whether data starts like a file that one of the readers reads: the first 8 bytes suffice.
inline constexpr size_t SIGNATURE_BYTES = 8;
bool HasPictureSignature(std::span<const std::byte> data);
// Picks the reader by the data's signature.
std::optional<Image> DecodeImage(std::span<const std::byte> data);

} // namespace platform::ole
