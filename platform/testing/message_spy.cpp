#include "testing/desktop.h"

#include "user32/window_manager.h"

#include <mutex>

namespace platform::testing {

struct MessageSpy::State {
    mutable std::mutex lock;
    std::vector<Entry> entries;
};

MessageSpy::MessageSpy() : state_(std::make_shared<State>()) {
    std::weak_ptr<State> weak = state_;
    cookie_ = user32::AddMessageObserver([weak](HWND hwnd, UINT message, WPARAM w, LPARAM l) {
        if (auto state = weak.lock()) {
            std::lock_guard lock(state->lock);
            state->entries.push_back(Entry{hwnd, message, w, l});
        }
    });
}

MessageSpy::~MessageSpy() {
    user32::RemoveMessageObserver(cookie_);
}

std::vector<MessageSpy::Entry> MessageSpy::Entries() const {
    std::lock_guard lock(state_->lock);
    return state_->entries;
}

std::vector<UINT> MessageSpy::MessagesOf(HWND hwnd) const {
    std::vector<UINT> messages;
    for (const Entry& e : Entries())
        if (e.hwnd == hwnd)
            messages.push_back(e.message);
    return messages;
}

std::vector<MessageSpy::Entry> MessageSpy::Of(HWND hwnd, UINT message) const {
    std::vector<Entry> found;
    for (const Entry& e : Entries())
        if (e.hwnd == hwnd && e.message == message)
            found.push_back(e);
    return found;
}

void MessageSpy::Clear() {
    std::lock_guard lock(state_->lock);
    state_->entries.clear();
}
} // namespace platform::testing
