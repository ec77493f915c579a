// Windows paths and Linux paths. Drive letters map to Linux directories: C: is "/", and further
// fixed file systems get further letters (see drives.h). Windows paths are ANSI with
// backslashes; Linux paths are UTF-8 with slashes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::host {

struct DriveMapping {
    char letter;      // upper case
    std::string root; // Linux directory, no trailing slash except for "/"
};

// The drive letters in use, C: first.
std::vector<DriveMapping> DriveMap();
// Replaces where the map comes from (the mount table, or a test's own); an empty function
// puts back the plain map holding C: alone.
void SetDriveMapProvider(std::function<std::vector<DriveMapping>()> provider);

// "C:\Program Files\x.txt" -> "/Program Files/x.txt". A relative path stays relative, with
// slashes. A drive letter that is not mapped gives nothing.
std::optional<std::string> WindowsToLinuxPath(std::string_view ansi_path);
// "/home/x" -> "C:\home\x" (the drive whose root is the longest prefix of the path).
std::string LinuxToWindowsPath(std::string_view linux_path);

} // namespace platform::host
