// What the layer's common dialogs share: the error that CommDlgExtendedError reports and the
// making of their templates in memory.
#pragma once

#include <windows.h>

#include "user32/resources.h"

#include <string>

namespace platform::comdlg32 {

void SetExtendedError(DWORD error);

// A template in the look of the system's dialogs (8-point "MS Shell Dlg", a modal frame and
// a caption), named so that the test desktop can answer it.
user32::DialogTemplate MakeTemplate(const char* name, std::string caption, short cx, short cy);
void AddControl(user32::DialogTemplate& t, const char* class_name, std::string text, int id,
                short x, short y, short cx, short cy, DWORD style);

// The dialog's state behind its window, kept in DWLP_USER from WM_INITDIALOG on.
template <typename T> T* StateOf(HWND dialog, UINT message, LPARAM lparam) {
    if (message == WM_INITDIALOG)
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
    return reinterpret_cast<T*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

std::string ItemText(HWND dialog, int id);

} // namespace platform::comdlg32
