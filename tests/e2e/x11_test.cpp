// The real program on an X display: a private Xvfb stands in for the user's desktop.
#include "program_dir.h"

#include "present/x11/probe.h"

#include "../platform/present/present_helpers.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csignal>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using platform::present::x11::Probe;
using platform::present::x11::TrayHost;
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

// A part of the screen written to a PNG for a person to look at (where PictureFile puts it).
void SaveForLooking(Probe& probe, RECT area, const char* file) {
    std::optional<platform::gdi::Surface> screen = probe.ReadScreen(area);
    if (!screen)
        return;
    std::vector<uint8_t> rgba;
    for (uint32_t p : screen->pixels)
        rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(screen->width);
    image.height = png_uint_32(screen->height);
    image.format = PNG_FORMAT_RGBA;
    const platform::testing::PictureFile picture(file);
    png_image_write_to_file(&image, picture.path().c_str(), 0, rgba.data(), 0, nullptr);
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
    dir.WriteSettings(kPlaced);
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
    // The screen around the window, written to x11-screen.png for looking at.
    SaveForLooking(*probe_, RECT{at->left - 20, at->top - 20, at->right + 20, at->bottom + 20},
                   "x11-screen.png");

    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
    const std::string settings = dir.ReadSettings();
    EXPECT_NE(settings.find("\tPositionX=120\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("\tPositionY=80\r\n"), std::string::npos) << settings;
}

TEST_F(OnX, TheServerGoingAwayEndsTheSessionWithTheSettingsSaved) {
    e2e::ProgramDir dir;
    dir.WriteSettings(kPlaced);
    e2e::RunningProgram program(dir, {"DISPLAY=" + server_->display()});
    ASSERT_TRUE(e2e::WaitFor([&] { return probe_->WindowRect("Pelmora").has_value(); }, 10s))
        << program.Errors();
    probe_.reset();
    server_->Kill();
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
    // Complete: every category closed, the position kept.
    const std::string settings = dir.ReadSettings();
    EXPECT_NE(settings.find("\tPositionX=120\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("Plug-ins[\r\n"), std::string::npos) << settings;
    EXPECT_EQ(std::count(settings.begin(), settings.end(), '['),
              std::count(settings.begin(), settings.end(), ']'))
        << settings;
    EXPECT_TRUE(settings.ends_with("]\r\n")) << settings;
}

constexpr char kWithTrayIcon[] = "MainWindow[\r\n"
                                 "\tPositionX=120\r\n"
                                 "\tPositionY=80\r\n"
                                 "\tWidth=240\r\n"
                                 "\tTrayIcon=1\r\n"
                                 "]\r\n";
constexpr COLORREF kTrayColour = RGB(0x30, 0x50, 0x70);
constexpr RECT kTrayArea{824, 0, 1024, 24};

TrayHost::Options TrayOptions() {
    TrayHost::Options options;
    options.area = kTrayArea;
    options.background = kTrayColour;
    options.icon_side = 24;
    return options;
}

// The one icon of the tray, once it is docked and shown.
std::optional<TrayHost::Icon> Docked(TrayHost& tray) {
    std::optional<TrayHost::Icon> found;
    e2e::WaitFor(
        [&] {
            auto icons = tray.Icons();
            if (icons.size() == 1 && icons[0].mapped)
                found = icons[0];
            return found.has_value();
        },
        10s);
    return found;
}

TEST_F(OnX, TheTrayIconDocksAndADoubleClickOnItOpensTheOptions) {
    TrayHost tray(server_->display(), TrayOptions());
    ASSERT_TRUE(tray.running());
    e2e::ProgramDir dir;
    dir.WriteFile("Pelmora.pmu", kWithTrayIcon);
    e2e::RunningProgram program(dir, {"DISPLAY=" + server_->display()});
    std::optional<TrayHost::Icon> icon = Docked(tray);
    ASSERT_TRUE(icon) << program.Errors();
    EXPECT_EQ(icon->name, "Pelmora");
    // The program's icon is drawn over the tray: much of the square is not the tray's colour.
    const uint32_t background = 0x305070u;
    int drawn = 0;
    ASSERT_TRUE(e2e::WaitFor(
        [&] {
            auto screen = probe_->ReadScreen(icon->area);
            drawn = screen ? int(std::count_if(screen->pixels.begin(), screen->pixels.end(),
                                               [&](uint32_t p) { return p != background; }))
                           : 0;
            return drawn > 24 * 24 / 4;
        },
        10s))
        << drawn << " pixels drawn\n"
        << program.Errors();
    SaveForLooking(*probe_, kTrayArea, "x11-tray.png");

    probe_->MoveTo(POINT{icon->area.left + 12, icon->area.top + 12});
    probe_->Button(1, true);
    probe_->Button(1, false);
    probe_->Button(1, true);
    probe_->Button(1, false);
    ASSERT_TRUE(
        e2e::WaitFor([&] { return probe_->WindowRect("Pelmora Options").has_value(); }, 10s))
        << program.Errors();
    probe_->Close("Pelmora Options");
    ASSERT_TRUE(
        e2e::WaitFor([&] { return !probe_->WindowRect("Pelmora Options").has_value(); }, 10s))
        << program.Errors();

    // At the end the icon leaves the tray.
    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
    EXPECT_TRUE(e2e::WaitFor([&] { return tray.Icons().empty(); }, 10s));
}

TEST_F(OnX, WithoutATrayTheProgramRunsAndATrayThatStartsLaterGetsTheIcon) {
    e2e::ProgramDir dir;
    dir.WriteFile("Pelmora.pmu", kWithTrayIcon);
    e2e::RunningProgram program(dir, {"DISPLAY=" + server_->display()});
    ASSERT_TRUE(e2e::WaitFor([&] { return probe_->WindowRect("Pelmora").has_value(); }, 10s))
        << program.Errors();
    TrayHost tray(server_->display(), TrayOptions());
    ASSERT_TRUE(tray.running());
    EXPECT_TRUE(Docked(tray)) << program.Errors();
    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 0) << program.Errors();
}

} // namespace
