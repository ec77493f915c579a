// Global memory blocks as the stream over memory sees them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>

namespace platform::ole {

// The bytes of a block, or an empty span for a handle that is not one.
std::span<std::byte> GlobalBytes(HGLOBAL block);
bool IsGlobalBlock(HGLOBAL block);

} // namespace platform::ole
