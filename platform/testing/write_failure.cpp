#include "testing/write_failure.h"

#include "kernel32/files.h"

namespace platform::testing {

FailWritesAfter::FailWritesAfter(uint64_t bytes) {
    SetWriteLimit(bytes);
}

FailWritesAfter::~FailWritesAfter() {
    SetWriteLimit(std::nullopt);
}

} // namespace platform::testing
