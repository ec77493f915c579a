// Device paths ("\\.\PhysicalDrive0"): CreateFileA hands them here.
#pragma once

#include <windows.h>

#include <string_view>

namespace platform {

// Opens the device named after the "\\.\" prefix (e.g. "PhysicalDrive0") and returns a kernel
// handle, or INVALID_HANDLE_VALUE with the last error set.
HANDLE OpenDevice(std::string_view device_name, DWORD desired_access, DWORD share_mode);

} // namespace platform
