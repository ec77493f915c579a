// The monitors of the desktop, as the presentation reports them. Headless, there is one
// 1920 x 1080 monitor at the origin whose work area leaves 40 pixels at the bottom for a task
// bar; the test desktop sets others.
#pragma once

#include <windows.h>

#include <vector>

namespace platform::user32 {

struct MonitorLayout {
    RECT monitor{};
    RECT work{};
};

// The monitors, the primary first (its top-left corner is the origin of the screen).
std::vector<MonitorLayout> Monitors();
// Replaces the monitors; the first is the primary. An empty list restores the default.
// Handles of the earlier layout are refused afterwards.
void SetMonitors(std::vector<MonitorLayout> monitors);
std::vector<MonitorLayout> DefaultMonitors();

} // namespace platform::user32
