// Picture files for the tests, made or read, and loaded as the display loads its background.
#pragma once

#include <windows.h>
#include <olectl.h>

#include <png.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// A movable block, a stream over it that does not own it, OleLoadPicture with the size.
struct Loaded {
    HRESULT result = E_FAIL;
    IPicture* picture = nullptr;
};

inline Loaded Load(const std::vector<char>& bytes, LONG size = -1, REFIID iid = IID_IPicture) {
    Loaded loaded;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    EXPECT_NE(block, nullptr);
    void* p = GlobalLock(block);
    if (!bytes.empty())
        std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(block);
    IStream* stream = nullptr;
    EXPECT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), S_OK);
    void* out = reinterpret_cast<void*>(1);
    loaded.result =
        OleLoadPicture(stream, size < 0 ? static_cast<LONG>(bytes.size()) : size, TRUE, iid, &out);
    loaded.picture = static_cast<IPicture*>(out);
    if (FAILED(loaded.result)) {
        EXPECT_EQ(out, nullptr);
    }
    stream->Release();
    EXPECT_EQ(GlobalFree(block), nullptr);
    return loaded;
}

// A file of tests/fixtures/pictures, whole.
inline std::vector<char> ReadFixture(const std::string& name) {
    std::ifstream in(std::string(PELMORA_TEST_FIXTURES) + "/pictures/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Bytes of a file, appended.
struct Writer {
    Writer& U8(unsigned v) {
        bytes.push_back(static_cast<char>(v & 0xFF));
        return *this;
    }
    Writer& Le16(unsigned v) { return U8(v).U8(v >> 8); }
    Writer& Le32(uint32_t v) { return Le16(v & 0xFFFF).Le16(v >> 16); }
    Writer& Be16(unsigned v) { return U8(v >> 8).U8(v); }
    Writer& Raw(std::string_view s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Writer& Raw(const std::vector<char>& v) {
        bytes.insert(bytes.end(), v.begin(), v.end());
        return *this;
    }
    Writer& Zeros(size_t n) {
        bytes.resize(bytes.size() + n, '\0');
        return *this;
    }
    std::vector<char> bytes;
};

struct PngShape {
    int width, height;
    int bit_depth = 8;
    int colour_type = PNG_COLOR_TYPE_GRAY;
    bool interlaced = false;
    std::vector<png_color> palette = {};
    std::vector<png_byte> palette_alpha = {}; // the tRNS chunk of a palette
};

inline void PngAppend(png_structp png, png_bytep data, size_t n) {
    auto* out = static_cast<std::vector<char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
inline void PngFlushNothing(png_structp) {}

// A PNG written by libpng; row(y) gives row y's bytes as the file holds them (samples of 16 bits
// high byte first, those under 8 bits packed from the high bit).
inline std::vector<char> PngFile(const PngShape& shape,
                                 const std::function<std::vector<png_byte>(int y)>& row) {
    std::vector<char> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, PngAppend, PngFlushNothing);
    png_set_IHDR(png, info, shape.width, shape.height, shape.bit_depth, shape.colour_type,
                 shape.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!shape.palette.empty())
        png_set_PLTE(png, info, shape.palette.data(), static_cast<int>(shape.palette.size()));
    if (!shape.palette_alpha.empty())
        png_set_tRNS(png, info, shape.palette_alpha.data(),
                     static_cast<int>(shape.palette_alpha.size()), nullptr);
    png_write_info(png, info);
    int passes = shape.interlaced ? png_set_interlace_handling(png) : 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < shape.height; ++y) {
            std::vector<png_byte> bytes = row(y);
            png_write_row(png, bytes.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}
