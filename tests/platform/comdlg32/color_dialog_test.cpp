// ChooseColorA: the colour it starts from, OK and Cancel, and the custom colours.
#include <commdlg.h>

#include "comdlg32/color_dialog.h"
#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <array>

namespace {

namespace cd = platform::comdlg32;
using platform::testing::DialogScript;
using platform::testing::ReadDialogItem;

class ColorDialogTest : public ::testing::Test {
protected:
    CHOOSECOLORA Record(COLORREF initial, DWORD flags) {
        CHOOSECOLORA cc{};
        cc.lStructSize = sizeof cc;
        cc.rgbResult = initial;
        cc.lpCustColors = custom_.data();
        cc.Flags = flags;
        return cc;
    }
    platform::testing::DesktopScope desktop_;
    std::array<COLORREF, 16> custom_{};
};

TEST_F(ColorDialogTest, StartsFromTheGivenColourOnlyWithCcRgbInit) {
    struct Case {
        DWORD flags;
        const char *red, *green, *blue;
    };
    const Case cases[] = {{CC_RGBINIT, "10", "20", "30"}, {0, "0", "0", "0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        std::string red, green, blue;
        platform::testing::AnswerNextDialog(
            cd::kColorDialogCaption, DialogScript().Do([&](HWND dialog) {
                platform::testing::WritePictureIfAsked(dialog, "color_dialog");
                red = ReadDialogItem(dialog, cd::kRedEdit).text;
                green = ReadDialogItem(dialog, cd::kGreenEdit).text;
                blue = ReadDialogItem(dialog, cd::kBlueEdit).text;
            }));
        CHOOSECOLORA cc = Record(RGB(10, 20, 30), c.flags);
        EXPECT_FALSE(ChooseColorA(&cc)); // closed by its close box
        EXPECT_EQ(red, c.red);
        EXPECT_EQ(green, c.green);
        EXPECT_EQ(blue, c.blue);
        EXPECT_EQ(cc.rgbResult, RGB(10, 20, 30));
    }
}

TEST_F(ColorDialogTest, OkReturnsTheColourAndTheCustomColoursCancelChangesNothing) {
    custom_[3] = RGB(9, 9, 9);
    platform::testing::AnswerNextDialog(cd::kColorDialogCaption,
                                        DialogScript()
                                            .Click(cd::kBasicSwatchFirst + 5)
                                            .Click(cd::kCustomSwatchFirst + 2)
                                            .SetText(cd::kGreenEdit, "77")
                                            .Click(cd::kAddCustom)
                                            .Click(IDOK));
    CHOOSECOLORA cc = Record(0, CC_RGBINIT);
    ASSERT_TRUE(ChooseColorA(&cc));
    EXPECT_EQ(cc.rgbResult, RGB(0, 77, 0)); // custom slot 2 was black; green typed
    EXPECT_EQ(custom_[2], RGB(0, 77, 0));   // added where the custom swatch was picked
    EXPECT_EQ(custom_[3], RGB(9, 9, 9));

    auto before = custom_;
    platform::testing::AnswerNextDialog(
        cd::kColorDialogCaption,
        DialogScript().Click(cd::kBasicSwatchFirst).Click(cd::kAddCustom).Click(IDCANCEL));
    CHOOSECOLORA again = Record(RGB(1, 2, 3), CC_RGBINIT);
    EXPECT_FALSE(ChooseColorA(&again));
    EXPECT_EQ(again.rgbResult, RGB(1, 2, 3));
    EXPECT_EQ(custom_, before);
    for (const auto& d : platform::testing::DialogsShown())
        EXPECT_TRUE(d.errors.empty());
}

// A component typed past 255 shows as 255, the colour that OK returns; an emptied edit is 0.
TEST_F(ColorDialogTest, ComponentsTypedOutOfRangeAreShownAsTaken) {
    std::string red, blue;
    platform::testing::AnswerNextDialog(cd::kColorDialogCaption,
                                        DialogScript()
                                            .SetText(cd::kRedEdit, "999")
                                            .SetText(cd::kGreenEdit, "")
                                            .SetText(cd::kBlueEdit, "256")
                                            .Do([&](HWND dialog) {
                                                red = ReadDialogItem(dialog, cd::kRedEdit).text;
                                                blue = ReadDialogItem(dialog, cd::kBlueEdit).text;
                                            })
                                            .Click(IDOK));
    CHOOSECOLORA cc = Record(RGB(10, 20, 30), CC_RGBINIT);
    ASSERT_TRUE(ChooseColorA(&cc));
    EXPECT_EQ(red, "255");
    EXPECT_EQ(blue, "255");
    EXPECT_EQ(cc.rgbResult, RGB(255, 0, 255));
}

TEST_F(ColorDialogTest, ABadRecordIsRefusedWithoutADialog) {
    CHOOSECOLORA cc = Record(0, 0);
    cc.lStructSize = 40;
    EXPECT_FALSE(ChooseColorA(&cc));
    cc = Record(0, 0);
    cc.lpCustColors = nullptr;
    EXPECT_FALSE(ChooseColorA(&cc));
    EXPECT_FALSE(ChooseColorA(nullptr));
    EXPECT_TRUE(platform::testing::DialogsShown().empty());
}

} // namespace
