// The real program on an X display: a private Xvfb stands in for the user's desktop.
#include "program_dir.h"

#include "present/x11/probe.h"

#include "../platform/present/present_helpers.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csignal>
#include <thread>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using platform::present::x11::Probe;
using platform::present::x11::VirtualServer;

constexpr char kPlaced[] = "MainWindow[\r\n"
                           "\tPositionX=120\r\n"
                           "\tPositionY=80\r\n"
                           "\tWidth=240\r\n"
                           "]\r\n";

using Picture = present_test::Png;
using present_test::ReadPng;

// The pixels that differ between the screen and the snapshot, keyed (transparent) ones aside.
int Differences(const platform::gdi::Surface& screen, const Picture& png) {
    if (screen.width != png.width || screen.height != png.height)
        return -1;
    int differ = 0;
    for (size_t i = 0; i < screen.pixels.size(); ++i) {
        const uint8_t* p = &png.rgba[i * 4];
        if (p[3] == 0)
            continue;
        const uint32_t expected = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        differ += screen.pixels[i] != expected;
    }
    return differ;
}

class OnX : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<VirtualServer>(1024, 768);
        if (!server_->running())
            GTEST_SKIP() << "Xvfb cannot be started here";
        probe_ = std::make_unique<Probe>(server_->display());
        ASSERT_TRUE(probe_->connected());
    }
    std::unique_ptr<VirtualServer> server_;
    std::unique_ptr<Probe> probe_;
};

TEST(NoDisplay, ADisplayWithoutAServerIsNamedAndNothingIsWritten) {
    // A display number no server has.
    const std::string unused = ":" + std::to_string(60000 + getpid() % 5000);
    e2e::ProgramDir dir;
    e2e::RunningProgram program(dir, {"DISPLAY=" + unused});
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 1);
    const std::string errors = program.Errors();
    EXPECT_NE(errors.find("\"" + unused + "\""), std::string::npos) << errors;
    EXPECT_NE(errors.find("PELMORA_PLATFORM_HEADLESS=1"), std::string::npos) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_FALSE(fs::exists(dir.settings()));
}

TEST_F(OnX, TheWindowIsWhereItWasSavedAndShowsTheSnapshotsPixels) {
    e2e::ProgramDir dir;
    dir.WriteFile("Pelmora.pmu", kPlaced);
    const fs::path snapshots = dir.path() / "snapshots";
    e2e::RunningProgram program(
        dir, {"DISPLAY=" + server_->display(), "PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string()});
    std::optional<RECT> at;
    ASSERT_TRUE(e2e::WaitFor([&] { return (at = probe_->WindowRect("Pelmora")).has_value(); }, 10s))
        << program.Errors();
    EXPECT_EQ(at->left, 120);
    EXPECT_EQ(at->top, 80);
    EXPECT_EQ(at->right - at->left, 240);
    // The rows change every second: a screen read and the snapshot of the same moment agree.
    int differences = -2;
    ASSERT_TRUE(e2e::WaitFor(
        [&] {
            const Picture before = ReadPng((snapshots / "Pelmora.png").string());
            auto screen = probe_->ReadScreen(*at);
            const Picture after = ReadPng((snapshots / "Pelmora.png").string());
            if (!screen || before.rgba != after.rgba)
                return false;
            differences = Differences(*screen, after);
            return differences == 0;
        },
        10s))
        << differences << " pixels differ\n"
        << program.Errors();
    // The screen around the window, written to x11-screen.png in the test folder for looking at.
    RECT around{at->left - 20, at->top - 20, at->right + 20, at->bottom + 20};
    if (auto screen = probe_->ReadScreen(around))
        present_test::WritePng(*screen, "x11-screen.png");

    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
    const std::string settings = dir.ReadFile("Pelmora.pmu");
    EXPECT_NE(settings.find("\tPositionX=120\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("\tPositionY=80\r\n"), std::string::npos) << settings;
}

TEST_F(OnX, TheServerGoingAwayEndsTheSessionWithTheSettingsSaved) {
    e2e::ProgramDir dir;
    dir.WriteFile("Pelmora.pmu", kPlaced);
    e2e::RunningProgram program(dir, {"DISPLAY=" + server_->display()});
    ASSERT_TRUE(e2e::WaitFor([&] { return probe_->WindowRect("Pelmora").has_value(); }, 10s))
        << program.Errors();
    probe_.reset();
    server_->Kill();
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
    // Complete: every category closed, the position kept.
    const std::string settings = dir.ReadFile("Pelmora.pmu");
    EXPECT_NE(settings.find("\tPositionX=120\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("Plug-ins[\r\n"), std::string::npos) << settings;
    EXPECT_EQ(std::count(settings.begin(), settings.end(), '['),
              std::count(settings.begin(), settings.end(), ']'))
        << settings;
    EXPECT_TRUE(settings.ends_with("]\r\n")) << settings;
}

} // namespace
