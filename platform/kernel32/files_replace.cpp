// FlushFileBuffers, MoveFileExA and DeleteFileA: what a program needs to replace a file so that
// a crash at any moment leaves either the old file or the new one.
#include "kernel32/files.h"

#include "host/paths.h"
#include "kernel32/errors.h"

#include <cerrno>
#include <cstdio>
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
