#include "program_fixture.h"

#include "shell/environment.h"
#include "shell/main_window.h"
#include "shell/program.h"

#include <gtest/gtest.h>

#include "host/codepage.h"
#include "host/paths.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

class FatalExitTest : public ProgramTest {};

TEST_F(FatalExitTest, ResourceStringsShareOneBuffer) {
    InitializeApplication();
    LPSTR first = LoadResourceString(16);
    std::string caption = first;
    LPSTR second = LoadResourceString(18);
    EXPECT_EQ(first, second);
    EXPECT_FALSE(caption.empty());
    EXPECT_NE(std::string(second), caption);
    EXPECT_STREQ(GetFatalCaption(), caption.c_str());
}

// A fatal error in start-up shows its text under the fatal caption, runs the shutdown steps (the
// settings that were read are written back) and ends the process.
TEST_F(FatalExitTest, ShowsItsTextRunsTheShutdownStepsAndEnds) {
    // A row bound to a source that does not exist is fatal, at step 10.
    WriteSettings("MainWindow[\r\n\tOpacity=200\r\n]\r\nGraphDetail[\r\n\tNumberOfGraphs=1\r\n"
                  "\tGraph0=Internal:Nothing|0\r\n]\r\n");
    platform::testing::ClearMessageBoxes();
    try {
        Start();
        ADD_FAILURE() << "start-up went on";
    } catch (const platform::testing::ProcessExited& exit) {
        EXPECT_NE(exit.code, 0u);
    }
    auto boxes = platform::testing::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, std::string(GetFatalCaption()));
    EXPECT_FALSE(boxes[0].caption.empty());
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].style, UINT(MB_ICONEXCLAMATION));
    EXPECT_TRUE(IsShutDown());
    EXPECT_EQ(GetResourceLibrary(), nullptr);
    std::string settings = ReadSettings();
    EXPECT_NE(settings.find("\tOpacity=200\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("GraphDetail[\r\n"), std::string::npos) << settings;
}

// Without the resource library the program says so, with the system's reason, and ends before
// anything else is set up: no window, no shutdown step.
TEST_F(FatalExitTest, AMissingResourceLibraryIsReportedWithTheSystemsReason) {
    std::filesystem::remove(folder_ / "PelmoraResources.dll");
    EXPECT_THROW(Start(), platform::testing::ProcessExited);
    CHAR reason[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_MOD_NOT_FOUND, 0x400, reason, 255,
                   nullptr);
    auto boxes = platform::testing::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, std::string("Couldn't load 'PelmoraResources.dll'.\r\n") + reason);
    EXPECT_EQ(boxes[0].caption, "Pelmora Initialize Error");
    EXPECT_EQ(boxes[0].style, UINT(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(GetMainWindow(), nullptr);
    EXPECT_FALSE(IsShutDown());
    EXPECT_FALSE(SettingsExist());
}

// A program path too long for MAX_PATH comes back cut, and its folder would be a parent's: the
// program says so and ends without reading or writing that parent's settings file.
TEST_F(FatalExitTest, AProgramPathTooLongToBeGivenWholeEndsTheStartBeforeAnyFileIsRead) {
    namespace fs = std::filesystem;
    const fs::path parent = folder_ / std::string(80, 'a') / std::string(80, 'b');
    const fs::path deep = parent / std::string(80, 'c');
    PlaceProgramIn(deep);
    const std::string parents = "MainWindow[\r\n\tOpacity=9\r\n]\r\n";
    std::ofstream(parent / "Pelmora.pmu", std::ios::binary) << parents;
    ASSERT_GT(platform::host::LinuxToWindowsPath((deep / "pelmora").string()).size(), 259u);

    EXPECT_THROW(Start(), platform::testing::ProcessExited);
    auto boxes = platform::testing::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("longer than 259 characters"), std::string::npos) << boxes[0].text;
    EXPECT_EQ(boxes[0].caption, std::string(GetFatalCaption()));
    EXPECT_STREQ(GetApplicationDirectory(), "");
    std::ifstream in(parent / "Pelmora.pmu", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), parents);
    EXPECT_FALSE(fs::exists(deep / "Pelmora.pmu"));
    EXPECT_FALSE(SettingsExist());
}

// A folder whose name the code page cannot spell: the user is told which folder and which
// setting would work, and the program ends before it reads or writes a file there.
TEST_F(FatalExitTest, AFolderTheCodePageCannotSpellIsNamedAtStartAndNothingIsTouched) {
    namespace fs = std::filesystem;
    const fs::path folder = folder_ / "\xC3\x84"; // "Ä", which code page 932 has not
    PlaceProgramIn(folder);
    const std::string settings = "MainWindow[\r\n\tOpacity=9\r\n]\r\n";
    std::ofstream(folder / "Pelmora.pmu", std::ios::binary) << settings;
    platform::host::SetAnsiCodePage(932);

    ::testing::internal::CaptureStderr();
    EXPECT_THROW(Start(), platform::testing::ProcessExited);
    const std::string said = ::testing::internal::GetCapturedStderr();
    platform::host::SetAnsiCodePage(0);
    EXPECT_NE(said.find(folder.string() + "/"), std::string::npos) << said;
    EXPECT_NE(said.find("PELMORA_PLATFORM_CODEPAGE=65001"), std::string::npos) << said;
    EXPECT_FALSE(IsShutDown());
    std::ifstream in(folder / "Pelmora.pmu", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), settings);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);

    // With the code page that spells every name, the same folder works.
    platform::host::SetAnsiCodePage(65001);
    CHAR path[MAX_PATH];
    EXPECT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    EXPECT_NE(std::string(path).find("\\\xC3\x84\\pelmora"), std::string::npos) << path;
    platform::host::SetAnsiCodePage(0);
}

TEST_F(FatalExitTest, ASettingsFileThatCannotBeParsedIsNotWrittenBack) {
    const std::string broken = "MainWindow[\r\n\tOpacity=200\r\n";
    WriteSettings(broken);
    EXPECT_THROW(Start(), platform::testing::ProcessExited);
    auto boxes = platform::testing::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(ReadSettings(), broken);
    EXPECT_TRUE(IsShutDown());
}

} // namespace
