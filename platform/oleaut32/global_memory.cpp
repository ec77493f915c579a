// kernel32's global memory. A fixed block's handle is its address; a movable block's handle is
// a number of its own, turned into the address by GlobalLock (the address never changes here,
// but callers must not rely on that).
#include "oleaut32/global_memory.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#ifndef ERROR_NOT_LOCKED
#define ERROR_NOT_LOCKED 158L
#endif

namespace platform::ole {
namespace {

struct Block {
    std::unique_ptr<std::byte[]> data;
    size_t size = 0;
    UINT flags = 0;
    int locks = 0;
};

std::mutex mutex;
std::map<uintptr_t, Block>& Blocks() {
    static std::map<uintptr_t, Block> blocks;
    return blocks;
}
// Movable handles are small odd-looking numbers that no heap address takes.
uintptr_t next_movable = 0x10004;

Block* Find(HGLOBAL handle) {
    auto it = Blocks().find(reinterpret_cast<uintptr_t>(handle));
    return it == Blocks().end() ? nullptr : &it->second;
}

// Blocks larger than this are refused (the system's limit is the address space; ours is a
// guard against sizes computed from damaged data).
constexpr SIZE_T MAX_BLOCK = SIZE_T{1} << 32;

} // namespace

std::span<std::byte> GlobalBytes(HGLOBAL handle) {
    std::lock_guard lock(mutex);
    Block* block = Find(handle);
    if (!block)
        return {};
    return {block->data.get(), block->size};
}

bool IsGlobalBlock(HGLOBAL handle) {
    std::lock_guard lock(mutex);
    return Find(handle) != nullptr;
}

} // namespace platform::ole

using namespace platform::ole;

PELMORA_BEGIN_EXTERN_C

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    if (dwBytes > MAX_BLOCK) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Block block;
    block.size = dwBytes;
    block.flags = uFlags;
    // One byte at least, so that even an empty block has an address of its own.
    block.data.reset(new (std::nothrow) std::byte[dwBytes ? dwBytes : 1]);
    if (!block.data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (uFlags & GMEM_ZEROINIT)
        std::memset(block.data.get(), 0, dwBytes);
    std::lock_guard lock(mutex);
    uintptr_t handle = reinterpret_cast<uintptr_t>(block.data.get());
    if (uFlags & GMEM_MOVEABLE) {
        handle = next_movable;
        next_movable += 8;
    }
    Blocks()[handle] = std::move(block);
    return reinterpret_cast<HGLOBAL>(handle);
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
    std::lock_guard lock(mutex);
    Block* block = Find(hMem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (block->flags & GMEM_MOVEABLE)
        ++block->locks;
    return block->data.get();
}

BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
    std::lock_guard lock(mutex);
    Block* block = Find(hMem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // TRUE while the block stays locked; FALSE with NO_ERROR when this was the last lock.
    if (block->locks > 0 && --block->locks > 0)
        return TRUE;
    SetLastError(block->flags & GMEM_MOVEABLE ? NO_ERROR : ERROR_NOT_LOCKED);
    return FALSE;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
    std::lock_guard lock(mutex);
    auto it = Blocks().find(reinterpret_cast<uintptr_t>(hMem));
    if (it == Blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem;
    }
    Blocks().erase(it);
    return nullptr;
}

SIZE_T WINAPI GlobalSize(HGLOBAL hMem) {
    std::lock_guard lock(mutex);
    Block* block = Find(hMem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return block->size;
}

HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
    std::lock_guard lock(mutex);
    Block* block = Find(hMem);
    if (!block || dwBytes > MAX_BLOCK) {
        SetLastError(block ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The address moves, so a fixed block (whose handle is its address) and a locked movable
    // block stay as they are.
    if (!(block->flags & GMEM_MOVEABLE) || block->locks > 0) {
        if (dwBytes <= block->size) {
            block->size = dwBytes;
            return hMem;
        }
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::unique_ptr<std::byte[]> data(new (std::nothrow) std::byte[dwBytes ? dwBytes : 1]);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    size_t keep = std::min<size_t>(block->size, dwBytes);
    std::memcpy(data.get(), block->data.get(), keep);
    if (dwBytes > keep && (uFlags & GMEM_ZEROINIT))
        std::memset(data.get() + keep, 0, dwBytes - keep);
    block->data = std::move(data);
    block->size = dwBytes;
    return hMem;
}

PELMORA_END_EXTERN_C
