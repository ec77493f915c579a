// The test desktop's view of the shell's side of the desktop: hot keys, the tray area and the
// window snapshots.
#pragma once

#include <windows.h>

#include "shell32/tray.h"
#include "user32/hotkeys.h"

#include <optional>
#include <string>
#include <vector>

namespace platform::testing {

std::vector<user32::HotKey> HotKeysRegistered();
std::vector<shell32::TrayIcon> TrayIcons();
// The shell reports a mouse message on the icon (posted as the icon's callback message).
bool ClickTrayIcon(HWND hwnd, UINT id, UINT mouse_message);
// The task bar starts again: every icon is gone and each top-level window gets the registered
// "TaskbarCreated" message.
void RestartTaskbar();

// While it lives, every top-level window is written to <folder>/<title>.png after it paints;
// the environment's choice comes back after.
class SnapshotScope {
public:
    explicit SnapshotScope(std::string folder);
    ~SnapshotScope();
    SnapshotScope(const SnapshotScope&) = delete;
    SnapshotScope& operator=(const SnapshotScope&) = delete;
};

// Clears the tray area and the hot keys left by earlier tests.
void ClearShellArea();

} // namespace platform::testing
