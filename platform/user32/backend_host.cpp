// What a presentation back end asks of the desktop (present/backend_host.h), answered from the
// desktop's own records and input paths.
#include "present/backend_host.h"

#include "user32/hotkeys.h"
#include "user32/icons.h"
#include "user32/monitors.h"
#include "user32/window_manager.h"

namespace platform::present {

std::recursive_mutex& DesktopLock() {
    return user32::DesktopLock();
}

std::optional<WindowState> ReadWindow(HWND hwnd) {
    std::lock_guard lock(user32::DesktopLock());
    auto w = user32::FindWindowRecord(hwnd);
    if (!w)
        return std::nullopt;
    WindowState s;
    s.child = w->parent != nullptr;
    s.message_only = w->message_only;
    s.destroying = w->destroying;
    s.shown = user32::IsVisibleLocked(*w);
    s.window = w->window;
    s.client = w->client;
    s.style = w->style;
    s.ex_style = w->ex_style;
    s.title = w->text;
    s.class_name = w->cls->name;
    s.owner = w->owner;
    if (auto o = user32::FindWindowRecord(w->owner))
        s.owner_disabled = (o->style & WS_DISABLED) != 0;
    s.icon = w->cls->icon ? w->cls->icon : w->cls->icon_small;
    s.layered_set = w->layered_set;
    s.layered_flags = w->layered_flags;
    s.layered_alpha = w->layered_alpha;
    s.layered_key = w->layered_key;
    return s;
}

std::optional<IconPixels> ReadIcon(HICON icon) {
    auto found = user32::FindIcon(icon);
    if (!found)
        return std::nullopt;
    return IconPixels{found->width, found->height, found->pixels};
}

DoubleClickLimits DoubleClick() {
    return {user32::kDoubleClickTime, user32::kDoubleClickWidth, user32::kDoubleClickHeight};
}

void MouseMoved(POINT screen, UINT extra_keys) {
    user32::InjectMouseMove(screen, extra_keys);
}

void MouseButtonChanged(MouseButton button, bool down, POINT screen, UINT extra_keys) {
    const user32::MouseButton which = button == MouseButton::Left    ? user32::MouseButton::Left
                                      : button == MouseButton::Right ? user32::MouseButton::Right
                                                                     : user32::MouseButton::Middle;
    user32::InjectMouseButton(which, down, screen, extra_keys);
}

void MouseWheelTurned(POINT screen, int delta, UINT extra_keys) {
    user32::InjectMouseWheel(screen, delta, extra_keys);
}

void KeyChanged(int vk, bool down) {
    user32::InjectKey(vk, down);
}

void ModifiersHeld(bool shift, bool control, bool alt) {
    user32::SetModifiersHeld(shift, control, alt);
}

bool HotKeyPressed(UINT vk, UINT modifiers) {
    std::lock_guard lock(user32::DesktopLock());
    return user32::PostHotKeyLocked(vk, modifiers);
}

void WindowMovedOnScreen(HWND hwnd, int x, int y, int width, int height, UINT flags) {
    user32::SetWindowPosInternal(hwnd, nullptr, x, y, width, height, flags);
}

void WindowActivatedOnScreen(HWND hwnd) {
    user32::ActivateWindow(hwnd);
}

void ActivationLost() {
    user32::LoseActivation();
}

void MonitorsChanged(const std::vector<MonitorArea>& monitors) {
    std::vector<user32::MonitorLayout> layout;
    for (const MonitorArea& m : monitors)
        layout.push_back(user32::MonitorLayout{m.monitor, m.work});
    user32::SetMonitors(std::move(layout));
}

void ScreenLost() {
    user32::EndSession();
}

} // namespace platform::present
