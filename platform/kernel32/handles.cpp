#include "kernel32/handles.h"

#include <map>
#include <mutex>

namespace platform {

namespace {

std::mutex table_mutex;
std::map<uintptr_t, std::shared_ptr<KernelObject>>& Table() {
    static std::map<uintptr_t, std::shared_ptr<KernelObject>> table;
    return table;
}
// Handle values are multiples of four, as the system's are, starting well above zero.
uintptr_t next_handle = 0x100;

} // namespace

HANDLE AddKernelObject(std::shared_ptr<KernelObject> object) {
    std::lock_guard lock(table_mutex);
    uintptr_t value = next_handle;
    next_handle += 4;
    Table()[value] = std::move(object);
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> FindKernelObject(HANDLE handle) {
    std::lock_guard lock(table_mutex);
    auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
    return it == Table().end() ? nullptr : it->second;
}

bool RemoveKernelObject(HANDLE handle) {
    std::shared_ptr<KernelObject> released;
    {
        std::lock_guard lock(table_mutex);
        auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
        if (it == Table().end())
            return false;
        released = std::move(it->second);
        Table().erase(it);
    }
    // The object is destroyed here, outside the lock (a file closes its descriptor).
    return true;
}

} // namespace platform

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (!platform::RemoveKernelObject(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

PELMORA_END_EXTERN_C
