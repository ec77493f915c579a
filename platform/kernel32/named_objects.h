// Kernel objects that processes share by name (sections, mutexes): each is a file in the
// shared-memory folder, one per name and user, whose mode tells what kind of object it is.
//
// Whether an object still has holders is told by file locks: each process holding it keeps a
// shared lock on its file. A file that can be locked exclusively has no holder left (its last
// one closed it or ended): the last holder removes it, and a creator that finds such a file
// replaces it, so a new object never shows the contents of one that had ended.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

enum class NamedKind { Section, Mutex };

// One object as this process holds it: the file, shared by every handle and view of the name.
struct SharedFile {
    int fd = -1;
    std::string path; // empty for an unnamed object
    uint64_t size = 0;
    NamedKind kind = NamedKind::Section;
    ~SharedFile();
};

// Writes a new object's file before any other process can see it; false when it cannot.
using PrepareFile = std::function<bool(int fd)>;

// Creates the object of that name and kind, or opens it when it exists (keeping its size and
// contents; *error is then ERROR_ALREADY_EXISTS, else ERROR_SUCCESS). Null with *error set when
// it cannot: ERROR_INVALID_HANDLE when the name belongs to an object of another kind.
std::shared_ptr<SharedFile> CreateOrOpenNamed(LPCSTR name, NamedKind kind, uint64_t size,
                                              const PrepareFile& prepare, DWORD* error);
// Opens the object of that name and kind; null with *error set (ERROR_FILE_NOT_FOUND when no
// process holds one, ERROR_INVALID_HANDLE when it is of another kind).
std::shared_ptr<SharedFile> OpenNamed(LPCSTR name, NamedKind kind, DWORD* error);
// An object of this process alone.
std::shared_ptr<SharedFile> CreateUnnamed(NamedKind kind, uint64_t size, const PrepareFile& prepare,
                                          DWORD* error);

// The system error of an errno value.
DWORD ErrorOfErrno(int error);

} // namespace platform
