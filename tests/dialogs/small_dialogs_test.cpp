// The information dialog and the change-settings dialog of the graph detail page, run in the
// started program with its resource library.
#include "program_fixture.h"

#include "dialogs/change_settings_dialog.h"
#include "dialogs/graph_detail_info_dialog.h"
#include "plugin_host/data_items.h"
#include "resource.h"
#include "shell/main_window.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace platform::testing;
namespace fs = std::filesystem;

class SmallDialogsTest : public ProgramTest {
protected:
    SmallDialogsTest() { ClearDialogs(); }
    ~SmallDialogsTest() override { ClearDialogs(); }
    // The texts the information dialog shows for a data item, and how it ended.
    struct Shown {
        std::string plugin, description;
    };
    Shown RunInfo(DWORD item, bool close_box) {
        Shown shown;
        DialogScript script;
        script.Do([&](HWND dialog) {
            WritePictureIfAsked(dialog, "info_dialog_" + std::to_string(item));
            shown.plugin = ReadDialogItem(dialog, IDC_INFO_PLUGIN).text;
            shown.description = ReadDialogItem(dialog, IDC_INFO_DESCRIPTION).text;
        });
        if (close_box)
            script.CloseBox();
        else
            script.Click(IDOK);
        AnswerNextDialog("OPTION_GRAPH_DETAIL_INFO", script);
        ShowGraphDetailInfoDialog(Window(), item);
        return shown;
    }
};

TEST_F(SmallDialogsTest, TheInformationDialogNamesTheItemsPluginAndItsDescription) {
    // A plug-in library of the plug-in host's tests, under a name of its own.
    folder_.AddPlugin(fs::path(PLUGIN_LIBRARY_DIR) / "Good.pmp", "Sample.pmp");
    Start();
    const DWORD external = GetDataItemCount() - 1;
    struct Case {
        DWORD item;
        std::string plugin;
        bool close_box;
    };
    const Case cases[] = {{0, "Built-in", false}, {external, "Sample.pmp", true}};
    for (const Case& c : cases) {
        ClearDialogs();
        Shown shown = RunInfo(c.item, c.close_box);
        EXPECT_EQ(shown.plugin, c.plugin);
        EXPECT_EQ(shown.description, DataIndexToPlugin(c.item)->GetInfo()->pszDescription);
        EXPECT_FALSE(shown.description.empty());
        auto dialogs = DialogsShown();
        ASSERT_EQ(dialogs.size(), 1u);
        EXPECT_EQ(dialogs[0].owner, Window());
        EXPECT_EQ(dialogs[0].result, IDOK) << "the close box ends it like OK";
        EXPECT_TRUE(dialogs[0].errors.empty());
    }
}

TEST_F(SmallDialogsTest, TheChangeSettingsDialogReturnsTheBoxesCheckedOnlyOnOk) {
    Start();
    struct Case {
        std::vector<int> checked;
        int end; // IDOK, IDCANCEL or 0 for the close box
        DWORD flags;
    };
    const Case cases[] = {
        {{}, IDOK, 0},
        {{IDC_CHANGE_GRAPH1_DRAWN, IDC_CHANGE_TEXT_COLOR}, IDOK, 0x21},
        {{IDC_CHANGE_GRAPH1_TYPE}, IDOK, CHANGE_GRAPH1_TYPE},
        {{5, 6, 7, 8, 9, 10}, IDOK, 0x3F},
        {{IDC_CHANGE_GRAPH1_DRAWN, IDC_CHANGE_TEXT_COLOR}, IDCANCEL, 0},
        {{IDC_CHANGE_GRAPH1_DRAWN, IDC_CHANGE_TEXT_COLOR}, 0, 0},
    };
    for (const Case& c : cases) {
        ClearDialogs();
        DialogScript script;
        script.Do([](HWND dialog) {
            WritePictureIfAsked(dialog, "change_settings_dialog");
            for (int id = IDC_CHANGE_GRAPH1_DRAWN; id <= IDC_CHANGE_TEXT_COLOR; ++id)
                EXPECT_EQ(ReadDialogItem(dialog, id).check, UINT(BST_UNCHECKED));
        });
        for (int id : c.checked)
            script.Click(id);
        if (c.end)
            script.Click(c.end);
        else
            script.CloseBox();
        AnswerNextDialog("OPTION_GRAPH_DETAIL_CHANGE_SETTINGS", script);
        DWORD flags = 0;
        ShowChangeSettingsDialog(Window(), &flags);
        EXPECT_EQ(flags, c.flags) << "end " << c.end << ", " << c.checked.size() << " checked";
        auto dialogs = DialogsShown();
        ASSERT_EQ(dialogs.size(), 1u);
        EXPECT_TRUE(dialogs[0].errors.empty());
    }
}

} // namespace
