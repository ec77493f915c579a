#include "program_fixture.h"

#include "dialogs/about.h"
#include "dialogs/options_sheet.h"
#include "resource.h"
#include "settings/literals.h"
#include "shell/main_window.h"
#include "shell/program.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using namespace platform::testing;

class AboutDialog : public ProgramTest {
protected:
    void SetUp() override {
        WriteSettings("MainWindow[\r\n\tFade=0\r\n]\r\n");
        Start();
        RunUntilIdle();
    }
    void RunFromTheMenu() {
        SendMessageA(Window(), WM_COMMAND, IDM_ABOUT, 0);
        RunUntilIdle();
    }
};

TEST_F(AboutDialog, ShowsTheVersionLineAndTheProgramsIcon) {
    std::string version;
    HICON icon = nullptr;
    bool flag = false;
    bool owner_enabled = true;
    AnswerNextDialog(Literals::AboutTemplate, DialogScript().Do([&](HWND dialog) {
        version = ReadDialogItem(dialog, IDC_ABOUT_VERSION).text;
        icon = HICON(SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0));
        flag = bDialogShown;
        owner_enabled = IsWindowEnabled(GetMainWindow()) != FALSE;
        EXPECT_EQ(hAboutDlg, dialog);
    }));
    RunFromTheMenu();
    // The version text of the program carries the blank its empty suffix leaves.
    EXPECT_EQ(version, "Pelmora Version 2.6.0.0  (x64)");
    EXPECT_NE(icon, nullptr);
    EXPECT_TRUE(flag);
    EXPECT_FALSE(owner_enabled);
    EXPECT_FALSE(bDialogShown);
    auto dialogs = DialogsShown();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].template_name, std::optional<std::string>("ABOUT"));
    EXPECT_EQ(dialogs[0].owner, Window());
    EXPECT_TRUE(dialogs[0].modal);
    EXPECT_TRUE(IsWindowEnabled(Window()));
}

// The About box of a window in the bottom-right corner of a 1280 x 800 screen opens wholly on
// the work area above the task bar, not at the window's own corner.
TEST_F(AboutDialog, OpensWithinTheWorkAreaWhenTheWindowIsInTheCorner) {
    MonitorScope monitors({platform::user32::MonitorLayout{{0, 0, 1280, 800}, {0, 0, 1280, 760}}});
    RECT window{};
    GetWindowRect(Window(), &window);
    SetWindowPos(Window(), nullptr, 1280 - (window.right - window.left),
                 800 - (window.bottom - window.top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT about{};
    AnswerNextDialog(Literals::AboutTemplate,
                     DialogScript().Do([&](HWND dialog) { GetWindowRect(dialog, &about); }));
    RunFromTheMenu();
    EXPECT_GT(about.right - about.left, 200);
    EXPECT_GE(about.left, 0);
    EXPECT_GE(about.top, 0);
    EXPECT_LE(about.right, 1280);
    EXPECT_LE(about.bottom, 760);
}

// The web and mail buttons each make one request with the address of the literal table, owned
// by the dialog, and leave it open; OK and the close box end it alike.
TEST_F(AboutDialog, TheWebAndMailButtonsOpenTheirAddressesAndLeaveItOpen) {
    struct Case {
        const char* name;
        std::function<DialogScript&(DialogScript&)> close;
    } cases[] = {
        {"OK", [](DialogScript& s) -> DialogScript& { return s.Click(IDOK); }},
        {"close box", [](DialogScript& s) -> DialogScript& { return s.CloseBox(); }},
    };
    for (const Case& c : cases) {
        ClearDialogs();
        shell_requests_.Clear();
        HWND dialog_window = nullptr;
        size_t after_web = 0;
        bool open_after_web = false;
        bool open_after_mail = false;
        DialogScript script;
        script.Do([&](HWND dialog) { dialog_window = dialog; })
            .Click(IDC_ABOUT_WEBSITE)
            .Do([&](HWND dialog) {
                after_web = shell_requests_.Requests().size();
                open_after_web = IsWindowVisible(dialog) != FALSE;
            })
            .Click(IDC_ABOUT_MAIL)
            .Do([&](HWND dialog) { open_after_mail = IsWindowVisible(dialog) != FALSE; });
        c.close(script);
        AnswerNextDialog("ABOUT", script);
        RunFromTheMenu();

        EXPECT_EQ(after_web, 1u) << c.name;
        EXPECT_TRUE(open_after_web) << c.name;
        EXPECT_TRUE(open_after_mail) << c.name;
        auto requests = shell_requests_.Requests();
        ASSERT_EQ(requests.size(), 2u) << c.name;
        EXPECT_EQ(requests[0].file, Literals::AuthorWebPage) << c.name;
        EXPECT_EQ(requests[1].file, Literals::AuthorMailAddress) << c.name;
        for (const auto& request : requests) {
            EXPECT_EQ(request.owner, dialog_window) << c.name;
            EXPECT_EQ(request.verb, "") << c.name;
            EXPECT_EQ(request.show, SW_SHOW) << c.name;
            EXPECT_GT(request.result, 32) << c.name;
        }
        auto dialogs = DialogsShown();
        ASSERT_EQ(dialogs.size(), 1u) << c.name;
        EXPECT_TRUE(dialogs[0].errors.empty()) << c.name;
        EXPECT_EQ(dialogs[0].result, INT_PTR(IDOK)) << c.name;
        EXPECT_FALSE(bDialogShown) << c.name;
    }
}

// Only a click acts, and a click of anything but the three buttons does nothing: the Cancel
// command (Escape) names the version line, which is no button.
TEST_F(AboutDialog, OnlyButtonClicksAct) {
    HWND dialog = CreateDialogParamA(GetResourceLibrary(), "ABOUT", Window(), AboutDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(hAboutDlg, dialog);
    struct Case {
        WORD id;
        WORD code;
        INT_PTR result;
    } cases[] = {
        {IDC_ABOUT_WEBSITE, BN_SETFOCUS, 0},
        {IDOK, BN_KILLFOCUS, 0},
        {IDCANCEL, BN_CLICKED, 1},
        {77, BN_CLICKED, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AboutDialogCommand(c.id, c.code, nullptr), c.result) << c.id << " " << c.code;
    EXPECT_TRUE(shell_requests_.Requests().empty());
    EXPECT_TRUE(IsWindow(dialog));
    DestroyWindow(dialog);

    bool open_after_escape = false;
    AnswerNextDialog("ABOUT", DialogScript()
                                  .PressEscape()
                                  .Do([&](HWND d) { open_after_escape = IsWindowVisible(d); })
                                  .CloseBox());
    RunFromTheMenu();
    EXPECT_TRUE(open_after_escape);
    ASSERT_FALSE(DialogsShown().empty());
    EXPECT_TRUE(DialogsShown().back().modal);
    EXPECT_EQ(DialogsShown().back().result, INT_PTR(IDOK));
}

} // namespace
