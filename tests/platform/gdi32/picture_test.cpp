#include "canvas.h"
#include "picture_files.h"

#include <olectl.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

// The fixtures' four quadrant colours: upper left, upper right, lower left, lower right.
constexpr COLORREF QUADRANTS[4] = {RGB(200, 30, 40), RGB(20, 180, 60), RGB(30, 60, 220),
                                   RGB(240, 240, 20)};

LONG Himetric(int pixels) {
    return static_cast<LONG>((pixels * 2540 + 48) / 96);
}

struct PictureCase {
    const char* file;
    int width, height;    // pixels
    int split_x, split_y; // first column and row of the right and lower quadrants
    int tolerance;        // per channel, for the lossy format
};

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class PictureFormats : public ::testing::TestWithParam<PictureCase> {};

// Rendered as the display renders its background: stretched over the rectangle, from source
// origin (0, height) with extent (width, -height), which shows the picture upright.
TEST_P(PictureFormats, LoadsAndRendersUprightAndStretched) {
    const PictureCase& c = GetParam();
    Loaded loaded = Load(ReadFixture(c.file));
    ASSERT_EQ(loaded.result, S_OK);
    IPicture* picture = loaded.picture;
    OLE_XSIZE_HIMETRIC hm_width = 0;
    OLE_YSIZE_HIMETRIC hm_height = 0;
    ASSERT_EQ(picture->get_Width(&hm_width), S_OK);
    ASSERT_EQ(picture->get_Height(&hm_height), S_OK);
    EXPECT_EQ(hm_width, Himetric(c.width));
    EXPECT_EQ(hm_height, Himetric(c.height));

    const int scale = 3;
    Canvas canvas(c.width * scale, c.height * scale, RGB(1, 2, 3));
    ASSERT_EQ(picture->Render(canvas.dc(), 0, 0, canvas.width(), canvas.height(), 0, hm_height,
                              hm_width, -hm_height, nullptr),
              S_OK);
    for (int q = 0; q < 4; ++q) {
        int x = (q % 2 == 0 ? c.split_x / 2 : (c.split_x + c.width) / 2) * scale + 1;
        int y = (q < 2 ? c.split_y / 2 : (c.split_y + c.height) / 2) * scale + 1;
        EXPECT_TRUE(Near(canvas.At(x, y), QUADRANTS[q], c.tolerance))
            << "quadrant " << q << " at " << x << "," << y << ": " << std::hex << canvas.At(x, y);
    }
    // The stretch keeps the quadrant border in its place: the last column of the left half
    // and the first of the right half, scaled.
    if (c.tolerance == 0) {
        EXPECT_EQ(canvas.At(c.split_x * scale - 1, 0), QUADRANTS[0]);
        EXPECT_EQ(canvas.At(c.split_x * scale, 0), QUADRANTS[1]);
        EXPECT_EQ(canvas.At(0, c.split_y * scale - 1), QUADRANTS[0]);
        EXPECT_EQ(canvas.At(0, c.split_y * scale), QUADRANTS[2]);
        EXPECT_EQ(canvas.At(canvas.width() - 1, canvas.height() - 1), QUADRANTS[3]);
    }

    // The other way up: a positive source height turns the picture upside down.
    canvas.Fill(RGB(1, 2, 3));
    ASSERT_EQ(picture->Render(canvas.dc(), 0, 0, canvas.width(), canvas.height(), 0, 0, hm_width,
                              hm_height, nullptr),
              S_OK);
    EXPECT_TRUE(Near(canvas.At(1, 1), QUADRANTS[2], c.tolerance));
    EXPECT_TRUE(Near(canvas.At(1, canvas.height() - 2), QUADRANTS[0], c.tolerance));
    EXPECT_EQ(picture->Release(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, PictureFormats,
    ::testing::Values(
        PictureCase{"bmp24.bmp", 15, 10, 7, 5, 0},
        PictureCase{"bmp24_topdown.bmp", 15, 10, 7, 5, 0},
        PictureCase{"bmp32.bmp", 15, 10, 7, 5, 0}, PictureCase{"bmp8.bmp", 15, 10, 7, 5, 0},
        PictureCase{"bmp8_topdown.bmp", 15, 10, 7, 5, 0}, PictureCase{"bmp4.bmp", 15, 10, 7, 5, 0},
        PictureCase{"bmp8_rle.bmp", 15, 10, 7, 5, 0}, PictureCase{"bmp4_rle.bmp", 15, 10, 7, 5, 0},
        PictureCase{"icon.ico", 15, 10, 7, 5, 0}, PictureCase{"icon32.ico", 15, 10, 7, 5, 0},
        PictureCase{"icon_png.ico", 15, 10, 7, 5, 0}, PictureCase{"pattern.gif", 15, 10, 7, 5, 0},
        PictureCase{"interlaced.gif", 15, 10, 7, 5, 0}, PictureCase{"pattern.png", 15, 10, 7, 5, 0},
        PictureCase{"pattern.jpg", 16, 16, 8, 8, 6}),
    [](const auto& info) {
        std::string name = info.param.file;
        for (char& ch : name)
            if (ch == '.')
                ch = '_';
        return name;
    });

TEST(Pictures, TransparentGifLeavesTheBackground) {
    Loaded loaded = Load(ReadFixture("transparent.gif"));
    ASSERT_EQ(loaded.result, S_OK);
    Canvas canvas(15, 10, RGB(5, 5, 5));
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    loaded.picture->get_Width(&w);
    loaded.picture->get_Height(&h);
    loaded.picture->Render(canvas.dc(), 0, 0, 15, 10, 0, h, w, -h, nullptr);
    EXPECT_EQ(canvas.At(0, 0), QUADRANTS[0]);
    EXPECT_EQ(canvas.At(14, 9), RGB(5, 5, 5));
    loaded.picture->Release();
}

// Every kind of PNG draws the same 8-bit colours: grey and colour, 1 to 16 bits a sample, alpha
// by channel or by palette entry, interlaced or not. Over a background that shows through where
// the picture is transparent.
TEST(Pictures, PngsOfEveryKindDrawTheirColours) {
    constexpr COLORREF BG = RGB(1, 2, 3), W = RGB(255, 255, 255), K = RGB(0, 0, 0);
    auto grey = [](int v) { return RGB(v, v, v); };
    const std::vector<png_color> palette = {{200, 30, 40}, {20, 180, 60}, {30, 60, 220}};
    struct Case {
        const char* name;
        PngShape shape;
        std::vector<std::vector<png_byte>> rows; // 3 x 3
        std::array<COLORREF, 9> drawn;
    } cases[] = {
        {"grey, 1 bit", {3, 3, 1}, {{0xA0}, {0x40}, {0xE0}}, {W, K, W, K, W, K, W, W, W}},
        {"grey, 1 bit, interlaced",
         {3, 3, 1, PNG_COLOR_TYPE_GRAY, true},
         {{0xA0}, {0x40}, {0xE0}},
         {W, K, W, K, W, K, W, W, W}},
        {"grey, 8 bits",
         {3, 3},
         {{0, 128, 255}, {10, 20, 30}, {40, 50, 60}},
         {K, grey(128), W, grey(10), grey(20), grey(30), grey(40), grey(50), grey(60)}},
        {"grey, 16 bits",
         {3, 3, 16},
         {{0x12, 0x12, 0x80, 0x80, 0xFF, 0xFF}, {0, 0, 0x40, 0x40, 0x41, 0x41}, {1, 1, 2, 2, 3, 3}},
         {grey(0x12), grey(0x80), W, K, grey(0x40), grey(0x41), grey(1), grey(2), grey(3)}},
        {"grey and alpha",
         {3, 3, 8, PNG_COLOR_TYPE_GRAY_ALPHA},
         {{10, 255, 20, 0, 30, 255}, {40, 0, 50, 255, 60, 0}, {70, 255, 80, 255, 90, 255}},
         {grey(10), BG, grey(30), BG, grey(50), BG, grey(70), grey(80), grey(90)}},
        {"colour, 8 bits",
         {3, 3, 8, PNG_COLOR_TYPE_RGB},
         {{200, 30, 40, 20, 180, 60, 30, 60, 220},
          {0, 0, 0, 255, 255, 255, 1, 2, 4},
          {9, 8, 7, 6, 5, 4, 3, 2, 1}},
         {RGB(200, 30, 40), RGB(20, 180, 60), RGB(30, 60, 220), K, W, RGB(1, 2, 4), RGB(9, 8, 7),
          RGB(6, 5, 4), RGB(3, 2, 1)}},
        {"colour, 16 bits",
         {3, 3, 16, PNG_COLOR_TYPE_RGB},
         {{200, 200, 30, 30, 40, 40, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255},
          {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9},
          {10, 10, 20, 20, 30, 30, 40, 40, 50, 50, 60, 60, 70, 70, 80, 80, 90, 90}},
         {RGB(200, 30, 40), K, W, RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9), RGB(10, 20, 30),
          RGB(40, 50, 60), RGB(70, 80, 90)}},
        {"colour and alpha, interlaced",
         {3, 3, 8, PNG_COLOR_TYPE_RGB_ALPHA, true},
         {{200, 30, 40, 255, 20, 180, 60, 0, 30, 60, 220, 255},
          {5, 6, 7, 0, 8, 9, 10, 255, 11, 12, 13, 0},
          {14, 15, 16, 255, 17, 18, 19, 255, 20, 21, 22, 255}},
         {RGB(200, 30, 40), BG, RGB(30, 60, 220), BG, RGB(8, 9, 10), BG, RGB(14, 15, 16),
          RGB(17, 18, 19), RGB(20, 21, 22)}},
        {"palette, 2 bits",
         {3, 3, 2, PNG_COLOR_TYPE_PALETTE, false, palette},
         {{0x18}, {0x24}, {0x00}},
         {RGB(200, 30, 40), RGB(20, 180, 60), RGB(30, 60, 220), RGB(200, 30, 40), RGB(30, 60, 220),
          RGB(20, 180, 60), RGB(200, 30, 40), RGB(200, 30, 40), RGB(200, 30, 40)}},
        {"palette with a transparent entry",
         {3, 3, 8, PNG_COLOR_TYPE_PALETTE, false, palette, {255, 0}},
         {{0, 1, 2}, {1, 1, 1}, {2, 0, 1}},
         {RGB(200, 30, 40), BG, RGB(30, 60, 220), BG, BG, BG, RGB(30, 60, 220), RGB(200, 30, 40),
          BG}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded loaded = Load(PngFile(c.shape, [&](int y) { return c.rows[y]; }));
        ASSERT_EQ(loaded.result, S_OK);
        Canvas canvas(3, 3, BG);
        LONG side = Himetric(3);
        loaded.picture->Render(canvas.dc(), 0, 0, 3, 3, 0, side, side, -side, nullptr);
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(canvas.At(i % 3, i / 3), c.drawn[i]) << "pixel " << i % 3 << "," << i / 3;
        loaded.picture->Release();
    }
}

TEST(Pictures, RenderIsClippedToTheDestination) {
    Loaded loaded = Load(ReadFixture("bmp24.bmp"));
    ASSERT_EQ(loaded.result, S_OK);
    Canvas canvas(10, 10, RGB(5, 5, 5));
    LONG w = Himetric(15), h = Himetric(10);
    EXPECT_EQ(loaded.picture->Render(canvas.dc(), -20, -20, 60, 40, 0, h, w, -h, nullptr), S_OK);
    EXPECT_EQ(loaded.picture->Render(canvas.dc(), 5, 5, 15, 10, 0, h, w, -h, nullptr), S_OK);
    EXPECT_EQ(canvas.At(5, 5), QUADRANTS[0]);
    EXPECT_EQ(loaded.picture->Render(nullptr, 0, 0, 15, 10, 0, h, w, -h, nullptr), E_INVALIDARG);
    loaded.picture->Release();
}

TEST(Pictures, TruncatedFilesFailCleanly) {
    for (const char* file : {"bmp24.bmp", "bmp8.bmp", "bmp32.bmp", "bmp8_rle.bmp", "bmp4_rle.bmp",
                             "icon32.ico", "pattern.gif", "pattern.png", "pattern.jpg"}) {
        std::vector<char> whole = ReadFixture(file);
        for (size_t length : {size_t{0}, size_t{1}, size_t{10}, size_t{40}, whole.size() / 2}) {
            SCOPED_TRACE(std::string(file) + " cut to " + std::to_string(length));
            std::vector<char> cut(whole.begin(), whole.begin() + std::min(length, whole.size()));
            Loaded loaded = Load(cut);
            EXPECT_TRUE(FAILED(loaded.result));
            EXPECT_EQ(loaded.picture, nullptr);
        }
        // Asking for fewer bytes than the file holds cuts it just the same.
        Loaded short_read = Load(whole, static_cast<LONG>(whole.size() / 2));
        EXPECT_TRUE(FAILED(short_read.result)) << file;
    }
}

std::vector<char> BmpHeader(int32_t width, int32_t height, uint16_t bpp, uint32_t colours_used,
                            uint32_t bits_offset, size_t total) {
    std::vector<char> b(total, 0);
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, static_cast<uint32_t>(total), 4);
    put(10, bits_offset, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(width), 4);
    put(22, static_cast<uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, bpp, 2);
    put(46, colours_used, 4);
    return b;
}

TEST(Pictures, DamagedAndForeignDataFailCleanly) {
    std::mt19937 random(12345);
    std::vector<char> noise(4096);
    for (char& ch : noise)
        ch = static_cast<char>(random());
    std::string text = "This is a text file, not a picture.\r\n";
    struct Case {
        const char* name;
        std::vector<char> bytes;
    } cases[] = {
        {"noise", noise},
        {"text", {text.begin(), text.end()}},
        {"bmp_signature_only", {'B', 'M'}},
        {"bmp_huge", BmpHeader(100000, 100000, 24, 0, 54, 200)},
        {"bmp_zero_width", BmpHeader(0, 10, 24, 0, 54, 200)},
        {"bmp_bits_past_end", BmpHeader(4, 4, 24, 0, 5000, 200)},
        {"bmp_palette_too_large", BmpHeader(4, 4, 8, 100000, 54, 200)},
        {"bmp_odd_depth", BmpHeader(4, 4, 7, 0, 54, 200)},
        {"jpeg_signature_only", {'\xFF', '\xD8', '\xFF'}},
        {"gif_header_only", {'G', 'I', 'F', '8', '9', 'a', 15, 0, 10, 0, 0, 0, 0}},
        {"png_signature_only", {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1A', '\n'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded loaded = Load(c.bytes);
        EXPECT_EQ(loaded.result, CTL_E_INVALIDPICTURE);
    }
    // Noise behind each signature.
    for (std::string magic : {std::string("BM"), std::string("\xFF\xD8\xFF\xE0", 4),
                              std::string("GIF89a"), std::string("\x89PNG\r\n\x1A\n", 8)}) {
        std::vector<char> bytes(magic.begin(), magic.end());
        bytes.insert(bytes.end(), noise.begin(), noise.end());
        EXPECT_TRUE(FAILED(Load(bytes).result));
    }
}

TEST(Pictures, PaletteIndicesPastThePaletteDrawBlack) {
    // 2 x 1, 8 bits, a palette of one entry (white), indices 0 and 200.
    std::vector<char> b = BmpHeader(2, 1, 8, 1, 58, 62);
    b[54] = b[55] = b[56] = '\xFF';
    b[58] = 0;
    b[59] = static_cast<char>(200);
    Loaded loaded = Load(b);
    ASSERT_EQ(loaded.result, S_OK);
    Canvas canvas(2, 1, RGB(5, 5, 5));
    LONG w = Himetric(2), h = Himetric(1);
    loaded.picture->Render(canvas.dc(), 0, 0, 2, 1, 0, h, w, -h, nullptr);
    EXPECT_EQ(canvas.At(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(1, 0), RGB(0, 0, 0));
    loaded.picture->Release();
}

// An icon's transparent pixels, by its mask or by its alpha, leave what was drawn before.
TEST(Pictures, IconsAreTransparentWhereTheirMaskOrAlphaSays) {
    for (const char* file : {"icon.ico", "icon32.ico"}) {
        SCOPED_TRACE(file);
        Loaded loaded = Load(ReadFixture(file));
        ASSERT_EQ(loaded.result, S_OK);
        Canvas canvas(15, 10, RGB(5, 6, 7));
        LONG w = Himetric(15), h = Himetric(10);
        loaded.picture->Render(canvas.dc(), 0, 0, 15, 10, 0, h, w, -h, nullptr);
        EXPECT_EQ(canvas.At(14, 0), RGB(5, 6, 7));
        EXPECT_EQ(canvas.At(13, 0), QUADRANTS[1]);
        EXPECT_EQ(canvas.At(14, 9), QUADRANTS[3]);
        loaded.picture->Release();
    }
}

// Run-length codes never reach past their bitmap: a run longer than the line is cut at its
// end, a jump past the top ends the picture, and codes that stop before the end of the bitmap
// are no picture.
TEST(Pictures, RunLengthCodesStayInsideTheirBitmap) {
    auto rle8 = [](std::vector<uint8_t> codes) {
        // 2 x 2, a palette of index 0 red, 1 green, 2 blue.
        std::vector<char> b = BmpHeader(2, 2, 8, 3, 66, 66 + codes.size());
        b[30] = 1; // BI_RLE8
        const uint8_t palette[12] = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
        std::memcpy(b.data() + 54, palette, sizeof palette);
        std::memcpy(b.data() + 66, codes.data(), codes.size());
        return b;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> codes;
        bool loads;
        COLORREF top_left, top_right, bottom_left, bottom_right;
    } cases[] = {
        {"a run longer than its line",
         {200, 1, 0, 0, 1, 2, 0, 1},
         true,
         RGB(0, 0, 255),
         RGB(255, 0, 0),
         RGB(0, 255, 0),
         RGB(0, 255, 0)},
        {"a jump past the top",
         {1, 2, 0, 2, 1, 9, 1, 1},
         true,
         RGB(255, 0, 0),
         RGB(255, 0, 0),
         RGB(0, 0, 255),
         RGB(255, 0, 0)},
        {"an absolute block past its line",
         {0, 3, 2, 2, 2, 0, 0, 0, 2, 1, 0, 1},
         true,
         RGB(0, 255, 0),
         RGB(0, 255, 0),
         RGB(0, 0, 255),
         RGB(0, 0, 255)},
        {"codes that stop early", {2, 1, 0, 0}, false, 0, 0, 0, 0},
        {"an absolute block cut off", {0, 8, 1, 1}, false, 0, 0, 0, 0},
        {"a jump cut off", {0, 2, 1}, false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Loaded loaded = Load(rle8(c.codes));
        ASSERT_EQ(SUCCEEDED(loaded.result), c.loads);
        if (!c.loads)
            continue;
        Canvas canvas(2, 2, RGB(5, 5, 5));
        LONG w = Himetric(2), h = Himetric(2);
        loaded.picture->Render(canvas.dc(), 0, 0, 2, 2, 0, h, w, -h, nullptr);
        EXPECT_EQ(canvas.At(0, 0), c.top_left);
        EXPECT_EQ(canvas.At(1, 0), c.top_right);
        EXPECT_EQ(canvas.At(0, 1), c.bottom_left);
        EXPECT_EQ(canvas.At(1, 1), c.bottom_right);
        loaded.picture->Release();
    }
}

TEST(Pictures, InterfacesAndSizes) {
    std::vector<char> bytes = ReadFixture("bmp24.bmp");
    // A size past the end of the stream reads what there is.
    Loaded larger = Load(bytes, static_cast<LONG>(bytes.size() * 10));
    ASSERT_EQ(larger.result, S_OK);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(larger.picture->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)),
              S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
    larger.picture->Release();
    // The picture is asked for by its interface; a stream is no picture interface.
    Loaded wrong = Load(bytes, -1, IID_IStream);
    EXPECT_EQ(wrong.result, E_NOINTERFACE);
    void* out = nullptr;
    EXPECT_EQ(OleLoadPicture(nullptr, 10, TRUE, IID_IPicture, &out), E_POINTER);
}

TEST(GlobalMemory, MovableBlocksAndTheStreamOverThem) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 10);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 10u);
    auto* p = static_cast<char*>(GlobalLock(block));
    ASSERT_NE(p, nullptr);
    EXPECT_NE(static_cast<void*>(p), block); // a movable block's handle is not its address
    EXPECT_EQ(p[9], 0);
    EXPECT_EQ(GlobalLock(block), p);
    EXPECT_TRUE(GlobalUnlock(block)); // still locked once
    std::memcpy(p, "0123456789", 10);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));

    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), S_OK);
    char buffer[16] = {};
    ULONG read = 0;
    EXPECT_EQ(stream->Read(buffer, 4, &read), S_OK);
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    LARGE_INTEGER move{};
    move.QuadPart = -3;
    ULARGE_INTEGER at{};
    EXPECT_EQ(stream->Seek(move, STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 7u);
    EXPECT_EQ(stream->Read(buffer, 16, &read), S_FALSE); // fewer than asked: the end
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(std::string(buffer, 3), "789");
    EXPECT_EQ(stream->Read(buffer, 16, &read), S_FALSE);
    EXPECT_EQ(read, 0u);
    move.QuadPart = -100;
    EXPECT_NE(stream->Seek(move, STREAM_SEEK_CUR, &at), S_OK);
    STATSTG stat{};
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 10u);
    // Writing past the end grows the block.
    move.QuadPart = 8;
    stream->Seek(move, STREAM_SEEK_SET, nullptr);
    ULONG written = 0;
    EXPECT_EQ(stream->Write("abcd", 4, &written), S_OK);
    EXPECT_EQ(GlobalSize(block), 12u);
    EXPECT_EQ(stream->Release(), 0u);
    // The stream did not own the block.
    EXPECT_EQ(GlobalSize(block), 12u);
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_EQ(GlobalFree(block), block);

    // A stream that owns its block frees it with its last release.
    HGLOBAL owned = GlobalAlloc(GMEM_MOVEABLE, 4);
    ASSERT_EQ(CreateStreamOnHGlobal(owned, TRUE, &stream), S_OK);
    stream->Release();
    EXPECT_EQ(GlobalSize(owned), 0u);

    // A fixed block's handle is its address.
    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 3);
    EXPECT_EQ(GlobalLock(fixed), fixed);
    EXPECT_EQ(GlobalFree(fixed), nullptr);
}

} // namespace
