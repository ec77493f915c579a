// JPEG (libjpeg-turbo), GIF (giflib) and PNG (libpng), and the choice by signature.
#include "oleaut32/image.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string_view>

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

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool truncated;
};

[[noreturn]] void JpegFail(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}
void JpegQuiet(j_common_ptr) {}
// libjpeg pads a file that ends early with grey and only warns; such a file is damaged.
void JpegMessage(j_common_ptr info, int level) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    if (level < 0 && error->manager.msg_code == JWRN_JPEG_EOF)
        error->truncated = true;
}

// Kept apart from any object with a destructor: libjpeg reports errors by longjmp.
bool ReadJpeg(std::span<const std::byte> data, Image& image) {
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegFail;
    error.manager.output_message = JpegQuiet;
    error.manager.emit_message = JpegMessage;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()),
                 static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
        !FitsLimits(info.image_width, info.image_height) ||
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
    if (error.truncated)
        return false;
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

} // namespace

std::optional<Image> DecodeJpeg(std::span<const std::byte> data) {
    Image image;
    if (!ReadJpeg(data, image))
        return std::nullopt;
    return image;
}

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
    // A file cut short after its first frame still shows that frame; a first frame cut short
    // is damaged (its rows past the end were never written).
    bool complete = DGifSlurp(gif) == GIF_OK;
    if (gif->ImageCount < (complete ? 1 : 2))
        return std::nullopt;
    const SavedImage& frame = gif->SavedImages[0];
    const GifImageDesc& desc = frame.ImageDesc;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || !frame.RasterBits)
        return std::nullopt;
    int64_t width = gif->SWidth > 0 ? gif->SWidth : desc.Width;
    int64_t height = gif->SHeight > 0 ? gif->SHeight : desc.Height;
    if (!FitsLimits(width, height) || desc.Width <= 0 || desc.Height <= 0)
        return std::nullopt;
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, 0, &gcb);

    Image image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    // What the first frame does not cover is transparent.
    image.pixels.assign(static_cast<size_t>(width) * height, 0);
    image.has_alpha = desc.Left > 0 || desc.Top > 0 || desc.Left + desc.Width < width ||
                      desc.Top + desc.Height < height;
    for (int y = 0; y < desc.Height; ++y) {
        int64_t oy = int64_t{desc.Top} + y;
        if (oy < 0 || oy >= height)
            continue;
        for (int x = 0; x < desc.Width; ++x) {
            int64_t ox = int64_t{desc.Left} + x;
            if (ox < 0 || ox >= width)
                continue;
            int index = frame.RasterBits[static_cast<size_t>(y) * desc.Width + x];
            uint32_t pixel = 0;
            if (index == gcb.TransparentColor) {
                image.has_alpha = true;
            } else if (index < map->ColorCount) {
                const GifColorType& c = map->Colors[index];
                pixel = 0xFF000000u | (uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue;
            } else {
                pixel = 0xFF000000u;
            }
            image.pixels[static_cast<size_t>(oy) * width + ox] = pixel;
        }
    }
    return image;
}

std::optional<Image> DecodePng(std::span<const std::byte> data) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.data(), data.size()))
        return std::nullopt;
    if (!FitsLimits(png.width, png.height)) {
        png_image_free(&png);
        return std::nullopt;
    }
    png.format = PNG_FORMAT_BGRA;
    Image image;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(static_cast<size_t>(png.width) * png.height);
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return std::nullopt;
    }
    for (uint32_t p : image.pixels) {
        if ((p >> 24) != 0xFF) {
            image.has_alpha = true;
            break;
        }
    }
    return image;
}

std::optional<Image> DecodeImage(std::span<const std::byte> data) {
    auto starts = [&](std::string_view magic) {
        return data.size() >= magic.size() &&
               std::memcmp(data.data(), magic.data(), magic.size()) == 0;
    };
    if (starts("BM"))
        return DecodeBmp(data);
    if (starts("\xFF\xD8\xFF"))
        return DecodeJpeg(data);
    if (starts("GIF87a") || starts("GIF89a"))
        return DecodeGif(data);
    if (starts("\x89PNG\r\n\x1A\n"))
        return DecodePng(data);
    if (starts(std::string_view("\0\0\1\0", 4)))
        return DecodeIcon(data);
    return std::nullopt;
}

} // namespace platform::ole
