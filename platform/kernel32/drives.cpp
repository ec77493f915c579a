// Drive letters: the roots, their kinds and their space, over the mount table's map.
#include <windows.h>

#include "host/drives.h"
#include "host/paths.h"
#include "kernel32/errors.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <optional>
#include <string>

#include <unistd.h>

namespace platform {

namespace {

std::string CurrentDirectory() {
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return "/";
    return buffer;
}

// "C:\" or "C:" -> 'C'; anything else (a folder of a drive, a UNC path) is no root.
std::optional<char> RootLetter(std::string_view root) {
    if (root.size() < 2 || root.size() > 3 || root[1] != ':' ||
        !std::isalpha(static_cast<unsigned char>(root[0])))
        return std::nullopt;
    if (root.size() == 3 && root[2] != '\\' && root[2] != '/')
        return std::nullopt;
    return char(std::toupper(static_cast<unsigned char>(root[0])));
}

UINT DriveTypeOf(host::DriveKind kind) {
    switch (kind) {
    case host::DriveKind::Fixed:
        return DRIVE_FIXED;
    case host::DriveKind::Removable:
        return DRIVE_REMOVABLE;
    case host::DriveKind::Remote:
        return DRIVE_REMOTE;
    case host::DriveKind::CdRom:
        return DRIVE_CDROM;
    case host::DriveKind::RamDisk:
        return DRIVE_RAMDISK;
    }
    return DRIVE_UNKNOWN;
}

} // namespace

} // namespace platform

PELMORA_BEGIN_EXTERN_C

// "C:\<NUL>D:\<NUL><NUL>": returns the length without the last NUL, or - writing nothing - the
// size needed when the buffer is too small for all of it.
DWORD WINAPI GetLogicalDriveStringsA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::string strings;
    for (const platform::host::DriveMapping& drive : platform::host::DriveMap()) {
        strings.push_back(drive.letter);
        strings.append(":\\");
        strings.push_back('\0');
    }
    DWORD needed = DWORD(strings.size() + 1);
    if (!lpBuffer || nBufferLength < needed)
        return needed;
    std::memcpy(lpBuffer, strings.data(), strings.size());
    lpBuffer[strings.size()] = '\0';
    return DWORD(strings.size());
}

UINT WINAPI GetDriveTypeA(LPCSTR lpRootPathName) {
    std::optional<char> letter;
    if (!lpRootPathName) {
        std::string cwd = platform::host::LinuxToWindowsPath(platform::CurrentDirectory());
        letter = platform::RootLetter(cwd.substr(0, 2));
    } else {
        letter = platform::RootLetter(lpRootPathName);
    }
    if (!letter)
        return DRIVE_NO_ROOT_DIR;
    for (const platform::host::MountedDrive& drive : platform::host::MountedDrives()) {
        if (drive.letter == *letter)
            return platform::DriveTypeOf(drive.kind);
    }
    // A letter from a map that a test or the file layer installed in place of the mount table.
    for (const platform::host::DriveMapping& drive : platform::host::DriveMap()) {
        if (drive.letter == *letter)
            return DRIVE_FIXED;
    }
    return DRIVE_NO_ROOT_DIR;
}

BOOL WINAPI GetDiskFreeSpaceExA(LPCSTR lpDirectoryName,
                                PULARGE_INTEGER lpFreeBytesAvailableToCaller,
                                PULARGE_INTEGER lpTotalNumberOfBytes,
                                PULARGE_INTEGER lpTotalNumberOfFreeBytes) {
    std::string directory;
    if (!lpDirectoryName) {
        directory = platform::CurrentDirectory();
    } else {
        if (!*lpDirectoryName) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return FALSE;
        }
        std::optional<std::string> path = platform::host::WindowsToLinuxPath(lpDirectoryName);
        if (!path) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return FALSE;
        }
        directory = *path;
    }
    std::optional<platform::host::DiskSpace> space = platform::host::ReadDiskSpace(directory);
    if (!space) {
        platform::SetLastErrorFromErrno();
        return FALSE;
    }
    if (lpFreeBytesAvailableToCaller)
        lpFreeBytesAvailableToCaller->QuadPart = space->free_to_caller;
    if (lpTotalNumberOfBytes)
        lpTotalNumberOfBytes->QuadPart = space->total;
    if (lpTotalNumberOfFreeBytes)
        lpTotalNumberOfFreeBytes->QuadPart = space->total_free;
    return TRUE;
}

PELMORA_END_EXTERN_C
