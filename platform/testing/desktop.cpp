#include "testing/desktop.h"

#include "kernel32/process.h"

namespace platform::testing {

ExitTrap::ExitTrap() {
    SetExitHandler([](UINT code) { throw ProcessExited{code}; });
}

ExitTrap::~ExitTrap() {
    SetExitHandler({});
}

ManualClockScope::ManualClockScope(uint64_t start_ms) : clock_(start_ms) {
    host::InstallClock(&clock_);
}

ManualClockScope::~ManualClockScope() {
    host::InstallClock(nullptr);
}

} // namespace platform::testing
