#include "testing/shell_requests.h"

#include <mutex>

namespace platform::testing {

struct ShellRequestScope::State {
    mutable std::mutex lock;
    std::vector<shell32::ShellRequest> requests;
};

ShellRequestScope::ShellRequestScope() : state_(std::make_shared<State>()) {
    std::weak_ptr<State> weak = state_;
    shell32::SetShellRequestRecorder([weak](const shell32::ShellRequest& request) {
        if (auto state = weak.lock()) {
            std::lock_guard lock(state->lock);
            state->requests.push_back(request);
        }
    });
}

ShellRequestScope::~ShellRequestScope() {
    shell32::SetShellRequestRecorder({});
}

std::vector<shell32::ShellRequest> ShellRequestScope::Requests() const {
    std::lock_guard lock(state_->lock);
    return state_->requests;
}

void ShellRequestScope::Clear() {
    std::lock_guard lock(state_->lock);
    state_->requests.clear();
}

} // namespace platform::testing
