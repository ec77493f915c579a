#include "testing/desktop.h"

#include "host/block_devices.h"
#include "host/root.h"
#include "kernel32/process.h"

namespace platform::testing {

ExitTrap::ExitTrap() {
    SetExitHandler([](UINT code) { throw ProcessExited{code}; });
}

ExitTrap::~ExitTrap() {
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

std::vector<user32::MessageBoxRecord> MessageBoxesShown() {
    return user32::ShownMessageBoxes();
}

void ClearMessageBoxes() {
    user32::ClearShownMessageBoxes();
    user32::ClearMessageBoxAnswers();
}

void AnswerNextMessageBox(int answer) {
    user32::QueueMessageBoxAnswer(answer);
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

} // namespace platform::testing
