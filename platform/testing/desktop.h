// The test desktop: what tests use to drive the layer and observe the program.
#pragma once

#include <windows.h>

#include "host/clock.h"

#include <memory>

namespace platform::testing {

// Thrown by ExitProcess while an ExitTrap is in force, so that a test can watch the program end.
struct ProcessExited {
    UINT code;
};

// While it lives, ExitProcess throws ProcessExited instead of ending the test run.
class ExitTrap {
public:
    ExitTrap();
    ~ExitTrap();
    ExitTrap(const ExitTrap&) = delete;
    ExitTrap& operator=(const ExitTrap&) = delete;
};

// While it lives, the layer's clock is this manual clock.
class ManualClockScope {
public:
    explicit ManualClockScope(uint64_t start_ms = 1'000'000);
    ~ManualClockScope();
    ManualClockScope(const ManualClockScope&) = delete;
    ManualClockScope& operator=(const ManualClockScope&) = delete;
    host::ManualClock& clock() { return clock_; }
    host::ManualClock* operator->() { return &clock_; }

private:
    host::ManualClock clock_;
};

} // namespace platform::testing
