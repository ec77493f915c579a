// Popup menus answered from a script in the order they open.
#include "testing/desktop.h"

#include "user32/window_manager.h"

#include <deque>
#include <mutex>

namespace platform::testing {

namespace {

struct MenuScript {
    std::mutex lock;
    std::deque<std::function<UINT(const ShownMenu&)>> answers;
    std::vector<ShownMenu> shown;
    unsigned last_serial = 0;
};

MenuScript& Script() {
    static MenuScript script;
    return script;
}

std::optional<UINT> AnswerMenu(const user32::MenuRequest& request) {
    std::function<UINT(const ShownMenu&)> answer;
    ShownMenu shown{request.menu, request.flags, POINT{request.x, request.y}, request.owner};
    {
        MenuScript& s = Script();
        std::lock_guard lock(s.lock);
        if (s.last_serial != request.serial) {
            s.last_serial = request.serial;
            s.shown.push_back(shown);
        }
        if (s.answers.empty())
            return std::nullopt;
        answer = std::move(s.answers.front());
        s.answers.pop_front();
    }
    return answer(shown);
}

void InstallMenuAnswerer() {
    user32::SetMenuAnswerer(AnswerMenu);
}

} // namespace

void AnswerNextMenu(UINT command) {
    AnswerNextMenuWith([command](const ShownMenu&) { return command; });
}

void CancelNextMenu() {
    AnswerNextMenu(0);
}

void AnswerNextMenuWith(std::function<UINT(const ShownMenu&)> answer) {
    InstallMenuAnswerer();
    MenuScript& s = Script();
    std::lock_guard lock(s.lock);
    s.answers.push_back(std::move(answer));
}

const std::vector<ShownMenu>& MenusShown() {
    return Script().shown;
}

void ClearMenuAnswers() {
    InstallMenuAnswerer();
    MenuScript& s = Script();
    std::lock_guard lock(s.lock);
    s.answers.clear();
    s.shown.clear();
}
} // namespace platform::testing
