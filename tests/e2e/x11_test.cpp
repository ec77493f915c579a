// The real program on an X display: a private Xvfb stands in for the user's desktop.
#include "program_dir.h"

#include "present/x11/probe.h"

#include "../platform/present/present_helpers.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <set>
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
    if (std::optional<platform::gdi::Surface> screen = probe.ReadScreen(area))
        present_test::WritePng(*screen, file);
}

// Runs the program to its end with SIGTERM and gives the settings file it wrote.
std::string StopAndReadSettings(e2e::RunningProgram& program, const e2e::ProgramDir& dir) {
    program.Signal(SIGTERM);
    std::optional<int> status = program.Wait(10s);
    EXPECT_TRUE(status.has_value());
    EXPECT_EQ(status.value_or(-1), 0) << program.Errors();
    return dir.ReadSettings();
}

class OnX : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<VirtualServer>(1024, 768);
        if (!server_->running()) {
            ASSERT_FALSE(present_test::XServerRequired()) << present_test::kNoXServer;
            GTEST_SKIP() << "Xvfb cannot be started here";
        }
        probe_ = std::make_unique<Probe>(server_->display());
        ASSERT_TRUE(probe_->connected());
    }
    std::unique_ptr<VirtualServer> server_;
    std::unique_ptr<Probe> probe_;
};

// A display number no server has.
std::string UnusedDisplay() {
    return ":" + std::to_string(60000 + getpid() % 5000);
}

// The X11 back end's module and the libraries it brings, among the files a process has mapped.
std::set<std::string> MappedXLibraries(pid_t pid) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::set<std::string> found;
    std::string line;
    while (std::getline(maps, line)) {
        const size_t slash = line.find('/');
        if (slash == std::string::npos)
            continue;
        const std::string name = fs::path(line.substr(slash)).filename().string();
        if (name == "libpelmora-x11.so" || name.starts_with("libX") || name.starts_with("libxcb") ||
            name.starts_with("libbsd.") || name.starts_with("libmd."))
            found.insert(name);
    }
    return found;
}

TEST(Headless, TheProgramMapsNoXLibrary) {
    const struct {
        const char* what;
        std::vector<std::string> environment;
    } cases[] = {
        {"no display", {}},
        {"a display, headless asked",
         {"DISPLAY=" + UnusedDisplay(), "PELMORA_PLATFORM_HEADLESS=1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        e2e::ProgramDir dir;
        const fs::path snapshots = dir.path() / "snapshots";
        std::vector<std::string> environment = c.environment;
        environment.push_back("PELMORA_PLATFORM_SNAPSHOT=" + snapshots.string());
        e2e::RunningProgram program(dir, environment);
        // Started through: the window drawn, the plug-ins loaded.
        ASSERT_TRUE(e2e::WaitFor([&] { return fs::exists(snapshots / "Pelmora.png"); }, 30s))
            << program.Errors();
        EXPECT_EQ(MappedXLibraries(program.pid()), std::set<std::string>{});
        program.Signal(SIGTERM);
        std::optional<int> status = program.Wait(10s);
        ASSERT_TRUE(status.has_value());
        EXPECT_EQ(*status, 0) << program.Errors();
    }
}

TEST(NoX11Module, TheModuleIsNamedWithTheLoadersReasonAndNothingIsWritten) {
    const struct {
        const char* what;
        // What stands in the module's place: nothing, or a copy of this file (a name in the
        // program folder), or this text.
        const char* copy_of;
        std::string text;
        const char* reason;
    } cases[] = {
        {"missing", nullptr, {}, "No such file or directory"},
        // A page of text, longer than any library's headers.
        {"not a library", nullptr, std::string(4096, 'x'), "invalid ELF header"},
        {"a library without the entry",
         "PelmoraResources.dll",
         {},
         "undefined symbol: PelmoraX11Open"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        e2e::ProgramDir dir;
        const fs::path module = dir / "libpelmora-x11.so";
        fs::remove(module);
        if (c.copy_of)
            fs::copy_file(dir / c.copy_of, module);
        if (!c.text.empty())
            dir.WriteFile("libpelmora-x11.so", c.text);
        e2e::RunningProgram program(dir, {"DISPLAY=" + UnusedDisplay()});
        std::optional<int> status = program.Wait(10s);
        ASSERT_TRUE(status.has_value());
        EXPECT_EQ(*status, 1);
        const std::string errors = program.Errors();
        EXPECT_NE(errors.find("X11 module \"" + fs::canonical(dir.path()).string() +
                              "/libpelmora-x11.so\""),
                  std::string::npos)
            << errors;
        EXPECT_NE(errors.find(c.reason), std::string::npos) << errors;
        EXPECT_NE(errors.find("PELMORA_PLATFORM_HEADLESS=1"), std::string::npos) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_FALSE(fs::exists(dir.settings()));
    }
}

TEST(NoDisplay, ADisplayWithoutAServerIsNamedAndNothingIsWritten) {
    const std::string unused = UnusedDisplay();
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
    // It came through the X11 module, which brought the X libraries with it.
    const std::set<std::string> mapped = MappedXLibraries(program.pid());
    EXPECT_TRUE(mapped.contains("libpelmora-x11.so"));
    EXPECT_TRUE(std::any_of(mapped.begin(), mapped.end(),
                            [](const std::string& name) { return name.starts_with("libX11."); }));
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

    const std::string settings = StopAndReadSettings(program, dir);
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

TEST_F(OnX, ADragWithThePointerMovesTheWindowSnapsToTheScreenEdgeAndIsSaved) {
    e2e::ProgramDir dir;
    dir.WriteFile("Pelmora.pmu", "MainWindow[\r\n"
                                 "\tPositionX=120\r\n"
                                 "\tPositionY=80\r\n"
                                 "\tWidth=240\r\n"
                                 "\tSnapThreshold=10\r\n"
                                 "]\r\n");
    e2e::RunningProgram program(dir, {"DISPLAY=" + server_->display()});
    std::optional<RECT> at;
    const auto window_at = [&](int left, int top) {
        return e2e::WaitFor(
            [&] {
                at = probe_->WindowRect("Pelmora");
                return at && at->left == left && at->top == top;
            },
            10s);
    };
    ASSERT_TRUE(window_at(120, 80)) << program.Errors();
    const POINT grip{at->left + 10, at->top + 10};
    probe_->MoveTo(grip);
    probe_->Button(1, true);
    // A first step: the move has begun once the window follows it.
    probe_->MoveTo(POINT{grip.x + 1, grip.y});
    ASSERT_TRUE(window_at(121, 80)) << "the window does not follow the pointer";
    EXPECT_TRUE(e2e::WaitFor([&] { return probe_->InputGrabbed(); }, 10s))
        << "the move holds the pointer and the keyboard";
    // In the middle of the screen the window keeps its place under the pointer.
    probe_->MoveTo(POINT{500, 300});
    EXPECT_TRUE(window_at(490, 290)) << (at ? at->left : -1) << "," << (at ? at->top : -1);
    // 5 pixels from the left edge of the screen: it snaps there.
    probe_->MoveTo(POINT{15, 300});
    EXPECT_TRUE(window_at(0, 290)) << (at ? at->left : -1) << "," << (at ? at->top : -1);
    // Ctrl held lets it go free; let go, it snaps again.
    probe_->Key(VK_CONTROL, true);
    probe_->MoveTo(POINT{16, 300});
    EXPECT_TRUE(window_at(6, 290)) << (at ? at->left : -1) << "," << (at ? at->top : -1);
    probe_->Key(VK_CONTROL, false);
    probe_->MoveTo(POINT{15, 300});
    EXPECT_TRUE(window_at(0, 290)) << (at ? at->left : -1) << "," << (at ? at->top : -1);
    probe_->Button(1, false);
    EXPECT_TRUE(e2e::WaitFor([&] { return !probe_->InputGrabbed(); }, 10s));

    const std::string settings = StopAndReadSettings(program, dir);
    EXPECT_NE(settings.find("\tPositionX=0\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("\tPositionY=290\r\n"), std::string::npos) << settings;
}

TEST_F(OnX, TheContextMenuIsAWindowOfItsOwnWhoseCommandsRun) {
    e2e::ProgramDir dir;
    dir.WriteFile("Pelmora.pmu", kPlaced);
    e2e::RunningProgram program(dir, {"DISPLAY=" + server_->display()});
    std::optional<RECT> at;
    ASSERT_TRUE(e2e::WaitFor([&] { return (at = probe_->WindowRect("Pelmora")).has_value(); }, 10s))
        << program.Errors();
    std::vector<RECT> menus;
    // The light face of a menu with dark text on it.
    const auto painted = [&](const RECT& menu) {
        auto screen = probe_->ReadScreen(menu);
        return screen && screen->pixels[size_t(screen->width) * 3 + 3] == 0xF0F0F0u &&
               std::any_of(screen->pixels.begin(), screen->pixels.end(), [](uint32_t p) {
                   return ((p >> 16) & 0xFF) < 0x60 && ((p >> 8) & 0xFF) < 0x60 &&
                          (p & 0xFF) < 0x60;
               });
    };
    // Open once it is painted and holds the input: the menu is shown before it takes the
    // input, and a click before that would reach another client.
    const auto open_menu = [&] {
        probe_->MoveTo(POINT{at->left + 20, at->top + 10});
        probe_->Button(3, true);
        probe_->Button(3, false);
        return e2e::WaitFor(
            [&] {
                return (menus = probe_->OverrideRedirectWindows()).size() == 1 &&
                       painted(menus.front()) && probe_->InputGrabbed();
            },
            10s);
    };
    const auto menu_gone = [&] {
        return e2e::WaitFor([&] { return probe_->OverrideRedirectWindows().empty(); }, 10s);
    };

    // A right click: the menu at the pointer, over the window, with the input.
    ASSERT_TRUE(open_menu()) << program.Errors();
    const RECT menu = menus.front();
    EXPECT_EQ(menu.left, at->left + 20);
    EXPECT_EQ(menu.top, at->top + 10);
    // The screen around it goes to x11-menu.png in the test folder for looking at.
    if (auto screen = probe_->ReadScreen(
            RECT{at->left - 20, at->top - 20, menu.right + 20, menu.bottom + 20}))
        present_test::WritePng(*screen, "x11-menu.png");
    // Its first item, always on top (on at the start), is clicked: the menu goes, the command
    // runs.
    probe_->MoveTo(POINT{menu.left + 30, menu.top + 8});
    probe_->Button(1, true);
    probe_->Button(1, false);
    EXPECT_TRUE(menu_gone());
    EXPECT_TRUE(e2e::WaitFor([&] { return !probe_->InputGrabbed(); }, 10s));

    // Opened again and closed by a click outside it: nothing is done.
    ASSERT_TRUE(open_menu()) << program.Errors();
    probe_->MoveTo(POINT{900, 700});
    probe_->Button(1, true);
    probe_->Button(1, false);
    EXPECT_TRUE(menu_gone());
    EXPECT_TRUE(e2e::WaitFor([&] { return !probe_->InputGrabbed(); }, 10s));
    EXPECT_TRUE(probe_->WindowRect("Pelmora").has_value()) << "still there";

    const std::string settings = StopAndReadSettings(program, dir);
    EXPECT_NE(settings.find("\tAlwaysOnTop=0\r\n"), std::string::npos) << settings;
}

} // namespace
