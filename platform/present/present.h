// What user32 tells the presentation and asks of it. The layer is headless until asked for
// more: the program's start chooses from the environment (ChooseBackend), a test sets the back
// end it wants (SetBackend).
#pragma once

#include "present/backend.h"

#include <memory>

namespace platform::present {

// The back end in force; headless when none was chosen or set.
Backend& TheBackend();
// Replaces the back end (the test desktop runs headless whatever the environment says); null
// goes back to headless on next use.
void SetBackend(std::unique_ptr<Backend> backend);
// The back end the environment asks for: headless when PELMORA_PLATFORM_HEADLESS is 1, else the
// first module of present/backend_modules.h whose screen variable is set, loaded then, else
// headless. A module that cannot be loaded, or a screen that cannot be opened, ends the process
// with exit code 1 and one message naming it.
void ChooseBackend();

// The monitors the back end supplies, or the layer's default single monitor when it has none.
std::vector<MonitorArea> StartupMonitors();

// Called by user32 after a window of a top-level window's tree drew (EndPaint, or a DC from
// GetDC released): once no window of the tree waits to paint, the snapshot is written (with
// PELMORA_PLATFORM_SNAPSHOT set) and the back end shows the new picture.
void WindowPainted(HWND hwnd);

} // namespace platform::present
