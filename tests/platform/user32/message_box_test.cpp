// Message boxes on the headless desktop.
#include <windows.h>

#include "testing/desktop.h"

#include <gtest/gtest.h>

namespace {

namespace testing_desktop = platform::testing;

class MessageBoxes : public ::testing::Test {
protected:
    void SetUp() override { testing_desktop::ClearMessageBoxes(); }
    void TearDown() override { testing_desktop::ClearMessageBoxes(); }
};

TEST_F(MessageBoxes, AnswerWithTheDefaultButton) {
    struct Case {
        UINT style;
        int answer;
    };
    const Case cases[] = {
        {MB_OK | MB_ICONEXCLAMATION, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
        {MB_RETRYCANCEL, IDRETRY},
        {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, IDCONTINUE},
        {MB_OK | MB_DEFBUTTON4, IDOK}, // past the buttons: the first
    };
    for (const Case& c : cases)
        EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", c.style), c.answer) << c.style;
    EXPECT_EQ(testing_desktop::MessageBoxesShown().size(), std::size(cases));
}

TEST_F(MessageBoxes, RecordsEachBox) {
    HWND owner = reinterpret_cast<HWND>(0x1234);
    MessageBoxA(owner, "Couldn't load 'PelmoraResources.dll'.", "Pelmora Initialize Error",
                MB_ICONEXCLAMATION);
    MessageBoxA(nullptr, "\x93\xfa", nullptr, MB_OK); // ANSI text is kept as it came
    const auto shown = testing_desktop::MessageBoxesShown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].owner, owner);
    EXPECT_EQ(shown[0].text, "Couldn't load 'PelmoraResources.dll'.");
    EXPECT_EQ(shown[0].caption, "Pelmora Initialize Error");
    EXPECT_EQ(shown[0].style, UINT(MB_ICONEXCLAMATION));
    EXPECT_EQ(shown[1].text, "\x93\xfa");
    EXPECT_EQ(shown[1].caption, "Error") << "the system's caption when none is given";
    testing_desktop::ClearMessageBoxes();
    EXPECT_TRUE(testing_desktop::MessageBoxesShown().empty());
}

TEST_F(MessageBoxes, ScriptedAnswersGoInOrder) {
    testing_desktop::AnswerNextMessageBox(IDNO);
    testing_desktop::AnswerNextMessageBox(IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "1", "c", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "2", "c", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "3", "c", MB_OKCANCEL), IDOK);
}

TEST_F(MessageBoxes, UnknownTypeIsRefused) {
    SetLastError(0);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", 0x7), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(testing_desktop::MessageBoxesShown().empty());
}

} // namespace
