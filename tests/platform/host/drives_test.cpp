// Drive letters over the mount table: the map, the root strings, the kinds and the space.
#include <windows.h>

#include "host/drives.h"
#include "host/paths.h"
#include "host_trees.h"
#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using host_trees::Fixture;
using platform::testing::HostRootScope;

std::vector<std::pair<char, std::string>> Map() {
    std::vector<std::pair<char, std::string>> map;
    for (const auto& drive : platform::host::DriveMap())
        map.emplace_back(drive.letter, drive.root);
    return map;
}

TEST(DriveMap, LettersForTheWorkstationMounts) {
    HostRootScope root(Fixture("workstation"));
    std::vector<std::pair<char, std::string>> expected = {
        {'C', "/"},
        // The EFI partition at /boot/efi takes no letter. The kernel writes a blank as \040.
        {'D', "/home/user/data disk"},
        // The root's device again at /var/lib/docker/volumes takes no letter, nor do the
        // snap image, the overlay, the tmpfs of /run and the desktop's fuse mount.
        {'E', "/mnt/nas"},
        {'F', "/media/user/STICK"},
        {'G', "/media/user/DISC"},
        {'H', "/mnt/ramdisk"},
        {'I', "/mnt/share"},
        {'J', "/mnt/build"},
    };
    EXPECT_EQ(Map(), expected);
}

TEST(DriveMap, FilePathsUseTheSameMap) {
    HostRootScope root(Fixture("workstation"));
    EXPECT_EQ(platform::host::WindowsToLinuxPath("D:\\notes.txt"),
              std::optional<std::string>("/home/user/data disk/notes.txt"));
    EXPECT_EQ(platform::host::WindowsToLinuxPath("C:\\etc\\hosts"),
              std::optional<std::string>("/etc/hosts"));
    EXPECT_EQ(platform::host::WindowsToLinuxPath("K:\\x"), std::nullopt);
    EXPECT_EQ(platform::host::LinuxToWindowsPath("/mnt/nas/backup/a"), "E:\\backup\\a");
    EXPECT_EQ(platform::host::LinuxToWindowsPath("/mnt/other"), "C:\\mnt\\other");
}

TEST(DriveMap, ContainerRootAndBindMountedFiles) {
    platform::testing::MachineTree tree;
    tree.Write("/proc/self/mounts",
               "overlay / overlay rw,relatime,lowerdir=/var/lib/docker/overlay2/l/X 0 0\n"
               "proc /proc proc rw,nosuid,nodev,noexec,relatime 0 0\n"
               "/dev/vda1 /etc/resolv.conf ext4 rw,relatime 0 0\n"
               "/dev/vda1 /etc/hostname ext4 rw,relatime 0 0\n"
               "/dev/vda1 /etc/hosts ext4 rw,relatime 0 0\n");
    HostRootScope root(tree.root());
    std::vector<std::pair<char, std::string>> expected = {{'C', "/"}};
    EXPECT_EQ(Map(), expected);
    EXPECT_EQ(GetDriveTypeA("C:\\"), UINT(DRIVE_FIXED));
}

TEST(DriveMap, LettersEndAtZ) {
    platform::testing::MachineTree tree;
    std::string mounts = "/dev/sda1 / ext4 rw 0 0\n";
    for (int i = 0; i < 30; ++i)
        mounts +=
            "/dev/sdb" + std::to_string(i + 1) + " /srv/d" + std::to_string(i) + " ext4 rw 0 0\n";
    tree.Write("/proc/self/mounts", mounts);
    HostRootScope root(tree.root());
    std::vector<std::pair<char, std::string>> map = Map();
    ASSERT_EQ(map.size(), 24u);
    EXPECT_EQ(map.back(), std::make_pair('Z', std::string("/srv/d22")));
    char strings[200];
    EXPECT_EQ(GetLogicalDriveStringsA(sizeof strings, strings), 24u * 4);
}

TEST(DriveMap, ALetterStaysWithItsMountPoint) {
    using Map_ = std::vector<std::pair<char, std::string>>;
    struct Step {
        const char* mounts; // besides the root
        Map_ expected;
    };
    const Step steps[] = {
        {"/dev/sdb1 /mnt/a ext4 rw 0 0\n/dev/sdc1 /mnt/b ext4 rw 0 0\n",
         {{'C', "/"}, {'D', "/mnt/a"}, {'E', "/mnt/b"}}},
        // D: is unmounted: E: does not move up into its place.
        {"/dev/sdc1 /mnt/b ext4 rw 0 0\n", {{'C', "/"}, {'E', "/mnt/b"}}},
        // A new mount takes the first letter never given, not the absent volume's D:.
        {"/dev/sdc1 /mnt/b ext4 rw 0 0\n/dev/sdd1 /mnt/c ext4 rw 0 0\n",
         {{'C', "/"}, {'E', "/mnt/b"}, {'F', "/mnt/c"}}},
        // Mounted again, on the same point, by another device even: D: again.
        {"/dev/sdd1 /mnt/c ext4 rw 0 0\n/dev/sdc1 /mnt/b ext4 rw 0 0\n"
         "/dev/sde1 /mnt/a ext4 rw 0 0\n",
         {{'C', "/"}, {'D', "/mnt/a"}, {'E', "/mnt/b"}, {'F', "/mnt/c"}}},
    };
    platform::testing::MachineTree tree;
    HostRootScope root(tree.root());
    for (const Step& step : steps) {
        SCOPED_TRACE(step.mounts);
        tree.Write("/proc/self/mounts", std::string("/dev/sda1 / ext4 rw 0 0\n") + step.mounts);
        EXPECT_EQ(Map(), step.expected);
    }
    EXPECT_EQ(platform::host::WindowsToLinuxPath("D:\\x"), std::optional<std::string>("/mnt/a/x"));

    // Once every letter has been given, a new mount point takes the first one whose mount
    // point is gone.
    std::string mounts = "/dev/sda1 / ext4 rw 0 0\n";
    for (int i = 0; i < 23; ++i)
        mounts +=
            "/dev/sdf" + std::to_string(i + 1) + " /srv/d" + std::to_string(i) + " ext4 rw 0 0\n";
    tree.Write("/proc/self/mounts", mounts);
    Map_ map = Map();
    ASSERT_EQ(map.size(), 24u);
    EXPECT_EQ(map[1], std::make_pair('D', std::string("/srv/d20")));
    EXPECT_EQ(map[4], std::make_pair('G', std::string("/srv/d0")));
    EXPECT_EQ(map.back(), std::make_pair('Z', std::string("/srv/d19")));
}

TEST(DriveMap, WithoutAMountTableOnlyC) {
    platform::testing::MachineTree tree;
    tree.Write("/proc/stat", "cpu 1 2 3 4\n");
    HostRootScope root(tree.root());
    std::vector<std::pair<char, std::string>> expected = {{'C', "/"}};
    EXPECT_EQ(Map(), expected);
    // /proc/mounts serves when /proc/self/mounts is missing.
    tree.Write("/proc/mounts", "/dev/sda1 / ext4 rw 0 0\n/dev/sdb1 /data btrfs rw 0 0\n");
    expected.push_back({'D', "/data"});
    EXPECT_EQ(Map(), expected);
}

TEST(GetLogicalDriveStrings, RootsInOrderOrTheSizeNeeded) {
    HostRootScope root(Fixture("workstation"));
    const char expected[] = "C:\\\0D:\\\0E:\\\0F:\\\0G:\\\0H:\\\0I:\\\0J:\\\0";
    const DWORD length = 8 * 4; // without the list's final NUL
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetLogicalDriveStringsA(sizeof buffer, buffer), length);
    EXPECT_EQ(std::memcmp(buffer, expected, length + 1), 0);
    EXPECT_EQ(buffer[length + 1], '#');

    // One byte short (no room for the final NUL), none, or no buffer: the size needed comes
    // back, and nothing is written.
    for (DWORD offered : {length, 0u, 4u}) {
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(GetLogicalDriveStringsA(offered, buffer), length + 1) << offered;
        for (char c : buffer)
            ASSERT_EQ(c, '#');
    }
    EXPECT_EQ(GetLogicalDriveStringsA(0, nullptr), length + 1);
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetLogicalDriveStringsA(length + 1, buffer), length);
}

TEST(GetDriveType, KindsOfTheWorkstationDrives) {
    HostRootScope root(Fixture("workstation"));
    struct Case {
        const char* root;
        UINT type;
    };
    const Case cases[] = {
        {"C:\\", DRIVE_FIXED},       {"D:\\", DRIVE_FIXED},
        {"E:\\", DRIVE_REMOTE},      {"F:\\", DRIVE_REMOVABLE}, // /sys/block/sdb/removable is 1
        {"G:\\", DRIVE_CDROM},       {"H:\\", DRIVE_RAMDISK},
        {"I:\\", DRIVE_REMOTE},      {"J:\\", DRIVE_REMOTE},
        {"K:\\", DRIVE_NO_ROOT_DIR}, {"c:\\", DRIVE_FIXED},
        {"f:", DRIVE_REMOVABLE},     {"C:\\Windows\\", DRIVE_NO_ROOT_DIR},
        {"", DRIVE_NO_ROOT_DIR},     {"\\\\server\\share\\", DRIVE_NO_ROOT_DIR},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetDriveTypeA(c.root), c.type) << c.root;
}

TEST(GetDiskFreeSpaceEx, RootOfTheMachine) {
    ULARGE_INTEGER caller{}, total{}, free{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &caller, &total, &free));
    EXPECT_GT(total.QuadPart, 0u);
    EXPECT_LE(free.QuadPart, total.QuadPart);
    EXPECT_LE(caller.QuadPart, free.QuadPart);
    // Each output is optional.
    ULARGE_INTEGER only_total{};
    EXPECT_TRUE(GetDiskFreeSpaceExA("C:\\", nullptr, &only_total, nullptr));
    EXPECT_EQ(only_total.QuadPart, total.QuadPart);
    EXPECT_TRUE(GetDiskFreeSpaceExA(nullptr, nullptr, &only_total, nullptr));
}

TEST(GetDiskFreeSpaceEx, FailuresLeaveTheCountsAlone) {
    for (const char* root : {"Q:\\", "", "C:\\no such folder\\at all\\"}) {
        ULARGE_INTEGER caller{}, total{}, free{};
        SetLastError(0);
        EXPECT_FALSE(GetDiskFreeSpaceExA(root, &caller, &total, &free)) << root;
        EXPECT_NE(GetLastError(), 0u);
        EXPECT_EQ(total.QuadPart, 0u);
        EXPECT_EQ(free.QuadPart, 0u);
    }
}

} // namespace
