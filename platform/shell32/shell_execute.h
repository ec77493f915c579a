// ShellExecuteA: files and addresses opened with the desktop's opener.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace platform::shell32 {

// One call of ShellExecuteA as the program made it, what it would hand the opener, and its
// result.
struct ShellRequest {
    HWND owner = nullptr;
    std::string verb;       // as given; empty for the default verb
    std::string file;       // ANSI, as given
    std::string parameters; // as given
    std::string directory;  // as given
    int show = 0;
    std::string target; // the Linux path (UTF-8) or the address; empty when refused
    INT_PTR result = 0; // > 32 on success, else the system's error value
};

// While one is set, ShellExecuteA checks each request as it always does and then gives it to
// the recorder instead of starting the opener, so that tests start nothing. An empty function
// removes it.
using ShellRequestRecorder = std::function<void(const ShellRequest&)>;
void SetShellRequestRecorder(ShellRequestRecorder recorder);

} // namespace platform::shell32
