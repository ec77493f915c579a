#include "testing/write_failure.h"

#include "kernel32/files.h"

namespace platform::testing {

FailWritesAfter::FailWritesAfter(uint64_t bytes) {
    SetWriteLimit(bytes);
}

FailWritesAfter::~FailWritesAfter() {
    SetWriteLimit(std::nullopt);
}

BeforeNextWrite::BeforeNextWrite(std::function<void()> action) {
    SetBeforeNextWrite(std::move(action));
}

BeforeNextWrite::~BeforeNextWrite() {
    SetBeforeNextWrite({});
}

} // namespace platform::testing
