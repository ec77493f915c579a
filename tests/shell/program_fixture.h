// The program started in-process on the test desktop: a temporary program folder holding the
// build's resource library, an optional settings file, a manual clock, no real drives, nothing
// opened for real, and every start-up step run as the program runs them.
#pragma once

#include <windows.h>

#include "testing/desktop.h"
#include "testing/shell_area.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest();
    ~ProgramTest() override;

    // Makes folder (created when missing) the program's folder, holding the resource library
    // and an empty plug-in folder; folder_ is the first.
    void PlaceProgramIn(const std::filesystem::path& folder);
    // Writes the settings file that start-up will read.
    void WriteSettings(const std::string& text);
    std::string ReadSettings() const;
    bool SettingsExist() const;
    // Runs the start-up steps: the window is shown and its update timer runs.
    void Start();
    // The shutdown steps, once, unless the program already ran them.
    void ShutDown();

    HWND Window() const;
    std::filesystem::path folder_;
    platform::testing::DesktopScope desktop_;
    platform::testing::SimulatedDrivesScope no_drives_;
    platform::testing::ExitTrap exit_trap_;
    platform::testing::LayeredSpy layered_;
    // Nothing the program opens starts an application.
    platform::testing::ShellRequestScope shell_requests_;
};
