// The dialog manager's inside: what the test desktop sees of a dialog while it runs.
#pragma once

#include <windows.h>

#include "user32/resources.h"

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

// Building and running dialogs from a template, loaded from a module (LoadDialogTemplate) or
// made in memory (the common dialogs, the property sheet and its pages). These are what
// DialogBoxParamA and CreateDialogParamA do after loading their template.
//
// Makes the dialog and its controls and sends WM_INITDIALOG; the dialog is not shown yet. A
// template with WS_CHILD makes a child of `owner` (a property sheet's page); else `owner` owns
// the dialog. Null on failure, with the last error set.
HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc,
                              LPARAM param, bool modal);
// Runs a dialog made with `modal` set as DialogBoxParamA does: its owner disabled, the dialog
// shown, the modal loop (modal_loop.h) until EndDialog, the owner enabled again and the dialog
// destroyed. `before` sees each message first and returns true when it took it (a property
// sheet's Ctrl+Tab); the rest go through IsDialogMessageA. Returns EndDialog's result, 0 after
// WM_QUIT (posted again), -1 when the loop could not go on.
INT_PTR RunModalDialog(HWND dialog, std::function<bool(MSG&)> before = {});
// CreateDialogFromTemplate and RunModalDialog: DialogBoxParamA with a template in hand.
INT_PTR DialogBoxFromTemplate(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc,
                              LPARAM param);
// CreateDialogParamA with a template in hand: shown at once when the template has WS_VISIBLE.
HWND CreateModelessDialog(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc,
                          LPARAM param);

// The default push button follows the focus, as the dialog manager shows it: a push button
// that has the focus is drawn as the default while it has it, and when the focus goes on to a
// control of the dialog that is no push button, the dialog's own default (DM_GETDEFID) is
// drawn so again. `button` is the push button that takes (focus == button) or loses the focus.
void FollowFocusWithDefault(HWND button, HWND focus);

// A top-level dialog's window rectangle moved, as the system places a new dialog, wholly inside
// the work area of the monitor nearest to it (the top-left part when it is larger).
RECT KeptOnWorkArea(const RECT& window);

// The dialog's pixels per dialog unit (horizontal per 4 units, vertical per 8); nothing for a
// window that is not a dialog.
std::optional<SIZE> DialogBaseUnits(HWND dialog);

} // namespace platform::user32
