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

void ClearShellArea() {
    shell32::ClearTrayIcons();
    for (const user32::HotKey& key : user32::RegisteredHotKeys())
        UnregisterHotKey(key.hwnd, key.id);
}

} // namespace platform::testing
