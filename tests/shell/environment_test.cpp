#include "shell/environment.h"
#include "shell/program.h"
#include "shell/version.h"

#include "kernel32/modules.h"
#include "kernel32/process.h"
#include "testing/desktop.h"

#include "pelmora_version.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Version, TextOfTheProgramsVersion) {
    struct Case {
        VersionNumber version;
        const char* suffix;
        const char* text;
    } cases[] = {
        {{2, 6, 0, 0}, "", "2.6.0.0 "},
        {{2, 6, 3, -1}, "beta", "2.6.3 beta"},
        {{1, 0, -1, 7}, "", "1.0 "}, // no build, so no revision either
    };
    for (const Case& c : cases) {
        VersionEx version;
        version.Initialize(c.version, c.suffix);
        EXPECT_STREQ(version.GetText(), c.text);
    }
}

// The version resources take the text, the program's version object the numbers: both of one
// header, and they agree.
TEST(Version, TheVersionResourcesTextIsTheProgramsVersion) {
    VersionEx version;
    version.Initialize(VersionNumber{PELMORA_VERSION_MAJOR, PELMORA_VERSION_MINOR,
                                     PELMORA_VERSION_BUILD, PELMORA_VERSION_REVISION},
                       "");
    EXPECT_EQ(std::string(version.GetText()), std::string(PELMORA_VERSION_TEXT) + " ");
}

TEST(Environment, ApplicationDirectoryIsTheProgramsFolderWithABackslash) {
    platform::SetProgramPath("/opt/status display/pelmora");
    CHAR buffer[MAX_PATH];
    ASSERT_EQ(GetExecutableDirectory(buffer), buffer);
    EXPECT_STREQ(buffer, "C:\\opt\\status display\\");
    EXPECT_EQ(GetExecutableDirectory(nullptr), nullptr);
    platform::SetProgramPath({});
}

TEST(Environment, WindowsVersionTest) {
    struct Case {
        DWORD major, minor;
        BOOL xp_or_later;
    } cases[] = {{5, 0, FALSE}, {5, 1, TRUE},  {5, 2, TRUE},
                 {6, 0, TRUE},  {10, 0, TRUE}, {4, 9, FALSE}};
    for (const Case& c : cases) {
        platform::SetReportedVersion({c.major, c.minor, 0});
        EXPECT_EQ(IsWindowsXPOrLater(), c.xp_or_later) << c.major << "." << c.minor;
    }
    platform::SetReportedVersion({10, 0, 19045});
}

TEST(Environment, MonitorExtremes) {
    EnumerateMonitors();
    EXPECT_EQ(Environment::Monitor::nMonitors, 1);
    EXPECT_EQ(GetMonitorsMaxRight(), 1920);
    EXPECT_EQ(GetMonitorsMaxBottom(), 1080);
    EXPECT_EQ(GetMonitorsMinLeft(), 0);
    EXPECT_EQ(GetMonitorsMinTop(), 0);

    platform::testing::MonitorScope layout(
        {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}, {{-1280, 56, 0, 1080}, {-1280, 56, 0, 1080}}});
    EnumerateMonitors();
    EXPECT_EQ(Environment::Monitor::nMonitors, 2);
    EXPECT_EQ(GetMonitorsMaxRight(), 1920);
    EXPECT_EQ(GetMonitorsMaxBottom(), 1080);
    EXPECT_EQ(GetMonitorsMinLeft(), -1280);
    EXPECT_EQ(GetMonitorsMinTop(), 0);
    EXPECT_EQ(Environment::Monitor::rcWorkAreas[0].bottom, 1040);
}

TEST(Environment, MoreThanSixteenMonitorsFillTheTableAndNoMore) {
    std::vector<platform::user32::MonitorLayout> monitors;
    for (int i = 0; i < 20; ++i) {
        RECT r{i * 100, 0, i * 100 + 100, 100};
        monitors.push_back({r, r});
    }
    platform::testing::MonitorScope layout(monitors);
    EnumerateMonitors();
    EXPECT_EQ(Environment::Monitor::nMonitors, MONITOR_TABLE_SIZE);
    EXPECT_EQ(GetMonitorsMaxRight(), 1600);
}

} // namespace
