#include "canvas.h"

#include "present/snapshot.h"
#include "testing/temporary_folder.h"

#include <olectl.h>
#include <png.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace {

std::vector<uint8_t> ReadPng(const std::string& path, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr))
        return {};
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return rgba;
}

TEST(Snapshot, WritesRgbaWithTheLayeredAlphaAndTheColourKey) {
    platform::gdi::Surface surface;
    surface.width = 3;
    surface.height = 2;
    // 0x00RRGGBB.
    surface.pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x8080FF, 0x123456, 0x8080FF};
    platform::testing::TemporaryFolder folder("pelmora-snapshot");
    std::string path = folder / "snapshot.png";
    ASSERT_TRUE(platform::present::WriteSurfacePng(surface, path, 200, COLORREF{0xFF8080}));
    int w = 0, h = 0;
    std::vector<uint8_t> rgba = ReadPng(path, w, h);
    ASSERT_EQ(w, 3);
    ASSERT_EQ(h, 2);
    auto px = [&](int x, int y) { return &rgba[(y * 3 + x) * 4]; };
    EXPECT_EQ(px(0, 0)[0], 0xFF);
    EXPECT_EQ(px(0, 0)[1], 0x00);
    EXPECT_EQ(px(0, 0)[3], 200);
    EXPECT_EQ(px(2, 0)[2], 0xFF);
    EXPECT_EQ(px(1, 1)[0], 0x12);
    EXPECT_EQ(px(1, 1)[1], 0x34);
    EXPECT_EQ(px(1, 1)[2], 0x56);
    EXPECT_EQ(px(1, 1)[3], 200);
    EXPECT_EQ(px(0, 1)[3], 0); // the colour key: BackgroundColor1 0xFF8080 is blue 0xFF
    EXPECT_EQ(px(2, 1)[3], 0);
    std::filesystem::remove(path);

    EXPECT_FALSE(
        platform::present::WriteSurfacePng(surface, "/nonexistent/dir/x.png", 255, std::nullopt));
}

// Every pixel comes back as it was written, whatever its neighbours (the rows are filtered by
// their left neighbour, so a jump between any two values must survive), with and without the
// alpha channel, and from one picture to the next of another size.
TEST(Snapshot, EveryPixelComesBackInEveryLayout) {
    struct Case {
        int width, height;
        uint8_t alpha;
        std::optional<COLORREF> key;
    };
    const Case cases[] = {
        {1, 1, 255, std::nullopt},          {37, 5, 255, std::nullopt},
        {37, 5, 128, std::nullopt},         {200, 30, 255, COLORREF{0x010203}},
        {200, 30, 255, COLORREF{0x030201}}, {2, 300, 7, {}},
    };
    platform::testing::TemporaryFolder folder("pelmora-snapshot");
    std::string path = folder / "pixels.png";
    uint32_t seed = 12345;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " alpha " << int(c.alpha));
        platform::gdi::Surface surface;
        surface.width = c.width;
        surface.height = c.height;
        surface.pixels.resize(size_t(c.width) * c.height);
        for (uint32_t& pixel : surface.pixels) {
            seed = seed * 1103515245u + 12345u;
            // Runs of one colour beside jumps to any other, and a top byte that is not written.
            pixel = (seed >> 24) < 64 ? 0xFF010203u : (seed >> 4);
        }
        ASSERT_TRUE(platform::present::WriteSurfacePng(surface, path, c.alpha, c.key));
        int w = 0, h = 0;
        std::vector<uint8_t> rgba = ReadPng(path, w, h);
        ASSERT_EQ(w, c.width);
        ASSERT_EQ(h, c.height);
        for (size_t i = 0; i < surface.pixels.size(); ++i) {
            uint32_t p = surface.pixels[i] & 0xFFFFFF;
            // The key (0x00BBGGRR) against the pixel (0x00RRGGBB).
            bool keyed = c.key && p == (((*c.key & 0xFF) << 16) | (*c.key & 0xFF00) |
                                        ((*c.key >> 16) & 0xFF));
            ASSERT_EQ(rgba[i * 4 + 0], uint8_t(p >> 16)) << i;
            ASSERT_EQ(rgba[i * 4 + 1], uint8_t(p >> 8)) << i;
            ASSERT_EQ(rgba[i * 4 + 2], uint8_t(p)) << i;
            ASSERT_EQ(rgba[i * 4 + 3], keyed ? 0 : c.alpha) << i;
        }
    }
}

// A frame as the display draws it: background, pre-painted bars copied in part, text over
// them, and the scale; written to gdi-scene.png (PictureFile) for looking at.
TEST(Snapshot, DisplaySceneForLookingAt) {
    const int w = 200, h = 15, rows = 3;
    Canvas background(w, h * rows), bars(w, 2 * h * rows), buffer(w, h * rows);
    TRIVERTEX v[2] = {{0, 0, 0x8000, 0x8000, 0xFF00, 0}, {w, h * rows, 0x2000, 0x2000, 0x6000, 0}};
    GRADIENT_RECT r{0, 1};
    GradientFill(background.dc(), v, 2, &r, 1, GRADIENT_FILL_RECT_V);
    // A picture over the lower right part of the background.
    std::ifstream in(std::string(PELMORA_TEST_FIXTURES) + "/pictures/pattern.png",
                     std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(block, FALSE, &stream);
    IPicture* picture = nullptr;
    ASSERT_EQ(OleLoadPicture(stream, static_cast<LONG>(bytes.size()), TRUE, IID_IPicture,
                             reinterpret_cast<void**>(&picture)),
              S_OK);
    OLE_XSIZE_HIMETRIC pw = 0;
    OLE_YSIZE_HIMETRIC ph = 0;
    picture->get_Width(&pw);
    picture->get_Height(&ph);
    picture->Render(background.dc(), 140, 5, 60, 40, 0, ph, pw, -ph, nullptr);
    picture->Release();
    stream->Release();
    GlobalFree(block);

    COLORREF colours[rows][2] = {{RGB(0x80, 0xFF, 0x80), RGB(0x00, 0x80, 0x00)},
                                 {RGB(0xFF, 0x80, 0x80), RGB(0xFF, 0xFF, 0x00)},
                                 {RGB(0xC0, 0xC0, 0x40), RGB(0x40, 0xC0, 0xFF)}};
    for (int i = 0; i < rows; ++i) {
        TRIVERTEX g[2] = {{0, h * i, static_cast<COLOR16>(GetRValue(colours[i][0]) << 8),
                           static_cast<COLOR16>(GetGValue(colours[i][0]) << 8),
                           static_cast<COLOR16>(GetBValue(colours[i][0]) << 8), 0},
                          {w, h * i + h, static_cast<COLOR16>(GetRValue(colours[i][1]) << 8),
                           static_cast<COLOR16>(GetGValue(colours[i][1]) << 8),
                           static_cast<COLOR16>(GetBValue(colours[i][1]) << 8), 0}};
        GradientFill(bars.dc(), g, 2, &r, 1, GRADIENT_FILL_RECT_H);
    }
    LOGFONTA lf{};
    lf.lfHeight = -13;
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_CHARACTER_PRECIS;
    std::strcpy(lf.lfFaceName, "Times New Roman");
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old_font = SelectObject(buffer.dc(), font);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ old_pen = SelectObject(buffer.dc(), pen);
    SetBkMode(buffer.dc(), TRANSPARENT);
    TEXTMETRICA tm{};
    GetTextMetricsA(buffer.dc(), &tm);
    EXPECT_EQ(tm.tmHeight, h);

    BitBlt(buffer.dc(), 0, 0, w, h * rows, background.dc(), 0, 0, SRCCOPY);
    const char* texts[rows] = {"Memory 42%", "CPU 7% & more", "\x82\xA0 IME"};
    const int values[rows] = {84, 14, 200};
    for (int i = 0; i < rows; ++i) {
        BitBlt(buffer.dc(), 0, h * i, values[i], h, bars.dc(), 0, h * i, SRCCOPY);
        RECT text{0, h * i, w, h * i + h};
        SetTextColor(buffer.dc(), i == 1 ? RGB(255, 255, 255) : RGB(0, 0, 0));
        DrawTextA(buffer.dc(), texts[i], -1, &text, 0x824 + i % 3);
        for (int k = 1; k <= 10; ++k) {
            int x = static_cast<int>(w / 10.0 * k + 0.5) - 1;
            MoveToEx(buffer.dc(), x, h * (i + 1) - (k % 5 == 0 ? 3 : 2), nullptr);
            LineTo(buffer.dc(), x, h * (i + 1));
        }
    }
    const platform::testing::PictureFile scene("gdi-scene.png");
    EXPECT_TRUE(platform::testing::SaveDCPng(buffer.dc(), scene.path()));
    auto pixels = platform::testing::ReadPixels(buffer.dc());
    ASSERT_TRUE(pixels);
    // Tick 10 of row 0 on the last column, 3 pixels high.
    EXPECT_EQ(platform::testing::PixelAt(*pixels, w - 1, h - 1), RGB(0, 0, 0));
    EXPECT_EQ(platform::testing::PixelAt(*pixels, w - 1, h - 3), RGB(0, 0, 0));
    EXPECT_NE(platform::testing::PixelAt(*pixels, w - 1, h - 4), RGB(0, 0, 0));

    SelectObject(buffer.dc(), old_font);
    SelectObject(buffer.dc(), old_pen);
    DeleteObject(font);
    DeleteObject(pen);
}

} // namespace
