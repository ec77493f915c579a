// Named sections backed by shared memory. Every process that uses the layer finds a section
// under its name in the shared-memory folder, one file per name and user.
//
// Whether a section still has holders is told by file locks: each process holding the section
// keeps a shared lock on its file. A file that can be locked exclusively has no holder left (its
// last one closed it or ended): the last holder removes it, and a creator that finds such a file
// replaces it, so a new section never shows the contents of one that had ended.
#include "kernel32/handles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* kSectionFolder = "/dev/shm";
// Views start at multiples of the system's allocation granularity.
constexpr uint64_t kAllocationGranularity = 65536;

// One section as this process holds it: the file, shared by every handle and view of the name.
struct SectionFile {
    int fd = -1;
    std::string path; // empty for an unnamed section
    uint64_t size = 0;
    ~SectionFile();
};

class Section final : public KernelObject {
public:
    std::shared_ptr<SectionFile> file;
    bool writable = true;
};

struct View {
    std::shared_ptr<SectionFile> file; // keeps the section alive while it is mapped
    size_t length = 0;
};

std::mutex sections_mutex;
std::map<std::string, std::weak_ptr<SectionFile>>& OpenSections() {
    static std::map<std::string, std::weak_ptr<SectionFile>> open;
    return open;
}
std::map<uintptr_t, View>& Views() {
    static std::map<uintptr_t, View> views;
    return views;
}

bool SameFile(int fd, const std::string& path) {
    struct stat a {
    }, b{};
    return fstat(fd, &a) == 0 && stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

SectionFile::~SectionFile() {
    if (fd < 0)
        return;
    // The last holder anywhere takes the name away.
    if (!path.empty() && flock(fd, LOCK_EX | LOCK_NB) == 0 && SameFile(fd, path))
        unlink(path.c_str());
    close(fd);
}

// Appends text with every byte outside [A-Za-z0-9._-] as %XX, so that "Local\Orlith" and
// "Local/Orlith" stay two names and no name leaves the folder.
void AppendEscaped(std::string& path, const char* text) {
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '.' || c == '_' || c == '-') {
            path += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            path += hex;
        }
    }
}

// The file of a name: the user's id, the namespace that PELMORA_PLATFORM_SECTIONS names (so
// that programs run side by side by tests each see their own sections), then the name.
std::optional<std::string> SectionPath(LPCSTR name) {
    std::string path = std::string(kSectionFolder) + "/pelmora-" + std::to_string(getuid()) + "-";
    if (const char* space = std::getenv("PELMORA_PLATFORM_SECTIONS"); space && *space) {
        AppendEscaped(path, space);
        path += '-';
    }
    path += '-';
    AppendEscaped(path, name);
    if (path.size() - std::string_view(kSectionFolder).size() > 255)
        return std::nullopt;
    return path;
}

DWORD ErrorOfErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// Opens the existing file of a section; null when there is none (or it was an ended one,
// which is removed). Sets *error on a failure other than absence.
std::shared_ptr<SectionFile> OpenExisting(const std::string& path, DWORD* error) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            if (errno != ENOENT)
                *error = ErrorOfErrno(errno);
            return nullptr;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // Nobody holds it: what is left of a section that has ended.
            if (SameFile(fd, path))
                unlink(path.c_str());
            close(fd);
            return nullptr;
        }
        flock(fd, LOCK_SH);
        struct stat st {};
        if (!SameFile(fd, path) || fstat(fd, &st) != 0) {
            close(fd); // replaced while we looked; look again
            continue;
        }
        auto file = std::make_shared<SectionFile>();
        file->fd = fd;
        file->path = path;
        file->size = uint64_t(st.st_size);
        return file;
    }
    *error = ERROR_GEN_FAILURE;
    return nullptr;
}

// Creates the file whole (sized, zeroed, locked) and only then gives it its name, so that no
// other process sees a section without its size. Null with *error = ERROR_ALREADY_EXISTS when
// another process named one first.
std::shared_ptr<SectionFile> CreateNamed(const std::string& path, uint64_t size, DWORD* error) {
    int fd = open(kSectionFolder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = ErrorOfErrno(errno);
        return nullptr;
    }
    if (ftruncate(fd, off_t(size)) != 0 || flock(fd, LOCK_SH) != 0) {
        *error = ErrorOfErrno(errno);
        close(fd);
        return nullptr;
    }
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        *error = errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrorOfErrno(errno);
        close(fd);
        return nullptr;
    }
    auto file = std::make_shared<SectionFile>();
    file->fd = fd;
    file->path = path;
    file->size = size;
    return file;
}

std::shared_ptr<SectionFile> CreateUnnamed(uint64_t size, DWORD* error) {
    int fd = memfd_create("section", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, off_t(size)) != 0) {
        *error = ErrorOfErrno(errno);
        if (fd >= 0)
            close(fd);
        return nullptr;
    }
    auto file = std::make_shared<SectionFile>();
    file->fd = fd;
    file->size = size;
    return file;
}

HANDLE AddSection(std::shared_ptr<SectionFile> file, bool writable) {
    auto section = std::make_shared<Section>();
    section->file = std::move(file);
    section->writable = writable;
    return AddKernelObject(section);
}

} // namespace

} // namespace platform

using namespace platform;

PELMORA_BEGIN_EXTERN_C

HANDLE WINAPI CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect,
                                 DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName) {
    if (hFile != INVALID_HANDLE_VALUE) {
        // Sections of files are not offered; only the paging file backs a section here.
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    uint64_t size = (uint64_t(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
    DWORD protection = flProtect & 0xFF;
    if (size == 0 || (protection != PAGE_READWRITE && protection != PAGE_READONLY)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    bool writable = protection == PAGE_READWRITE;
    DWORD error = ERROR_SUCCESS;
    if (!lpName || !lpName[0]) {
        auto file = CreateUnnamed(size, &error);
        if (!file) {
            SetLastError(error);
            return nullptr;
        }
        SetLastError(ERROR_SUCCESS);
        return AddSection(std::move(file), writable);
    }
    std::optional<std::string> path = SectionPath(lpName);
    if (!path) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    std::lock_guard lock(sections_mutex);
    if (auto held = OpenSections()[*path].lock()) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return AddSection(std::move(held), writable);
    }
    for (int attempt = 0; attempt < 8; ++attempt) {
        error = ERROR_SUCCESS;
        if (auto existing = OpenExisting(*path, &error)) {
            OpenSections()[*path] = existing;
            SetLastError(ERROR_ALREADY_EXISTS);
            return AddSection(std::move(existing), writable);
        }
        if (error != ERROR_SUCCESS)
            break;
        if (auto created = CreateNamed(*path, size, &error)) {
            OpenSections()[*path] = created;
            SetLastError(ERROR_SUCCESS);
            return AddSection(std::move(created), writable);
        }
        if (error != ERROR_ALREADY_EXISTS)
            break; // else another process was quicker: open its section
    }
    SetLastError(error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error);
    return nullptr;
}

HANDLE WINAPI OpenFileMappingA(DWORD dwDesiredAccess, BOOL, LPCSTR lpName) {
    if (!lpName || !lpName[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::optional<std::string> path = SectionPath(lpName);
    if (!path) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    bool writable = (dwDesiredAccess & FILE_MAP_WRITE) != 0;
    std::lock_guard lock(sections_mutex);
    if (auto held = OpenSections()[*path].lock())
        return AddSection(std::move(held), writable);
    DWORD error = ERROR_SUCCESS;
    auto existing = OpenExisting(*path, &error);
    if (!existing) {
        SetLastError(error == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : error);
        return nullptr;
    }
    OpenSections()[*path] = existing;
    return AddSection(std::move(existing), writable);
}

LPVOID WINAPI MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess,
                            DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                            SIZE_T dwNumberOfBytesToMap) {
    auto section = FindKernelObjectAs<Section>(hFileMappingObject);
    if (!section) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    bool write = (dwDesiredAccess & FILE_MAP_WRITE) != 0;
    if (write && !section->writable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    uint64_t offset = (uint64_t(dwFileOffsetHigh) << 32) | dwFileOffsetLow;
    uint64_t size = section->file->size;
    if (offset % kAllocationGranularity != 0 || offset >= size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    uint64_t length = dwNumberOfBytesToMap ? dwNumberOfBytesToMap : size - offset;
    if (length > size - offset) {
        // A view never reaches past the end of its section.
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    void* address = mmap(nullptr, size_t(length), write ? PROT_READ | PROT_WRITE : PROT_READ,
                         MAP_SHARED, section->file->fd, off_t(offset));
    if (address == MAP_FAILED) {
        SetLastError(ErrorOfErrno(errno));
        return nullptr;
    }
    std::lock_guard lock(sections_mutex);
    Views()[reinterpret_cast<uintptr_t>(address)] = View{section->file, size_t(length)};
    return address;
}

BOOL WINAPI UnmapViewOfFile(LPCVOID lpBaseAddress) {
    std::shared_ptr<SectionFile> released;
    std::lock_guard lock(sections_mutex);
    auto it = Views().find(reinterpret_cast<uintptr_t>(lpBaseAddress));
    if (it == Views().end()) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    munmap(const_cast<void*>(lpBaseAddress), it->second.length);
    released = std::move(it->second.file);
    Views().erase(it);
    return TRUE;
}

PELMORA_END_EXTERN_C
