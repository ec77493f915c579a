// Kernel objects that processes share by name (sections, mutexes): each is a file in a folder
// that only its user can enter, one per name, whose mode tells what kind of object it is.
//
// The folder is the user's runtime folder ($XDG_RUNTIME_DIR) when it is one that only the user
// can enter; otherwise "pelmora-<uid>" in /dev/shm (or /tmp without it), made by the layer and
// checked each time it is used. A folder or object of another owner, a link, or one that lets
// others in is never used: the object then cannot be had (ERROR_ACCESS_DENIED).
//
// Whether an object still has holders is told by file locks: each process holding it keeps a
// shared lock on its file. A file that can be locked exclusively has no holder left (its last
// one closed it or ended): the last holder removes it, and the next creation of any object
// removes every such file, so a new object never shows the contents of one that had ended and
// a killed program leaves nothing for good.
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
    int folder = -1;  // the folder holding the name; -1 for an unnamed object
    std::string name; // the file's name in that folder
    uint64_t size = 0;
    NamedKind kind = NamedKind::Section;
    bool named() const { return folder >= 0; }
    ~SharedFile();
};

// Writes a new object's file before any other process can see it; false when it cannot.
using PrepareFile = std::function<bool(int fd)>;

// Creates the object of that name and kind, or opens it when it exists (keeping its size and
// contents; *error is then ERROR_ALREADY_EXISTS, else ERROR_SUCCESS). Null with *error set when
// it cannot: ERROR_INVALID_HANDLE when the name belongs to an object of another kind,
// ERROR_ACCESS_DENIED when the folder or the file under the name is not this user's alone.
std::shared_ptr<SharedFile> CreateOrOpenNamed(LPCSTR name, NamedKind kind, uint64_t size,
                                              const PrepareFile& prepare, DWORD* error);
// Opens the object of that name and kind; null with *error set (ERROR_FILE_NOT_FOUND when no
// process holds one, ERROR_INVALID_HANDLE when it is of another kind, ERROR_ACCESS_DENIED as
// above).
std::shared_ptr<SharedFile> OpenNamed(LPCSTR name, NamedKind kind, DWORD* error);
// An object of this process alone.
std::shared_ptr<SharedFile> CreateUnnamed(NamedKind kind, uint64_t size, const PrepareFile& prepare,
                                          DWORD* error);

// The size of the object's file now, which the same user may have cut since it was opened; 0
// when it cannot be told. Read before every mapping: a view past the file's end faults.
uint64_t CurrentSize(const SharedFile& file);

// The system error of an errno value.
DWORD ErrorOfErrno(int error);

} // namespace platform
