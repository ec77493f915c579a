// Facts about this process that only Linux can tell.
#pragma once

#include <cstddef>
#include <string>

namespace platform::host {

// The absolute Linux path of the running executable.
std::string ExecutablePath();
// True when every byte of [address, address + size) is mapped readable (or writable).
bool IsRangeMapped(const void* address, size_t size, bool writable);

} // namespace platform::host
