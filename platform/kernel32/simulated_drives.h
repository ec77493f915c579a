// Simulated physical drives: while a set is installed, "\\.\PhysicalDriveN" opens these and no
// real disk, and their answers stand in for the drive's own.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace platform {

struct SimulatedDrive {
    DWORD open_error = 0;                // not 0: opening the drive fails with this error
    DWORD command_error = 0;             // not 0: every drive command fails with this error
    std::array<uint8_t, 512> identify{}; // the IDENTIFY DEVICE answer
    std::array<uint8_t, 512> smart{};    // the SMART READ DATA answer
};

// What a simulated drive was asked.
struct SimulatedDriveOpen {
    unsigned drive;
    DWORD access;
    DWORD share;
};
struct SimulatedDriveRequest {
    unsigned drive;
    DWORD buffer_size;
    IDEREGS registers;
    BYTE drive_number;
};

// Installs a set of drives by number (numbers missing from it do not exist); nothing puts the
// real disks back. Installing clears the records of opens and requests.
void SetSimulatedDrives(std::optional<std::map<unsigned, SimulatedDrive>> drives);
std::vector<SimulatedDriveOpen> SimulatedDriveOpens();
std::vector<SimulatedDriveRequest> SimulatedDriveRequests();

} // namespace platform
