// Kernel object handles: files, find handles, snapshots, devices and file mappings all live in
// one table, so CloseHandle works on any of them and a stale or foreign handle is refused.
#pragma once

#include <windows.h>

#include <memory>

namespace platform {

class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// Puts an object into the table and returns its new handle (never null or
// INVALID_HANDLE_VALUE).
HANDLE AddKernelObject(std::shared_ptr<KernelObject> object);
// The object of a handle when it is of type T, else null.
std::shared_ptr<KernelObject> FindKernelObject(HANDLE handle);
template <typename T> std::shared_ptr<T> FindKernelObjectAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindKernelObject(handle));
}
// Removes the handle; false when it was not in the table.
bool RemoveKernelObject(HANDLE handle);

} // namespace platform
