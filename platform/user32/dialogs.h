// The dialog manager's inside: what the test desktop sees of a dialog while it runs.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace platform::user32 {

struct DialogRequest {
    unsigned serial = 0; // one per dialog made
    HWND dialog = nullptr;
    HWND owner = nullptr;
    std::optional<std::string> template_name; // null for a template known by number
    UINT template_id = 0;
    std::string caption;
    LPARAM param = 0;
    bool modal = false;
};

struct DialogHooks {
    // Called by a modal dialog's loop whenever its queue is empty, before it waits; true when
    // the hook did something (played a step of a script), so that the loop looks again.
    std::function<bool(const DialogRequest&)> idle;
    // Once per dialog, when it has been made and shown (after WM_INITDIALOG).
    std::function<void(const DialogRequest&)> shown;
    // When a modal dialog's loop has ended, with what DialogBoxParamA returns.
    std::function<void(const DialogRequest&, INT_PTR)> ended;
};
void SetDialogHooks(DialogHooks hooks);

// The dialog's pixels per dialog unit (horizontal per 4 units, vertical per 8); nothing for a
// window that is not a dialog.
std::optional<SIZE> DialogBaseUnits(HWND dialog);

} // namespace platform::user32
