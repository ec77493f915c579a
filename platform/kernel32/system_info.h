// What GetSystemInfo reports, for the other readings that need the same figures.
#pragma once

#include <cstdint>

namespace platform {

// The lowest and highest addresses that a program's mappings may use.
struct AddressSpace {
    uint64_t lowest;
    uint64_t highest;
};
AddressSpace UserAddressSpace();

} // namespace platform
