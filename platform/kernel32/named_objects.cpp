#include "kernel32/named_objects.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* kObjectFolder = "/dev/shm";

// The kind of an object is in its file's mode: a mutex's file is marked executable.
mode_t ModeOf(NamedKind kind) {
    return kind == NamedKind::Mutex ? 0700 : 0600;
}
NamedKind KindOfMode(mode_t mode) {
    return (mode & S_IXUSR) ? NamedKind::Mutex : NamedKind::Section;
}

std::mutex objects_mutex;
std::map<std::string, std::weak_ptr<SharedFile>>& OpenObjects() {
    static std::map<std::string, std::weak_ptr<SharedFile>> open;
    return open;
}

bool SameFile(int fd, const std::string& path) {
    struct stat a {
    }, b{};
    return fstat(fd, &a) == 0 && stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
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
// that programs run side by side by tests each see their own objects), then the name.
std::optional<std::string> ObjectPath(LPCSTR name) {
    std::string path = std::string(kObjectFolder) + "/pelmora-" + std::to_string(getuid()) + "-";
    if (const char* space = std::getenv("PELMORA_PLATFORM_SECTIONS"); space && *space) {
        AppendEscaped(path, space);
        path += '-';
    }
    path += '-';
    AppendEscaped(path, name);
    if (path.size() - std::string_view(kObjectFolder).size() > 255)
        return std::nullopt;
    return path;
}

// Opens the existing file of an object; null when there is none (or it was an ended one,
// which is removed). Sets *error on a failure other than absence.
std::shared_ptr<SharedFile> OpenExisting(const std::string& path, DWORD* error) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            if (errno != ENOENT)
                *error = ErrorOfErrno(errno);
            return nullptr;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // Nobody holds it: what is left of an object that has ended.
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
        auto file = std::make_shared<SharedFile>();
        file->fd = fd;
        file->path = path;
        file->size = uint64_t(st.st_size);
        file->kind = KindOfMode(st.st_mode);
        return file;
    }
    *error = ERROR_GEN_FAILURE;
    return nullptr;
}

// A new file, sized, zeroed, marked with its kind and written by `prepare`.
int NewFile(int fd, NamedKind kind, uint64_t size, const PrepareFile& prepare, DWORD* error) {
    if (fd < 0 || fchmod(fd, ModeOf(kind)) != 0 || ftruncate(fd, off_t(size)) != 0) {
        *error = ErrorOfErrno(errno);
        if (fd >= 0)
            close(fd);
        return -1;
    }
    if (prepare && !prepare(fd)) {
        *error = ERROR_GEN_FAILURE;
        close(fd);
        return -1;
    }
    return fd;
}

// Creates the file whole (sized, written, locked) and only then gives it its name, so that no
// other process sees an object half made. Null with *error = ERROR_ALREADY_EXISTS when another
// process named one first.
std::shared_ptr<SharedFile> CreateNamed(const std::string& path, NamedKind kind, uint64_t size,
                                        const PrepareFile& prepare, DWORD* error) {
    int fd = NewFile(open(kObjectFolder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600), kind, size, prepare,
                     error);
    if (fd < 0)
        return nullptr;
    if (flock(fd, LOCK_SH) != 0) {
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
    auto file = std::make_shared<SharedFile>();
    file->fd = fd;
    file->path = path;
    file->size = size;
    file->kind = kind;
    return file;
}

// The file found under a name, when it is of the kind asked for.
std::shared_ptr<SharedFile> OfKind(std::shared_ptr<SharedFile> file, NamedKind kind, DWORD* error) {
    if (file && file->kind != kind) {
        *error = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return file;
}

} // namespace

SharedFile::~SharedFile() {
    if (fd < 0)
        return;
    // The last holder anywhere takes the name away.
    if (!path.empty() && flock(fd, LOCK_EX | LOCK_NB) == 0 && SameFile(fd, path))
        unlink(path.c_str());
    close(fd);
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

std::shared_ptr<SharedFile> CreateOrOpenNamed(LPCSTR name, NamedKind kind, uint64_t size,
                                              const PrepareFile& prepare, DWORD* error) {
    std::optional<std::string> path = ObjectPath(name);
    if (!path) {
        *error = ERROR_FILENAME_EXCED_RANGE;
        return nullptr;
    }
    std::lock_guard lock(objects_mutex);
    if (auto held = OpenObjects()[*path].lock()) {
        *error = ERROR_ALREADY_EXISTS;
        return OfKind(std::move(held), kind, error);
    }
    for (int attempt = 0; attempt < 8; ++attempt) {
        *error = ERROR_SUCCESS;
        if (auto existing = OpenExisting(*path, error)) {
            OpenObjects()[*path] = existing;
            *error = ERROR_ALREADY_EXISTS;
            return OfKind(std::move(existing), kind, error);
        }
        if (*error != ERROR_SUCCESS)
            break;
        if (auto created = CreateNamed(*path, kind, size, prepare, error)) {
            OpenObjects()[*path] = created;
            *error = ERROR_SUCCESS;
            return created;
        }
        if (*error != ERROR_ALREADY_EXISTS)
            break; // else another process was quicker: open its object
    }
    if (*error == ERROR_SUCCESS || *error == ERROR_ALREADY_EXISTS)
        *error = ERROR_GEN_FAILURE;
    return nullptr;
}

std::shared_ptr<SharedFile> OpenNamed(LPCSTR name, NamedKind kind, DWORD* error) {
    std::optional<std::string> path = ObjectPath(name);
    if (!path) {
        *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    std::lock_guard lock(objects_mutex);
    if (auto held = OpenObjects()[*path].lock())
        return OfKind(std::move(held), kind, error);
    *error = ERROR_SUCCESS;
    auto existing = OpenExisting(*path, error);
    if (!existing) {
        if (*error == ERROR_SUCCESS)
            *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    OpenObjects()[*path] = existing;
    return OfKind(std::move(existing), kind, error);
}

std::shared_ptr<SharedFile> CreateUnnamed(NamedKind kind, uint64_t size, const PrepareFile& prepare,
                                          DWORD* error) {
    int fd = NewFile(memfd_create("object", MFD_CLOEXEC), kind, size, prepare, error);
    if (fd < 0)
        return nullptr;
    auto file = std::make_shared<SharedFile>();
    file->fd = fd;
    file->size = size;
    file->kind = kind;
    return file;
}

} // namespace platform
