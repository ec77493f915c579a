// FlushFileBuffers, MoveFileExA and DeleteFileA: what a program needs to replace a file so that
// a crash at any moment leaves either the old file or the new one.
#include "kernel32/files.h"

#include "host/paths.h"
#include "kernel32/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// ENOENT is "no such file" when the folder exists, else "no such path", as the system says.
DWORD MissingFileError(const std::string& path) {
    struct stat st {};
    return stat(FolderOf(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND
                                                                         : ERROR_PATH_NOT_FOUND;
}

DWORD ErrorOfPath(int error, const std::string& path) {
    return error == ENOENT ? MissingFileError(path) : platform::ErrorFromErrno(error);
}

// A rename reaches the disk with its folder.
bool SyncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool synced = fsync(fd) == 0;
    close(fd);
    return synced;
}

// path with every link followed; for a name that is gone (deleted, or being replaced), its
// folder's resolved path and the name itself.
std::optional<std::string> ResolvedPath(const std::string& path) {
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        std::string out(resolved);
        std::free(resolved);
        return out;
    }
    if (errno != ENOENT)
        return std::nullopt;
    char* folder = realpath(FolderOf(path).c_str(), nullptr);
    if (!folder)
        return std::nullopt;
    std::string out(folder);
    std::free(folder);
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..")
        return std::nullopt;
    if (out != "/")
        out += '/';
    return out + name;
}

} // namespace

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    auto file = platform::FindKernelObjectAs<platform::FileObject>(hFile);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!(file->access() & (GENERIC_WRITE | GENERIC_ALL))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (fsync(file->fd()) != 0) {
        platform::SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
    using namespace platform;
    if (!lpExistingFileName || !lpNewFileName ||
        (dwFlags & ~DWORD(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::optional<std::string> from = host::WindowsToLinuxPath(lpExistingFileName);
    std::optional<std::string> to = host::WindowsToLinuxPath(lpNewFileName);
    if (!from || !to) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    struct stat source {};
    if (lstat(from->c_str(), &source) != 0) {
        SetLastError(ErrorOfPath(errno, *from));
        return FALSE;
    }
    int result = (dwFlags & MOVEFILE_REPLACE_EXISTING)
                     ? rename(from->c_str(), to->c_str())
                     : renameat2(AT_FDCWD, from->c_str(), AT_FDCWD, to->c_str(), RENAME_NOREPLACE);
    if (result != 0) {
        int error = errno;
        if (error == EEXIST)
            SetLastError(ERROR_ALREADY_EXISTS);
        else if (error == EXDEV)
            SetLastError(ERROR_NOT_SAME_DEVICE);
        else
            SetLastError(ErrorOfPath(error, *to));
        return FALSE;
    }
    if (dwFlags & MOVEFILE_WRITE_THROUGH) {
        bool synced = SyncFolder(FolderOf(*to));
        if (synced && FolderOf(*from) != FolderOf(*to))
            synced = SyncFolder(FolderOf(*from));
        if (!synced) {
            SetLastErrorFromErrno();
            return FALSE;
        }
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI ReplaceFileA(LPCSTR lpReplacedFileName, LPCSTR lpReplacementFileName,
                         LPCSTR lpBackupFileName, DWORD dwReplaceFlags, LPVOID lpExclude,
                         LPVOID lpReserved) {
    using namespace platform;
    if (!lpReplacedFileName || !lpReplacementFileName || lpBackupFileName || dwReplaceFlags ||
        lpExclude || lpReserved) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::optional<std::string> replaced = host::WindowsToLinuxPath(lpReplacedFileName);
    std::optional<std::string> replacement = host::WindowsToLinuxPath(lpReplacementFileName);
    if (!replaced || !replacement) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    struct stat old {};
    if (stat(replaced->c_str(), &old) != 0) {
        SetLastError(ErrorOfPath(errno, *replaced));
        return FALSE;
    }
    struct stat source {};
    if (lstat(replacement->c_str(), &source) != 0) {
        SetLastError(ErrorOfPath(errno, *replacement));
        return FALSE;
    }
    if (S_ISDIR(old.st_mode) || !S_ISREG(source.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // What the user set on the old file goes to the new one before it takes the name. An owner
    // that this process may not give is left as the new file has it.
    [[maybe_unused]] int owned = chown(replacement->c_str(), old.st_uid, old.st_gid);
    if (chmod(replacement->c_str(), old.st_mode & 07777) != 0) {
        SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
        return FALSE;
    }
    if (rename(replacement->c_str(), replaced->c_str()) != 0) {
        SetLastError(errno == EXDEV ? ERROR_NOT_SAME_DEVICE : ERROR_UNABLE_TO_MOVE_REPLACEMENT);
        return FALSE;
    }
    bool synced = SyncFolder(FolderOf(*replaced));
    if (synced && FolderOf(*replacement) != FolderOf(*replaced))
        synced = SyncFolder(FolderOf(*replacement));
    if (!synced) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

DWORD WINAPI GetFinalPathNameByHandleA(HANDLE hFile, LPSTR lpszFilePath, DWORD cchFilePath,
                                       DWORD dwFlags) {
    using namespace platform;
    auto file = FindKernelObjectAs<FileObject>(hFile);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (dwFlags != (FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // From the name the handle was opened by, its links followed now. The descriptor's own link
    // in /proc names the file itself, which is no good: once another file has taken its name
    // (or it was deleted) that link reads "<name> (deleted)", a name a caller would then create.
    std::optional<std::string> target = ResolvedPath(file->path());
    if (!target) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    const std::string path = "\\\\?\\" + host::LinuxToWindowsPath(*target);
    if (!lpszFilePath || cchFilePath <= path.size()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return DWORD(path.size() + 1);
    }
    std::memcpy(lpszFilePath, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return DWORD(path.size());
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    using namespace platform;
    std::optional<std::string> path =
        lpFileName ? host::WindowsToLinuxPath(lpFileName) : std::nullopt;
    if (!path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    struct stat st {};
    if (lstat(path->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(path->c_str()) != 0) {
        SetLastError(ErrorOfPath(errno, *path));
        return FALSE;
    }
    return TRUE;
}

PELMORA_END_EXTERN_C
