// The font dialog as the test desktop reaches it.
#pragma once

#include <windows.h>

namespace platform::comdlg32 {

// Writes the choice as it stands into the caller's record while the dialog stays open, as the
// system's dialog may do before the user has pressed OK: a caller must take the record only
// when ChooseFontA returns TRUE. False when `dialog` is not a font dialog.
bool WriteFontChoiceEarly(HWND dialog);

} // namespace platform::comdlg32
