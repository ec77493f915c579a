// The presentation interface on the headless back end: monitors supplied by the back end,
// snapshots written once a window and its children have painted, frame included.
#include "present_helpers.h"

#include "present/headless.h"
#include "present/present.h"
#include "testing/desktop.h"
#include "testing/temporary_folder.h"
#include "user32/monitors.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using present_test::ColourWindow;
using present_test::ReadPng;

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override { present_test::RegisterColourClass(); }
    void TearDown() override {
        platform::present::SetSnapshotFolder(std::nullopt);
        platform::user32::SetMonitors({});
    }
    platform::testing::DesktopScope desktop_;
};

// A back end that knows one small monitor with a panel at the top.
class SmallScreen final : public platform::present::Backend {
public:
    std::vector<platform::present::MonitorArea> Monitors() override {
        return {{RECT{0, 0, 800, 600}, RECT{0, 30, 800, 600}}};
    }
    void WindowCreated(HWND) override {}
    void WindowDestroyed(HWND) override {}
    void WindowChanged(HWND) override {}
    void LayeredChanged(HWND) override {}
    void Activated(HWND) override {}
    void WindowPainted(HWND) override { ++painted; }
    int WaitDescriptor() override { return -1; }
    void Pump() override {}
    bool GrabHotKey(UINT, UINT) override { return true; }
    void UngrabHotKey(UINT, UINT) override {}
    bool CursorPosition(POINT&) override { return false; }
    bool TrayIconAdded(const platform::present::TrayEntry&) override { return true; }
    void TrayIconChanged(const platform::present::TrayEntry&) override {}
    void TrayIconRemoved(HWND, UINT) override {}
    int painted = 0;
};

TEST_F(HeadlessTest, TheBackEndSuppliesTheScreenAndDialogsCentreOnItsWorkArea) {
    platform::present::SetBackend(std::make_unique<SmallScreen>());
    platform::user32::SetMonitors({}); // back to what the back end says
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), "CENTRED", nullptr, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    RECT r;
    GetWindowRect(dialog, &r);
    // Centred in 0..800 x 30..600, and whole on the screen.
    EXPECT_EQ(r.left + r.right, 800) << r.left << "," << r.right;
    EXPECT_NEAR(r.top + r.bottom, 630, 1) << r.top << "," << r.bottom;
    EXPECT_GE(r.top, 30);
    DestroyWindow(dialog);
    platform::present::SetBackend(platform::present::MakeHeadlessBackend());
    platform::user32::SetMonitors({});
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
}

TEST_F(HeadlessTest, AMissingSnapshotFolderIsCreated) {
    const platform::testing::TemporaryFolder temp("pelmora-present");
    const auto folder = temp.path() / "not" / "there";
    platform::present::SetSnapshotFolder(folder.string());
    HWND w = ColourWindow("Made", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 20, 10}, RGB(0, 0, 255));
    platform::testing::RunUntilIdle();
    const auto png = ReadPng((folder / "Made.png").string());
    ASSERT_EQ(png.width, 20);
    EXPECT_EQ(png.At(5, 5), 0x0000FFu);
    DestroyWindow(w);
}

TEST_F(HeadlessTest, AnUnusableSnapshotFolderIsReportedOnce) {
    const platform::testing::TemporaryFolder temp("pelmora-present");
    const auto file = temp.path() / "a-file";
    std::ofstream(file) << "x";
    struct Case {
        std::string folder;
        std::string reason;
    };
    const Case cases[] = {
        {file.string(), "not a folder"},
        {(file / "below").string(), "cannot be created"},
    };
    for (const Case& c : cases) {
        platform::present::SetSnapshotFolder(c.folder);
        ::testing::internal::CaptureStderr();
        HWND w = ColourWindow("Never", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 20, 10}, RGB(1, 2, 3));
        platform::testing::RunUntilIdle();
        InvalidateRect(w, nullptr, TRUE);
        platform::testing::RunUntilIdle();
        const std::string said = ::testing::internal::GetCapturedStderr();
        DestroyWindow(w);
        EXPECT_NE(said.find(c.folder), std::string::npos) << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << said;
        // Said once, though the window painted twice.
        EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    }
}

TEST_F(HeadlessTest, ThePictureWaitsForTheChildrenAndShowsTheFrame) {
    const platform::testing::TemporaryFolder temp("pelmora-present");
    platform::present::SetSnapshotFolder(temp.path().string());
    // A captioned, bordered window whose client is green, with a red child.
    HWND top = ColourWindow("Framed", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, RECT{10, 10, 110, 90},
                            RGB(0, 255, 0));
    HWND child =
        ColourWindow("", WS_CHILD | WS_VISIBLE, 0, RECT{20, 20, 40, 40}, RGB(255, 0, 0), top);
    ASSERT_NE(child, nullptr);
    platform::testing::RunUntilIdle();
    const auto png = ReadPng((temp.path() / "Framed.png").string());
    ASSERT_EQ(png.width, 100);
    ASSERT_EQ(png.height, 80);
    POINT origin{0, 0};
    ClientToScreen(top, &origin);
    const int cx = origin.x - 10, cy = origin.y - 10; // the client area inside the picture
    EXPECT_GT(cy, 0);
    EXPECT_EQ(png.At(cx + 5, cy + 5), 0x00FF00u);
    EXPECT_EQ(png.At(cx + 30, cy + 30), 0xFF0000u) << "the child is in the picture";
    // The frame is drawn: no black on the border nor below the caption's text.
    for (int x = 0; x < png.width; ++x) {
        EXPECT_NE(png.At(x, 0), 0u) << x;
        EXPECT_NE(png.At(x, png.height - 1), 0u) << x;
    }
    for (int y = 0; y < png.height; ++y) {
        EXPECT_NE(png.At(0, y), 0u) << y;
        EXPECT_NE(png.At(png.width - 1, y), 0u) << y;
    }
    EXPECT_NE(png.At(png.width - 4, cy / 2), 0u) << "the caption bar";
    DestroyWindow(top);
}

TEST_F(HeadlessTest, ADrawThroughAWindowDcReachesThePictureAtOnce) {
    const platform::testing::TemporaryFolder temp("pelmora-present");
    platform::present::SetSnapshotFolder(temp.path().string());
    auto backend = std::make_unique<SmallScreen>();
    SmallScreen* screen = backend.get();
    platform::present::SetBackend(std::move(backend));
    HWND w = ColourWindow("Row", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 40, 30}, RGB(0, 0, 255));
    platform::testing::RunUntilIdle();
    const int painted = screen->painted;
    EXPECT_GE(painted, 1);
    // One row redrawn alone, no paint message between.
    HDC dc = GetDC(w);
    RECT row{0, 10, 40, 20};
    HBRUSH brush = CreateSolidBrush(RGB(255, 255, 0));
    FillRect(dc, &row, brush);
    DeleteObject(brush);
    ReleaseDC(w, dc);
    EXPECT_EQ(screen->painted, painted + 1) << "the back end is told to show it";
    const auto png = ReadPng((temp.path() / "Row.png").string());
    ASSERT_EQ(png.width, 40);
    EXPECT_EQ(png.At(5, 15), 0xFFFF00u);
    EXPECT_EQ(png.At(5, 5), 0x0000FFu);
    DestroyWindow(w);
    platform::present::SetBackend(platform::present::MakeHeadlessBackend());
}

} // namespace
