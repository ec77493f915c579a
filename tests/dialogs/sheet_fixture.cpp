#include "sheet_fixture.h"

#include "comdlg32/color_dialog.h"
#include "dialogs/options_sheet.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "shell/main_window.h"

#include <filesystem>
#include <mutex>

namespace {

std::mutex events_lock;
std::vector<std::string> events;

} // namespace

extern "C" void TestPluginRecord(LPCSTR event) {
    std::lock_guard lock(events_lock);
    events.push_back(event);
}

std::vector<std::string> PluginEvents() {
    std::lock_guard lock(events_lock);
    return events;
}

void ClearPluginEvents() {
    std::lock_guard lock(events_lock);
    events.clear();
}

void AnswerNextColorDialog(int red, int green, int blue) {
    namespace cd = platform::comdlg32;
    platform::testing::AnswerNextDialog(cd::kColorDialogCaption,
                                        platform::testing::DialogScript()
                                            .SetText(cd::kRedEdit, std::to_string(red))
                                            .SetText(cd::kGreenEdit, std::to_string(green))
                                            .SetText(cd::kBlueEdit, std::to_string(blue))
                                            .Click(IDOK));
}

void SheetTest::WriteSheetSettings(const std::string& mainWindow, const std::string& general) {
    ClearPluginEvents();
    folder_.AddPlugin(std::filesystem::path(PLUGIN_LIBRARY_DIR) / "Good.pmp", "Good.pmp");
    WriteSettings("MainWindow[\r\n" + mainWindow + "]\r\nGraphGeneral[\r\n" + general +
                  "]\r\nGraphDetail[\r\n\tNumberOfGraphs=1\r\n\tGraph0=Good.pmp|0\r\n]\r\n");
}

bool SheetTest::OpenSheet(platform::testing::DialogScript script) {
    size_t before = platform::testing::DialogsShown().size();
    platform::testing::AnswerNextDialog(kCaption, std::move(script));
    if (GetWindowLongPtrA(Window(), GWL_EXSTYLE) & WS_EX_TRANSPARENT) {
        // Clicks pass through the window: the sheet opens as the tray icon opens it.
        RunOptionsCommand();
    } else {
        RECT r;
        GetWindowRect(Window(), &r);
        platform::testing::DoubleClick(POINT{r.left + 5, r.top + 5});
        platform::testing::RunUntilIdle();
    }
    return platform::testing::DialogsShown().size() > before;
}

platform::testing::ShownDialog SheetTest::LastSheet() {
    platform::testing::ShownDialog last;
    for (auto& d : platform::testing::DialogsShown())
        if (d.caption == kCaption)
            last = d;
    return last;
}

std::string SheetTest::MainWindowValue(const char* key) {
    LPCSTR value = pMainWindowCategory->GetString(key);
    return value ? value : "";
}
