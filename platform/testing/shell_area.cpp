#include "testing/shell_area.h"

#include "present/headless.h"
#include "user32/window_manager.h"

namespace platform::testing {

std::vector<user32::HotKey> HotKeysRegistered() {
    return user32::RegisteredHotKeys();
}

std::vector<shell32::TrayIcon> TrayIcons() {
    return shell32::TrayIcons();
}

bool ClickTrayIcon(HWND hwnd, UINT id, UINT mouse_message) {
    return shell32::ClickTrayIcon(hwnd, id, mouse_message);
}

void RestartTaskbar() {
    shell32::ClearTrayIcons();
    UINT message = RegisterWindowMessageA("TaskbarCreated");
    PostMessageA(HWND_BROADCAST, message, 0, 0);
}

SnapshotScope::SnapshotScope(std::string folder) {
    present::SetSnapshotFolder(std::move(folder));
}

SnapshotScope::~SnapshotScope() {
    present::SetSnapshotFolder(std::nullopt);
}

DefWindowProcSpy::DefWindowProcSpy() : calls_(std::make_shared<std::vector<Call>>()) {
    auto calls = calls_;
    user32::SetDefWindowProcObserver([calls](HWND hwnd, UINT message, WPARAM w, LPARAM l) {
        calls->push_back(Call{hwnd, message, w, l});
    });
}

DefWindowProcSpy::~DefWindowProcSpy() {
    user32::SetDefWindowProcObserver({});
}

LayeredSpy::LayeredSpy() : changes_(std::make_shared<std::vector<user32::LayeredChange>>()) {
    auto changes = changes_;
    user32::SetLayeredObserver(
        [changes](const user32::LayeredChange& change) { changes->push_back(change); });
}

LayeredSpy::~LayeredSpy() {
    user32::SetLayeredObserver({});
}

std::vector<int> LayeredSpy::Alphas() const {
    std::vector<int> alphas;
    for (const user32::LayeredChange& change : *changes_)
        alphas.push_back(change.alpha);
    return alphas;
}

void ClearShellArea() {
    shell32::ClearTrayIcons();
    for (const user32::HotKey& key : user32::RegisteredHotKeys())
        UnregisterHotKey(key.hwnd, key.id);
}

} // namespace platform::testing
