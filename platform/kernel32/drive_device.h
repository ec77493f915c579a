// A physical drive opened through "\\.\PhysicalDriveN": a real disk or a simulated one.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include "host/block_devices.h"
#include "kernel32/handles.h"

namespace platform {

class DriveDevice : public KernelObject {
public:
    // The 512-byte answer of a drive command (IDENTIFY DEVICE or SMART READ DATA, told apart by
    // the registers) into answer; 0, or a Windows error code.
    virtual DWORD Command(const SENDCMDINPARAMS& request, host::Sector& answer) = 0;
};

} // namespace platform
