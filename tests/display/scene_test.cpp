// Whole scenes, written to PNG files for looking at: the default display of a first start, and
// a full display of 32 rows with gradients over a background picture.
#include "bmp_file.h"
#include "display_fixture.h"

#include "testing/temporary_folder.h"

namespace {

using platform::testing::PixelAt;

// A diagonal colour wash, so that stretching and orientation show.
COLORREF Wash(int width, int height, int x, int y) {
    return RGB(200 - 120 * y / height, 60 + 100 * y / height, 90 + 120 * x / width);
}

using SceneTest = DisplayFixture;

TEST_F(SceneTest, TheDefaultDisplayOfAFirstStart) {
    sources::Add({.identifier = "Internal:VirtualMemory",
                  .name = "Virtual memory",
                  .params = 2,
                  .defaultFormat = "Virtual memory: $1% (%1 / %2 MB)"});
    sources::Add({.identifier = "Internal:CPUUsage",
                  .name = "CPU usage",
                  .params = 0,
                  .defaultFormat = "CPU usage: $3%"});
    sources::SetData(0, 0, 16384, 6144, 0, {"6144", "16384"});
    sources::SetData(1, 0, 1000, 237, 0);
    StartDisplay();
    HDC buffer = DrawGraphRows();

    ASSERT_EQ(lNumberOfGraphs, 2);
    EXPECT_EQ(GetGraph(0)->Plugin->Identifier, std::string("Internal:VirtualMemory"));
    EXPECT_EQ(GetGraph(1)->Plugin->Identifier, std::string("Internal:CPUUsage"));
    auto pixels = Buffer();
    // Graph 1 of item 0 of the first source: the first default colour, 6144 of 16384 of 200.
    EXPECT_EQ(PixelAt(pixels, 0, 1), 0x80FF80u);
    EXPECT_EQ(PixelAt(pixels, 74, 1), 0x80FF80u);
    EXPECT_EQ(PixelAt(pixels, 75, 1), 0xFF8080u);
    // The CPU row: the fifth default colour (the first item took four), 47 pixels.
    EXPECT_EQ(PixelAt(pixels, 0, lRowHeight + 1), 0xC080C0u);
    EXPECT_EQ(PixelAt(pixels, 47, lRowHeight + 1), 0xFF8080u);
    // Black text, right-aligned, in both rows.
    int dark[2] = {0, 0};
    for (int r = 0; r < 2; ++r)
        for (int y = r * lRowHeight; y < (r + 1) * lRowHeight; ++y)
            for (int x = 100; x < 200; ++x)
                dark[r] += PixelAt(pixels, x, y) == 0;
    EXPECT_GT(dark[0], 20);
    EXPECT_GT(dark[1], 20);
    const platform::testing::PictureFile scene("display_default.png");
    EXPECT_TRUE(platform::testing::SaveDCPng(buffer, scene.path()));
}

TEST_F(SceneTest, ThirtyTwoRowsWithGradientsOverAPicture) {
    std::vector<std::string> keys;
    for (int s = 0; s < 8; ++s) {
        std::string id = "Scene" + std::to_string(s);
        bool pushing = s == 7;
        sources::Add({.identifier = id.c_str(),
                      .name = "scene",
                      .type = pushing ? DWORD(PMP_TYPE_IRREGULAR) : DWORD(PMP_TYPE_REGULAR),
                      .params = 2,
                      .items = 4,
                      .defaultFormat = "%1  $3%%  ($2%%)"});
        for (int j = 0; j < 4; ++j) {
            int r = 4 * s + j;
            keys.push_back(id + "|" + std::to_string(j));
            CDriveProfileCategory* item = Item(id.c_str(), j);
            item->SetInteger(Literals::DrawnGraphs, r % 4 == 0 ? 1 : 3);
            item->SetInteger(Literals::Graph1Type, r % 3);
            item->SetInteger(Literals::Graph2Type, (r + 1) % 3);
            item->SetInteger(Literals::Graph1Position, r % 4 == 0 ? 0 : 1);
            item->SetInteger(Literals::Graph2Position, 2);
            item->SetInteger(Literals::TextHorizontalPosition, 1 + r % 3);
            item->SetDWord(Literals::TextColor, r % 2 ? 0x202020 : 0x400000);
            sources::SetData(s, DWORD(j), 1000, DWORD(30 * r + 40), DWORD(1000 - 28 * r),
                             {"row " + std::to_string(r), "x"});
        }
    }
    SetRows(keys);
    SetWidth(400);
    const platform::testing::TemporaryFolder pictures("pelmora-scene");
    std::string image = WriteBmp24((pictures / "background.bmp").string(), 64, 48,
                                   [](int x, int y) { return Wash(64, 48, x, y); });
    CDriveProfileCategory* general = Category(Literals::GraphGeneral);
    general->SetInteger(Literals::Background, 3);
    general->SetString(Literals::Image, image.c_str());
    general->SetBoolean(Literals::DrawScale, true);
    general->SetDWord(Literals::ScaleColor, 0x303030);
    StartDisplay();

    // The pushing source reports its four rows.
    for (int j = 0; j < 4; ++j) {
        int r = 28 + j;
        PMPDATA report = sources::Data(7, DWORD(j));
        StoreGraphReport(r, &report);
        DrawGraphRow(windowDC_, r);
    }
    HDC buffer = DrawGraphRows();
    ASSERT_EQ(lNumberOfGraphs, 32);
    auto pixels = Buffer();
    EXPECT_EQ(pixels.width, 400);
    EXPECT_EQ(pixels.height, 32 * lRowHeight);
    // The picture's colour shows to the right of the last row's bars.
    COLORREF background = PixelAt(pixels, 398, 32 * lRowHeight - 6);
    EXPECT_NE(background, 0xFFFFFFu);
    EXPECT_EQ(GetGraph(31)->szIrregular, std::string("row 31  97.00%  (13%)"));
    const platform::testing::PictureFile scene("display_32_rows.png");
    EXPECT_TRUE(platform::testing::SaveDCPng(buffer, scene.path()));
}

} // namespace
