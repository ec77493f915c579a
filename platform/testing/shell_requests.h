// The test desktop's record of ShellExecuteA: what the program asked to open, with nothing
// started.
#pragma once

#include "shell32/shell_execute.h"

#include <memory>
#include <vector>

namespace platform::testing {

// While it lives, every ShellExecuteA is checked as usual and recorded here instead of starting
// the opener; a request that would have started it succeeds.
class ShellRequestScope {
public:
    ShellRequestScope();
    ~ShellRequestScope();
    ShellRequestScope(const ShellRequestScope&) = delete;
    ShellRequestScope& operator=(const ShellRequestScope&) = delete;
    std::vector<shell32::ShellRequest> Requests() const;
    void Clear();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace platform::testing
