// Drive letters over the mounted file systems. C: is "/"; further local file systems (and
// network shares, optical media, removable media and RAM disks below /mnt or /media) take D:,
// E:, ... in mount order, and keep them while the program runs: a letter stays with its mount
// point through an unmount, and a new mount point takes the first letter not yet given. Pseudo file
// systems (proc, sysfs, cgroup, the many tmpfs of /run and /dev, squashfs images of packages,
// overlays) take none, nor does anything mounted in the system's own places (/boot, /etc, /var/lib,
// ...: the EFI partition, a container's bind-mounted /etc/hosts). Each device takes one letter, at
// its first mount; further mounts of it (bind mounts) take none.
#pragma once

#include "host/paths.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::host {

enum class DriveKind { Fixed, Removable, Remote, CdRom, RamDisk };

struct MountedDrive {
    char letter;
    std::string root;   // the mount point
    std::string device; // the mount table's source ("/dev/sda1", "server:/export", "tmpfs")
    std::string type;   // the file system type
    DriveKind kind;
};

// One entry of the mount table, with the kernel's octal escapes (\040 for a blank) undone.
struct MountEntry {
    std::string device, mount_point, type;
};
// /proc/self/mounts, else /proc/mounts, under the root.
std::vector<MountEntry> ReadMountTable();

// The drives mounted now, in letter order, C: first.
std::vector<MountedDrive> MountedDrives();
// The same as paths.h's map. Installed as its provider when the layer loads.
std::vector<DriveMapping> MountedDriveMap();

// Space of a mounted directory, in bytes.
struct DiskSpace {
    uint64_t free_to_caller = 0; // f_bavail: what an unprivileged user may still use
    uint64_t total = 0;
    uint64_t total_free = 0; // f_bfree, the reserved blocks included
};
// statvfs of a Linux directory; nothing when it fails. (A mounted directory lies on the machine
// itself, not under the root.)
std::optional<DiskSpace> ReadDiskSpace(const std::string& directory);
// Replaces statvfs (a test's volumes of any size); an empty function puts statvfs back.
void SetDiskSpaceProvider(std::function<std::optional<DiskSpace>(const std::string&)> provider);

} // namespace platform::host
