// The graph-general page: the background table, the colour, font and file dialogs, the face
// name, the text-offset spinner, and what OK writes.
#include "sheet_fixture.h"

#include "comdlg32/color_dialog.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "testing/temporary_folder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace platform::testing;
namespace cd = platform::comdlg32;

constexpr int kGeneralPage = 1;

class GraphGeneralPageTest : public SheetTest {
protected:
    void SetUp() override {
        WriteSheetSettings();
        Start();
        RunUntilIdle();
    }
    // The page shown in the sheet.
    static HWND Page(HWND sheet) { return SheetPage(sheet, kGeneralPage); }
};

TEST_F(GraphGeneralPageTest, EachBackgroundLeavesItsOwnControlsUsable) {
    struct Case {
        int selection;
        bool colours_label, colour1, colour2, image;
    };
    const Case cases[] = {{0, true, true, false, false},
                          {1, true, true, true, false},
                          {2, true, true, true, false},
                          {3, false, false, false, true},
                          {4, false, false, false, false}};
    DialogScript script;
    script.Then(SelectSheetPage(kGeneralPage)).Do([](HWND sheet) {
        WritePictureIfAsked(sheet, "graph_general_page");
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_GENERAL_BACKGROUND).entries.size(), 5u);
    });
    for (const Case& c : cases) {
        script.Pick(IDC_GENERAL_BACKGROUND, c.selection).Do([c](HWND sheet) {
            HWND page = Page(sheet);
            EXPECT_EQ(ReadDialogItem(page, IDC_GENERAL_COLORS_LABEL).enabled, c.colours_label);
            EXPECT_EQ(ReadDialogItem(page, IDC_GENERAL_COLOR1).visible, c.colour1);
            EXPECT_EQ(ReadDialogItem(page, IDC_GENERAL_COLOR2).visible, c.colour2);
            for (int id : {IDC_GENERAL_IMAGE_LABEL, IDC_GENERAL_IMAGE, IDC_GENERAL_BROWSE})
                EXPECT_EQ(ReadDialogItem(page, id).enabled, c.image) << "selection " << c.selection;
            // "None" forces the tray icon on, on the window page.
            DialogItem tray = ReadDialogItem(SheetPage(sheet, 0), IDC_WINDOW_TRAYICON);
            EXPECT_EQ(tray.enabled, c.selection != 4);
            if (c.selection == 4) {
                EXPECT_EQ(tray.check, UINT(BST_CHECKED));
            }
        });
    }
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
    EXPECT_TRUE(LastSheet().errors.empty());
}

// The page opens on the stored background, "none" included; a value outside the table opens on
// the solid colour.
TEST_F(GraphGeneralPageTest, ThePageOpensOnTheStoredBackground) {
    struct Case {
        const char* stored;
        int selection;
        bool colour1;
    };
    const Case cases[] = {{"0", 0, true},  {"1", 1, true}, {"3", 3, false},
                          {"4", 4, false}, {"5", 0, true}, {"-1", 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "stored " << c.stored);
        GetDriveProfile()
            ->GetCategory(Literals::GraphGeneral)
            ->SetString(Literals::Background, c.stored);
        DialogItem background, colour1;
        DialogScript script;
        script.Then(SelectSheetPage(kGeneralPage)).Do([&](HWND sheet) {
            background = ReadDialogItem(Page(sheet), IDC_GENERAL_BACKGROUND);
            colour1 = ReadDialogItem(Page(sheet), IDC_GENERAL_COLOR1);
        });
        script.Then(PressSheetButton(IDCANCEL));
        ASSERT_TRUE(OpenSheet(script));
        EXPECT_EQ(background.selection, c.selection);
        EXPECT_EQ(colour1.visible, c.colour1);
    }
}

TEST_F(GraphGeneralPageTest, CancelledDialogsChangeNothingAndLeaveApplyOff) {
    DialogScript script;
    std::string face;
    script.Then(SelectSheetPage(kGeneralPage)).Do([&](HWND sheet) {
        face = ReadDialogItem(Page(sheet), IDC_GENERAL_FACE).text;
        AnswerNextDialog(cd::kColorDialogCaption, CancelChoice());
        AnswerNextFontDialog(CancelChoice());
        AnswerNextFileDialog(CancelChoice());
    });
    script.Click(IDC_GENERAL_COLOR1).Click(IDC_GENERAL_FONT).Do([&](HWND sheet) {
        EXPECT_FALSE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_GENERAL_FACE).text, face);
    });
    // The browse button is there for an image background only; applied first, so that only the
    // file dialog could enable Apply again.
    script.Pick(IDC_GENERAL_BACKGROUND, 3).Then(PressSheetButton(ID_APPLY_NOW));
    script.Click(IDC_GENERAL_BROWSE).Do([](HWND sheet) {
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_GENERAL_IMAGE).text, "");
        EXPECT_FALSE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
    });
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
    int answered = 0;
    for (const ShownDialog& d : DialogsShown())
        answered += d.scripted && d.result.has_value() && d.dialog != LastSheet().dialog;
    EXPECT_EQ(answered, 3);
}

TEST_F(GraphGeneralPageTest, OnlyTheFaceNameShowsAndOkWritesTheWholeFont) {
    DialogScript script;
    script.Then(SelectSheetPage(kGeneralPage)).Do([](HWND) {
        AnswerNextFontDialog(FontChoice("Courier New", "Bold Italic", 14));
    });
    script.Click(IDC_GENERAL_FONT).Do([](HWND sheet) {
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_GENERAL_FACE).text, "Courier New");
        EXPECT_TRUE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
    });
    script.Then(PressSheetButton(IDOK));
    ASSERT_TRUE(OpenSheet(script));
    LOGFONTA lf{};
    GetDriveProfile()
        ->GetCategory(Literals::GraphGeneral)
        ->GetBinary(Literals::LOGFONTStructure, &lf, sizeof lf);
    EXPECT_STREQ(lf.lfFaceName, "Courier New");
    EXPECT_EQ(lf.lfHeight, -19);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfItalic, 1);
}

TEST_F(GraphGeneralPageTest, ACancelledFontDialogLeavesTheFontThoughTheDialogWroteItsRecord) {
    LOGFONTA stored{};
    GetDriveProfile()
        ->GetCategory(Literals::GraphGeneral)
        ->GetBinary(Literals::LOGFONTStructure, &stored, sizeof stored);
    ASSERT_STRNE(stored.lfFaceName, "Courier New");
    DialogScript script;
    script.Then(SelectSheetPage(kGeneralPage)).Do([](HWND) {
        AnswerNextFontDialog(FontWrittenThenCancelled("Courier New"));
    });
    script.Click(IDC_GENERAL_FONT).Do([&](HWND sheet) {
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_GENERAL_FACE).text, stored.lfFaceName);
        EXPECT_FALSE(ReadDialogItem(sheet, ID_APPLY_NOW).enabled);
    });
    script.Then(PressSheetButton(IDOK));
    ASSERT_TRUE(OpenSheet(script));
    LOGFONTA lf{};
    GetDriveProfile()
        ->GetCategory(Literals::GraphGeneral)
        ->GetBinary(Literals::LOGFONTStructure, &lf, sizeof lf);
    EXPECT_EQ(std::memcmp(&lf, &stored, sizeof lf), 0);
}

TEST_F(GraphGeneralPageTest, AShortStoredFontNeverBringsBackAChoiceOfACancelledSheet) {
    // The first four bytes of the record alone: a height of -13.
    GetDriveProfile()
        ->GetCategory(Literals::GraphGeneral)
        ->SetString(Literals::LOGFONTStructure, "F3FFFFFF");
    DialogScript chosen;
    chosen.Then(SelectSheetPage(kGeneralPage)).Do([](HWND) {
        AnswerNextFontDialog(FontChoice("Courier New"));
    });
    chosen.Click(IDC_GENERAL_FONT).Do([](HWND sheet) {
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_GENERAL_FACE).text, "Courier New");
    });
    chosen.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(chosen));
    DialogScript reopened;
    reopened.Then(SelectSheetPage(kGeneralPage)).Do([](HWND sheet) {
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_GENERAL_FACE).text, "");
    });
    reopened.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(reopened));
}

TEST_F(GraphGeneralPageTest, TheFileDialogOffersEveryKindOfPictureTheBackgroundDraws) {
    // One picture of each kind the layer draws, and a file of another kind.
    TemporaryFolder folder("pelmora-picture-kinds");
    namespace fs = std::filesystem;
    const fs::path pictures = fs::path(PELMORA_TEST_FIXTURES) / "pictures";
    std::vector<std::string> offered;
    for (const char* name :
         {"bmp24.bmp", "pattern.jpg", "pattern.gif", "pattern.png", "icon.ico"}) {
        fs::copy_file(pictures / name, folder / name);
        offered.push_back(name);
    }
    fs::copy_file(pictures / "pattern.jpg", folder / "photo.jpeg");
    offered.push_back("photo.jpeg");
    fs::copy_file(pictures / "make_pictures.sh", folder / "notes.sh");
    std::sort(offered.begin(), offered.end());
    offered.insert(offered.begin(), "[..]");

    DialogScript files;
    files.SetText(cd::kFileNameEdit, folder.WindowsPath("")).Click(IDOK).Do([&](HWND dialog) {
        EXPECT_EQ(ReadDialogItem(dialog, cd::kFileList).entries, offered);
    });
    files.Click(IDCANCEL);
    DialogScript script;
    script.Then(SelectSheetPage(kGeneralPage)).Pick(IDC_GENERAL_BACKGROUND, 3);
    script.Do([&](HWND) { AnswerNextFileDialog(files); }).Click(IDC_GENERAL_BROWSE);
    script.Then(PressSheetButton(IDCANCEL));
    ASSERT_TRUE(OpenSheet(script));
    int answered = 0;
    for (const ShownDialog& d : DialogsShown())
        answered += d.caption == "Open" && d.scripted && d.errors.empty();
    EXPECT_EQ(answered, 1);
}

TEST_F(GraphGeneralPageTest, TheTextOffsetRunsFromTenAtTheBottomToMinusTenAtTheTop) {
    DialogScript script;
    script.Then(SelectSheetPage(kGeneralPage));
    script.UpDown(IDC_GENERAL_OFFSET, true, 3).Do([](HWND sheet) {
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_GENERAL_OFFSET).position, -3);
    });
    script.UpDown(IDC_GENERAL_OFFSET, true, 20).Do([](HWND sheet) {
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_GENERAL_OFFSET).position, -10);
    });
    script.UpDown(IDC_GENERAL_OFFSET, false, 30).Do([](HWND sheet) {
        EXPECT_EQ(ReadDialogItem(Page(sheet), IDC_GENERAL_OFFSET).position, 10);
    });
    script.Then(PressSheetButton(IDOK));
    ASSERT_TRUE(OpenSheet(script));
    EXPECT_EQ(GetDriveProfile()
                  ->GetCategory(Literals::GraphGeneral)
                  ->GetInteger(Literals::TextVerticalPosition),
              10);
}

} // namespace
