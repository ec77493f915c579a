// Stand-ins for the shell services that the settings code calls: a program directory that the
// test chooses, fixed message texts, and a FatalExit that throws instead of ending the process.
#pragma once

#include <string>

namespace doubles {

// Thrown by FatalExit with its text.
struct FatalExitCalled {
    std::string text;
};

// GetApplicationDirectory's answer (a Windows path with its trailing backslash).
void SetApplicationDirectory(const std::string& windowsFolder);

} // namespace doubles
