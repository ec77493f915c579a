#include "kernel32/named_objects.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Every object's file name starts with this, so that in the user's runtime folder, which other
// programs share, only the layer's own files are ever looked at.
constexpr std::string_view kPrefix = "pelmora-";
constexpr size_t kNameMax = 255;

// The kind of an object is in its file's mode: a mutex's file is marked executable.
mode_t ModeOf(NamedKind kind) {
    return kind == NamedKind::Mutex ? 0700 : 0600;
}
NamedKind KindOfMode(mode_t mode) {
    return (mode & S_IXUSR) ? NamedKind::Mutex : NamedKind::Section;
}

// A descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&&) = delete;
    ~Fd() {
        if (fd_ >= 0)
            close(fd_);
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// Owned by this user, of that type, with no way in for group or others. Root passes every
// permission check, so the owner and the mode are what keep another user's file out.
bool OursAlone(const struct stat& st, mode_t type) {
    return (st.st_mode & S_IFMT) == type && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

// Opens a folder below `at` without following a link as its last part; -1 unless it is a folder
// of this user alone. *error is ERROR_ACCESS_DENIED for one that is there but not ours alone.
int OpenPrivateFolder(int at, const char* path, DWORD* error) {
    Fd fd(openat(at, path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0) {
        *error = errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
        return -1;
    }
    if (fstat(fd.get(), &st) != 0 || !OursAlone(st, S_IFDIR)) {
        *error = ERROR_ACCESS_DENIED;
        return -1;
    }
    return fd.release();
}

// The folder of this user's objects (see the header); -1 with *error set when there is none
// that only this user can enter. Looked for at each use: the runtime folder may be named
// differently by the next call, and a folder replaced meanwhile is caught.
int OpenObjectFolder(DWORD* error) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        DWORD ignored = ERROR_SUCCESS;
        if (int fd = OpenPrivateFolder(AT_FDCWD, runtime, &ignored); fd >= 0)
            return fd;
    }
    int shm = open("/dev/shm", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    Fd base(shm >= 0 ? shm : open("/tmp", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (base.get() < 0) {
        *error = ErrorOfErrno(errno);
        return -1;
    }
    std::string own = std::string(kPrefix) + std::to_string(geteuid());
    // Made 0700 from the start; one that is there already is checked as any other.
    if (mkdirat(base.get(), own.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = ErrorOfErrno(errno);
        return -1;
    }
    return OpenPrivateFolder(base.get(), own.c_str(), error);
}

bool SameFile(int fd, int folder, const std::string& name) {
    struct stat a {
    }, b{};
    return fstat(fd, &a) == 0 && fstatat(folder, name.c_str(), &b, AT_SYMLINK_NOFOLLOW) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes the name when its file has no holder left, and says whether it had none. The caller
// holds no lock of its own on fd. Nobody else can take the name away meanwhile: that too needs
// the exclusive lock.
bool RemoveIfUnheld(int fd, int folder, const std::string& name) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    if (SameFile(fd, folder, name))
        unlinkat(folder, name.c_str(), 0);
    return true;
}

// Removes every object of the folder that nobody holds any more: what programs that were
// killed left. Only this user's regular files of the layer's names are opened at all.
void RemoveEnded(int folder) {
    int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listing >= 0 ? fdopendir(listing) : nullptr;
    if (!dir) {
        if (listing >= 0)
            close(listing);
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir))
        if (std::string_view(entry->d_name).starts_with(kPrefix))
            names.emplace_back(entry->d_name);
    closedir(dir);
    for (const std::string& name : names) {
        struct stat st {};
        if (fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !OursAlone(st, S_IFREG))
            continue;
        Fd fd(openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.get() >= 0 && fstat(fd.get(), &st) == 0 && OursAlone(st, S_IFREG))
            RemoveIfUnheld(fd.get(), folder, name);
    }
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

// The file name of an object's name: the namespace that PELMORA_PLATFORM_SECTIONS names (so
// that programs run side by side by tests each see their own objects), then the name.
std::optional<std::string> FileNameOf(LPCSTR name) {
    std::string file(kPrefix);
    if (const char* space = std::getenv("PELMORA_PLATFORM_SECTIONS"); space && *space) {
        AppendEscaped(file, space);
        file += '-';
    }
    file += '-';
    AppendEscaped(file, name);
    if (file.size() > kNameMax)
        return std::nullopt;
    return file;
}

// The folder and file of a name, with the key under which this process keeps its object.
struct Place {
    Fd folder;
    std::string file;
    std::string key;
};

std::optional<Place> PlaceOf(LPCSTR name, DWORD* error, DWORD too_long) {
    std::optional<std::string> file = FileNameOf(name);
    if (!file) {
        *error = too_long;
        return std::nullopt;
    }
    Place place{Fd(OpenObjectFolder(error)), *file, {}};
    struct stat st {};
    if (place.folder.get() < 0)
        return std::nullopt;
    if (fstat(place.folder.get(), &st) != 0) {
        *error = ErrorOfErrno(errno);
        return std::nullopt;
    }
    place.key = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + "/" + *file;
    return place;
}

std::mutex objects_mutex;
std::map<std::string, std::weak_ptr<SharedFile>>& OpenObjects() {
    static std::map<std::string, std::weak_ptr<SharedFile>> open;
    return open;
}

// The object of a file descriptor, which it then owns (not when null: the caller still does).
std::shared_ptr<SharedFile> Held(int fd, int folder, const std::string& name, uint64_t size,
                                 NamedKind kind) {
    int own_folder = folder >= 0 ? fcntl(folder, F_DUPFD_CLOEXEC, 0) : -1;
    if (folder >= 0 && own_folder < 0)
        return nullptr;
    auto file = std::make_shared<SharedFile>();
    file->fd = fd;
    file->folder = own_folder;
    file->name = name;
    file->size = size;
    file->kind = kind;
    return file;
}

// Opens the existing file of an object; null when there is none (or it was an ended one,
// which is removed). Sets *error on a failure other than absence: ERROR_ACCESS_DENIED for a
// file that is not this user's alone, which is refused before any lock or wait.
std::shared_ptr<SharedFile> OpenExisting(const Place& place, DWORD* error) {
    const int folder = place.folder.get();
    for (int attempt = 0; attempt < 8; ++attempt) {
        // Not blocking: a FIFO under the name must not hold the caller.
        Fd fd(openat(folder, place.file.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.get() < 0) {
            if (errno == ENOENT)
                return nullptr;
            // A link (ELOOP), a socket (ENXIO), a folder or a file we may not open.
            *error = errno == EMFILE || errno == ENFILE || errno == ENOMEM ? ErrorOfErrno(errno)
                                                                           : ERROR_ACCESS_DENIED;
            return nullptr;
        }
        struct stat st {};
        if (fstat(fd.get(), &st) != 0 || !OursAlone(st, S_IFREG)) {
            *error = ERROR_ACCESS_DENIED;
            return nullptr;
        }
        // Nobody holds it: what is left of an object that has ended.
        if (RemoveIfUnheld(fd.get(), folder, place.file))
            return nullptr;
        // Exclusive locks are held only for a moment, by a holder removing the name.
        int locked;
        while ((locked = flock(fd.get(), LOCK_SH)) != 0 && errno == EINTR) {
        }
        if (locked != 0 || !SameFile(fd.get(), folder, place.file) || fstat(fd.get(), &st) != 0)
            continue; // replaced while we looked; look again
        if (st.st_size <= 0) {
            // Every object this layer makes has its size before it has its name.
            *error = ERROR_INVALID_HANDLE;
            return nullptr;
        }
        auto file =
            Held(fd.get(), folder, place.file, uint64_t(st.st_size), KindOfMode(st.st_mode));
        if (!file) {
            *error = ErrorOfErrno(errno);
            return nullptr;
        }
        fd.release();
        return file;
    }
    *error = ERROR_GEN_FAILURE;
    return nullptr;
}

// A new file, sized, zeroed, marked with its kind and written by `prepare`. Its memory is
// taken now, as the system commits a section when it makes it: a file only sized would get its
// pages at their first touch, and on a full file system that touch faults (SIGBUS).
int NewFile(int fd, NamedKind kind, uint64_t size, const PrepareFile& prepare, DWORD* error) {
    if (fd < 0 || fchmod(fd, ModeOf(kind)) != 0 || ftruncate(fd, off_t(size)) != 0) {
        *error = ErrorOfErrno(errno);
        if (fd >= 0)
            close(fd);
        return -1;
    }
    if (int reserved = posix_fallocate(fd, 0, off_t(size)); reserved != 0) {
        *error = ErrorOfErrno(reserved);
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
std::shared_ptr<SharedFile> CreateNamed(const Place& place, NamedKind kind, uint64_t size,
                                        const PrepareFile& prepare, DWORD* error) {
    const int folder = place.folder.get();
    Fd fd(NewFile(openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600), kind, size, prepare,
                  error));
    if (fd.get() < 0)
        return nullptr;
    if (flock(fd.get(), LOCK_SH) != 0) {
        *error = ErrorOfErrno(errno);
        return nullptr;
    }
    std::string self = "/proc/self/fd/" + std::to_string(fd.get());
    if (linkat(AT_FDCWD, self.c_str(), folder, place.file.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        *error = errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrorOfErrno(errno);
        return nullptr;
    }
    auto file = Held(fd.get(), folder, place.file, size, kind);
    if (!file) {
        // Another process may have opened it already; left unheld, it is removed as ended.
        *error = ErrorOfErrno(errno);
        return nullptr;
    }
    fd.release();
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
    if (fd >= 0) {
        // The last holder anywhere takes the name away. Its own shared lock goes first, so of
        // two last holders closing together one always finds the file free.
        if (named()) {
            flock(fd, LOCK_UN);
            RemoveIfUnheld(fd, folder, name);
        }
        close(fd);
    }
    if (folder >= 0)
        close(folder);
}

uint64_t CurrentSize(const SharedFile& file) {
    struct stat st {};
    return fstat(file.fd, &st) == 0 && st.st_size > 0 ? uint64_t(st.st_size) : 0;
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
    *error = ERROR_SUCCESS;
    std::optional<Place> place = PlaceOf(name, error, ERROR_FILENAME_EXCED_RANGE);
    if (!place)
        return nullptr;
    std::lock_guard lock(objects_mutex);
    if (auto held = OpenObjects()[place->key].lock()) {
        *error = ERROR_ALREADY_EXISTS;
        return OfKind(std::move(held), kind, error);
    }
    RemoveEnded(place->folder.get());
    for (int attempt = 0; attempt < 8; ++attempt) {
        *error = ERROR_SUCCESS;
        if (auto existing = OpenExisting(*place, error)) {
            OpenObjects()[place->key] = existing;
            *error = ERROR_ALREADY_EXISTS;
            return OfKind(std::move(existing), kind, error);
        }
        if (*error != ERROR_SUCCESS)
            break;
        if (auto created = CreateNamed(*place, kind, size, prepare, error)) {
            OpenObjects()[place->key] = created;
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
    *error = ERROR_SUCCESS;
    std::optional<Place> place = PlaceOf(name, error, ERROR_FILE_NOT_FOUND);
    if (!place)
        return nullptr;
    std::lock_guard lock(objects_mutex);
    if (auto held = OpenObjects()[place->key].lock())
        return OfKind(std::move(held), kind, error);
    auto existing = OpenExisting(*place, error);
    if (!existing) {
        if (*error == ERROR_SUCCESS)
            *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    OpenObjects()[place->key] = existing;
    return OfKind(std::move(existing), kind, error);
}

std::shared_ptr<SharedFile> CreateUnnamed(NamedKind kind, uint64_t size, const PrepareFile& prepare,
                                          DWORD* error) {
    int fd = NewFile(memfd_create("object", MFD_CLOEXEC), kind, size, prepare, error);
    if (fd < 0)
        return nullptr;
    auto file = Held(fd, -1, {}, size, kind);
    if (!file)
        close(fd);
    return file;
}

} // namespace platform
