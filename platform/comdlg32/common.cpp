#include "comdlg32/common.h"

#include <commdlg.h>

#include <atomic>

namespace platform::comdlg32 {

namespace {

thread_local DWORD last_error = 0;

} // namespace

void SetExtendedError(DWORD error) {
    last_error = error;
}

user32::DialogTemplate MakeTemplate(const char* name, std::string caption, short cx, short cy) {
    user32::DialogTemplate t;
    t.name = name;
    t.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.cx = cx;
    t.cy = cy;
    t.caption = std::move(caption);
    t.font = user32::DialogFont{"MS Shell Dlg", 8, 0, false, 1};
    return t;
}

void AddControl(user32::DialogTemplate& t, const char* class_name, std::string text, int id,
                short x, short y, short cx, short cy, DWORD style) {
    user32::DialogControl c;
    c.class_name = class_name;
    c.text = std::move(text);
    c.id = id;
    c.x = x;
    c.y = y;
    c.cx = cx;
    c.cy = cy;
    c.style = style | WS_CHILD | WS_VISIBLE;
    t.controls.push_back(std::move(c));
}

std::string ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    int length = item ? GetWindowTextLengthA(item) : 0;
    std::string text(size_t(length) + 1, '\0');
    int n = item ? GetWindowTextA(item, text.data(), length + 1) : 0;
    text.resize(size_t(std::max(n, 0)));
    return text;
}

} // namespace platform::comdlg32

PELMORA_BEGIN_EXTERN_C

DWORD WINAPI CommDlgExtendedError(void) {
    return platform::comdlg32::last_error;
}

PELMORA_END_EXTERN_C
