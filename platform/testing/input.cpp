// Mouse and keyboard input fed to the desktop as a user would give it.
#include "testing/desktop.h"

#include "user32/window_manager.h"

#include <algorithm>
#include <deque>

namespace platform::testing {

void MouseMove(POINT at, UINT keys) {
    user32::InjectMouseMove(at, keys);
}

void LeftDown(POINT at, UINT keys) {
    user32::InjectMouseButton(user32::MouseButton::Left, true, at, keys);
}

void LeftUp(POINT at, UINT keys) {
    user32::InjectMouseButton(user32::MouseButton::Left, false, at, keys);
}

void LeftClick(POINT at, UINT keys) {
    LeftDown(at, keys);
    LeftUp(at, keys);
}

void DoubleClick(POINT at, UINT keys) {
    LeftClick(at, keys);
    LeftClick(at, keys);
}

void RightDown(POINT at, UINT keys) {
    user32::InjectMouseButton(user32::MouseButton::Right, true, at, keys);
}

void RightUp(POINT at, UINT keys) {
    user32::InjectMouseButton(user32::MouseButton::Right, false, at, keys);
}

void RightClick(POINT at, UINT keys) {
    RightDown(at, keys);
    RightUp(at, keys);
}

void TurnWheel(POINT at, int notches, UINT keys) {
    user32::InjectMouseWheel(at, notches * WHEEL_DELTA, keys);
}

void Drag(POINT from, POINT to, int steps, UINT keys) {
    steps = std::max(steps, 1);
    // The moves are fed one at a time as the queue runs dry, so that a move loop started by
    // the button-down sees the cursor where a user's hand would have it.
    auto actions = std::make_shared<std::deque<std::function<void()>>>();
    for (int i = 1; i <= steps; ++i) {
        POINT at{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
        actions->push_back([at, keys] { MouseMove(at, keys); });
    }
    actions->push_back([to, keys] { LeftUp(to, keys); });
    user32::IdleHandler previous = user32::SetIdleHandler([actions]() {
        if (actions->empty())
            return false;
        auto next = std::move(actions->front());
        actions->pop_front();
        next();
        return true;
    });
    LeftDown(from, keys);
    RunUntilIdle();
    while (!actions->empty()) {
        auto next = std::move(actions->front());
        actions->pop_front();
        next();
        RunUntilIdle();
    }
    user32::SetIdleHandler(std::move(previous));
}

void KeyDown(int vk) {
    user32::InjectKey(vk, true);
}

void KeyUp(int vk) {
    user32::InjectKey(vk, false);
}

void PressKey(int vk) {
    KeyDown(vk);
    KeyUp(vk);
}

void SetKeyDown(int vk, bool down) {
    user32::SetKeyStateNow(vk, down);
}
} // namespace platform::testing
