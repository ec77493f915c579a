#include "program_fixture.h"

#include "display/graph_display.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using platform::testing::MonitorScope;
using platform::user32::MonitorLayout;

class WindowMoving : public ProgramTest {
protected:
    void StartAt(POINT corner, int threshold) {
        WriteSettings("MainWindow[\r\n\tFade=0\r\n\tWidth=200\r\n\tPositionX=" +
                      std::to_string(corner.x) + "\r\n\tPositionY=" + std::to_string(corner.y) +
                      "\r\n\tSnapThreshold=" + std::to_string(threshold) + "\r\n]\r\n");
        Start();
        platform::testing::RunUntilIdle();
    }
    RECT WindowRect() const {
        RECT r{};
        GetWindowRect(Window(), &r);
        return r;
    }
};

// A case's name as a test name: letters and digits, the rest as underscores.
template <typename Case> std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    for (const char* p = info.param.name; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

// The window is taken 10 pixels right of and 5 below its top-left corner and dragged so that,
// unsnapped, its corner would end at `proposed`; where it ends is the snapped corner. `height`
// stands for the window's height, which the rows decide.
constexpr int kHeight = -1000000;

struct SnapCase {
    const char* name;
    std::vector<MonitorLayout> monitors; // empty: one 1920 x 1080 monitor, task bar at the bottom
    int threshold;
    bool ctrl;
    POINT start;
    POINT proposed; // the corner without snapping; a y of kHeight + n means n - height
    POINT ends;     // likewise
    bool snapped;   // what WM_MOVING returns for the last step
};

void PrintTo(const SnapCase& c, std::ostream* os) {
    *os << c.name;
}

const MonitorLayout kLeftTaskBar{RECT{0, 0, 1920, 1080}, RECT{40, 0, 1920, 1080}};
const MonitorLayout kPrimary{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}};
const MonitorLayout kRightOfPrimary{RECT{1920, 0, 3200, 1024}, RECT{1920, 0, 3200, 1024}};
const MonitorLayout kLeftOfPrimary{RECT{-1280, 0, 0, 1024}, RECT{-1280, 0, 0, 994}};

const SnapCase kSnapCases[] = {
    {"threshold 0 moves freely", {}, 0, false, {500, 500}, {3, 4}, {3, 4}, false},
    {"Ctrl moves freely", {}, 10, true, {500, 500}, {5, 300}, {5, 300}, false},
    {"10 px from the left edge snaps", {}, 10, false, {500, 500}, {10, 300}, {0, 300}, true},
    {"11 px from the left edge does not", {}, 10, false, {500, 500}, {11, 300}, {11, 300}, false},
    {"right edge inside", {}, 10, false, {500, 500}, {1713, 300}, {1720, 300}, true},
    {"top edge and left edge together", {}, 10, false, {500, 500}, {-4, 8}, {0, 0}, true},
    {"task bar's edge at the bottom",
     {},
     10,
     false,
     {500, 500},
     {700, kHeight + 1032},
     {700, kHeight + 1040},
     true},
    {"just outside the work area's right edge",
     {},
     10,
     false,
     {500, 500},
     {1915, 300},
     {1920, 300},
     true},
    {"a task bar on the left ends at the monitor's edge",
     {kLeftTaskBar},
     50,
     false,
     {500, 500},
     {30, 300},
     {0, 300},
     true},
    {"a task bar on the left alone: its edge",
     {kLeftTaskBar},
     10,
     false,
     {500, 500},
     {45, 300},
     {40, 300},
     true},
    {"second monitor to the right: its own edges",
     {kPrimary, kRightOfPrimary},
     10,
     false,
     {500, 500},
     {2995, kHeight + 1018},
     {3000, kHeight + 1024},
     true},
    {"second monitor to the left: its own edges",
     {kPrimary, kLeftOfPrimary},
     10,
     false,
     {-600, 500},
     {-1275, kHeight + 990},
     {-1280, kHeight + 994},
     true},
};

class Snapping : public WindowMoving, public ::testing::WithParamInterface<SnapCase> {};

TEST_P(Snapping, TheWindowEndsWhereTheEdgesPullIt) {
    const SnapCase& c = GetParam();
    std::optional<MonitorScope> monitors;
    if (!c.monitors.empty())
        monitors.emplace(c.monitors);
    StartAt(c.start, c.threshold);
    const int height = GetMainWindowHeight();
    ASSERT_GT(height, 0);
    auto resolve = [height](POINT p) {
        return POINT{p.x, p.y < kHeight / 2 ? p.y - kHeight - height : p.y};
    };
    const POINT proposed = resolve(c.proposed);
    const POINT ends = resolve(c.ends);

    const POINT grip{c.start.x + 10, c.start.y + 5};
    const POINT to{proposed.x + 10, proposed.y + 5};
    platform::testing::Drag(grip, to, 4, c.ctrl ? MK_CONTROL : 0);
    platform::testing::RunUntilIdle();
    RECT r = WindowRect();
    EXPECT_EQ(r.left, ends.x);
    EXPECT_EQ(r.top, ends.y);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, height);
    // The settings hold the corner at once.
    EXPECT_EQ(pMainWindowCategory->GetInteger("PositionX"), ends.x);
    EXPECT_EQ(pMainWindowCategory->GetInteger("PositionY"), ends.y);

    // The last step once more, by hand: what the handler returns and does to the rectangle.
    SetCursorPos(to.x, to.y);
    platform::testing::SetKeyDown(VK_CONTROL, c.ctrl);
    RECT step{proposed.x, proposed.y, proposed.x + 200, proposed.y + height};
    EXPECT_EQ(SendMessageA(Window(), WM_MOVING, 0, LPARAM(&step)), c.snapped ? 1 : 0);
    platform::testing::SetKeyDown(VK_CONTROL, false);
    EXPECT_EQ(step.left, ends.x);
    EXPECT_EQ(step.top, ends.y);
    EXPECT_EQ(step.right, ends.x + 200);
    EXPECT_EQ(step.bottom, ends.y + height);
}

INSTANTIATE_TEST_SUITE_P(Cases, Snapping, ::testing::ValuesIn(kSnapCases), CaseName<SnapCase>);

// A flick: the pointer is already far on when the move loop starts, and its moves are queued
// behind the press. The window is judged where the loop puts it under the pointer, not where the
// cursor stands when the loop starts.
struct FlickCase {
    const char* name;
    POINT start;    // the window's corner; it is taken 10 right of and 5 below it
    POINT proposed; // the corner the loop proposes without snapping
    POINT ends;
};

void PrintTo(const FlickCase& c, std::ostream* os) {
    *os << c.name;
}

const FlickCase kFlickCases[] = {
    {"a flick to the left edge snaps", {500, 500}, {8, 300}, {0, 300}},
    {"a flick away from the left edge moves freely", {5, 300}, {505, 300}, {505, 300}},
    {"a flick to the top edge snaps", {500, 500}, {700, 6}, {700, 0}},
    {"a flick away from the top edge moves freely", {700, 4}, {700, 404}, {700, 404}},
};

class Flicking : public WindowMoving, public ::testing::WithParamInterface<FlickCase> {};

TEST_P(Flicking, TheWindowSnapsWhereTheLoopPutsIt) {
    const FlickCase& c = GetParam();
    StartAt(c.start, 10);
    const POINT grip{c.start.x + 10, c.start.y + 5};
    const POINT to{c.proposed.x + 10, c.proposed.y + 5};
    const POINT halfway{(grip.x + to.x) / 2, (grip.y + to.y) / 2};
    platform::testing::LeftDown(grip);
    platform::testing::MouseMove(halfway);
    platform::testing::MouseMove(to);
    platform::testing::RunUntilIdle();
    RECT r = WindowRect();
    EXPECT_EQ(r.left, c.ends.x);
    EXPECT_EQ(r.top, c.ends.y);
    platform::testing::LeftUp(to);
    platform::testing::RunUntilIdle();
    r = WindowRect();
    EXPECT_EQ(r.left, c.ends.x);
    EXPECT_EQ(r.top, c.ends.y);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(pMainWindowCategory->GetInteger("PositionX"), c.ends.x);
    EXPECT_EQ(pMainWindowCategory->GetInteger("PositionY"), c.ends.y);
}

INSTANTIATE_TEST_SUITE_P(Cases, Flicking, ::testing::ValuesIn(kFlickCases), CaseName<FlickCase>);

TEST_F(WindowMoving, TheFileWrittenAtShutdownHoldsTheNewCorner) {
    StartAt(POINT{100, 100}, 0);
    platform::testing::Drag(POINT{150, 110}, POINT{450, 330}, 3);
    platform::testing::RunUntilIdle();
    RECT r = WindowRect();
    EXPECT_EQ(r.left, 400);
    EXPECT_EQ(r.top, 320);
    ShutDown();
    const std::string settings = ReadSettings();
    EXPECT_NE(settings.find("\tPositionX=400\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("\tPositionY=320\r\n"), std::string::npos) << settings;
}

TEST_F(WindowMoving, EscapePutsTheWindowBackAndTheSettingsWithIt) {
    StartAt(POINT{100, 100}, 10);
    platform::testing::LeftDown(POINT{110, 110});
    platform::testing::MouseMove(POINT{300, 300});
    platform::testing::KeyDown(VK_ESCAPE);
    platform::testing::RunUntilIdle();
    platform::testing::LeftUp(POINT{300, 300});
    platform::testing::RunUntilIdle();
    RECT r = WindowRect();
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(pMainWindowCategory->GetInteger("PositionX"), 100);
    EXPECT_EQ(pMainWindowCategory->GetInteger("PositionY"), 100);
}

// A stored width as large as an int holds: the edges are worked out without overflow and the
// rectangle keeps edges that a LONG holds.
TEST_F(WindowMoving, AHugeStoredWidthSnapsWithoutOverflow) {
    StartAt(POINT{100, 100}, 10);
    SetCursorPos(110, 110);
    SendMessageA(Window(), WM_ENTERSIZEMOVE, 0, 0);
    pMainWindowCategory->SetInteger("Width", 2147483647);

    SetCursorPos(510, 15); // left 500 is near no edge, top 5 is near the top
    RECT step{500, 5, 700, 35};
    EXPECT_EQ(SendMessageA(Window(), WM_MOVING, 0, LPARAM(&step)), 1);
    EXPECT_EQ(step.left, 500);
    EXPECT_EQ(step.right, 700);
    EXPECT_EQ(step.top, 0);

    SetCursorPos(15, 310); // left 5 snaps: the right edge is as far as a LONG goes
    step = RECT{5, 300, 205, 330};
    EXPECT_EQ(SendMessageA(Window(), WM_MOVING, 0, LPARAM(&step)), 1);
    EXPECT_EQ(step.left, 0);
    EXPECT_EQ(step.right, 2147483647);

    EXPECT_EQ(SendMessageA(Window(), WM_MOVING, 0, 0), 0);
}

} // namespace
