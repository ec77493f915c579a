// What the plug-in host's tests share: a program folder made for one case, the record of the
// test plug-ins' calls, and a plug-in host as a fresh process finds it.
#pragma once

#include <windows.h>

#include "plugin_host/plugin_list.h"
#include "settings/drive_profile.h"
#include "testing/desktop.h"
#include "testing/program_folder.h"

#include <memory>
#include <string>
#include <vector>

// A library of tests/plugin_host/plugins under a file name of the case's choosing; an empty
// variant is a file that is not a library.
struct PluginFile {
    std::string variant;
    std::string name;
};

// Thrown in place of the process end while a PluginHostState lives: FatalExit has shown its
// text and run the shutdown steps.
using FatalExitCalled = platform::testing::FatalExitCalled;

// The calls of the test plug-ins, "<file name> <event>", and the FatalExit calls,
// "FatalExit <text>", in order.
std::vector<std::string>& PluginEvents();

// A temporary program folder (ProgramFolder) whose "pelmora" is the program's file while it
// lives, and whose plug-in folder holds copies of the given libraries (each copy its own file,
// so each is a library of its own to the loader). The program's directory is read again at
// either end.
class TestProgramFolder {
public:
    // With plugins null, no plug-in folder at all. extraLength makes the program folder that
    // many characters longer, through a nested folder.
    explicit TestProgramFolder(const std::vector<PluginFile>* plugins, size_t extraLength = 0);
    ~TestProgramFolder();
    TestProgramFolder(const TestProgramFolder&) = delete;
    TestProgramFolder& operator=(const TestProgramFolder&) = delete;

    // The program folder as GetApplicationDirectory gives it: Windows form, trailing backslash.
    std::string WindowsDirectory() const { return folder_.WindowsPath(); }

private:
    platform::testing::ProgramFolder folder_;
};

// The program's globals as a new process has them (ResetProgramState), then the build's resource
// library and an empty settings store: the plug-in host as it is before it loads plug-ins. The
// event record is cleared.
class PluginHostState {
public:
    PluginHostState();
    ~PluginHostState();
    PluginHostState(const PluginHostState&) = delete;
    PluginHostState& operator=(const PluginHostState&) = delete;

    // LoadPlugins; true when it ended the program (FatalExit), with its text in fatalText.
    bool Load();
    std::string fatalText;

private:
    // The built-in drive-temperature source looks for drives; these tests give it none, so no
    // real disk is ever opened.
    platform::testing::SimulatedDrivesScope no_drives_;
    // The resource library comes back for the next case: FatalExit's last step frees it.
    platform::testing::FatalExitTrap fatal_exit_;
    std::unique_ptr<CDriveProfile> profile_;
};

// The slots of the library sources (after the built-in ones) and their data items.
DWORD FirstLibrarySlot();
DWORD LibraryDataItems();
DWORD FirstLibraryDataItem();
std::vector<std::string> LibraryIdentifiers();
