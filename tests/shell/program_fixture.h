// The program started in-process on the test desktop: a temporary program folder holding the
// build's resource library and an empty plug-in folder, an optional settings file, a manual
// clock, no real drives, nothing opened for real, and every start-up step run as the program
// runs them.
#pragma once

#include <windows.h>

#include "testing/desktop.h"
#include "testing/program_folder.h"
#include "testing/shell_area.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest();
    ~ProgramTest() override;

    // Makes folder (created when missing) the program's folder, laid out as folder_ is. The
    // settings file below is still folder_'s.
    void PlaceProgramIn(const std::filesystem::path& folder);
    // The settings file that start-up reads and shutdown writes.
    void WriteSettings(const std::string& text) { folder_.WriteSettings(text); }
    std::string ReadSettings() const { return folder_.ReadSettings(); }
    bool SettingsExist() const { return folder_.SettingsExist(); }
    // Runs the start-up steps: the window is shown and its update timer runs.
    void Start();
    // The shutdown steps, once, unless the program already ran them.
    void ShutDown();

    HWND Window() const;
    // The first program folder: this process is the program in it.
    const platform::testing::ProgramFolder folder_{"pelmora-program", {.in_process = true}};
    platform::testing::DesktopScope desktop_;
    platform::testing::SimulatedDrivesScope no_drives_;
    platform::testing::ExitTrap exit_trap_;
    platform::testing::LayeredSpy layered_;
    // Nothing the program opens starts an application.
    platform::testing::ShellRequestScope shell_requests_;
};
