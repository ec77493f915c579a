// The program started on the test desktop with one row bound to the test plug-in, whose calls
// are recorded, and the options sheet opened by a double click on the window as a user opens it.
#pragma once

#include "program_fixture.h"

#include "resource.h"

#include <commctrl.h>

#include <string>
#include <vector>

// "Good.pmp before", "Good.pmp after", ... since the last ClearPluginEvents.
std::vector<std::string> PluginEvents();
void ClearPluginEvents();
// The next colour dialog gets this colour typed into its boxes, then OK.
void AnswerNextColorDialog(int red, int green, int blue);

class SheetTest : public ProgramTest {
protected:
    static constexpr const char* kCaption = "Pelmora Options";

    // The settings file with `mainWindow` lines (each "\tKey=value\r\n") in MainWindow, and
    // `general` lines in GraphGeneral; one row bound to the test plug-in.
    void WriteSheetSettings(const std::string& mainWindow = "", const std::string& general = "");
    // Double-clicks the main window (a click-through window: opens it as the tray icon does) and
    // plays `script` in the sheet that opens; returns when the
    // sheet has closed. False when no sheet was shown.
    bool OpenSheet(platform::testing::DialogScript script);
    // The dialog record of the last sheet.
    platform::testing::ShownDialog LastSheet();
    std::string MainWindowValue(const char* key);
};
