// Writing under faults, on demand. A full disk: while a FailWritesAfter lives, WriteFile fails with
// ERROR_DISK_FULL once the given number of further bytes has been written (the write that crosses
// the limit writes what fits, then fails).
#pragma once

#include <cstdint>
#include <functional>

namespace platform::testing {

class FailWritesAfter {
public:
    explicit FailWritesAfter(uint64_t bytes);
    ~FailWritesAfter();
    FailWritesAfter(const FailWritesAfter&) = delete;
    FailWritesAfter& operator=(const FailWritesAfter&) = delete;
};

// Another process at work while this one writes: the action runs once, at the start of the next
// WriteFile, before anything of it is written; gone with the object if it has not run by then.
class BeforeNextWrite {
public:
    explicit BeforeNextWrite(std::function<void()> action);
    ~BeforeNextWrite();
    BeforeNextWrite(const BeforeNextWrite&) = delete;
    BeforeNextWrite& operator=(const BeforeNextWrite&) = delete;
};

} // namespace platform::testing
