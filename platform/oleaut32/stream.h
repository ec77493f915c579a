// The layer's stream over a global memory block, as the picture loader sees it.
#pragma once

#include <objbase.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform::ole {

// When stream is the layer's own stream over a global block: up to `limit` of its bytes from its
// position, where they lie in the block, and the position moved past them. Nothing for any other
// stream. The bytes stay valid while the block is neither freed nor resized.
std::optional<std::span<const std::byte>> LendStreamBytes(IStream* stream, uint64_t limit);

} // namespace platform::ole
