// The test desktop itself: headless whatever the environment names, the machine below the layer
// simulated (exit, clock, host tree, drives, volumes), the queue run on the manual clock, the
// monitors, and the pixels of DCs and windows.
#include "testing/desktop.h"

#include "gdi32/objects.h"
#include "host/block_devices.h"
#include "host/root.h"
#include "kernel32/process.h"
#include "present/headless.h"
#include "present/picture.h"
#include "present/present.h"
#include "present/snapshot.h"
#include "user32/window_manager.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace platform::testing {

namespace {

// The test desktop is headless whatever display the environment names.
const bool headless_presentation = [] {
    present::SetBackend(present::MakeHeadlessBackend());
    return true;
}();

} // namespace

ExitTrap::ExitTrap() {
    SetExitHandler([](UINT code) { throw ProcessExited{code}; });
}

ExitTrap::~ExitTrap() {
    SetExitHandler({});
}

FatalExitTrap::FatalExitTrap(std::function<void()> before_throw) {
    SetExitHandler([before_throw = std::move(before_throw)](UINT) {
        if (before_throw)
            before_throw();
        std::vector<user32::MessageBoxRecord> boxes = user32::ShownMessageBoxes();
        throw FatalExitCalled{boxes.empty() ? std::string() : boxes.back().text};
    });
}

FatalExitTrap::~FatalExitTrap() {
    SetExitHandler({});
}

ManualClockScope::ManualClockScope(uint64_t start_ms) : clock_(start_ms) {
    host::InstallClock(&clock_);
}

ManualClockScope::~ManualClockScope() {
    host::InstallClock(nullptr);
}

HostRootScope::HostRootScope(std::string_view root) : previous_(host::Root()) {
    host::SetRoot(root);
}

HostRootScope::~HostRootScope() {
    host::SetRoot(previous_);
}

std::array<uint8_t, 512> MakeIdentifySector(std::string_view model, std::string_view serial,
                                            std::string_view firmware) {
    host::Sector sector{};
    sector[0] = 0x40; // a fixed device
    host::PutAtaString(sector, 10, 10, serial);
    host::PutAtaString(sector, 23, 4, firmware);
    host::PutAtaString(sector, 27, 20, model);
    sector[510] = 0xA5;
    host::SetSectorChecksum(sector);
    return sector;
}

std::array<uint8_t, 512> MakeSmartSector(std::vector<std::pair<uint8_t, uint64_t>> attributes) {
    host::Sector sector{};
    sector[0] = 0x10;
    for (size_t i = 0; i < attributes.size() && i < 30; ++i) {
        uint8_t* entry = sector.data() + 2 + 12 * i;
        entry[0] = attributes[i].first;
        entry[1] = 0x22;
        entry[3] = 100;
        entry[4] = 100;
        for (int b = 0; b < 6; ++b)
            entry[5 + b] = uint8_t(attributes[i].second >> (8 * b));
    }
    host::SetSectorChecksum(sector);
    return sector;
}

SimulatedDrivesScope::SimulatedDrivesScope() {
    Install();
}

SimulatedDrivesScope::~SimulatedDrivesScope() {
    SetSimulatedDrives(std::nullopt);
}

void SimulatedDrivesScope::Add(unsigned n, const std::array<uint8_t, 512>& identify,
                               const std::array<uint8_t, 512>& smart) {
    SimulatedDrive drive;
    drive.identify = identify;
    drive.smart = smart;
    drives_[n] = drive;
    Install();
}

void SimulatedDrivesScope::AddUnopenable(unsigned n, DWORD error) {
    SimulatedDrive drive;
    drive.open_error = error;
    drives_[n] = drive;
    Install();
}

void SimulatedDrivesScope::AddFailing(unsigned n, DWORD error) {
    SimulatedDrive drive;
    drive.command_error = error;
    drives_[n] = drive;
    Install();
}

void SimulatedDrivesScope::Install() {
    SetSimulatedDrives(drives_);
}

std::optional<gdi::Surface> ReadPixels(HDC dc) {
    gdi::Surface* surface = gdi::SurfaceOf(dc);
    if (!surface)
        return std::nullopt;
    return *surface;
}

COLORREF PixelAt(const gdi::Surface& surface, int x, int y) {
    if (x < 0 || y < 0 || x >= surface.width || y >= surface.height)
        return CLR_INVALID;
    return gdi::ColorFromPixel(surface.pixels[static_cast<size_t>(y) * surface.width + x]);
}

bool SaveDCPng(HDC dc, const std::string& linux_path) {
    gdi::Surface* surface = gdi::SurfaceOf(dc);
    return surface && present::WriteSurfacePng(*surface, linux_path, 255, std::nullopt);
}

namespace {

host::ManualClock* Manual() {
    return dynamic_cast<host::ManualClock*>(&host::CurrentClock());
}

void PaintPending(HWND hwnd) {
    UpdateWindow(hwnd);
    std::vector<HWND> children;
    if (auto w = user32::FindWindowRecord(hwnd)) {
        std::lock_guard lock(user32::DesktopLock());
        children = w->children;
    }
    for (HWND child : children)
        PaintPending(child);
}

} // namespace

DesktopScope::DesktopScope(uint64_t start_ms) : clock_(start_ms) {
    user32::ResetDesktopForTests();
    ClearMenuAnswers();
    ClearDialogs();
}

DesktopScope::~DesktopScope() {
    user32::SetIdleHandler({});
    user32::ResetDesktopForTests();
    ClearMenuAnswers();
    ClearDialogs();
}

int RunUntilIdle() {
    int dispatched = 0;
    // A window that never validates its update area would be painted for ever.
    for (int guard = 0; guard < 100000; ++guard) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            break;
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++dispatched;
    }
    return dispatched;
}

int RunFor(uint64_t milliseconds) {
    host::ManualClock* clock = Manual();
    if (!clock)
        return -1;
    uint64_t end = clock->Now() + milliseconds;
    int dispatched = 0;
    for (;;) {
        dispatched += RunUntilIdle();
        if (PendingQuit())
            break;
        std::optional<uint64_t> next = user32::NextTimerDue();
        if (next && *next <= end) {
            clock->Set(std::max(clock->Now(), *next));
            continue;
        }
        clock->Set(std::max(clock->Now(), end));
        dispatched += RunUntilIdle();
        break;
    }
    return dispatched;
}

std::optional<int> PendingQuit() {
    MSG msg;
    if (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), WM_QUIT, WM_QUIT, PM_NOREMOVE) &&
        msg.message == WM_QUIT)
        return int(msg.wParam);
    return std::nullopt;
}

IdleScope::IdleScope(std::function<bool()> handler) {
    user32::SetIdleHandler(std::move(handler));
}

IdleScope::~IdleScope() {
    user32::SetIdleHandler({});
}

std::function<bool()> AdvanceTimersFor(uint64_t milliseconds, std::function<void()> at_end) {
    host::ManualClock* clock = Manual();
    uint64_t deadline = (clock ? clock->Now() : 0) + milliseconds;
    auto ended = std::make_shared<bool>(false);
    return [clock, deadline, ended, at_end]() {
        if (!clock || *ended)
            return false;
        std::optional<uint64_t> next = user32::NextTimerDue();
        if (next && *next <= deadline) {
            clock->Set(std::max(clock->Now(), *next));
            return true;
        }
        clock->Set(std::max(clock->Now(), deadline));
        *ended = true;
        if (at_end)
            at_end();
        return true;
    };
}

MonitorScope::MonitorScope(std::vector<user32::MonitorLayout> monitors) {
    user32::SetMonitors(std::move(monitors));
}

MonitorScope::~MonitorScope() {
    user32::SetMonitors({});
}

SimulatedVolumesScope::SimulatedVolumesScope(std::vector<SimulatedVolume> volumes) {
    // Each volume is a directory of its own that nothing else uses.
    std::vector<host::DriveMapping> map;
    std::map<std::string, host::DiskSpace> spaces;
    for (const SimulatedVolume& volume : volumes) {
        std::string root = std::string("/pelmora-simulated-volume-") + volume.letter;
        map.push_back({volume.letter, root});
        spaces[root] = {volume.free_to_caller, volume.total, volume.total_free};
    }
    host::SetDriveMapProvider([map] { return map; });
    host::SetDiskSpaceProvider(
        [spaces](const std::string& directory) -> std::optional<host::DiskSpace> {
            for (const auto& [root, space] : spaces) {
                if (directory == root || directory.starts_with(root + "/"))
                    return space;
            }
            return std::nullopt;
        });
}

SimulatedVolumesScope::~SimulatedVolumesScope() {
    host::SetDiskSpaceProvider({});
    host::SetDriveMapProvider(host::MountedDriveMap);
}

std::optional<gdi::Surface> ReadWindowPixels(HWND hwnd) {
    HWND top = user32::TopLevelOf(hwnd);
    if (!top)
        return std::nullopt;
    PaintPending(top);
    gdi::Surface out;
    POINT origin;
    {
        auto w = user32::FindWindowRecord(top);
        if (!w)
            return std::nullopt;
        std::lock_guard lock(user32::DesktopLock());
        if (!w->surface)
            return std::nullopt;
        out = *w->surface;
        origin = user32::ClientOriginOnScreen(*w);
    }
    present::ComposeChildren(out, top, origin);
    return out;
}

} // namespace platform::testing
