// ChooseFontA: the dialog starts from the caller's font, writes the choice back on OK only,
// and with CF_FORCEFONTEXIST refuses a face this machine does not have.
#include <windows.h>
#include <commdlg.h>

#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace platform::testing;
namespace ids = platform::comdlg32;

class FontDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearDialogs();
        ClearMessageBoxes();
        owner = CreateWindowExA(0, "STATIC", "Owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                nullptr, nullptr, nullptr, nullptr);
        std::strcpy(lf.lfFaceName, "Times New Roman");
        lf.lfHeight = -13;
        lf.lfWeight = FW_BOLD;
        lf.lfCharSet = SHIFTJIS_CHARSET;
        lf.lfQuality = ANTIALIASED_QUALITY;
        cf.lStructSize = sizeof cf;
        cf.hwndOwner = owner;
        cf.lpLogFont = &lf;
        cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_FORCEFONTEXIST;
    }
    void TearDown() override {
        ClearDialogs();
        ClearMessageBoxes();
    }
    // The first face of the dialog's list, read while it is open.
    static std::string FirstFace(HWND dialog) {
        return ReadDialogItem(dialog, ids::kFontFaceList).entries.at(0);
    }

    DesktopScope desktop_;
    HWND owner = nullptr;
    LOGFONTA lf{};
    CHOOSEFONTA cf{};
};

TEST_F(FontDialogTest, StartsFromTheCallersFontAndWritesTheChoiceBackOnOk) {
    DialogScript script;
    script.Do([](HWND dialog) {
        WritePictureIfAsked(dialog, "font_dialog");
        EXPECT_EQ(ReadDialogItem(dialog, ids::kFontFaceEdit).text, "Times New Roman");
        auto faces = ReadDialogItem(dialog, ids::kFontFaceList);
        ASSERT_GE(faces.selection, 0) << "a face that stands for a machine face is listed";
        EXPECT_EQ(faces.entries[size_t(faces.selection)], "Times New Roman");
        EXPECT_EQ(ReadDialogItem(dialog, ids::kFontStyleList).selection, 2); // Bold
        EXPECT_EQ(ReadDialogItem(dialog, ids::kFontSizeEdit).text, "10");
    });
    script.Pick(ids::kFontStyleList, "Italic").SetText(ids::kFontSizeEdit, "14").Click(IDOK);
    AnswerNextFontDialog(script);
    ASSERT_TRUE(ChooseFontA(&cf));
    EXPECT_STREQ(lf.lfFaceName, "Times New Roman");
    EXPECT_EQ(lf.lfHeight, -19); // 14 points at 96 pixels per inch
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(cf.iPointSize, 140);
    EXPECT_EQ(cf.nFontType, SCREEN_FONTTYPE | ITALIC_FONTTYPE);
    // What the dialog does not offer stays as the caller had it.
    EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(lf.lfQuality, ANTIALIASED_QUALITY);
    auto shown = DialogsShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, owner);
    EXPECT_TRUE(shown[0].errors.empty());
}

TEST_F(FontDialogTest, AFacePickedFromTheListIsTheOneWrittenBack) {
    std::string picked;
    DialogScript script;
    script.Do([&](HWND dialog) { picked = FirstFace(dialog); })
        .Pick(ids::kFontFaceList, 0)
        .Do([&](HWND dialog) {
            EXPECT_EQ(ReadDialogItem(dialog, ids::kFontFaceEdit).text, picked);
        })
        .Click(IDOK);
    AnswerNextFontDialog(script);
    ASSERT_TRUE(ChooseFontA(&cf));
    EXPECT_EQ(std::string(lf.lfFaceName), picked);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfHeight, -13);
}

TEST_F(FontDialogTest, AFaceThatDoesNotExistIsRefusedOnlyWhenItMustExist) {
    const LOGFONTA before = lf;
    DialogScript script;
    script.SetText(ids::kFontFaceEdit, "No Such Face").Click(IDOK).Do([](HWND dialog) {
        EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog stays open";
        auto boxes = MessageBoxesShown();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].text.find("no font with that name"), std::string::npos);
        EXPECT_EQ(boxes[0].owner, dialog);
    });
    script.Click(IDCANCEL);
    AnswerNextFontDialog(script);
    EXPECT_FALSE(ChooseFontA(&cf));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(std::memcmp(&lf, &before, sizeof lf), 0);

    ClearMessageBoxes();
    cf.Flags &= ~DWORD(CF_FORCEFONTEXIST);
    AnswerNextFontDialog(FontChoice("No Such Face", "Regular", 9));
    ASSERT_TRUE(ChooseFontA(&cf));
    EXPECT_STREQ(lf.lfFaceName, "No Such Face");
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_TRUE(MessageBoxesShown().empty());
}

TEST_F(FontDialogTest, CancelAndTheCloseBoxChangeNothing) {
    const LOGFONTA before = lf;
    for (bool close_box : {false, true}) {
        DialogScript script;
        script.SetText(ids::kFontSizeEdit, "20").Pick(ids::kFontStyleList, "Regular");
        if (close_box)
            script.CloseBox();
        else
            script.Click(IDCANCEL);
        AnswerNextFontDialog(script);
        EXPECT_FALSE(ChooseFontA(&cf));
        EXPECT_EQ(CommDlgExtendedError(), 0u);
        EXPECT_EQ(std::memcmp(&lf, &before, sizeof lf), 0);
        EXPECT_EQ(cf.iPointSize, 0);
    }
}

TEST_F(FontDialogTest, ASizeThatIsNoNumberIsRefused) {
    DialogScript script;
    script.SetText(ids::kFontSizeEdit, "").Click(IDOK).Do([](HWND dialog) {
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(MessageBoxesShown().size(), 1u);
    });
    script.Click(IDCANCEL);
    AnswerNextFontDialog(script);
    EXPECT_FALSE(ChooseFontA(&cf));
}

TEST_F(FontDialogTest, ABadStructureFailsWithoutADialog) {
    struct Case {
        DWORD size;
        bool log_font;
        DWORD error;
    };
    const Case cases[] = {{sizeof(CHOOSEFONTA) - 8, true, CDERR_STRUCTSIZE},
                          {sizeof(CHOOSEFONTA), false, CDERR_INITIALIZATION}};
    for (const Case& c : cases) {
        CHOOSEFONTA bad = cf;
        bad.lStructSize = c.size;
        bad.lpLogFont = c.log_font ? &lf : nullptr;
        EXPECT_FALSE(ChooseFontA(&bad));
        EXPECT_EQ(CommDlgExtendedError(), c.error);
    }
    EXPECT_TRUE(DialogsShown().empty());
}

} // namespace
