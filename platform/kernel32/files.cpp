#include "kernel32/files.h"

#include "host/codepage.h"
#include "host/paths.h"
#include "kernel32/devices.h"
#include "kernel32/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::mutex limit_mutex;
std::optional<uint64_t> write_allowance;
std::function<void()> before_next_write;

// Takes up to `wanted` bytes of the write allowance; all of them when there is no limit.
size_t TakeWriteAllowance(size_t wanted) {
    std::lock_guard lock(limit_mutex);
    if (!write_allowance)
        return wanted;
    size_t granted = size_t(std::min<uint64_t>(*write_allowance, wanted));
    *write_allowance -= granted;
    return granted;
}

// Files open in this process, for the sharing check (the system's is across processes; ours
// covers the program and its plug-ins, which is what the program relies on).
std::mutex open_files_mutex;
std::vector<FileObject*>& OpenFiles() {
    static std::vector<FileObject*> files;
    return files;
}

bool SharingAllows(DWORD access, DWORD share, uint64_t device, uint64_t inode) {
    std::lock_guard lock(open_files_mutex);
    for (const FileObject* open : OpenFiles()) {
        if (open->device() != device || open->inode() != inode)
            continue;
        bool wants_read = access & (GENERIC_READ | GENERIC_ALL);
        bool wants_write = access & (GENERIC_WRITE | GENERIC_ALL);
        bool has_read = open->access() & (GENERIC_READ | GENERIC_ALL);
        bool has_write = open->access() & (GENERIC_WRITE | GENERIC_ALL);
        if ((wants_read && !(open->share() & FILE_SHARE_READ)) ||
            (wants_write && !(open->share() & FILE_SHARE_WRITE)) ||
            (has_read && !(share & FILE_SHARE_READ)) || (has_write && !(share & FILE_SHARE_WRITE)))
            return false;
    }
    return true;
}

std::shared_ptr<FileObject> FindFile(HANDLE handle) {
    auto file = FindKernelObjectAs<FileObject>(handle);
    if (!file)
        SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

std::string ParentOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// ENOENT means "no such file" when the folder exists, and "no such path" when it does not.
DWORD MissingError(const std::string& path) {
    struct stat st {};
    return stat(ParentOf(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND
                                                                         : ERROR_PATH_NOT_FOUND;
}

DWORD AttributesOf(const struct stat& st, const std::string& name) {
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!(st.st_mode & S_IWUSR))
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (attributes == 0)
        attributes = S_ISREG(st.st_mode) ? FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_NORMAL;
    return attributes;
}

// Windows wildcards: '*' any run, '?' one character; letters compare without case.
bool WildcardMatch(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    auto lower = [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    // "*.*" matches names without a dot too, as it always has.
    if (p + 1 == pattern.size() && pattern[p] == '.' && p > 0 && pattern[p - 1] == '*')
        return true;
    return p == pattern.size();
}

struct FoundEntry {
    std::string ansi_name;
    WIN32_FIND_DATAA data;
};

class FindObject : public KernelObject {
public:
    std::vector<FoundEntry> entries;
    size_t next = 0;
};

void FillFindData(const std::string& ansi_name, const struct stat& st, WIN32_FIND_DATAA* data) {
    *data = WIN32_FIND_DATAA{};
    data->dwFileAttributes = AttributesOf(st, ansi_name);
    data->ftCreationTime = FileTimeFromUnix(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
    data->ftLastAccessTime = FileTimeFromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    data->ftLastWriteTime = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    uint64_t size = S_ISDIR(st.st_mode) ? 0 : uint64_t(st.st_size);
    data->nFileSizeHigh = DWORD(size >> 32);
    data->nFileSizeLow = DWORD(size);
    size_t n = std::min(ansi_name.size(), size_t(MAX_PATH - 1));
    ansi_name.copy(data->cFileName, n);
    data->cFileName[n] = '\0';
}

// Only files and, when asked for, folders open by name. A FIFO, socket or device in the file
// system is no file to the system (its pipes and devices have names of their own, "\\.\..."),
// and reading one could block for good or never end.
bool OpensAsFile(mode_t mode, bool folders) {
    return S_ISREG(mode) || (folders && S_ISDIR(mode));
}

} // namespace

FileObject::FileObject(int fd, std::string path, DWORD access, DWORD share, uint64_t device,
                       uint64_t inode)
    : fd_(fd), path_(std::move(path)), access_(access), share_(share), device_(device),
      inode_(inode) {
    std::lock_guard lock(open_files_mutex);
    OpenFiles().push_back(this);
}

FileObject::~FileObject() {
    {
        std::lock_guard lock(open_files_mutex);
        std::erase(OpenFiles(), this);
    }
    close(fd_);
}

void SetWriteLimit(std::optional<uint64_t> bytes) {
    std::lock_guard lock(limit_mutex);
    write_allowance = bytes;
}

void SetBeforeNextWrite(std::function<void()> action) {
    std::lock_guard lock(limit_mutex);
    before_next_write = std::move(action);
}

FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
    uint64_t ticks =
        uint64_t(seconds + 11644473600LL) * 10'000'000ull + uint64_t(nanoseconds / 100);
    return FILETIME{DWORD(ticks), DWORD(ticks >> 32)};
}

} // namespace platform

PELMORA_BEGIN_EXTERN_C

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE) {
    using namespace platform;
    if (!lpFileName || !*lpFileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string_view name(lpFileName);
    if (name.starts_with("\\\\.\\"))
        return OpenDevice(name.substr(4), dwDesiredAccess, dwShareMode);
    std::optional<std::string> path = host::WindowsToLinuxPath(name);
    if (!path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    bool wants_read = dwDesiredAccess & (GENERIC_READ | GENERIC_ALL);
    bool wants_write = dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL);
    int flags = O_CLOEXEC;
    flags |= wants_write ? (wants_read ? O_RDWR : O_WRONLY) : O_RDONLY;
    bool truncate = false;
    switch (dwCreationDisposition) {
    case CREATE_NEW:
        flags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        flags |= O_CREAT;
        truncate = true;
        break;
    case OPEN_EXISTING:
        break;
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        if (!wants_write) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        truncate = true;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const bool folders = dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS;
    struct stat before {};
    bool existed = stat(path->c_str(), &before) == 0;
    if (existed && !OpensAsFile(before.st_mode, folders)) {
        // To CREATE_NEW the name is taken, whatever holds it: a caller making names until one
        // is free must pass it over, not take it for a folder it may not write.
        SetLastError(dwCreationDisposition == CREATE_NEW ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    int mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    // Never blocks, should the name become a FIFO after the check above: the open of one
    // waits for its other end. Cleared below once the file is known to be a file.
    int fd = open(path->c_str(), flags | O_NONBLOCK, mode);
    if (fd < 0) {
        DWORD error = errno == ENOENT ? MissingError(*path) : ErrorFromErrno(errno);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !OpensAsFile(st.st_mode, folders) ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        close(fd);
        // Only what this call made is removed, never what took the name meanwhile.
        if (!existed && S_ISREG(st.st_mode))
            unlink(path->c_str());
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    // Sharing is checked before anything is truncated, so a refused open changes nothing.
    if (!SharingAllows(dwDesiredAccess, dwShareMode, st.st_dev, st.st_ino)) {
        close(fd);
        if (!existed)
            unlink(path->c_str());
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    if (truncate && ftruncate(fd, 0) != 0) {
        DWORD error = ErrorFromErrno(errno);
        close(fd);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    auto file =
        std::make_shared<FileObject>(fd, *path, dwDesiredAccess, dwShareMode, st.st_dev, st.st_ino);
    HANDLE handle = AddKernelObject(file);
    bool reports_existing =
        dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    SetLastError(existed && reports_existing ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    using namespace platform;
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = 0;
    auto file = FindFile(hFile);
    if (!file)
        return FALSE;
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToRead)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!(file->access() & (GENERIC_READ | GENERIC_ALL))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD total = 0;
    auto* out = static_cast<char*>(lpBuffer);
    while (total < nNumberOfBytesToRead) {
        ssize_t n = read(file->fd(), out + total, nNumberOfBytesToRead - total);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            SetLastErrorFromErrno();
            if (lpNumberOfBytesRead)
                *lpNumberOfBytesRead = total;
            return FALSE;
        }
        if (n == 0)
            break;
        total += DWORD(n);
    }
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = total;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    using namespace platform;
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = 0;
    auto file = FindFile(hFile);
    if (!file)
        return FALSE;
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToWrite)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!(file->access() & (GENERIC_WRITE | GENERIC_ALL))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::function<void()> before;
    {
        std::lock_guard lock(limit_mutex);
        before.swap(before_next_write);
    }
    // Outside the lock: the action may write files itself.
    if (before)
        before();
    size_t allowed = TakeWriteAllowance(nNumberOfBytesToWrite);
    DWORD total = 0;
    const auto* in = static_cast<const char*>(lpBuffer);
    while (total < allowed) {
        ssize_t n = write(file->fd(), in + total, allowed - total);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            SetLastErrorFromErrno();
            if (lpNumberOfBytesWritten)
                *lpNumberOfBytesWritten = total;
            return FALSE;
        }
        total += DWORD(n);
    }
    if (lpNumberOfBytesWritten)
        *lpNumberOfBytesWritten = total;
    if (allowed < nNumberOfBytesToWrite) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                            DWORD dwMoveMethod) {
    using namespace platform;
    auto file = FindFile(hFile);
    if (!file)
        return INVALID_SET_FILE_POINTER;
    int64_t distance =
        lpDistanceToMoveHigh
            ? int64_t((uint64_t(uint32_t(*lpDistanceToMoveHigh)) << 32) | uint32_t(lDistanceToMove))
            : int64_t(lDistanceToMove);
    int whence = dwMoveMethod == FILE_BEGIN     ? SEEK_SET
                 : dwMoveMethod == FILE_CURRENT ? SEEK_CUR
                 : dwMoveMethod == FILE_END     ? SEEK_END
                                                : -1;
    if (whence < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    off_t current = lseek(file->fd(), 0, SEEK_CUR);
    off_t base = whence == SEEK_SET   ? 0
                 : whence == SEEK_CUR ? current
                                      : lseek(file->fd(), 0, SEEK_END);
    if (base + distance < 0) {
        lseek(file->fd(), current, SEEK_SET);
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    off_t position = lseek(file->fd(), base + distance, SEEK_SET);
    if (position < 0) {
        SetLastErrorFromErrno();
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = LONG(uint64_t(position) >> 32);
    SetLastError(ERROR_SUCCESS);
    return DWORD(uint64_t(position));
}

BOOL WINAPI SetEndOfFile(HANDLE hFile) {
    using namespace platform;
    auto file = FindFile(hFile);
    if (!file)
        return FALSE;
    off_t position = lseek(file->fd(), 0, SEEK_CUR);
    if (position < 0 || ftruncate(file->fd(), position) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    using namespace platform;
    auto file = FindFile(hFile);
    struct stat st {};
    if (!file || fstat(file->fd(), &st) != 0) {
        if (file)
            SetLastErrorFromErrno();
        return INVALID_FILE_SIZE;
    }
    uint64_t size = uint64_t(st.st_size);
    if (lpFileSizeHigh)
        *lpFileSizeHigh = DWORD(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return DWORD(size);
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    using namespace platform;
    std::optional<std::string> path =
        lpFileName ? host::WindowsToLinuxPath(lpFileName) : std::nullopt;
    struct stat st {};
    if (!path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (stat(path->c_str(), &st) != 0) {
        SetLastError(errno == ENOENT ? MissingError(*path) : ErrorFromErrno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string name = path->substr(path->find_last_of('/') + 1);
    return AttributesOf(st, name);
}

// The entries come in name order, so that a folder scan is the same on every run.
HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    using namespace platform;
    if (!lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string_view text(lpFileName);
    size_t sep = text.find_last_of("\\/");
    std::string folder_windows(sep == std::string_view::npos ? "" : text.substr(0, sep + 1));
    std::string pattern_ansi(sep == std::string_view::npos ? text : text.substr(sep + 1));
    if (folder_windows.size() == 2 && folder_windows[1] == ':')
        folder_windows += '\\';
    std::optional<std::string> folder = folder_windows.empty()
                                            ? std::optional<std::string>(".")
                                            : host::WindowsToLinuxPath(folder_windows);
    if (!folder) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR* dir = opendir(folder->c_str());
    if (!dir) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                         : ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto find = std::make_shared<FindObject>();
    std::string prefix = *folder;
    if (prefix.back() != '/')
        prefix += '/';
    while (dirent* entry = readdir(dir)) {
        // A name holding a backslash has no Windows form: joined to its folder it would name a
        // file in a folder below ("x\y.pmp" as "x/y.pmp"). The system lists no such name.
        if (std::strchr(entry->d_name, '\\'))
            continue;
        std::string ansi_name = host::Utf8ToAnsi(entry->d_name);
        if (!WildcardMatch(pattern_ansi, ansi_name))
            continue;
        struct stat st {};
        if (stat((prefix + entry->d_name).c_str(), &st) != 0)
            continue;
        FoundEntry found{ansi_name, {}};
        FillFindData(ansi_name, st, &found.data);
        find->entries.push_back(found);
    }
    closedir(dir);
    if (find->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::sort(find->entries.begin(), find->entries.end(),
              [](const FoundEntry& a, const FoundEntry& b) { return a.ansi_name < b.ansi_name; });
    *lpFindFileData = find->entries[0].data;
    find->next = 1;
    SetLastError(ERROR_SUCCESS);
    return AddKernelObject(find);
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    using namespace platform;
    auto find = FindKernelObjectAs<FindObject>(hFindFile);
    if (!find || !lpFindFileData) {
        SetLastError(find ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (find->next >= find->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *lpFindFileData = find->entries[find->next++].data;
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
    using namespace platform;
    if (!FindKernelObjectAs<FindObject>(hFindFile) || !RemoveKernelObject(hFindFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

PELMORA_END_EXTERN_C
