// Message boxes on the headless desktop, and as a dialog of their own where a user sees them.
#include <windows.h>

#include "present/headless.h"
#include "present/present.h"
#include "testing/desktop.h"
#include "user32/icons.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

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

// The headless presentation, but one that a user sees: message boxes wait for an answer.
class SeenBackend : public platform::present::Backend {
public:
    std::vector<platform::present::MonitorArea> Monitors() override { return inner_->Monitors(); }
    void WindowCreated(HWND hwnd) override { inner_->WindowCreated(hwnd); }
    void WindowDestroyed(HWND hwnd) override { inner_->WindowDestroyed(hwnd); }
    void WindowChanged(HWND hwnd) override { inner_->WindowChanged(hwnd); }
    void LayeredChanged(HWND hwnd) override { inner_->LayeredChanged(hwnd); }
    void Activated(HWND hwnd) override { inner_->Activated(hwnd); }
    void WindowPainted(HWND top) override { inner_->WindowPainted(top); }
    int WaitDescriptor() override { return inner_->WaitDescriptor(); }
    void Pump() override { inner_->Pump(); }
    bool GrabHotKey(UINT modifiers, UINT vk) override { return inner_->GrabHotKey(modifiers, vk); }
    void UngrabHotKey(UINT modifiers, UINT vk) override { inner_->UngrabHotKey(modifiers, vk); }
    bool CursorPosition(POINT& out) override { return inner_->CursorPosition(out); }
    bool TrayIconAdded(const platform::present::TrayEntry& entry) override {
        return inner_->TrayIconAdded(entry);
    }
    void TrayIconChanged(const platform::present::TrayEntry& entry) override {
        inner_->TrayIconChanged(entry);
    }
    void TrayIconRemoved(HWND hwnd, UINT id) override { inner_->TrayIconRemoved(hwnd, id); }
    bool OnScreen() const override { return true; }

private:
    std::unique_ptr<platform::present::Backend> inner_ = platform::present::MakeHeadlessBackend();
};

TEST_F(MessageBoxes, OnAScreenTheUserAnswersTheBox) {
    platform::testing::DesktopScope desktop;
    platform::present::SetBackend(std::make_unique<SeenBackend>());
    const std::string text = "The settings file Pelmora.pmu could not be read.\r\nA line ends "
                             "with a CR or LF alone instead of CR LF.";
    struct Case {
        const char* what;
        UINT style;
        testing_desktop::DialogScript script;
        int answer;
    };
    const Case cases[] = {
        {"No clicked", MB_YESNOCANCEL, testing_desktop::DialogScript().Click(IDNO), IDNO},
        {"Enter on the default button", MB_OKCANCEL | MB_DEFBUTTON2,
         testing_desktop::DialogScript().PressEnter(), IDCANCEL},
        {"Escape in an OK box", MB_OK | MB_ICONEXCLAMATION,
         testing_desktop::DialogScript().PressEscape(), IDOK},
        {"Escape where there is Cancel", MB_RETRYCANCEL,
         testing_desktop::DialogScript().PressEscape(), IDCANCEL},
    };
    for (const Case& c : cases) {
        std::string shown_text;
        RECT text_rect{}, box{};
        testing_desktop::DialogScript script;
        script.Do([&](HWND dialog) {
            shown_text = testing_desktop::ReadDialogItem(dialog, 0xFFFF).text;
            GetWindowRect(GetDlgItem(dialog, 0xFFFF), &text_rect);
            GetWindowRect(dialog, &box);
        });
        for (const auto& step : c.script.steps())
            script.Then(step);
        testing_desktop::AnswerNextDialog("Pelmora Error", script);
        EXPECT_EQ(MessageBoxA(nullptr, text.c_str(), "Pelmora Error", c.style), c.answer) << c.what;
        EXPECT_EQ(shown_text, text) << c.what;
        // The text is laid out inside the box, on two lines at least.
        EXPECT_GE(text_rect.left, box.left) << c.what;
        EXPECT_LE(text_rect.right, box.right) << c.what;
        EXPECT_GE(text_rect.bottom - text_rect.top, 2 * 12) << c.what;
    }
    EXPECT_EQ(testing_desktop::MessageBoxesShown().size(), std::size(cases));
    // A scripted answer still comes first, without a dialog.
    testing_desktop::AnswerNextMessageBox(IDRETRY);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "Pelmora Error", MB_RETRYCANCEL), IDRETRY);
    platform::present::SetBackend(platform::present::MakeHeadlessBackend());
}

// Where an icon's opaque pixels all are in a picture, if anywhere.
std::optional<POINT> FindIconIn(const platform::gdi::Surface& picture, HICON handle) {
    auto icon = platform::user32::FindIcon(handle);
    if (!icon)
        return std::nullopt;
    for (int oy = 0; oy + icon->height <= picture.height; ++oy)
        for (int ox = 0; ox + icon->width <= picture.width; ++ox) {
            bool all = true;
            for (int y = 0; y < icon->height && all; ++y)
                for (int x = 0; x < icon->width && all; ++x) {
                    const uint32_t p = icon->pixels[size_t(y) * size_t(icon->width) + size_t(x)];
                    if (p >> 24 == 0xFF)
                        all =
                            (picture
                                 .pixels[size_t(oy + y) * size_t(picture.width) + size_t(ox + x)] &
                             0xFFFFFF) == (p & 0xFFFFFF);
                }
            if (all)
                return POINT{ox, oy};
        }
    return std::nullopt;
}

TEST_F(MessageBoxes, OnAScreenTheBoxShowsTheIconOfItsKindLeftOfTheText) {
    platform::testing::DesktopScope desktop;
    platform::present::SetBackend(std::make_unique<SeenBackend>());
    const LPCSTR stock[] = {IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK};
    struct Case {
        UINT style;
        LPCSTR icon; // null for none
    };
    const Case cases[] = {
        {MB_OK, nullptr},
        {MB_OK | MB_ICONHAND, IDI_HAND},
        {MB_YESNO | MB_ICONQUESTION, IDI_QUESTION},
        {MB_OK | MB_ICONEXCLAMATION, IDI_EXCLAMATION},
        {MB_OKCANCEL | MB_ICONASTERISK, IDI_ASTERISK},
    };
    for (const Case& c : cases) {
        std::optional<platform::gdi::Surface> picture;
        RECT text{};
        testing_desktop::DialogScript script;
        script.Do([&](HWND dialog) {
            picture = testing_desktop::ReadWindowPixels(dialog);
            GetWindowRect(GetDlgItem(dialog, 0xFFFF), &text);
            POINT corners[2] = {{text.left, text.top}, {text.right, text.bottom}};
            ScreenToClient(dialog, &corners[0]);
            ScreenToClient(dialog, &corners[1]);
            text = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
        });
        script.PressEscape();
        testing_desktop::AnswerNextDialog("Pelmora Error", script);
        MessageBoxA(nullptr, "A line.", "Pelmora Error", c.style);
        ASSERT_TRUE(picture) << c.style;
        for (LPCSTR id : stock) {
            const std::optional<POINT> at = FindIconIn(*picture, LoadIconA(nullptr, id));
            if (id != c.icon) {
                EXPECT_FALSE(at) << c.style << ": another kind's icon";
                continue;
            }
            ASSERT_TRUE(at) << c.style << ": no icon";
            const int side = GetSystemMetrics(SM_CXICON);
            EXPECT_LE(at->x + side, text.left) << c.style << ": the text is not right of the icon";
            EXPECT_LT(at->x, 20) << c.style;
            EXPECT_LT(at->y, 20) << c.style;
            // The one line of text level with the icon's middle.
            EXPECT_NEAR((text.top + text.bottom) / 2, at->y + side / 2, 1) << c.style;
            EXPECT_LE(at->y + side, picture->height - 24) << c.style << ": over the buttons";
        }
        if (!c.icon) {
            EXPECT_LT(text.left, 20) << "the text takes the icon's room";
        }
    }
    platform::present::SetBackend(platform::present::MakeHeadlessBackend());
}

} // namespace
