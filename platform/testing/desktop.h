// The test desktop: what tests use to drive the layer and observe the program.
#pragma once

#include <windows.h>

#include "host/clock.h"
#include "host/drives.h"
#include "kernel32/simulated_drives.h"
#include "user32/message_box.h"
#include "user32/monitors.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::testing {

// Thrown by ExitProcess while an ExitTrap is in force, so that a test can watch the program end.
struct ProcessExited {
    UINT code;
};

// While it lives, ExitProcess throws ProcessExited instead of ending the test run.
class ExitTrap {
public:
    ExitTrap();
    ~ExitTrap();
    ExitTrap(const ExitTrap&) = delete;
    ExitTrap& operator=(const ExitTrap&) = delete;
};

// While it lives, the layer's clock is this manual clock.
class ManualClockScope {
public:
    explicit ManualClockScope(uint64_t start_ms = 1'000'000);
    ~ManualClockScope();
    ManualClockScope(const ManualClockScope&) = delete;
    ManualClockScope& operator=(const ManualClockScope&) = delete;
    host::ManualClock& clock() { return clock_; }
    host::ManualClock* operator->() { return &clock_; }

private:
    host::ManualClock clock_;
};

// While it lives, the host readings (/proc, /sys, /dev) come from the tree at this path, e.g. a
// fixture in tests/fixtures/host/<name>; the previous root comes back after.
class HostRootScope {
public:
    explicit HostRootScope(std::string_view root);
    ~HostRootScope();
    HostRootScope(const HostRootScope&) = delete;
    HostRootScope& operator=(const HostRootScope&) = delete;

private:
    std::string previous_;
};

// An IDENTIFY DEVICE answer with this model name (words 27 to 46), serial and firmware.
std::array<uint8_t, 512> MakeIdentifySector(std::string_view model, std::string_view serial = "",
                                            std::string_view firmware = "");
// A SMART READ DATA answer holding these attributes, in order from the first entry: each an
// identifier and its raw value (least significant byte first in the entry).
std::array<uint8_t, 512> MakeSmartSector(std::vector<std::pair<uint8_t, uint64_t>> attributes);

// While it lives, "\\.\PhysicalDriveN" opens only the drives registered here, never a real disk.
class SimulatedDrivesScope {
public:
    SimulatedDrivesScope();
    ~SimulatedDrivesScope();
    SimulatedDrivesScope(const SimulatedDrivesScope&) = delete;
    SimulatedDrivesScope& operator=(const SimulatedDrivesScope&) = delete;

    // Drive n answers IDENTIFY and SMART READ DATA with these sectors.
    void Add(unsigned n, const std::array<uint8_t, 512>& identify,
             const std::array<uint8_t, 512>& smart);
    // Drive n does not open: CreateFileA fails with this error (ERROR_ACCESS_DENIED, ...).
    void AddUnopenable(unsigned n, DWORD error);
    // Drive n opens, but every drive command fails with this error.
    void AddFailing(unsigned n, DWORD error);

    std::vector<SimulatedDriveOpen> opens() const { return SimulatedDriveOpens(); }
    std::vector<SimulatedDriveRequest> requests() const { return SimulatedDriveRequests(); }

private:
    void Install();
    std::map<unsigned, SimulatedDrive> drives_;
};

// Message boxes: every MessageBoxA is recorded (owner, ANSI text and caption, style) and
// answered at once with its default button, or with the next scripted answer.
std::vector<user32::MessageBoxRecord> MessageBoxesShown();
// Forgets the boxes shown and the answers not yet used.
void ClearMessageBoxes();
// The answer (IDOK, IDCANCEL, IDYES, ...) of the next box that has none scripted before it.
void AnswerNextMessageBox(int answer);

// While it lives, the desktop has these monitors (the first is the primary, at the origin);
// afterwards the default one again.
class MonitorScope {
public:
    explicit MonitorScope(std::vector<user32::MonitorLayout> monitors);
    ~MonitorScope();
    MonitorScope(const MonitorScope&) = delete;
    MonitorScope& operator=(const MonitorScope&) = delete;
};

// While it lives, the drive letters are these volumes alone, each with the size and free space
// given (GetLogicalDriveStringsA, GetDriveTypeA and GetDiskFreeSpaceExA see them as fixed
// drives); afterwards the mount table again.
struct SimulatedVolume {
    char letter; // upper case
    uint64_t total = 0;
    uint64_t total_free = 0;
    uint64_t free_to_caller = 0;
};
class SimulatedVolumesScope {
public:
    explicit SimulatedVolumesScope(std::vector<SimulatedVolume> volumes);
    ~SimulatedVolumesScope();
    SimulatedVolumesScope(const SimulatedVolumesScope&) = delete;
    SimulatedVolumesScope& operator=(const SimulatedVolumesScope&) = delete;
};

} // namespace platform::testing
