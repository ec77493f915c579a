// Named sections backed by shared memory. Every process of the same user that uses the layer
// finds a section under its name in that user's object folder (kernel32/named_objects.h).
#include "kernel32/handles.h"
#include "kernel32/named_objects.h"

#include <cerrno>
#include <map>
#include <mutex>
#include <sys/mman.h>

namespace platform {

namespace {

// Views start at multiples of the system's allocation granularity.
constexpr uint64_t kAllocationGranularity = 65536;

class Section final : public KernelObject {
public:
    std::shared_ptr<SharedFile> file;
    bool writable = true;
};

struct View {
    std::shared_ptr<SharedFile> file; // keeps the section alive while it is mapped
    size_t length = 0;
};

std::mutex views_mutex;
std::map<uintptr_t, View>& Views() {
    static std::map<uintptr_t, View> views;
    return views;
}

HANDLE AddSection(std::shared_ptr<SharedFile> file, bool writable) {
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
    auto file = lpName && lpName[0]
                    ? CreateOrOpenNamed(lpName, NamedKind::Section, size, nullptr, &error)
                    : CreateUnnamed(NamedKind::Section, size, nullptr, &error);
    if (!file) {
        SetLastError(error);
        return nullptr;
    }
    SetLastError(error); // ERROR_ALREADY_EXISTS for a section opened with its own size
    return AddSection(std::move(file), writable);
}

HANDLE WINAPI OpenFileMappingA(DWORD dwDesiredAccess, BOOL, LPCSTR lpName) {
    if (!lpName || !lpName[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    bool writable = (dwDesiredAccess & FILE_MAP_WRITE) != 0;
    DWORD error = ERROR_SUCCESS;
    auto existing = OpenNamed(lpName, NamedKind::Section, &error);
    if (!existing) {
        SetLastError(error);
        return nullptr;
    }
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
    // The file may have been cut since it was opened; a page past its end would fault at the
    // first touch, so the view must end within the file as it is now.
    if (CurrentSize(*section->file) < offset + length) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    void* address = mmap(nullptr, size_t(length), write ? PROT_READ | PROT_WRITE : PROT_READ,
                         MAP_SHARED, section->file->fd, off_t(offset));
    if (address == MAP_FAILED) {
        SetLastError(ErrorOfErrno(errno));
        return nullptr;
    }
    std::lock_guard lock(views_mutex);
    Views()[reinterpret_cast<uintptr_t>(address)] = View{section->file, size_t(length)};
    return address;
}

BOOL WINAPI UnmapViewOfFile(LPCVOID lpBaseAddress) {
    std::shared_ptr<SharedFile> released;
    std::lock_guard lock(views_mutex);
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
