// The program's own start-up, message loop and shutdown on the test desktop: the user double
// clicks the window, changes the opacity and the width in the sheet and presses OK; the window
// changes at once and the settings file written at shutdown holds the new values.
#include "sheet_fixture.h"

#include "shell/main_window.h"
#include "shell/program.h"

#include "display/display_state.h"
#include "display/rows.h"

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using platform::testing::DialogScript;

class EndToEndTest : public SheetTest {};

TEST_F(EndToEndTest, OptionsChangedInTheSheetApplyAtOnceAndReachTheFileAtShutdown) {
    WriteSheetSettings("\tWidth=200\r\n\tOpacity=255\r\n\tFade=0\r\n");
    platform::testing::AnswerNextDialog(kCaption,
                                        DialogScript()
                                            .SetText(IDC_WINDOW_OPACITY_EDIT, "120")
                                            .SetText(IDC_WINDOW_WIDTH_EDIT, "260")
                                            .Then(platform::testing::PressSheetButton(IDOK)));
    int step = 0;
    RECT afterOk{};
    BYTE alphaAfterOk = 0;
    bool sheetWasShown = false;
    // What the user does whenever the program has nothing left to do.
    platform::testing::IdleScope user([&]() {
        HWND window = GetMainWindow();
        switch (step++) {
        case 0: {
            RECT r;
            GetWindowRect(window, &r);
            platform::testing::DoubleClick(POINT{r.left + 4, r.top + 4});
            return true;
        }
        case 1:
            sheetWasShown = !platform::testing::DialogsShown().empty();
            GetWindowRect(window, &afterOk);
            GetLayeredWindowAttributes(window, nullptr, &alphaAfterOk, nullptr);
            PostMessageA(window, WM_CLOSE, 0, 0);
            return true;
        }
        return false;
    });
    EXPECT_THROW(RunProgram(), platform::testing::ProcessExited);
    EXPECT_TRUE(sheetWasShown);
    EXPECT_EQ(afterOk.right - afterOk.left, 260);
    EXPECT_EQ(alphaAfterOk, 120);
    ASSERT_FALSE(platform::testing::DialogsShown().empty());
    EXPECT_EQ(platform::testing::DialogsShown().front().result, 1);
    EXPECT_TRUE(platform::testing::DialogsShown().front().errors.empty());
    std::string settings = ReadSettings();
    EXPECT_NE(settings.find("\tWidth=260\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("\tOpacity=120\r\n"), std::string::npos) << settings;
    // The rows ended and began once for the apply, between their start and their end.
    EXPECT_EQ(PluginEvents(),
              (std::vector<std::string>{"Good.pmp attach", "Good.pmp initialize", "Good.pmp before",
                                        "Good.pmp after", "Good.pmp before", "Good.pmp after",
                                        "Good.pmp finalize", "Good.pmp detach"}));
}

// Through the sheet the user adds a row, moves it to the top, gives it a format and a bar colour
// and picks a picture background through the file dialog; OK shows it all at once, the settings
// file written at shutdown holds it, and the next start shows the same window.
TEST_F(EndToEndTest, RowsAndAPictureChosenInTheSheetShowAtOnceAndAgainAtTheNextStart) {
    using namespace platform::testing;
    WriteSheetSettings("\tFade=0\r\n");
    std::string picture = std::string("C:") + PELMORA_TEST_FIXTURES + "/pictures/bmp24.bmp";
    for (char& c : picture)
        if (c == '/')
            c = '\\';
    DialogScript script;
    script.Then(SelectSheetPage(1)).Pick(IDC_GENERAL_BACKGROUND, 3).Do([&](HWND) {
        AnswerNextFileDialog(FileChoice(picture));
    });
    script.Click(IDC_GENERAL_BROWSE).Then(SelectSheetPage(2));
    script.Pick(IDC_DETAIL_SOURCES, "Good|1").Click(IDC_DETAIL_ADD).Click(IDC_DETAIL_UP);
    script.SetText(IDC_DETAIL_FORMAT, "moved %1").Do([](HWND) {
        AnswerNextColorDialog(10, 200, 30);
    });
    script.Click(IDC_DETAIL_COLOR1).Then(PressSheetButton(IDOK));
    AnswerNextDialog(kCaption, script);

    // One run of the program: the user double clicks the window when `open` is set, then the
    // window's picture is taken and the window closed.
    auto run = [&](bool open) {
        std::optional<platform::gdi::Surface> shown;
        int step = open ? 0 : 1;
        IdleScope user([&]() {
            HWND window = GetMainWindow();
            switch (step++) {
            case 0: {
                RECT r;
                GetWindowRect(window, &r);
                DoubleClick(POINT{r.left + 4, r.top + 4});
                return true;
            }
            case 1:
                shown = ReadWindowPixels(window);
                WritePictureIfAsked(window, open ? "end_to_end_after" : "end_to_end");
                PostMessageA(window, WM_CLOSE, 0, 0);
                return true;
            }
            return false;
        });
        EXPECT_THROW(RunProgram(), ProcessExited);
        return shown;
    };
    std::optional<platform::gdi::Surface> before = run(false);
    std::optional<platform::gdi::Surface> after = run(true);
    ASSERT_TRUE(before && after);
    ASSERT_FALSE(DialogsShown().empty());
    EXPECT_TRUE(DialogsShown().front().errors.empty());
    EXPECT_NE(before->pixels, after->pixels);
    // The moved row is on top, its bar in the new colour; the old row's bar below is not.
    auto pixel = [](const platform::gdi::Surface& s, int x, int y) {
        return s.pixels[size_t(y * s.width + x)];
    };
    constexpr uint32_t kNewColour = 0x0AC81E;
    ASSERT_EQ(after->height % 2, 0);
    const int row = after->height / 2;
    EXPECT_EQ(pixel(*after, 2, row / 2), kNewColour);
    EXPECT_NE(pixel(*after, 2, row + row / 2), kNewColour);
    EXPECT_NE(pixel(*before, 2, row / 2), kNewColour);
    // Beside the bars the picture shows stretched: green above yellow at its right.
    const int right = after->width - 10;
    EXPECT_EQ(pixel(*after, right, 2), 0x14B43Cu);
    EXPECT_EQ(pixel(*after, right, after->height - 2), 0xF0F014u);

    std::string settings = ReadSettings();
    for (std::string key :
         {std::string("\tBackground=3\r\n"), "\tImage=" + picture + "\r\n",
          std::string("\tNumberOfGraphs=2\r\n"), std::string("\tGraph0=Good.pmp|1\r\n"),
          std::string("\tGraph1=Good.pmp|0\r\n"), std::string("\tFormat=moved %1\r\n"),
          std::string("\tGraph1Color1=") + std::to_string(RGB(10, 200, 30)) + "\r\n"})
        EXPECT_NE(settings.find(key), std::string::npos) << key << "\n" << settings;

    // The next start reads it all back and shows the same window.
    std::optional<platform::gdi::Surface> again = run(false);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->width, after->width);
    EXPECT_EQ(again->height, after->height);
    EXPECT_EQ(again->pixels, after->pixels);
    EXPECT_EQ(ReadSettings(), settings);
}

// Two copies of one plug-in, each bound to a row, share a display name. Opening the sheet and
// pressing OK keeps both bindings, and the next start binds both rows again.
TEST_F(EndToEndTest, RowsOfTwoSameNamedPluginsSurviveOkAndTheNextStart) {
    using namespace platform::testing;
    const std::filesystem::path good = std::filesystem::path(PLUGIN_LIBRARY_DIR) / "Good.pmp";
    folder_.AddPlugin(good, "Alpha_1.pmp");
    folder_.AddPlugin(good, "Alpha_2.pmp");
    WriteSettings("MainWindow[\r\n\tFade=0\r\n]\r\nGraphDetail[\r\n\tNumberOfGraphs=2\r\n"
                  "\tGraph0=Alpha_1.pmp|0\r\n\tGraph1=Alpha_2.pmp|0\r\n]\r\n");
    AnswerNextDialog(kCaption,
                     DialogScript().Then(SelectSheetPage(2)).Then(PressSheetButton(IDOK)));

    // One run: the user double clicks the window when `open` is set, then closes it. The code
    // the program ended with, and the rows it had bound by then.
    auto run = [&](bool open) {
        std::vector<std::string> rows;
        int step = open ? 0 : 1;
        IdleScope user([&]() {
            HWND window = GetMainWindow();
            switch (step++) {
            case 0: {
                RECT r;
                GetWindowRect(window, &r);
                DoubleClick(POINT{r.left + 4, r.top + 4});
                return true;
            }
            case 1:
                for (int j = 0; j < lNumberOfGraphs; ++j)
                    rows.push_back(std::string(GetGraph(j)->Plugin->Identifier) + "|" +
                                   std::to_string(GetGraph(j)->dwPluralNumber));
                PostMessageA(window, WM_CLOSE, 0, 0);
                return true;
            }
            return false;
        });
        UINT code = ~0u;
        try {
            RunProgram();
        } catch (const ProcessExited& exited) {
            code = exited.code;
        }
        return std::make_pair(code, rows);
    };
    const std::vector<std::string> bound = {"Alpha_1.pmp|0", "Alpha_2.pmp|0"};
    EXPECT_EQ(run(true), std::make_pair(0u, bound));
    ASSERT_EQ(DialogsShown().size(), 1u);
    EXPECT_EQ(DialogsShown().front().result, 1);
    const std::string settings = ReadSettings();
    for (const char* key : {"\tGraph0=Alpha_1.pmp|0\r\n", "\tGraph1=Alpha_2.pmp|0\r\n"})
        EXPECT_NE(settings.find(key), std::string::npos) << key << "\n" << settings;

    EXPECT_EQ(run(false), std::make_pair(0u, bound));
    EXPECT_TRUE(MessageBoxesShown().empty());
}

} // namespace
