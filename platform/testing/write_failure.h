// A full disk on demand: while a FailWritesAfter lives, WriteFile fails with ERROR_DISK_FULL once
// the given number of further bytes has been written (the write that crosses the limit writes
// what fits, then fails).
#pragma once

#include <cstdint>

namespace platform::testing {

class FailWritesAfter {
public:
    explicit FailWritesAfter(uint64_t bytes);
    ~FailWritesAfter();
    FailWritesAfter(const FailWritesAfter&) = delete;
    FailWritesAfter& operator=(const FailWritesAfter&) = delete;
};

} // namespace platform::testing
