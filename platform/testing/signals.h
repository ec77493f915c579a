// What a test can see of the signals sent to another process.
#pragma once

#include <optional>
#include <sys/types.h>

namespace platform::testing {

// Whether a signal sent to the process waits to be taken. Signals of one kind do not queue: a
// second one sent while the first is still pending is lost in it, so a test sends a signal only
// once the one of its kind before it has been taken; signals of different kinds go back to back.
bool SignalPending(pid_t pid, int signal);

// Waits up to `seconds` for a child process to end and gives its wait status. A child still
// running then is killed and reaped, so no test leaves one behind, and nothing is given.
std::optional<int> EndOfChild(pid_t child, int seconds);

} // namespace platform::testing
