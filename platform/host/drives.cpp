#include "host/drives.h"

#include "host/root.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <optional>
#include <mutex>
#include <set>
#include <string_view>

#include <fcntl.h>
#include <poll.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform::host {

namespace {

constexpr std::array<std::string_view, 22> kLocalTypes = {
    "ext2", "ext3",     "ext4",   "xfs",  "btrfs", "f2fs",    "jfs", "reiserfs",
    "vfat", "msdos",    "exfat",  "ntfs", "ntfs3", "fuseblk", "hfs", "hfsplus",
    "zfs",  "bcachefs", "nilfs2", "ufs",  "minix", "apfs"};
constexpr std::array<std::string_view, 13> kRemoteTypes = {
    "nfs",       "nfs4", "cifs",  "smb3",       "smbfs",       "9p",       "ceph",
    "glusterfs", "afs",  "davfs", "fuse.sshfs", "fuse.rclone", "fuse.s3fs"};
constexpr std::array<std::string_view, 2> kOpticalTypes = {"iso9660", "udf"};
constexpr std::array<std::string_view, 2> kRamTypes = {"tmpfs", "ramfs"};

template <size_t N>
bool IsOneOf(std::string_view type, const std::array<std::string_view, N>& list) {
    return std::find(list.begin(), list.end(), type) != list.end();
}

// "\040" -> " ", as the kernel escapes blanks, tabs, line breaks and backslashes.
std::string Unescape(std::string_view field) {
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            std::string_view digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                text.push_back(
                    char((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0')));
                i += 3;
                continue;
            }
        }
        text.push_back(field[i]);
    }
    return text;
}

bool Below(std::string_view path, std::string_view folder) {
    return path.starts_with(folder) && path.size() > folder.size() && path[folder.size()] == '/';
}

// The system's own places: what is mounted there (the boot and EFI partitions, a container's
// bind-mounted /etc/hosts, package images, runtime folders) is no drive of the user's.
bool InSystemPlace(std::string_view mount_point) {
    for (std::string_view place :
         {"/boot", "/dev", "/etc", "/proc", "/run", "/snap", "/sys", "/var/lib", "/var/snap"}) {
        if (mount_point == place || Below(mount_point, place))
            return true;
    }
    return false;
}

// "/dev/sdb1" -> "sdb", "/dev/nvme0n1p2" -> "nvme0n1", "/dev/mmcblk0p1" -> "mmcblk0".
std::string WholeDiskName(std::string_view device) {
    if (!device.starts_with("/dev/"))
        return {};
    std::string name(device.substr(5));
    if (name.find('/') != std::string::npos)
        return {};
    bool numbered = name.starts_with("nvme") || name.starts_with("mmcblk") ||
                    name.starts_with("loop") || name.starts_with("nbd");
    if (numbered) {
        size_t p = name.rfind('p');
        if (p != std::string::npos && p + 1 < name.size() && p > 0 &&
            std::isdigit(static_cast<unsigned char>(name[p - 1])) &&
            std::all_of(name.begin() + long(p) + 1, name.end(),
                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            name.resize(p);
        return name;
    }
    while (!name.empty() && std::isdigit(static_cast<unsigned char>(name.back())))
        name.pop_back();
    return name;
}

bool IsRemovableDevice(std::string_view device) {
    std::string disk = WholeDiskName(device);
    if (disk.empty())
        return false;
    return ReadHostNumber("/sys/block/" + disk + "/removable").value_or(0) == 1;
}

bool IsOpticalDevice(std::string_view device) {
    std::string disk = WholeDiskName(device);
    return disk.starts_with("sr") || disk.starts_with("scd");
}

// The kind of a mounted file system, or nothing for one that takes no letter.
std::optional<DriveKind> KindOf(const MountEntry& entry, bool is_root) {
    std::string_view type = entry.type;
    if (IsOneOf(type, kRemoteTypes) || type.starts_with("nfs"))
        return DriveKind::Remote;
    if (IsOneOf(type, kOpticalTypes) || IsOpticalDevice(entry.device))
        return DriveKind::CdRom;
    if (IsOneOf(type, kRamTypes)) {
        // tmpfs is everywhere (/run, /dev/shm, /tmp); only one that a user mounted below /mnt
        // or /media, or the root itself, counts as a RAM disk.
        if (is_root || Below(entry.mount_point, "/mnt") || Below(entry.mount_point, "/media"))
            return DriveKind::RamDisk;
        return std::nullopt;
    }
    if (IsOneOf(type, kLocalTypes))
        return IsRemovableDevice(entry.device) ? DriveKind::Removable : DriveKind::Fixed;
    // An overlay or any other type is the machine's disk only as the root (a container's).
    if (is_root)
        return DriveKind::Fixed;
    return std::nullopt;
}

} // namespace

namespace {

std::vector<MountEntry> ParseMountTable(std::string_view mounts) {
    std::vector<MountEntry> entries;
    for (std::string_view line : SplitLines(mounts)) {
        std::vector<std::string_view> fields = SplitFields(line);
        if (fields.size() < 3)
            continue;
        entries.push_back({Unescape(fields[0]), Unescape(fields[1]), Unescape(fields[2])});
    }
    return entries;
}

// The kernel's mount table is read on every path a file call translates, and changes seldom; its
// file tells of every change (a mount, an unmount) by polling as an exception, so the table is
// kept and read again only then. A captured tree's table is read at every call.
struct KeptMountTable {
    std::mutex mutex;
    std::string root;
    int fd = -1;
    bool read = false;
    std::vector<MountEntry> entries;

    void Close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        read = false;
        entries.clear();
    }
};

KeptMountTable& TheKeptMountTable() {
    static KeptMountTable* table = new KeptMountTable; // outlives every static reader
    return *table;
}

// The table from the kernel's own file; nothing when the root's file is not the kernel's.
std::optional<std::vector<MountEntry>> KernelMountTable() {
    KeptMountTable& table = TheKeptMountTable();
    std::lock_guard lock(table.mutex);
    if (std::string root = Root(); root != table.root) {
        table.Close();
        table.root = std::move(root);
    }
    if (table.fd < 0) {
        int fd = ::open(HostPath("/proc/self/mounts").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return std::nullopt;
        if (!IsKernelPseudoFile(fd)) {
            ::close(fd);
            return std::nullopt;
        }
        table.fd = fd;
    }
    pollfd watch{table.fd, POLLPRI, 0};
    bool changed = ::poll(&watch, 1, 0) != 0; // an error reads the table again too
    if (table.read && !changed)
        return table.entries;
    thread_local std::string mounts;
    if (!ReadWholeFile(table.fd, mounts)) {
        table.Close();
        return std::nullopt;
    }
    table.entries = ParseMountTable(mounts);
    table.read = true;
    return table.entries;
}

} // namespace

std::vector<MountEntry> ReadMountTable() {
    if (std::optional<std::vector<MountEntry>> kernel = KernelMountTable())
        return std::move(*kernel);
    std::optional<std::string> mounts = ReadHostFile("/proc/self/mounts");
    if (!mounts)
        mounts = ReadHostFile("/proc/mounts");
    if (!mounts)
        return {};
    return ParseMountTable(*mounts);
}

namespace {

// The letters given to mount points while the program runs. A letter stays with its mount point
// even while nothing is mounted there, so that a path or a row set to "D:\\" never silently
// names another volume; a new mount point takes the first letter never given. Only when every
// letter has been given does a new one take the first letter whose mount point is gone. The
// letters belong to one machine tree; another root starts afresh.
class LetterBook {
public:
    // The letter of a mount point, given now if it has none; 0 when every letter is in use.
    char LetterFor(const std::string& mount_point, const std::set<std::string>& mounted) {
        if (auto it = letters_.find(mount_point); it != letters_.end())
            return it->second;
        for (char letter = 'D'; letter <= 'Z'; ++letter) {
            if (!holders_.contains(letter))
                return Give(letter, mount_point);
        }
        for (char letter = 'D'; letter <= 'Z'; ++letter) {
            if (!mounted.contains(holders_[letter])) {
                letters_.erase(holders_[letter]);
                return Give(letter, mount_point);
            }
        }
        return 0;
    }
    void StartFor(const std::string& root) {
        if (root == root_)
            return;
        root_ = root;
        letters_.clear();
        holders_.clear();
    }

private:
    char Give(char letter, const std::string& mount_point) {
        letters_[mount_point] = letter;
        holders_[letter] = mount_point;
        return letter;
    }

    std::string root_;
    std::map<std::string, char> letters_;
    std::map<char, std::string> holders_;
};

std::mutex letter_book_mutex;
LetterBook letter_book;

} // namespace

std::vector<MountedDrive> MountedDrives() {
    std::vector<MountEntry> table = ReadMountTable();
    std::vector<MountedDrive> drives;

    // C: is "/" whatever is mounted there; the last mount on "/" is the one in force.
    const MountEntry* root = nullptr;
    for (const MountEntry& entry : table) {
        if (entry.mount_point == "/")
            root = &entry;
    }
    MountEntry root_entry = root ? *root : MountEntry{"", "/", ""};
    drives.push_back({'C', "/", root_entry.device, root_entry.type,
                      KindOf(root_entry, true).value_or(DriveKind::Fixed)});

    // The mounts that take a letter, in mount order.
    std::vector<std::pair<const MountEntry*, DriveKind>> lettered;
    std::set<std::string> devices_seen;
    std::set<std::string> points_seen{"/"};
    if (root_entry.device.starts_with("/"))
        devices_seen.insert(root_entry.device);
    for (const MountEntry& entry : table) {
        if (points_seen.contains(entry.mount_point) || !entry.mount_point.starts_with('/') ||
            InSystemPlace(entry.mount_point))
            continue;
        std::optional<DriveKind> kind = KindOf(entry, false);
        if (!kind)
            continue;
        // A device already lettered is mounted again elsewhere (a bind mount).
        bool named_device =
            entry.device.starts_with('/') || entry.device.find(':') != std::string::npos;
        if (named_device && devices_seen.contains(entry.device))
            continue;
        if (named_device)
            devices_seen.insert(entry.device);
        points_seen.insert(entry.mount_point);
        lettered.emplace_back(&entry, *kind);
    }

    std::lock_guard lock(letter_book_mutex);
    letter_book.StartFor(Root());
    for (const auto& [entry, kind] : lettered) {
        char letter = letter_book.LetterFor(entry->mount_point, points_seen);
        if (letter != 0)
            drives.push_back({letter, entry->mount_point, entry->device, entry->type, kind});
    }
    std::sort(drives.begin(), drives.end(),
              [](const MountedDrive& a, const MountedDrive& b) { return a.letter < b.letter; });
    return drives;
}

std::vector<DriveMapping> MountedDriveMap() {
    std::vector<DriveMapping> map;
    for (const MountedDrive& drive : MountedDrives())
        map.push_back({drive.letter, drive.root});
    return map;
}

namespace {

std::function<std::optional<DiskSpace>(const std::string&)>& DiskSpaceProvider() {
    static std::function<std::optional<DiskSpace>(const std::string&)> provider;
    return provider;
}

} // namespace

void SetDiskSpaceProvider(std::function<std::optional<DiskSpace>(const std::string&)> provider) {
    DiskSpaceProvider() = std::move(provider);
}

std::optional<DiskSpace> ReadDiskSpace(const std::string& directory) {
    if (DiskSpaceProvider())
        return DiskSpaceProvider()(directory);
    struct statvfs st {};
    if (::statvfs(directory.c_str(), &st) != 0)
        return std::nullopt;
    uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    return DiskSpace{uint64_t(st.f_bavail) * unit, uint64_t(st.f_blocks) * unit,
                     uint64_t(st.f_bfree) * unit};
}

namespace {

// File paths and the drive functions share one map: the mount table's.
[[maybe_unused]] const bool provider_installed = [] {
    SetDriveMapProvider(MountedDriveMap);
    return true;
}();

} // namespace

} // namespace platform::host
