// The test desktop's view of the shell's side of the desktop: hot keys, the tray area and the
// window snapshots.
#pragma once

#include <windows.h>

#include "shell32/tray.h"
#include "user32/hotkeys.h"
#include "user32/window_manager.h"

#include <memory>
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

// While it lives, records every call of DefWindowProcA.
class DefWindowProcSpy {
public:
    struct Call {
        HWND hwnd;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    DefWindowProcSpy();
    ~DefWindowProcSpy();
    DefWindowProcSpy(const DefWindowProcSpy&) = delete;
    DefWindowProcSpy& operator=(const DefWindowProcSpy&) = delete;
    std::vector<Call> Calls() const { return *calls_; }
    void Clear() { calls_->clear(); }

private:
    std::shared_ptr<std::vector<Call>> calls_;
};

// While it lives, records every change of a window's layered attributes, in order.
class LayeredSpy {
public:
    LayeredSpy();
    ~LayeredSpy();
    LayeredSpy(const LayeredSpy&) = delete;
    LayeredSpy& operator=(const LayeredSpy&) = delete;
    std::vector<user32::LayeredChange> Changes() const { return *changes_; }
    // The alphas set, in order.
    std::vector<int> Alphas() const;
    void Clear() { changes_->clear(); }

private:
    std::shared_ptr<std::vector<user32::LayeredChange>> changes_;
};

// Clears the tray area and the hot keys left by earlier tests.
void ClearShellArea();

} // namespace platform::testing
