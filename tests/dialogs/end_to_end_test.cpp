// The program's own start-up, message loop and shutdown on the test desktop: the user double
// clicks the window, changes the opacity and the width in the sheet and presses OK; the window
// changes at once and the settings file written at shutdown holds the new values.
#include "sheet_fixture.h"

#include "shell/main_window.h"
#include "shell/program.h"

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

} // namespace
