// The layer's side of GetLastError: translating errno, and the system texts of the codes.
#pragma once

#include <windows.h>

#include <string_view>

namespace platform {

// The Windows error code for a failed Linux call's errno.
DWORD ErrorFromErrno(int error);
// Sets the last error from errno and returns the code.
DWORD SetLastErrorFromErrno();
// The system's message text for a code (with its CR LF), or empty when there is none.
std::string_view SystemMessageText(DWORD code);

} // namespace platform
