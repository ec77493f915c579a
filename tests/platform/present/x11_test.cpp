// The X11 back end on a private Xvfb: windows where the layer puts them with its pixels, the
// layered looks, input from the server as the layer's messages, hot keys as grabs, the tray
// icon in a tray of the test's own.
#include "present_helpers.h"

#include "present/headless.h"
#include "present/picture.h"
#include "present/present.h"
#include "present/x11/probe.h"
#include "present/backend_modules.h"
#include "testing/desktop.h"
#include "testing/shell_area.h"
#include "user32/dialogs.h"
#include "user32/icons.h"
#include "user32/menu.h"
#include "user32/monitors.h"
#include "user32/window_manager.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

using platform::present::x11::Probe;
using platform::present::x11::TrayHost;
using platform::present::x11::VirtualServer;
using present_test::ColourWindow;

// The X11 back end's line of the loader's list.
const platform::present::BackendModule& X11Module() {
    for (const auto& module : platform::present::kBackendModules)
        if (std::string_view(module.file) == "libpelmora-x11.so")
            return module;
    throw std::logic_error("the loader lists no X11 module");
}

struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

// Waits for the condition without running the queue (a modal loop runs it), 3 s at most.
template <typename Condition> bool Within(Condition condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// What a modal loop's waits play, one step each time it has nothing left to do. Each wait ends
// when the server's answer has come as a message (PeekMessageA reads the server); with no step
// left and nothing coming, the loop gives up.
std::function<bool()> PlaySteps(std::vector<std::function<void()>> steps) {
    auto left = std::make_shared<std::deque<std::function<void()>>>(steps.begin(), steps.end());
    return [left] {
        if (!left->empty()) {
            auto step = std::move(left->front());
            left->pop_front();
            step();
        }
        return Within([] {
            MSG next;
            return PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
        });
    };
}

// The sizes of the shared memory segments this process made that still exist (a removed one is
// listed for as long as anybody has it attached).
std::vector<size_t> OurSegments() {
    std::vector<size_t> sizes;
    std::ifstream list("/proc/sysvipc/shm");
    std::string line;
    std::getline(list, line); // the heading
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        long key = 0, id = 0, perms = 0, creator = 0;
        size_t size = 0;
        if (fields >> key >> id >> perms >> size >> creator && creator == long(getpid()))
            sizes.push_back(size);
    }
    return sizes;
}

// A patch of the window drawn through its DC in one go, every pixel its own colour, so that a
// row or a column out of place shows.
void DrawPattern(HWND w, RECT r, int seed) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC dc = GetDC(w);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(memory, x, y,
                     RGB((x * 7 + seed) & 0xFF, (y * 11 + seed) & 0xFF, ((x + y) * 3) & 0xFF));
    BitBlt(dc, r.left, r.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(w, dc);
}

class X11Test : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<VirtualServer>(1024, 768);
        if (!server_->running()) {
            ASSERT_FALSE(present_test::XServerRequired()) << present_test::kNoXServer;
            GTEST_SKIP() << "Xvfb cannot be started here";
        }
        // The back end as the layer opens it: through its module, beside the layer's library.
        std::string error;
        const platform::present::OpenBackend open =
            platform::present::LoadBackendModule(X11Module(), error);
        ASSERT_TRUE(open) << error;
        std::unique_ptr<platform::present::Backend> backend(
            open(server_->display().c_str(), &error));
        ASSERT_TRUE(backend) << error;
        platform::present::SetBackend(std::move(backend));
        platform::user32::SetMonitors({});
        probe_ = std::make_unique<Probe>(server_->display());
        ASSERT_TRUE(probe_->connected());
        present_test::RegisterColourClass();
        present_test::RegisterColourClass("ColourDbl", CS_DBLCLKS);
        observer_ =
            platform::user32::AddMessageObserver([this](HWND h, UINT m, WPARAM w, LPARAM l) {
                seen_.push_back({h, m, w, l});
            });
    }
    void TearDown() override {
        platform::testing::ClearShellArea();
        if (observer_)
            platform::user32::RemoveMessageObserver(observer_);
        for (HWND h : windows_)
            if (IsWindow(h))
                DestroyWindow(h);
        platform::present::SetBackend(platform::present::MakeHeadlessBackend());
        platform::user32::SetMonitors({});
    }

    HWND Make(const char* title, DWORD style, DWORD ex_style, RECT r, COLORREF colour,
              const char* cls = "Colour") {
        HWND h = ColourWindow(title, style, ex_style, r, colour, nullptr, cls);
        windows_.push_back(h);
        return h;
    }

    // Runs the layer's queue (which reads the server) until the condition holds, 3 s at most.
    template <typename Condition> bool Until(Condition condition) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < end) {
            platform::testing::RunUntilIdle();
            if (condition())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        platform::testing::RunUntilIdle();
        return condition();
    }

    // The screen in a rectangle, written to a PNG file for looking at.
    void SaveScreen(RECT area, const std::string& name) {
        if (auto screen = probe_->ReadScreen(area))
            present_test::WritePng(*screen, name);
    }

    bool SawMessage(HWND h, UINT message, Seen* out = nullptr) {
        for (const Seen& s : seen_)
            if (s.hwnd == h && s.message == message) {
                if (out)
                    *out = s;
                return true;
            }
        return false;
    }

    platform::testing::DesktopScope desktop_;
    std::unique_ptr<VirtualServer> server_;
    std::unique_ptr<Probe> probe_;
    std::vector<HWND> windows_;
    std::vector<Seen> seen_;
    int observer_ = 0;
};

TEST(X11Module, IsLoadedOnceFromBesideTheLayersLibrary) {
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::canonical(platform::present::BackendModulePath(X11Module())),
              fs::canonical(fs::path(PELMORA_PROGRAM_DIR) / "libpelmora-x11.so"));
    std::string error;
    const platform::present::OpenBackend open =
        platform::present::LoadBackendModule(X11Module(), error);
    ASSERT_TRUE(open) << error;
    EXPECT_EQ(platform::present::LoadBackendModule(X11Module(), error), open);
    // A display nobody serves: the entry says so, and no back end comes.
    std::unique_ptr<platform::present::Backend> none(open(":59999", &error));
    EXPECT_FALSE(none);
    EXPECT_EQ(error, "no X server answers there");
}

TEST_F(X11Test, TheScreenComesFromTheServer) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
    // No desktop panels on a bare server: the work area is the whole monitor.
    EXPECT_EQ(info.rcWork.right, 1024);
    EXPECT_EQ(info.rcWork.bottom, 768);
}

TEST_F(X11Test, AWindowShowsWhereTheLayerPutsItWithItsPixels) {
    HWND w =
        Make("Shown", WS_POPUP | WS_BORDER | WS_VISIBLE, 0, RECT{100, 50, 160, 90}, RGB(0, 0, 255));
    ColourWindow("", WS_CHILD | WS_VISIBLE, 0, RECT{10, 10, 20, 20}, RGB(255, 0, 0), w);
    std::optional<RECT> at;
    ASSERT_TRUE(Until([&] { return (at = probe_->WindowRect("Shown")).has_value(); }));
    EXPECT_EQ(at->left, 100);
    EXPECT_EQ(at->top, 50);
    EXPECT_EQ(at->right, 160);
    EXPECT_EQ(at->bottom, 90);
    const auto expected = platform::present::ComposeWindow(w);
    ASSERT_TRUE(expected);
    std::optional<platform::gdi::Surface> screen;
    ASSERT_TRUE(Until([&] {
        screen = probe_->ReadScreen(*at);
        return screen && screen->pixels == expected->pixels;
    }));
    // A row drawn alone through the window's DC is on the screen at once.
    HDC dc = GetDC(w);
    RECT row{0, 20, 58, 25};
    HBRUSH brush = CreateSolidBrush(RGB(255, 255, 0));
    FillRect(dc, &row, brush);
    DeleteObject(brush);
    ReleaseDC(w, dc);
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE)) << "no paint is owed: the draw alone shows";
    EXPECT_TRUE(Until([&] {
        screen = probe_->ReadScreen(*at);
        return screen && screen->pixels[size_t(22) * 60 + 30] == 0xFFFF00u;
    }));
    // Moved by the program: the X window follows.
    SetWindowPos(w, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(Until([&] {
        at = probe_->WindowRect("Shown");
        return at && at->left == 300 && at->top == 200;
    }));
    ShowWindow(w, SW_HIDE);
    EXPECT_TRUE(Until([&] { return !probe_->WindowRect("Shown"); }));
}

// What the server shows is the window's surface whether the pixels go through shared memory
// or through the connection: at first, after parts drawn one after the other, after resizes.
// The segment follows the window's size and goes with the window.
TEST_F(X11Test, ThePixelsShownAreTheSurfaceWithSharedMemoryOrWithout) {
    const bool offered = probe_->HasExtension("MIT-SHM");
    struct Case {
        const char* name;
        const char* shm; // PELMORA_PLATFORM_X11_SHM, or null for unset
        bool tcp;        // reached through the network, where the server cannot tell who we are
        bool shared;
    };
    const Case cases[] = {
        {"unset", nullptr, false, offered},
        {"on", "1", false, offered},
        {"off", "0", false, false},
        {"network", nullptr, true, false}, // the attach refused, as for another machine's server
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<VirtualServer> tcp_server;
        std::unique_ptr<Probe> tcp_probe;
        std::string display = server_->display();
        Probe* probe = probe_.get();
        if (c.tcp) {
            tcp_server = std::make_unique<VirtualServer>(1024, 768, true);
            ASSERT_TRUE(tcp_server->running());
            display = "localhost" + tcp_server->display();
            tcp_probe = std::make_unique<Probe>(tcp_server->display());
            probe = tcp_probe.get();
        }
        if (c.shm)
            setenv("PELMORA_PLATFORM_X11_SHM", c.shm, 1);
        else
            unsetenv("PELMORA_PLATFORM_X11_SHM");
        std::string error;
        const platform::present::OpenBackend open =
            platform::present::LoadBackendModule(X11Module(), error);
        ASSERT_TRUE(open) << error;
        std::unique_ptr<platform::present::Backend> backend(open(display.c_str(), &error));
        unsetenv("PELMORA_PLATFORM_X11_SHM");
        ASSERT_TRUE(backend) << error;
        platform::present::SetBackend(std::move(backend));
        ASSERT_TRUE(OurSegments().empty());

        HWND w = Make("Shared", WS_POPUP | WS_VISIBLE, 0, RECT{40, 30, 240, 150}, RGB(0, 128, 255));
        const auto shows = [&](int width, int height) {
            return Until([&] {
                const auto at = probe->WindowRect("Shared");
                const auto expected = platform::present::ComposeWindow(w);
                if (!at || !expected || expected->width != width || expected->height != height)
                    return false;
                const auto screen = probe->ReadScreen(*at);
                return screen && screen->pixels == expected->pixels;
            });
        };
        const auto segments = [&](int width, int height) {
            const std::vector<size_t> now = OurSegments();
            if (!c.shared)
                return now.empty();
            return now.size() == 1 && now[0] == size_t(width) * size_t(height) * 4;
        };
        EXPECT_TRUE(shows(200, 120));
        EXPECT_TRUE(segments(200, 120));
        // Overlapping parts drawn in a row: each put waits until the server has read the last.
        DrawPattern(w, RECT{7, 5, 157, 85}, 0);
        DrawPattern(w, RECT{100, 60, 199, 119}, 1);
        DrawPattern(w, RECT{0, 0, 3, 2}, 2);
        EXPECT_TRUE(shows(200, 120));
        if (auto screen = probe->ReadScreen(RECT{40, 30, 240, 150}))
            present_test::WritePng(*screen, std::string("x11-shm-") + c.name + ".png");

        SetWindowPos(w, nullptr, 0, 0, 320, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        DrawPattern(w, RECT{150, 90, 319, 199}, 3);
        EXPECT_TRUE(shows(320, 200));
        EXPECT_TRUE(Until([&] { return segments(320, 200); }));
        SetWindowPos(w, nullptr, 0, 0, 90, 60, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        DrawPattern(w, RECT{10, 10, 80, 50}, 4);
        EXPECT_TRUE(shows(90, 60));
        EXPECT_TRUE(Until([&] { return segments(90, 60); }));

        DestroyWindow(w);
        EXPECT_TRUE(Until([] { return OurSegments().empty(); }));
        // Off the server before it goes.
        platform::present::SetBackend(platform::present::MakeHeadlessBackend());
    }
}

TEST_F(X11Test, TheWindowTellsTheWindowManagerWhatItIs) {
    struct Case {
        const char* title;
        DWORD style, ex_style;
        std::vector<std::string> type, state;
    };
    const Case cases[] = {
        {"Plain", WS_POPUP | WS_VISIBLE, 0, {"_NET_WM_WINDOW_TYPE_NORMAL"}, {}},
        {"Tool",
         WS_POPUP | WS_VISIBLE,
         WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
         {"_NET_WM_WINDOW_TYPE_UTILITY"},
         {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}},
        {"Captioned", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, {"_NET_WM_WINDOW_TYPE_NORMAL"}, {}},
    };
    for (const Case& c : cases) {
        Make(c.title, c.style, c.ex_style, RECT{10, 10, 110, 60}, RGB(1, 2, 3));
        ASSERT_TRUE(Until([&] { return probe_->WindowRect(c.title).has_value(); })) << c.title;
        EXPECT_EQ(probe_->AtomNames(c.title, "_NET_WM_WINDOW_TYPE"), c.type) << c.title;
        EXPECT_EQ(probe_->AtomNames(c.title, "_NET_WM_STATE"), c.state) << c.title;
        EXPECT_EQ(probe_->ClassOf(c.title), "pelmora.Pelmora");
        EXPECT_EQ(probe_->Text(c.title, "_NET_WM_NAME"), c.title);
    }
    // Hidden, the window manager takes its states off; shown again, it has them once more.
    HWND tool = FindWindowA(nullptr, "Tool");
    ShowWindow(tool, SW_HIDE);
    ASSERT_TRUE(Until([&] { return !probe_->WindowRect("Tool"); }));
    probe_->DeleteProperty("Tool", "_NET_WM_STATE");
    ShowWindow(tool, SW_SHOWNA);
    ASSERT_TRUE(Until([&] { return probe_->WindowRect("Tool").has_value(); }));
    EXPECT_EQ(probe_->AtomNames("Tool", "_NET_WM_STATE"), cases[1].state);
    // The class icon, for the task bar.
    platform::user32::Icon icon;
    icon.width = 2;
    icon.height = 1;
    icon.pixels = {0xFFFF0000u, 0x8000FF00u};
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = present_test::ColourProc;
    wc.lpszClassName = "Iconic";
    wc.hIcon = platform::user32::AddIcon(icon);
    ASSERT_NE(RegisterClassExA(&wc), 0);
    Make("Iconic", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 10, 10}, RGB(1, 2, 3), "Iconic");
    ASSERT_TRUE(Until([&] { return probe_->WindowRect("Iconic").has_value(); }));
    std::vector<uint32_t> numbers;
    for (long n : probe_->Numbers("Iconic", "_NET_WM_ICON"))
        numbers.push_back(uint32_t(n));
    EXPECT_EQ(numbers, (std::vector<uint32_t>{2, 1, 0xFFFF0000u, 0x8000FF00u}));
    // The title in the code page (932 here) becomes UTF-8.
    Make("Kana \x82\xA0", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 10, 10}, RGB(1, 2, 3));
    ASSERT_TRUE(Until([&] { return probe_->WindowRect("Kana \x82\xA0").has_value(); }));
    EXPECT_EQ(probe_->Text("Kana \x82\xA0", "_NET_WM_NAME"), "Kana \xE3\x81\x82");
}

TEST_F(X11Test, WithoutASizingBorderTheWindowManagerKeepsTheSizeAndOffersOnlyTheBoxesItHas) {
    // _MOTIF_WM_HINTS bits: functions resize 2, move 4, minimise 8, maximise 16, close 32;
    // decorations border 2, resize handles 4, title 8, menu 16, minimise 32, maximise 64.
    struct Case {
        const char* title;
        DWORD style;
        bool fixed;
        long functions, decorations;
    };
    const Case cases[] = {
        {"Dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, true, 4 | 32, 2 | 8 | 16},
        {"Sizable", WS_OVERLAPPEDWINDOW, false, 2 | 4 | 8 | 16 | 32, 2 | 4 | 8 | 16 | 32 | 64},
        {"Minimisable", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, true, 4 | 8 | 32,
         2 | 8 | 16 | 32},
        {"Bare", WS_POPUP, true, 4 | 32, 0},
    };
    for (const Case& c : cases) {
        HWND w = Make(c.title, c.style | WS_VISIBLE, 0, RECT{10, 10, 210, 110}, RGB(1, 2, 3));
        ASSERT_TRUE(Until([&] { return probe_->WindowRect(c.title).has_value(); })) << c.title;
        RECT client;
        GetClientRect(w, &client);
        const auto limits = probe_->SizeLimitsOf(c.title);
        ASSERT_TRUE(limits) << c.title;
        if (c.fixed) {
            ASSERT_TRUE(limits->minimum && limits->maximum) << c.title;
            EXPECT_EQ(limits->minimum->cx, client.right) << c.title;
            EXPECT_EQ(limits->minimum->cy, client.bottom) << c.title;
            EXPECT_EQ(limits->maximum->cx, client.right) << c.title;
            EXPECT_EQ(limits->maximum->cy, client.bottom) << c.title;
        } else {
            EXPECT_FALSE(limits->minimum || limits->maximum) << c.title;
        }
        const std::vector<long> motif = probe_->MotifHints(c.title);
        ASSERT_EQ(motif.size(), 5u) << c.title;
        EXPECT_EQ(motif[0], 1 | 2) << c.title << ": functions and decorations";
        EXPECT_EQ(motif[1], c.functions) << c.title;
        EXPECT_EQ(motif[2], c.decorations) << c.title;
    }
    // Resized by the program, the fixed size follows, and the window manager lets it go there.
    HWND dialog = FindWindowA(nullptr, "Dialog");
    SetWindowPos(dialog, nullptr, 0, 0, 300, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_TRUE(Until([&] {
        const auto limits = probe_->SizeLimitsOf("Dialog");
        return limits && limits->maximum && limits->maximum->cx == client.right &&
               limits->maximum->cy == client.bottom && limits->minimum->cx == client.right;
    }));
    // Given a sizing border, it has no fixed size any more.
    SetWindowLongPtrA(dialog, GWL_STYLE, GetWindowLongPtrA(dialog, GWL_STYLE) | WS_THICKFRAME);
    SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    EXPECT_TRUE(Until([&] {
        const auto limits = probe_->SizeLimitsOf("Dialog");
        return limits && !limits->minimum && !limits->maximum;
    }));
}

TEST_F(X11Test, TheColourKeyCutsTheShapeAndClickThroughPassesClicksBelow) {
    probe_->ShowWindowAt(RECT{200, 200, 400, 300}, RGB(0, 255, 0));
    // Left half in the key colour, right half white; the window lies over the probe's.
    HWND w = Make("Keyed", WS_POPUP, WS_EX_LAYERED, RECT{220, 220, 320, 270}, RGB(255, 0, 255));
    SetLayeredWindowAttributes(w, RGB(255, 0, 255), 255, LWA_COLORKEY);
    ShowWindow(w, SW_SHOWNA);
    platform::testing::RunUntilIdle();
    HDC dc = GetDC(w);
    RECT right{50, 0, 100, 50};
    FillRect(dc, &right, HBRUSH(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(w, dc);
    ASSERT_TRUE(Until([&] {
        auto s = probe_->ReadScreen(RECT{220, 220, 320, 270});
        return s && s->pixels[size_t(25) * 100 + 10] == 0x00FF00u &&
               s->pixels[size_t(25) * 100 + 80] == 0xFFFFFFu;
    })) << "the keyed half shows the window below";

    // A click on the opaque half of a click-through window reaches the window below.
    SetWindowLongPtrA(w, GWL_EXSTYLE, WS_EX_LAYERED | WS_EX_TRANSPARENT);
    platform::testing::RunUntilIdle();
    seen_.clear();
    probe_->MoveTo(POINT{300, 245});
    probe_->Button(1, true);
    probe_->Button(1, false);
    EXPECT_TRUE(Until([&] { return probe_->ClicksReceived() == 1; }));
    EXPECT_FALSE(SawMessage(w, WM_LBUTTONDOWN));
}

TEST_F(X11Test, TheColourKeyFollowsTheCompositingManagerAsItQuitsAndComesBack) {
    probe_->ShowWindowAt(RECT{200, 200, 400, 300}, RGB(0, 255, 0));
    probe_->RunCompositor(true);
    // Left half in the key colour, right half white, half opaque.
    HWND w = Make("Blended", WS_POPUP, WS_EX_LAYERED, RECT{220, 220, 320, 270}, RGB(255, 0, 255));
    SetLayeredWindowAttributes(w, RGB(255, 0, 255), 128, LWA_COLORKEY | LWA_ALPHA);
    ShowWindow(w, SW_SHOWNA);
    platform::testing::RunUntilIdle();
    HDC dc = GetDC(w);
    RECT right{50, 0, 100, 50};
    FillRect(dc, &right, HBRUSH(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(w, dc);
    const std::vector<RECT> whole{RECT{0, 0, 100, 50}};
    const auto same = [](const std::vector<RECT>& a, const std::vector<RECT>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](RECT x, RECT y) {
            return x.left == y.left && x.top == y.top && x.right == y.right && x.bottom == y.bottom;
        });
    };
    // The keyed pixels cut out: every rectangle of the shape lies in the right half, and
    // together they cover all of it.
    const auto cut = [&] {
        const std::vector<RECT> shape = probe_->ShapeOf("Blended");
        long covered = 0;
        for (const RECT& r : shape) {
            if (r.left < 50 || r.right > 100 || r.top < 0 || r.bottom > 50)
                return false;
            covered += long(r.right - r.left) * (r.bottom - r.top);
        }
        return covered == 50 * 50;
    };
    // The compositing manager blends the alpha channel: no shape, no opacity of the window.
    ASSERT_TRUE(Until([&] { return probe_->WindowRect("Blended").has_value(); }));
    platform::testing::RunUntilIdle();
    EXPECT_TRUE(same(probe_->ShapeOf("Blended"), whole));
    EXPECT_TRUE(probe_->Numbers("Blended", "_NET_WM_WINDOW_OPACITY").empty());

    // It quits: nobody blends, so the key cuts the shape and the window below shows there; the
    // rest shows its own colours, the alpha given to the next compositing manager as opacity.
    probe_->RunCompositor(false);
    EXPECT_TRUE(Until(cut)) << "the keyed half is not cut out";
    EXPECT_TRUE(Until([&] {
        auto s = probe_->ReadScreen(RECT{220, 220, 320, 270});
        return s && s->pixels[size_t(25) * 100 + 10] == 0x00FF00u &&
               s->pixels[size_t(25) * 100 + 80] == 0xFFFFFFu;
    })) << "the keyed half is not the window below, or the rest not its own colour";
    const std::vector<long> opacity = probe_->Numbers("Blended", "_NET_WM_WINDOW_OPACITY");
    ASSERT_EQ(opacity.size(), 1u);
    EXPECT_EQ(uint32_t(opacity[0]), 0xFFFFFFFFu / 255 * 128); // 32 bits, as Xlib widens them
    SaveScreen(RECT{200, 200, 400, 300}, "x11-key-without-compositor.png");

    // It comes back: the alpha channel again.
    probe_->RunCompositor(true);
    EXPECT_TRUE(Until([&] { return same(probe_->ShapeOf("Blended"), whole); }));
    EXPECT_TRUE(
        Until([&] { return probe_->Numbers("Blended", "_NET_WM_WINDOW_OPACITY").empty(); }));
}

TEST_F(X11Test, PointerAndKeysArriveAsTheLayersMessages) {
    HWND w = Make("Input", WS_POPUP | WS_VISIBLE, 0, RECT{100, 100, 200, 150}, RGB(0, 0, 0),
                  "ColourDbl");
    ASSERT_TRUE(Until([&] { return probe_->WindowRect("Input").has_value(); }));
    seen_.clear();
    probe_->MoveTo(POINT{130, 120});
    probe_->Button(1, true);
    probe_->Button(1, false);
    Seen down{};
    ASSERT_TRUE(Until([&] { return SawMessage(w, WM_LBUTTONUP, &down); }));
    ASSERT_TRUE(SawMessage(w, WM_LBUTTONDOWN, &down));
    EXPECT_EQ(LOWORD(down.lparam), 30);
    EXPECT_EQ(HIWORD(down.lparam), 20);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 130);
    EXPECT_EQ(cursor.y, 120);
    // A second click soon after at the same place is a double click for this class.
    probe_->Button(1, true);
    probe_->Button(1, false);
    EXPECT_TRUE(Until([&] { return SawMessage(w, WM_LBUTTONDBLCLK); }));
    // The wheel.
    probe_->Button(4, true);
    probe_->Button(4, false);
    Seen wheel{};
    ASSERT_TRUE(Until([&] { return SawMessage(w, WM_MOUSEWHEEL, &wheel); }));
    EXPECT_EQ(SHORT(HIWORD(wheel.wparam)), WHEEL_DELTA);
    // A key, with the pointer over the window (the server's focus follows it).
    probe_->Key('A', true);
    probe_->Key('A', false);
    Seen key{};
    ASSERT_TRUE(Until([&] { return SawMessage(w, WM_KEYUP, &key); }));
    ASSERT_TRUE(SawMessage(w, WM_KEYDOWN, &key));
    EXPECT_EQ(key.wparam, WPARAM('A'));
    EXPECT_TRUE(SawMessage(w, WM_CHAR));
}

TEST_F(X11Test, HotKeysAreGrabsThatOtherClientsMayHold) {
    HWND w = Make("Hot", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 50, 50}, RGB(0, 0, 0));
    ASSERT_TRUE(probe_->GrabKey(MOD_CONTROL | MOD_ALT, 'K'));
    SetLastError(0);
    EXPECT_FALSE(RegisterHotKey(w, 1, MOD_CONTROL | MOD_ALT, 'K'));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_HOTKEY_ALREADY_REGISTERED));
    ASSERT_TRUE(RegisterHotKey(w, 2, MOD_CONTROL | MOD_ALT, 'J'));
    // Pressed while the pointer is elsewhere: the grab takes it wherever the focus is.
    probe_->MoveTo(POINT{500, 500});
    probe_->Key(VK_CONTROL, true);
    probe_->Key(VK_MENU, true);
    probe_->Key('J', true);
    probe_->Key('J', false);
    probe_->Key(VK_MENU, false);
    probe_->Key(VK_CONTROL, false);
    Seen hot{};
    ASSERT_TRUE(Until([&] { return SawMessage(w, WM_HOTKEY, &hot); }));
    EXPECT_EQ(hot.wparam, 2u);
    EXPECT_EQ(HIWORD(hot.lparam), 'J');
    EXPECT_TRUE(UnregisterHotKey(w, 2));
}

// The program's hot key pressed in a hot-key field of a sheet: the key goes to the grab and the
// program hides its window. Whatever order the keys are let go in (the grab takes those let go
// before the key), Ctrl and Alt are up afterwards: Tab moves on and Escape closes the sheet.
TEST_F(X11Test, ModifiersLetGoDuringAHotKeysGrabAreUpAfterwards) {
    constexpr int kField = 10, kEdit = 11;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) -> LRESULT {
        if (message == WM_HOTKEY)
            ShowWindow(hwnd, IsWindowVisible(hwnd) ? SW_HIDE : SW_SHOWNA);
        return DefWindowProcA(hwnd, message, wparam, lparam);
    };
    wc.lpszClassName = "HidesOnHotKey";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    struct Case {
        const char* name;
        std::vector<UINT> released; // in this order
    };
    const Case cases[] = {
        {"the key first", {'J', VK_MENU, VK_CONTROL}},
        {"Ctrl and Alt before the key", {VK_MENU, VK_CONTROL, 'J'}},
        {"Ctrl before the key, Alt after it", {VK_CONTROL, 'J', VK_MENU}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND main = Make("Main", WS_POPUP | WS_VISIBLE, 0, RECT{600, 10, 700, 40}, RGB(0, 0, 0),
                         "HidesOnHotKey");
        ASSERT_TRUE(RegisterHotKey(main, 1, MOD_CONTROL | MOD_ALT, 'J'));
        PROPSHEETPAGEA psp{};
        psp.dwSize = sizeof psp;
        psp.hInstance = GetModuleHandleA(nullptr);
        psp.pszTemplate = "KEYS_PAGE";
        psp.pfnDlgProc = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR {
            return message == WM_INITDIALOG;
        };
        HPROPSHEETPAGE page = CreatePropertySheetPageA(&psp);
        PROPSHEETHEADERA psh{};
        psh.dwSize = sizeof psh;
        psh.dwFlags = PSH_NOCONTEXTHELP | PSH_NOAPPLYNOW;
        psh.hwndParent = main;
        psh.pszCaption = "Keys sheet";
        psh.nPages = 1;
        psh.phpage = &page;
        HWND sheet = nullptr;
        std::string before, after_hot_key, after_tab;
        bool hidden = false, moved_on = false;
        const auto press = [&](UINT vk) {
            probe_->Key(vk, true);
            probe_->Key(vk, false);
        };
        const auto field_text = [&] {
            char text[64] = {};
            GetWindowTextA(
                GetDlgItem(HWND(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), kField), text,
                sizeof text);
            return std::string(text);
        };
        std::vector<std::function<void()>> steps = {
            [&] {
                sheet = FindWindowA(nullptr, "Keys sheet");
                ASSERT_TRUE(Within([&] { return probe_->WindowRect("Keys sheet").has_value(); }));
                probe_->Focus("Keys sheet");
                SetFocus(
                    GetDlgItem(HWND(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), kField));
                before = field_text();
                probe_->Key(VK_CONTROL, true);
                probe_->Key(VK_MENU, true);
                probe_->Key('J', true);
                for (UINT vk : c.released)
                    probe_->Key(vk, false);
            },
            [&] {
                hidden = !IsWindowVisible(main);
                after_hot_key = field_text();
                press(VK_TAB);
            },
            [&] {
                after_tab = field_text();
                moved_on = GetDlgCtrlID(GetFocus()) == kEdit;
                press(VK_ESCAPE);
            },
        };
        seen_.clear();
        INT_PTR result;
        {
            platform::testing::IdleScope idle(PlaySteps(std::move(steps)));
            result = PropertySheetA(&psh);
        }
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(hidden) << "the hot key reached its window";
        EXPECT_EQ(after_hot_key, before) << "the field took the grabbed key";
        EXPECT_EQ(after_tab, before) << "Tab was taken as a combination";
        EXPECT_TRUE(moved_on) << "Tab did not move the focus on";
        bool cancelled = false;
        for (const Seen& s : seen_)
            cancelled |= s.hwnd == sheet && s.message == WM_COMMAND && LOWORD(s.wparam) == IDCANCEL;
        EXPECT_TRUE(cancelled) << "Escape did not close the sheet";
        EXPECT_TRUE(UnregisterHotKey(main, 1));
        DestroyWindow(main);
        platform::testing::RunUntilIdle();
    }
}

TEST_F(X11Test, TheCloseBoxIsScClose) {
    HWND w =
        Make("Closing", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{0, 0, 100, 100}, RGB(0, 0, 0));
    ASSERT_TRUE(Until([&] { return probe_->WindowRect("Closing").has_value(); }));
    probe_->Close("Closing");
    ASSERT_TRUE(Until([&] { return !IsWindow(w); }));
    Seen command{};
    ASSERT_TRUE(SawMessage(w, WM_SYSCOMMAND, &command));
    EXPECT_EQ(command.wparam, WPARAM(SC_CLOSE));
    EXPECT_TRUE(SawMessage(w, WM_CLOSE));
}

namespace tray {

constexpr UINT kCallback = WM_APP + 7;
constexpr UINT kId = 3;
constexpr COLORREF kTrayColour = RGB(0x40, 0x40, 0x40);

// What a program keeps of its icon, and its window, which adds the icon again whenever a tray
// starts.
NOTIFYICONDATAA data{};
LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == RegisterWindowMessageA("TaskbarCreated")) {
        Shell_NotifyIconA(NIM_ADD, &data);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// 16 x 16 in quarters: red, green above; clear (white, which must not show), half-clear blue
// below.
HICON QuarterIcon() {
    platform::user32::Icon icon;
    icon.width = icon.height = 16;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            icon.pixels.push_back(y < 8 ? (x < 8 ? 0xFFFF0000u : 0xFF00FF00u)
                                        : (x < 8 ? 0x00FFFFFFu : 0x800000FFu));
    return platform::user32::AddIcon(icon);
}

HICON SolidIcon(uint32_t argb) {
    platform::user32::Icon icon;
    icon.width = icon.height = 16;
    icon.pixels.assign(256, argb);
    return platform::user32::AddIcon(icon);
}

bool Near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 1)
            return false;
    return true;
}

} // namespace tray

class X11TrayTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = tray::OwnerProc;
        wc.lpszClassName = "TrayOwner";
        RegisterClassExA(&wc);
        owner_ = CreateWindowExA(0, "TrayOwner", "Owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
        windows_.push_back(owner_);
        tray::data = NOTIFYICONDATAA{};
        tray::data.cbSize = sizeof tray::data;
        tray::data.hWnd = owner_;
        tray::data.uID = tray::kId;
        tray::data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        tray::data.uCallbackMessage = tray::kCallback;
        tray::data.hIcon = tray::QuarterIcon();
        lstrcpyA(tray::data.szTip, "Tray tip");
    }

    std::unique_ptr<TrayHost> StartTray(TrayHost::Options options = {}) {
        if (options.area.right == 0)
            options.area = RECT{600, 0, 700, 32};
        options.background = tray::kTrayColour;
        auto host = std::make_unique<TrayHost>(server_->display(), options);
        EXPECT_TRUE(host->running());
        return host;
    }

    // The one icon of the tray once it is docked and shown, with the layer's queue run meanwhile.
    std::optional<TrayHost::Icon> Docked(TrayHost& host) {
        std::optional<TrayHost::Icon> found;
        Until([&] {
            auto icons = host.Icons();
            if (icons.size() == 1 && icons[0].mapped)
                found = icons[0];
            return found.has_value();
        });
        return found;
    }

    // The callback messages the icon's window got, as their mouse messages.
    std::vector<LPARAM> Callbacks(bool with_moves) {
        std::vector<LPARAM> out;
        for (const Seen& s : seen_) {
            if (s.hwnd != owner_ || s.message != tray::kCallback)
                continue;
            EXPECT_EQ(s.wparam, WPARAM(tray::kId));
            if (with_moves || s.lparam != WM_MOUSEMOVE)
                out.push_back(s.lparam);
        }
        return out;
    }

    HWND owner_ = nullptr;
};

TEST_F(X11TrayTest, TheIconDocksInTheTrayDrawnOverItsBackgroundAndGoesWhenDeleted) {
    struct Case {
        const char* name;
        bool argb;
        int side;      // the tray's icon size: the 16 x 16 icon is scaled to it
        bool by_hints; // the tray gives the size the icon asks for, which must be 24 x 24
        // The clear and the half-clear quarters as the screen shows them: over the tray's grey
        // for the default visual; premultiplied, as over black, for a 32-bit one (a bare server
        // has nobody to blend it).
        uint32_t clear, half;
    };
    const Case cases[] = {
        {"default visual", false, 32, false, 0x404040u, 0x2020A0u},
        {"32-bit visual", true, 32, false, 0x000000u, 0x000080u},
        {"one and a half times", false, 24, false, 0x404040u, 0x2020A0u},
        {"as big as it asks", false, 24, true, 0x404040u, 0x2020A0u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto host = StartTray(TrayHost::Options{
            .icon_side = c.by_hints ? 0 : c.side, .sized_by_hints = c.by_hints, .argb = c.argb});
        ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &tray::data));
        EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &tray::data)) << "one icon per window and id";
        std::optional<TrayHost::Icon> icon = Docked(*host);
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->argb, c.argb);
        EXPECT_EQ(icon->name, "Tray tip");
        // The size the tray gave it, each quarter filling a quarter of the window exactly.
        ASSERT_EQ(icon->area.right - icon->area.left, c.side);
        ASSERT_EQ(icon->area.bottom - icon->area.top, c.side);
        const RECT area = icon->area;
        const int n = c.side, h = c.side / 2;
        auto at = [&](const platform::gdi::Surface& screen, int x, int y) {
            return screen.pixels[size_t(y) * size_t(n) + size_t(x)];
        };
        std::optional<platform::gdi::Surface> screen;
        EXPECT_TRUE(Until([&] {
            screen = probe_->ReadScreen(area);
            return screen && at(*screen, 0, 0) == 0xFF0000u &&
                   at(*screen, h - 1, h - 1) == 0xFF0000u && at(*screen, h, 0) == 0x00FF00u &&
                   at(*screen, n - 1, h - 1) == 0x00FF00u && at(*screen, 0, h) == c.clear &&
                   at(*screen, h - 1, n - 1) == c.clear && tray::Near(at(*screen, h, h), c.half) &&
                   tray::Near(at(*screen, n - 1, n - 1), c.half);
        })) << std::hex
            << (screen ? at(*screen, h - 1, h - 1) : 0) << " " << (screen ? at(*screen, h, 0) : 0)
            << " " << (screen ? at(*screen, h - 1, h) : 0) << " "
            << (screen ? at(*screen, h, h) : 0);

        // A new picture and tip.
        tray::data.hIcon = tray::SolidIcon(0xFFFFFF00u);
        lstrcpyA(tray::data.szTip, "New tip");
        ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &tray::data));
        EXPECT_TRUE(Until([&] {
            screen = probe_->ReadScreen(area);
            return screen && at(*screen, 0, n - 1) == 0xFFFF00u &&
                   at(*screen, n - 1, 0) == 0xFFFF00u;
        }));
        EXPECT_TRUE(Until([&] {
            auto icons = host->Icons();
            return icons.size() == 1 && icons[0].name == "New tip";
        }));
        EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &tray::data));
        EXPECT_TRUE(Until([&] { return host->Icons().empty(); }));
        EXPECT_TRUE(platform::testing::TrayIcons().empty());
        tray::data.hIcon = tray::QuarterIcon();
        lstrcpyA(tray::data.szTip, "Tray tip");
    }
}

TEST_F(X11TrayTest, ThePointerOnTheIconIsTheCallbackMessage) {
    auto host = StartTray();
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &tray::data));
    std::optional<TrayHost::Icon> icon = Docked(*host);
    ASSERT_TRUE(icon);
    seen_.clear();
    probe_->MoveTo(POINT{icon->area.left + 10, icon->area.top + 10});
    ASSERT_TRUE(Until([&] { return !Callbacks(true).empty(); }));
    EXPECT_EQ(Callbacks(true)[0], LPARAM(WM_MOUSEMOVE));
    // Two clicks at once are a double click, which takes the place of the second press.
    for (int i = 0; i < 2; ++i) {
        probe_->Button(1, true);
        probe_->Button(1, false);
    }
    probe_->Button(3, true);
    probe_->Button(3, false);
    const std::vector<LPARAM> expected = {WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_LBUTTONDBLCLK,
                                          WM_LBUTTONUP,   WM_RBUTTONDOWN, WM_RBUTTONUP};
    EXPECT_TRUE(Until([&] { return Callbacks(false).size() >= expected.size(); }));
    EXPECT_EQ(Callbacks(false), expected);
    // A click on the tray beside the icon is not the icon's: the next one on it comes alone.
    seen_.clear();
    probe_->MoveTo(POINT{icon->area.right + 20, icon->area.top + 10});
    probe_->Button(1, true);
    probe_->Button(1, false);
    probe_->MoveTo(POINT{icon->area.left + 5, icon->area.top + 5});
    probe_->Button(1, true);
    probe_->Button(1, false);
    EXPECT_TRUE(Until([&] { return Callbacks(false).size() >= 2; }));
    EXPECT_EQ(Callbacks(false), (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(X11TrayTest, WithoutATrayTheIconFailsAndATrayThatStartsLaterGetsIt) {
    struct Case {
        const char* name;
        bool announce; // says MANAGER; else only the selection's new owner tells
    };
    for (const Case c : {Case{"announced", true}, Case{"silent", false}}) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &tray::data));
        EXPECT_TRUE(platform::testing::TrayIcons().empty());
        // The program's window hears "TaskbarCreated" and adds its icon.
        auto host = StartTray(TrayHost::Options{.announce = c.announce});
        ASSERT_TRUE(Docked(*host));
        EXPECT_EQ(platform::testing::TrayIcons().size(), 1u);
        // The tray goes, its icons with it: none is left to be added again.
        host->Close();
        EXPECT_TRUE(Until([] { return platform::testing::TrayIcons().empty(); }));
        // And the next tray gets it once more.
        host = StartTray(TrayHost::Options{.announce = c.announce});
        ASSERT_TRUE(Docked(*host));
        EXPECT_EQ(platform::testing::TrayIcons().size(), 1u);
        EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &tray::data));
        EXPECT_TRUE(Until([&] { return host->Icons().empty(); }));
    }
}

// A window dragged from anywhere, as the program's main window is: its button-down posts a
// caption hit. Its WM_MOVING handler keeps the left edge off the first 30 pixels of the screen
// (it snaps to 0) and the top edge at 400 at most.
LRESULT CALLBACK DraggedProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_LBUTTONDOWN) {
        PostMessageA(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, lparam);
        return 0;
    }
    if (message == WM_MOVING) {
        auto* r = reinterpret_cast<RECT*>(lparam);
        if (r->left < 30) {
            r->right -= r->left;
            r->left = 0;
        }
        if (r->top > 400) {
            r->bottom -= r->top - 400;
            r->top = 400;
        }
        return 1;
    }
    return present_test::ColourProc(hwnd, message, wparam, lparam);
}

TEST_F(X11Test, TheMoveLoopHoldsThePointerAndStartsWhereTheButtonWentDown) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DraggedProc;
    wc.lpszClassName = "Dragged";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    // Another program's window, which has the keyboard when the drag starts.
    probe_->ShowWindowAt(RECT{800, 600, 900, 700}, RGB(0, 128, 0));
    struct Case {
        const char* name;
        std::vector<POINT> before; // moves made before the layer has read the press
        std::vector<POINT> during; // moves made while the loop runs
        bool escape;               // Escape before the release
        POINT expected;            // where the window's top-left corner ends
    };
    const Case cases[] = {
        // The loop starts after the pointer has left the window: no pixel of the way is lost.
        {"fast", {{400, 300}, {600, 350}}, {}, false, {570, 330}},
        {"snapped to the left edge", {{135, 125}}, {{40, 200}}, false, {0, 180}},
        // Held back by WM_MOVING, the window leaves the pointer outside it; the moves and the
        // release there still come to the loop.
        {"held back", {}, {{300, 700}, {350, 720}}, false, {320, 400}},
        {"escape", {}, {{400, 300}}, true, {100, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND w = Make("Dragged", WS_POPUP | WS_VISIBLE, 0, RECT{100, 100, 200, 150}, RGB(0, 0, 255),
                      "Dragged");
        ASSERT_TRUE(Until([&] { return probe_->WindowRect("Dragged").has_value(); }));
        probe_->Focus("");
        seen_.clear();
        probe_->MoveTo(POINT{130, 120});
        probe_->Button(1, true);
        for (POINT p : c.before)
            probe_->MoveTo(p);
        bool grabbed = false;
        std::vector<std::function<void()>> steps;
        for (POINT p : c.during)
            steps.push_back([&, p] {
                grabbed = Within([&] { return probe_->InputGrabbed(); });
                probe_->MoveTo(p);
            });
        if (c.escape)
            steps.push_back([&] {
                grabbed = Within([&] { return probe_->InputGrabbed(); });
                probe_->Key(VK_ESCAPE, true);
                probe_->Key(VK_ESCAPE, false);
            });
        else
            steps.push_back([&] {
                grabbed = Within([&] { return probe_->InputGrabbed(); });
                probe_->Button(1, false);
            });
        {
            platform::testing::IdleScope idle(PlaySteps(std::move(steps)));
            ASSERT_TRUE(Until([&] { return SawMessage(w, WM_EXITSIZEMOVE); }));
        }
        EXPECT_TRUE(grabbed) << "the pointer and the keyboard are the loop's";
        EXPECT_TRUE(SawMessage(w, WM_ENTERSIZEMOVE));
        EXPECT_EQ(GetCapture(), nullptr);
        if (c.escape)
            probe_->Button(1, false);
        EXPECT_TRUE(Within([&] { return !probe_->InputGrabbed(); })) << "given back at the end";
        RECT r;
        GetWindowRect(w, &r);
        EXPECT_EQ(r.left, c.expected.x);
        EXPECT_EQ(r.top, c.expected.y);
        std::optional<RECT> at;
        EXPECT_TRUE(Until([&] {
            at = probe_->WindowRect("Dragged");
            return at && at->left == c.expected.x && at->top == c.expected.y;
        })) << (at ? at->left : -1)
            << "," << (at ? at->top : -1);
        DestroyWindow(w);
        platform::testing::RunUntilIdle();
    }
}

TEST_F(X11Test, APopupMenuIsAWindowOfItsOwnWithTheInput) {
    HWND owner = Make("Owner", WS_POPUP | WS_VISIBLE, 0, RECT{100, 100, 400, 300}, RGB(0, 0, 160));
    ASSERT_TRUE(Until([&] { return probe_->WindowRect("Owner").has_value(); }));
    SetForegroundWindow(owner);
    HMENU menu = platform::user32::CreateMenuObject(true);
    auto& items = platform::user32::FindMenu(menu)->items;
    items.push_back(platform::user32::MenuItem{11, "&First", 0, 0, nullptr});
    items.push_back(platform::user32::MenuItem{0, "", 0x0800, 0, nullptr}); // a separator
    items.push_back(platform::user32::MenuItem{12, "&Second\tCtrl+S", 0, 0x0008, nullptr});
    // The click outside falls on another program's window, which has the keyboard meanwhile.
    probe_->ShowWindowAt(RECT{600, 500, 700, 600}, RGB(0, 128, 0));
    probe_->Focus("");
    struct Case {
        const char* name;
        std::function<void(const RECT& menu)> act;
        UINT expected;
    };
    const Case cases[] = {
        {"a click on an item",
         [&](const RECT& m) {
             probe_->MoveTo(POINT{m.left + 30, m.top + 8});
             probe_->Button(1, true);
             probe_->Button(1, false);
         },
         11},
        {"keys",
         [&](const RECT&) {
             probe_->Key(VK_DOWN, true);
             probe_->Key(VK_DOWN, false);
             probe_->Key(VK_DOWN, true);
             probe_->Key(VK_DOWN, false);
             probe_->Key(VK_RETURN, true);
             probe_->Key(VK_RETURN, false);
         },
         12},
        {"a click outside",
         [&](const RECT&) {
             probe_->MoveTo(POINT{650, 550});
             probe_->Button(1, true);
             probe_->Button(1, false);
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<RECT> shown;
        bool grabbed = false;
        bool painted = false;
        std::vector<std::function<void()>> steps = {[&] {
            shown = probe_->OverrideRedirectWindows();
            grabbed = Within([&] { return probe_->InputGrabbed(); });
            HWND window = FindWindowA("#32768", nullptr);
            const auto expected = platform::present::ComposeWindow(window);
            painted = expected && !shown.empty() && Within([&] {
                          auto screen = probe_->ReadScreen(shown.front());
                          return screen && screen->pixels == expected->pixels;
                      });
            if (!shown.empty())
                SaveScreen(RECT{80, 80, shown.front().right + 20, shown.front().bottom + 20},
                           "x11-menu.png");
            if (!shown.empty())
                c.act(shown.front());
        }};
        UINT chosen;
        {
            platform::testing::IdleScope idle(PlaySteps(std::move(steps)));
            chosen = UINT(TrackPopupMenu(menu, TPM_RETURNCMD, 150, 150, 0, owner, nullptr));
        }
        EXPECT_EQ(chosen, c.expected);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].left, 150);
        EXPECT_EQ(shown[0].top, 150);
        EXPECT_TRUE(painted) << "the menu shows its items";
        EXPECT_TRUE(grabbed) << "the pointer and the keyboard are the menu's";
        EXPECT_TRUE(Until([&] { return probe_->OverrideRedirectWindows().empty(); }));
        EXPECT_TRUE(Until([&] { return !probe_->InputGrabbed(); }));
        EXPECT_EQ(probe_->ClicksReceived(), 0) << "the click that closes the menu goes nowhere";
    }
}

// A combo box's open list has the pointer and the keyboard: a click outside every window of the
// program, of which the server would tell the layer nothing, closes the list without a pick,
// and the list still works by the pointer and the keys. Every way the list closes gives the
// input back.
TEST_F(X11Test, AComboBoxsOpenListHasTheInputSoAClickOutsideClosesIt) {
    constexpr int kCombo = 100;
    // Another program's window, where a click outside falls.
    probe_->ShowWindowAt(RECT{600, 500, 700, 600}, RGB(0, 128, 0));
    platform::user32::DialogTemplate t;
    t.style = WS_POPUP | WS_VISIBLE | WS_BORDER;
    t.caption = "Chooser";
    t.x = 60;
    t.y = 60;
    t.cx = 160;
    t.cy = 80;
    platform::user32::DialogControl combo_control;
    combo_control.class_name = "COMBOBOX";
    combo_control.id = kCombo;
    combo_control.x = 10;
    combo_control.y = 10;
    combo_control.cx = 100;
    combo_control.cy = 60;
    combo_control.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    t.controls.push_back(combo_control);
    const DLGPROC proc = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR {
        return message == WM_INITDIALOG;
    };
    const auto click = [&](POINT at) {
        probe_->MoveTo(at);
        probe_->Button(1, true);
        probe_->Button(1, false);
    };
    const auto press = [&](UINT vk) {
        probe_->Key(vk, true);
        probe_->Key(vk, false);
    };
    // An entry of the open list, inside its frame, 16 pixels each.
    const auto entry = [](const RECT& box, int index) {
        return POINT{(box.left + box.right) / 2, box.bottom + 1 + index * 16 + 8};
    };
    struct Case {
        const char* name;
        std::function<void(HWND dialog, HWND combo, const RECT& box)> act;
        int selection; // -1: the control is gone
        std::vector<int> codes;
    };
    const Case cases[] = {
        {"a click on another program's window",
         [&](HWND, HWND, const RECT&) {
             click(POINT{650, 550});
         },
         1,
         {CBN_CLOSEUP}},
        {"a click on the bare screen",
         [&](HWND, HWND, const RECT&) {
             click(POINT{900, 80});
         },
         1,
         {CBN_CLOSEUP}},
        {"a click on an entry",
         [&](HWND, HWND, const RECT& box) { click(entry(box, 3)); },
         3,
         {CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}},
        {"Escape", [&](HWND, HWND, const RECT&) { press(VK_ESCAPE); }, 1, {CBN_CLOSEUP}},
        {"the arrow keys and Enter",
         [&](HWND, HWND, const RECT&) {
             press(VK_DOWN);
             press(VK_RETURN);
         },
         2,
         {CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}},
        {"the focus going to another program",
         [&](HWND, HWND, const RECT&) { probe_->Focus(""); },
         1,
         {CBN_CLOSEUP}},
        {"the control destroyed",
         [](HWND, HWND combo, const RECT&) { DestroyWindow(combo); },
         -1,
         {}},
        {"the dialog ended", [](HWND dialog, HWND, const RECT&) { DestroyWindow(dialog); }, -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND dialog = platform::user32::CreateModelessDialog(nullptr, t, nullptr, proc, 0);
        ASSERT_NE(dialog, nullptr);
        windows_.push_back(dialog);
        HWND combo = GetDlgItem(dialog, kCombo);
        for (const char* text : {"Day", "Half day", "Hour", "Minute"})
            SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(text));
        SendMessageA(combo, CB_SETCURSEL, 1, 0);
        ASSERT_TRUE(Until([&] { return probe_->WindowRect("Chooser").has_value(); }));
        probe_->Focus("Chooser");
        ASSERT_TRUE(Until([&] { return GetForegroundWindow() == dialog; }));
        RECT box;
        GetWindowRect(combo, &box);
        const POINT middle{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
        // The dialog keeps the focus through the pointer over it: a focus of its own would hear
        // nothing of the grab it takes itself.
        probe_->MoveTo(middle);
        probe_->FocusFollowsPointer();
        click(middle);
        ASSERT_TRUE(Until([&] {
            return SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) && probe_->InputGrabbed();
        })) << "the open list has the pointer and the keyboard";
        HWND list = WindowFromPoint(entry(box, 1));
        ASSERT_NE(list, dialog);
        ASSERT_TRUE(IsWindow(list));
        SaveScreen(RECT{box.left - 20, box.top - 20, box.right + 20, box.bottom + 100},
                   "x11-combo.png");
        seen_.clear();
        c.act(dialog, combo, box);
        EXPECT_TRUE(Until([&] {
            return !probe_->InputGrabbed() &&
                   (!IsWindow(combo) || !SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
        })) << "the input given back when the list closes";
        EXPECT_FALSE(IsWindow(list)) << "the list stays";
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(probe_->ClicksReceived(), 0) << "the click that closes the list goes nowhere";
        if (c.selection >= 0) {
            EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), c.selection);
            std::vector<int> codes;
            for (const Seen& s : seen_)
                if (s.hwnd == dialog && s.message == WM_COMMAND && LOWORD(s.wparam) == kCombo &&
                    HIWORD(s.wparam) != CBN_SETFOCUS && HIWORD(s.wparam) != CBN_KILLFOCUS)
                    codes.push_back(HIWORD(s.wparam));
            EXPECT_EQ(codes, c.codes);
        }
        DestroyWindow(dialog);
        platform::testing::RunUntilIdle();
    }
}

TEST_F(X11Test, TheFocusGoingToAnotherProgramDeactivates) {
    HWND a = Make("First", WS_POPUP | WS_VISIBLE, 0, RECT{100, 100, 200, 200}, RGB(1, 2, 3));
    HWND b = Make("Second", WS_POPUP | WS_VISIBLE, 0, RECT{300, 100, 400, 200}, RGB(1, 2, 3));
    probe_->ShowWindowAt(RECT{600, 500, 700, 600}, RGB(0, 128, 0));
    ASSERT_TRUE(Until(
        [&] { return probe_->WindowRect("First").has_value() && probe_->WindowRect("Second"); }));
    probe_->Focus("First");
    ASSERT_TRUE(Until([&] { return GetForegroundWindow() == a && GetFocus() == a; }));
    // From one window of the layer to another: the activation moves, never to nobody.
    seen_.clear();
    probe_->Focus("Second");
    ASSERT_TRUE(Until([&] { return GetForegroundWindow() == b; }));
    Seen inactive{};
    ASSERT_TRUE(SawMessage(a, WM_ACTIVATE, &inactive));
    EXPECT_EQ(LOWORD(inactive.wparam), WA_INACTIVE);
    EXPECT_EQ(HWND(inactive.lparam), b);
    // To another program: the window that was active hears that it is no more.
    seen_.clear();
    probe_->Focus("");
    ASSERT_TRUE(Until([&] { return GetForegroundWindow() == nullptr; }));
    EXPECT_EQ(GetFocus(), nullptr);
    ASSERT_TRUE(SawMessage(b, WM_ACTIVATE, &inactive));
    EXPECT_EQ(LOWORD(inactive.wparam), WA_INACTIVE);
    EXPECT_TRUE(SawMessage(b, WM_NCACTIVATE));
    EXPECT_TRUE(SawMessage(b, WM_KILLFOCUS));
    // And back.
    probe_->Focus("First");
    EXPECT_TRUE(Until([&] { return GetForegroundWindow() == a; }));
}

TEST_F(X11Test, ButtonsAndModifiersAreAsTheServerHasThem) {
    HWND w = Make("Held", WS_POPUP | WS_VISIBLE, 0, RECT{100, 100, 200, 200}, RGB(1, 2, 3));
    probe_->ShowWindowAt(RECT{600, 500, 700, 600}, RGB(0, 128, 0));
    ASSERT_TRUE(Until([&] { return probe_->WindowRect("Held").has_value(); }));
    probe_->Focus("");
    // Pressed over another program's window, with its keyboard: nothing comes to the layer, yet
    // the live state knows.
    probe_->MoveTo(POINT{650, 550});
    probe_->Button(1, true);
    probe_->Key(VK_SHIFT, true);
    platform::testing::RunUntilIdle();
    EXPECT_LT(GetAsyncKeyState(VK_LBUTTON), 0);
    EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
    EXPECT_GE(GetAsyncKeyState(VK_RBUTTON), 0);
    EXPECT_GE(GetAsyncKeyState(VK_CONTROL), 0);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0) << "no message has said so yet";
    probe_->Button(1, false);
    EXPECT_GE(GetAsyncKeyState(VK_LBUTTON), 0);
    // The pointer comes over the layer's window with Shift held: its messages and the key state
    // that goes with them say Shift.
    seen_.clear();
    probe_->MoveTo(POINT{150, 150});
    Seen move{};
    ASSERT_TRUE(Until([&] { return SawMessage(w, WM_MOUSEMOVE, &move); }));
    EXPECT_TRUE(move.wparam & MK_SHIFT);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    // Let go elsewhere: the next pointer message brings the news.
    probe_->Key(VK_SHIFT, false);
    seen_.clear();
    probe_->MoveTo(POINT{160, 150});
    ASSERT_TRUE(Until([&] { return SawMessage(w, WM_MOUSEMOVE, &move); }));
    EXPECT_FALSE(move.wparam & MK_SHIFT);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
}

TEST_F(X11Test, AWindowManagersLateReportsDoNotPullAMovedWindowBack) {
    HWND w = Make("Reported", WS_POPUP | WS_VISIBLE, 0, RECT{100, 100, 200, 150}, RGB(1, 2, 3));
    ASSERT_TRUE(Until([&] { return probe_->WindowRect("Reported").has_value(); }));
    probe_->ManageWindows();
    // Two quick moves, as a drag makes them; the window manager carries out the first, and
    // reports it, after the second was asked for.
    SetWindowPos(w, nullptr, 200, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(w, nullptr, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    seen_.clear();
    ASSERT_TRUE(Within([&] { return probe_->AnswerMove(); }));
    platform::testing::RunUntilIdle();
    ASSERT_TRUE(Within([&] { return probe_->AnswerMove(); }));
    std::optional<RECT> at;
    ASSERT_TRUE(Until([&] {
        at = probe_->WindowRect("Reported");
        return at && at->left == 300 && at->top == 300;
    }));
    platform::testing::RunUntilIdle();
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 300);
    EXPECT_EQ(r.top, 300);
    for (const Seen& s : seen_) {
        if (s.hwnd == w && s.message == WM_MOVE) {
            EXPECT_EQ(s.lparam, MAKELPARAM(300, 300)) << "pulled back to an earlier place";
        }
    }
    // Moved by the window manager itself, even back to a place the program had asked for
    // before: the layer follows.
    probe_->MoveWindow("Reported", RECT{200, 200, 300, 250});
    EXPECT_TRUE(Until([&] { return GetWindowRect(w, &r) && r.left == 200 && r.top == 200; }))
        << r.left << "," << r.top;
}

TEST_F(X11Test, AWindowMovedAndResizedQuicklyNeverGoesBackToASizeItHadBefore) {
    struct Case {
        const char* title;
        bool managed, framed;
    };
    const Case cases[] = {
        {"Resized alone", false, false},
        {"Resized in a frame", true, true},
    };
    for (const Case& c : cases) {
        HWND w = Make(c.title, WS_POPUP | WS_VISIBLE, 0, RECT{100, 100, 200, 150}, RGB(1, 2, 3));
        ASSERT_TRUE(Until([&] { return probe_->WindowRect(c.title).has_value(); })) << c.title;
        RECT r;
        if (c.managed) {
            probe_->ManageWindows(c.framed);
            // Once the layer has followed the window manager, it knows of the frame.
            probe_->MoveWindow(c.title, RECT{110, 110, 210, 160});
            ASSERT_TRUE(Until([&] { return GetWindowRect(w, &r) && r.left == 110; })) << c.title;
        }
        seen_.clear();
        // Each call asks the server for a new size before it has reported the one before.
        const RECT steps[] = {{120, 120, 260, 200}, {140, 130, 320, 250}, {160, 140, 380, 300}};
        for (const RECT& s : steps)
            MoveWindow(w, s.left, s.top, s.right - s.left, s.bottom - s.top, TRUE);
        if (c.managed) {
            for (size_t i = 0; i < std::size(steps); ++i)
                ASSERT_TRUE(Within([&] { return probe_->AnswerMove(); })) << c.title;
        }
        // Then the user moves and sizes it: the layer follows, and once it has, it has seen
        // every report the server and the window manager made before.
        const RECT user{200, 200, 300, 260};
        probe_->MoveWindow(c.title, user);
        ASSERT_TRUE(Until([&] {
            return GetWindowRect(w, &r) && r.left == user.left && r.top == user.top &&
                   r.right == user.right && r.bottom == user.bottom;
        })) << c.title
            << ": " << r.left << "," << r.top << " " << r.right - r.left << "x" << r.bottom - r.top;
        std::vector<std::pair<int, int>> sizes, expected;
        for (const Seen& s : seen_)
            if (s.hwnd == w && s.message == WM_SIZE)
                sizes.emplace_back(LOWORD(s.lparam), HIWORD(s.lparam));
        for (const RECT& s : steps)
            expected.emplace_back(s.right - s.left, s.bottom - s.top);
        expected.emplace_back(user.right - user.left, user.bottom - user.top);
        EXPECT_EQ(sizes, expected) << c.title;
    }
}

} // namespace
