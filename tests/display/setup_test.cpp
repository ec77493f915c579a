// Set-up of the display: the row count and binding, the starting and stopping of the rows, the
// surfaces and the background.
#include "bmp_file.h"
#include "display_fixture.h"

#include "shell/environment.h"
#include "testing/temporary_folder.h"

#include <cstring>
#include <filesystem>

namespace {

using SetupTest = DisplayFixture;

TEST_F(SetupTest, WithoutSettingsTheDisplayShowsTheTwoDefaultRows) {
    sources::AddDefaultSources();
    StartDisplay();

    EXPECT_EQ(lNumberOfGraphs, 2);
    EXPECT_EQ(GetGraph(0)->Plugin, sources::Plugin(0));
    EXPECT_EQ(GetGraph(1)->Plugin, sources::Plugin(1));
    EXPECT_EQ(GetGraph(0)->dwPluralNumber, 0u);
    EXPECT_STREQ(Category(Literals::GraphDetail)->GetString(Literals::NumberOfGraphs), "-1");
    // No row key is read or written for the default rows.
    EXPECT_EQ(Category(Literals::GraphDetail)->Count(), 1);
    EXPECT_EQ(sources::Calls(), (std::vector<std::string>{"before 0 0 0 0 0", "before 1 0 0 0 0"}));
    EXPECT_GT(lRowHeight, 0);
    EXPECT_EQ(GetMainWindowHeight(), 2 * lRowHeight);
    EXPECT_EQ(lGraphWidth, 200);
    // The taken marks are cleared after the pass.
    EXPECT_FALSE(sources::Plugin(0)->IsAlreadyUsed[0]);
}

TEST_F(SetupTest, ARowCountOutOfRangeIsReplacedAndGivesTheDefaultRows) {
    for (int stored : {0, 33}) {
        SCOPED_TRACE(stored);
        sources::Reset();
        sources::AddDefaultSources();
        CreateGraphList();
        Category(Literals::GraphDetail)->SetInteger(Literals::NumberOfGraphs, stored);
        StartDisplay();
        EXPECT_EQ(lNumberOfGraphs, 2);
        EXPECT_STREQ(Category(Literals::GraphDetail)->GetString(Literals::NumberOfGraphs), "-1");
        ReleaseGraphDisplay();
    }
}

TEST_F(SetupTest, ThirtyTwoStoredRowsAreAllBoundAndStarted) {
    std::vector<std::string> keys;
    for (int s = 0; s < 8; ++s) {
        std::string id = "S" + std::to_string(s);
        sources::Add({.identifier = id.c_str(),
                      .name = "s",
                      .type = s == 7 ? DWORD(PMP_TYPE_IRREGULAR) : DWORD(PMP_TYPE_REGULAR),
                      .items = 4});
        for (int j = 0; j < 4; ++j)
            keys.push_back(id + "|" + std::to_string(j));
    }
    SetRows(keys);
    StartDisplay();

    ASSERT_EQ(lNumberOfGraphs, 32);
    for (int r = 0; r < 32; ++r) {
        EXPECT_EQ(GetGraph(r)->Plugin, sources::Plugin(r / 4));
        EXPECT_EQ(GetGraph(r)->dwPluralNumber, DWORD(r % 4));
    }
    // The irregular rows get the window, their own row number and their record.
    EXPECT_EQ(sources::Calls()[28], "before 7 0 28 1 1");
    EXPECT_EQ(sources::Received(7, 3), GetGraph(31)->GetIrregularData());
    EXPECT_EQ(GetMainWindowHeight(), 32 * lRowHeight);
}

TEST_F(SetupTest, ARowKeyWithoutItemNumberIsRepairedAndBoundToItemZero) {
    sources::AddDefaultSources();
    SetRows({"Internal:CPUUsage"});
    StartDisplay();
    EXPECT_STREQ(Category(Literals::GraphDetail)->GetString("Graph0"), "Internal:CPUUsage|0");
    EXPECT_EQ(GetGraph(0)->Plugin, sources::Plugin(1));
    EXPECT_EQ(lNumberOfGraphs, 1);
}

TEST_F(SetupTest, ARowThatCannotBeBoundEndsTheProgramWithString19) {
    struct Case {
        const char* name;
        std::vector<std::string> keys;
    } cases[] = {
        {"never stored", {"Internal:CPUUsage|0", "*"}},
        {"unknown identifier", {"Internal:Nothing|0"}},
        {"letter case differs", {"internal:cpuusage|0"}},
        {"same item twice", {"Internal:CPUUsage|0", "Internal:CPUUsage|0"}},
        {"item beyond the source's items", {"Internal:CPUUsage|7"}},
        {"two digits", {"Internal:CPUUsage|12"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sources::Reset();
        sources::AddDefaultSources();
        CreateGraphList();
        SetRows(c.keys);
        InitializeGraphs();
        LoadGraphSettings();
        try {
            SetupGraphDisplay();
            ADD_FAILURE() << "the binding did not fail";
        } catch (const doubles::FatalExitCalled& e) {
            EXPECT_EQ(e.text, std::string(LoadResourceString(19)));
        }
        // No row was started, and the shutdown stops none.
        EXPECT_FALSE(bGraphsStarted);
        EXPECT_EQ(sources::CountCalls("before"), 0);
        ReleaseGraphDisplay();
        EXPECT_EQ(sources::CountCalls("after"), 0);
    }
}

TEST_F(SetupTest, AnUnstoredRowKeyIsAddedAsThePlaceholder) {
    sources::AddDefaultSources();
    Category(Literals::GraphDetail)->SetInteger(Literals::NumberOfGraphs, 1);
    InitializeGraphs();
    EXPECT_THROW(SetupGraphDisplay(), doubles::FatalExitCalled);
    EXPECT_STREQ(Category(Literals::GraphDetail)->GetString("Graph0"), "*");
}

TEST_F(SetupTest, BeforeAndAfterOperationStayPairedAcrossAnApplyAndTheShutdown) {
    sources::AddDefaultSources();
    SetRows({"Internal:VirtualMemory|0", "Internal:CPUUsage|0"});
    StartDisplay();
    EndRowOperations();
    LoadGraphSettings();
    SetupGraphDisplay();
    ReleaseGraphDisplay();
    // A second shutdown road stops nothing again.
    ReleaseGraphDisplay();
    EXPECT_EQ(sources::Calls(),
              (std::vector<std::string>{"before 0 0 0 0 0", "before 1 0 0 0 0", "after 0 0",
                                        "after 1 0", "before 0 0 0 0 0", "before 1 0 0 0 0",
                                        "after 0 0", "after 1 0"}));
}

TEST_F(SetupTest, TheWindowIsAsHighAsTheRowsAndTheFontIsStoredOnFirstUse) {
    sources::Add({.identifier = "A", .name = "a", .items = 3});
    SetRows({"A|0", "A|1", "A|2"});
    StartDisplay();
    TEXTMETRICA metrics = {};
    GetTextMetricsA(hBufferDC, &metrics);
    EXPECT_EQ(lRowHeight, metrics.tmHeight);
    EXPECT_EQ(GetMainWindowHeight(), 3 * metrics.tmHeight);

    LOGFONTA* font = GetGraphLogFont();
    EXPECT_EQ(font->lfHeight, -13);
    EXPECT_EQ(font->lfWeight, 700);
    EXPECT_EQ(font->lfCharSet, 1);
    EXPECT_EQ(font->lfOutPrecision, 2);
    EXPECT_STREQ(font->lfFaceName, "Times New Roman");
    LOGFONTA stored = {};
    ASSERT_TRUE(
        pGraphGeneralCategory->GetBinary(Literals::LOGFONTStructure, &stored, sizeof stored));
    EXPECT_EQ(std::memcmp(&stored, font, sizeof stored), 0);
    EXPECT_EQ(std::string(pGraphGeneralCategory->GetString(Literals::LOGFONTStructure)).size(),
              120u);
}

// Whole-surface checks of the background kinds; every row in use, no text.
class BackgroundTest : public DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        sources::AddDefaultSources();
        PlainItem("Internal:VirtualMemory", 0);
        PlainItem("Internal:CPUUsage", 0);
        Item("Internal:VirtualMemory", 0)->SetInteger(Literals::DrawnGraphs, 0);
        Item("Internal:CPUUsage", 0)->SetInteger(Literals::DrawnGraphs, 0);
        SetWidth(120);
    }
    CDriveProfileCategory* General() { return Category(Literals::GraphGeneral); }
};

TEST_F(BackgroundTest, SolidAndColourKeyFillWithColourOne) {
    for (int kind : {0, 4}) {
        SCOPED_TRACE(kind);
        General()->SetInteger(Literals::Background, kind);
        General()->SetDWord(Literals::BackgroundColor1, 0x123456);
        StartDisplay();
        PaintBackground(windowDC_);
        EXPECT_EQ(platform::testing::PixelAt(*window_, 0, 0), 0x123456u);
        EXPECT_EQ(platform::testing::PixelAt(*window_, 119, 2 * lRowHeight - 1), 0x123456u);
        // PaintBackground copies only the rows.
        EXPECT_EQ(platform::testing::PixelAt(*window_, 120, 0), 0u);
        ReleaseGraphDisplay();
        sources::Reset();
        sources::AddDefaultSources();
        CreateGraphList();
    }
}

TEST_F(BackgroundTest, GradientsRunFromColourOneToColourTwo) {
    General()->SetInteger(Literals::Background, 1);
    General()->SetDWord(Literals::BackgroundColor1, 0x0000FF);
    General()->SetDWord(Literals::BackgroundColor2, 0xFF0000);
    StartDisplay();
    auto pixels = *platform::testing::ReadPixels(hBackgroundDC);
    EXPECT_EQ(platform::testing::PixelAt(pixels, 0, 5), 0x0000FFu);
    COLORREF right = platform::testing::PixelAt(pixels, 119, 5);
    EXPECT_GE(GetBValue(right), 0xF0);
    EXPECT_LE(GetRValue(right), 0x0F);
}

TEST_F(BackgroundTest, APictureThatDoesNotOpenLeavesWhite) {
    General()->SetInteger(Literals::Background, 3);
    General()->SetString(Literals::Image, "C:\\no\\such\\picture.bmp");
    StartDisplay();
    auto pixels = *platform::testing::ReadPixels(hBackgroundDC);
    EXPECT_EQ(platform::testing::PixelAt(pixels, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(platform::testing::PixelAt(pixels, 119, 2 * lRowHeight - 1), 0xFFFFFFu);
}

// A picture of two colours: the upper half top, the lower half bottom.
std::string WriteTwoColourBmp(const std::string& path, int width, int height, COLORREF top,
                              COLORREF bottom) {
    return WriteBmp24(path, width, height,
                      [&](int, int y) { return y >= height - height / 2 ? bottom : top; });
}

TEST_F(BackgroundTest, APictureIsStretchedUprightOverTheWholeBackground) {
    const platform::testing::TemporaryFolder folder("pelmora-background");
    General()->SetInteger(Literals::Background, 3);
    General()->SetString(
        Literals::Image,
        WriteTwoColourBmp((folder / "background.bmp").string(), 8, 8, 0x0000FF, 0x00FF00).c_str());
    StartDisplay();
    auto pixels = *platform::testing::ReadPixels(hBackgroundDC);
    EXPECT_EQ(platform::testing::PixelAt(pixels, 0, 0), 0x0000FFu);
    EXPECT_EQ(platform::testing::PixelAt(pixels, 119, 0), 0x0000FFu);
    EXPECT_EQ(platform::testing::PixelAt(pixels, 0, 2 * lRowHeight - 1), 0x00FF00u);
}

// A picture followed by more bytes than any picture needs is not read: the background stays
// white, where reading the file whole would show the picture. 4 GiB and a picture's size is
// larger still, though its size's low half is the picture's alone. Both files are sparse.
TEST_F(BackgroundTest, AFileLargerThanAnyPictureIsNotRead) {
    const platform::testing::TemporaryFolder folder("pelmora-background");
    for (uintmax_t extra : {uintmax_t{33} << 20, uintmax_t{1} << 32}) {
        SCOPED_TRACE(extra);
        std::filesystem::path file = folder / "large.bmp";
        std::string path = WriteTwoColourBmp(file.string(), 8, 8, 0x0000FF, 0x00FF00);
        std::filesystem::resize_file(file, std::filesystem::file_size(file) + extra);
        General()->SetInteger(Literals::Background, 3);
        General()->SetString(Literals::Image, path.c_str());
        StartDisplay();
        auto pixels = *platform::testing::ReadPixels(hBackgroundDC);
        EXPECT_EQ(platform::testing::PixelAt(pixels, 0, 0), 0xFFFFFFu);
        EXPECT_EQ(platform::testing::PixelAt(pixels, 119, 2 * lRowHeight - 1), 0xFFFFFFu);
        ReleaseGraphDisplay();
        sources::Reset();
        sources::AddDefaultSources();
        CreateGraphList();
    }
}

TEST_F(BackgroundTest, AFileThatIsNoPictureLeavesWhite) {
    const platform::testing::TemporaryFolder folder("pelmora-background");
    folder.WriteFile("not_a_picture.bmp", "not a picture");
    General()->SetInteger(Literals::Background, 3);
    General()->SetString(Literals::Image, folder.WindowsPath("not_a_picture.bmp").c_str());
    StartDisplay();
    auto pixels = *platform::testing::ReadPixels(hBackgroundDC);
    EXPECT_EQ(platform::testing::PixelAt(pixels, 5, 5), 0xFFFFFFu);
}

} // namespace

namespace {

TEST_F(SetupTest, DefaultRowsWithoutTheirSourcesDrawNothingAndCallNothing) {
    // No source under the default identifiers: both rows get the placeholder, which has no
    // entry points; drawing must not call through them.
    sources::Add({.identifier = "Other", .name = "other"});
    StartDisplay();
    EXPECT_EQ(GetGraph(0)->Plugin, pPlaceholderPlugin);
    EXPECT_EQ(GetGraph(1)->Plugin, pPlaceholderPlugin);
    EXPECT_EQ(DrawGraphRows(), hBufferDC);
    ReleaseGraphDisplay();
    EXPECT_TRUE(sources::Calls().empty());
}

} // namespace
