// JPEG (libjpeg-turbo), GIF (giflib) and PNG (libpng), and the choice by signature.
#include "oleaut32/image.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

namespace platform::ole {
namespace {

bool FitsLimits(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= MAX_IMAGE_SIDE && height <= MAX_IMAGE_SIDE &&
           width * height <= MAX_IMAGE_PIXELS;
}

// A file in several scans (progressive, or one scan per colour) is held whole as coefficients
// while it is read: 2 bytes each, up to three a pixel, about 50 MB at the pixel limit. libjpeg
// refuses an image whose buffers would pass this instead of allocating them.
constexpr long MAX_JPEG_MEMORY = 64L << 20;
// Every scan passes over the whole image again, whatever few bytes it holds: about 2 ms of CPU a
// scan at the pixel limit. Encoders write ten or so.
constexpr int MAX_JPEG_SCANS = 100;
// Arithmetic coding is not read, as the system's reader does not read it. A Huffman code spends
// at least a bit of the file on each coefficient it decodes, the arithmetic coder a small part of
// one: 12 MB of its scans hold 2.5 s of decoding at the pixel limit.

struct JpegError {
    jpeg_error_mgr manager;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
};

[[noreturn]] void JpegFail(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}
void JpegQuiet(j_common_ptr) {}
// libjpeg pads data that ends early, whether at the end of the file or at a marker, with grey
// and only warns; such a file is damaged, and nothing more of it is decoded.
void JpegMessage(j_common_ptr info, int level) {
    if (level >= 0)
        return;
    switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
        JpegFail(info);
    default:
        break;
    }
}
// Called at least once a row of blocks while scans are read.
void JpegProgress(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > MAX_JPEG_SCANS)
        JpegFail(info);
}

// Kept apart from any object with a destructor: libjpeg reports errors by longjmp.
bool ReadJpeg(std::span<const std::byte> data, Image& image) {
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegFail;
    error.manager.output_message = JpegQuiet;
    error.manager.emit_message = JpegMessage;
    error.progress.progress_monitor = JpegProgress;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    info.progress = &error.progress;
    info.mem->max_memory_to_use = MAX_JPEG_MEMORY;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()),
                 static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
        !FitsLimits(info.image_width, info.image_height) || info.arith_code ||
        (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info);
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    // Sized before the rows are read; libjpeg writes only within it.
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(
            image.pixels.data() + static_cast<size_t>(info.output_scanline) * image.width);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    for (uint32_t& p : image.pixels)
        p |= 0xFF000000u;
    return true;
}

struct GifSource {
    std::span<const std::byte> data;
    size_t position = 0;
};

int GifRead(GifFileType* gif, GifByteType* out, int n) {
    auto* source = static_cast<GifSource*>(gif->UserData);
    size_t left = source->data.size() - source->position;
    size_t count = n < 0 ? 0 : std::min(static_cast<size_t>(n), left);
    std::memcpy(out, source->data.data() + source->position, count);
    source->position += count;
    return static_cast<int>(count);
}

// Up to the first image's descriptor, taking the first graphic control extension before it
// (which says the image's transparent colour). False when the file holds no image.
bool FindFirstGifImage(GifFileType* gif, GraphicsControlBlock& control) {
    bool control_seen = false;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            return DGifGetImageDesc(gif) == GIF_OK;
        if (type != EXTENSION_RECORD_TYPE)
            return false;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
            return false;
        // A block starts with its length.
        if (code == GRAPHICS_EXT_FUNC_CODE && block && !control_seen) {
            control_seen = true;
            DGifExtensionToGCB(block[0], block + 1, &control);
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                return false;
        }
    }
}

struct PngSource {
    std::span<const std::byte> data;
    Image* image = nullptr;
    std::vector<png_bytep> rows{};
    bool complete = false;
};

[[noreturn]] void PngFail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void PngQuiet(png_structp, png_const_charp) {}

void PngHeader(png_structp png, png_infop info) {
    auto* source = static_cast<PngSource*>(png_get_progressive_ptr(png));
    png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    if (!FitsLimits(width, height))
        png_error(png, "too large");
    // Eight bits of sRGB a channel, as blue, green, red, alpha.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_alpha_mode(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t{width} * 4)
        png_error(png, "unexpected row size");
    Image& image = *source->image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    // Zeroed: the passes of an interlaced image fill it in. No exception may pass through
    // libpng's frames.
    bool allocated = true;
    try {
        image.pixels.assign(size_t{width} * height, 0);
        source->rows.resize(height);
    } catch (const std::bad_alloc&) {
        allocated = false;
    }
    if (!allocated)
        png_error(png, "out of memory");
    for (png_uint_32 y = 0; y < height; ++y)
        source->rows[y] = reinterpret_cast<png_bytep>(image.pixels.data() + size_t{y} * width);
}

void PngRow(png_structp png, png_bytep row, png_uint_32 y, int) {
    auto* source = static_cast<PngSource*>(png_get_progressive_ptr(png));
    if (row && y < source->rows.size())
        png_progressive_combine_row(png, source->rows[y], row);
}

void PngEnd(png_structp png, png_infop) {
    static_cast<PngSource*>(png_get_progressive_ptr(png))->complete = true;
}

// Read as a stream of chunks rather than whole: that reader stops inflating the image data once
// the last row is out, where the other inflates any amount that follows (a megabyte of it can
// expand to a gigabyte). Kept apart from any object with a destructor: libpng reports errors by
// longjmp.
bool ReadPng(PngSource& source) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngQuiet);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_benign_errors(png, 1);
    png_set_user_limits(png, MAX_IMAGE_SIDE, MAX_IMAGE_SIDE);
    // Text, profiles and palettes of suggestions are not drawn; the compressed ones would
    // otherwise be inflated, each up to megabytes.
    static constexpr png_byte unused[] = "iCCP\0iTXt\0tEXt\0zTXt\0sPLT\0eXIf";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, unused, 6);
    png_set_progressive_read_fn(png, &source, PngHeader, PngRow, PngEnd);
    png_process_data(png, info,
                     reinterpret_cast<png_bytep>(const_cast<std::byte*>(source.data.data())),
                     source.data.size());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

std::optional<Image> DecodeJpeg(std::span<const std::byte> data) {
    Image image;
    if (!ReadJpeg(data, image))
        return std::nullopt;
    return image;
}

// Only the first image is read, the one that is drawn: the others are never decoded, and each
// image's own size is checked before any of it is, so that a file small on its screen cannot
// hold a vast image.
std::optional<Image> DecodeGif(std::span<const std::byte> data) {
    GifSource source{data};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, GifRead, &error);
    if (!gif)
        return std::nullopt;
    struct Closer {
        GifFileType* gif;
        ~Closer() {
            int e = 0;
            DGifCloseFile(gif, &e);
        }
    } closer{gif};
    GraphicsControlBlock control{};
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    if (!FindFirstGifImage(gif, control))
        return std::nullopt;
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    int64_t width = gif->SWidth > 0 ? gif->SWidth : desc.Width;
    int64_t height = gif->SHeight > 0 ? gif->SHeight : desc.Height;
    if (!map || !FitsLimits(width, height) || !FitsLimits(desc.Width, desc.Height))
        return std::nullopt;

    Image image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    // What the first image does not cover is transparent.
    image.pixels.assign(static_cast<size_t>(width) * height, 0);
    image.has_alpha = desc.Left > 0 || desc.Top > 0 || desc.Left + desc.Width < width ||
                      desc.Top + desc.Height < height;
    std::vector<GifPixelType> line(static_cast<size_t>(desc.Width));
    auto put_line = [&](int y) {
        int64_t oy = int64_t{desc.Top} + y;
        if (oy < 0 || oy >= height)
            return;
        for (int x = 0; x < desc.Width; ++x) {
            int64_t ox = int64_t{desc.Left} + x;
            if (ox < 0 || ox >= width)
                continue;
            int index = line[static_cast<size_t>(x)];
            uint32_t pixel = 0;
            if (index == control.TransparentColor) {
                image.has_alpha = true;
            } else if (index < map->ColorCount) {
                const GifColorType& c = map->Colors[index];
                pixel = 0xFF000000u | (uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue;
            } else {
                pixel = 0xFF000000u;
            }
            image.pixels[static_cast<size_t>(oy) * width + ox] = pixel;
        }
    };
    // An interlaced image comes in four passes: every eighth row from 0, every eighth from 4,
    // every fourth from 2, every second from 1. A line that does not come whole is damage.
    static constexpr int first_row[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < (desc.Interlace ? 4 : 1); ++pass) {
        for (int y = desc.Interlace ? first_row[pass] : 0; y < desc.Height;
             y += desc.Interlace ? step[pass] : 1) {
            if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
                return std::nullopt;
            put_line(y);
        }
    }
    return image;
}

std::optional<Image> DecodePng(std::span<const std::byte> data) {
    Image image;
    PngSource source{.data = data, .image = &image};
    if (!ReadPng(source) || !source.complete || image.pixels.empty())
        return std::nullopt;
    for (uint32_t p : image.pixels) {
        if ((p >> 24) != 0xFF) {
            image.has_alpha = true;
            break;
        }
    }
    return image;
}

namespace {

enum class Kind { None, Bmp, Jpeg, Gif, Png, Icon };

Kind KindOf(std::span<const std::byte> data) {
    auto starts = [&](std::string_view magic) {
        return data.size() >= magic.size() &&
               std::memcmp(data.data(), magic.data(), magic.size()) == 0;
    };
    if (starts("BM"))
        return Kind::Bmp;
    if (starts("\xFF\xD8\xFF"))
        return Kind::Jpeg;
    if (starts("GIF87a") || starts("GIF89a"))
        return Kind::Gif;
    if (starts("\x89PNG\r\n\x1A\n"))
        return Kind::Png;
    if (starts(std::string_view("\0\0\1\0", 4)))
        return Kind::Icon;
    return Kind::None;
}

} // namespace

bool HasPictureSignature(std::span<const std::byte> data) {
    return KindOf(data) != Kind::None;
}

std::optional<Image> DecodeImage(std::span<const std::byte> data) {
    if (data.size() > MAX_PICTURE_BYTES)
        return std::nullopt;
    switch (KindOf(data)) {
    case Kind::Bmp:
        return DecodeBmp(data);
    case Kind::Jpeg:
        return DecodeJpeg(data);
    case Kind::Gif:
        return DecodeGif(data);
    case Kind::Png:
        return DecodePng(data);
    case Kind::Icon:
        return DecodeIcon(data);
    case Kind::None:
        break;
    }
    return std::nullopt;
}

} // namespace platform::ole
