#include "kernel32/devices.h"

namespace platform {

// No devices yet: every device path is reported missing.
HANDLE OpenDevice(std::string_view, DWORD, DWORD) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

} // namespace platform
