// The dialog item calls: a dialog's controls by identifier, their texts, numbers and checks.
#include "user32/controls.h"

#include "user32/window_manager.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>
#include <string>

#ifndef ERROR_CONTROL_ID_NOT_FOUND
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#endif

namespace platform::user32 {

namespace {

// The number a dialog item's text holds: blanks before and after it, a minus sign for a signed
// number, decimal digits; anything else, or a number out of range, is no number.
std::optional<UINT> ParseNumber(std::string_view text, bool is_signed) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && text[i] == '-' && is_signed) {
        negative = true;
        ++i;
    } else if (i < text.size() && text[i] == '+') {
        ++i;
    }
    uint64_t value = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        value = value * 10 + uint64_t(text[i] - '0');
        if (value > uint64_t(UINT_MAX) + 1)
            return std::nullopt;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (digits == 0 || i != text.size())
        return std::nullopt;
    if (is_signed) {
        if (negative ? value > uint64_t(INT_MAX) + 1 : value > uint64_t(INT_MAX))
            return std::nullopt;
        int64_t v = negative ? -int64_t(value) : int64_t(value);
        return UINT(int32_t(v));
    }
    if (value > UINT_MAX)
        return std::nullopt;
    return UINT(value);
}

} // namespace

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    auto w = WindowOrError(hDlg);
    if (!w)
        return nullptr;
    std::lock_guard lock(DesktopLock());
    for (HWND child : w->children)
        if (auto c = FindWindowRecord(child); c && int(c->id) == nIDDlgItem)
            return child;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
    auto w = WindowOrError(hWnd);
    if (!w)
        return 0;
    std::lock_guard lock(DesktopLock());
    return w->parent ? int(w->id) : 0;
}

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                   LPARAM lParam) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageA(item, Msg, wParam, lParam) : 0;
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
    if (lpString && cchMax > 0)
        lpString[0] = '\0';
    if (!lpString || cchMax <= 0)
        return 0;
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item)
        return 0;
    return UINT(SendMessageA(item, WM_GETTEXT, WPARAM(cchMax), LPARAM(lpString)));
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SetWindowTextA(item, lpString) : FALSE;
}

UINT WINAPI GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned) {
    if (lpTranslated)
        *lpTranslated = FALSE;
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item)
        return 0;
    std::optional<UINT> value = ParseNumber(WholeText(item), bSigned != FALSE);
    if (!value)
        return 0;
    if (lpTranslated)
        *lpTranslated = TRUE;
    return *value;
}

BOOL WINAPI SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned) {
    char text[16];
    if (bSigned)
        std::snprintf(text, sizeof text, "%d", int(uValue));
    else
        std::snprintf(text, sizeof text, "%u", uValue);
    return SetDlgItemTextA(hDlg, nIDDlgItem, text);
}

BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
    HWND item = GetDlgItem(hDlg, nIDButton);
    if (!item)
        return FALSE;
    SendMessageA(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton) {
    HWND item = GetDlgItem(hDlg, nIDButton);
    return item ? UINT(SendMessageA(item, BM_GETCHECK, 0, 0)) : 0;
}

BOOL WINAPI CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
    if (!WindowOrError(hDlg))
        return FALSE;
    // The dialog's own controls, not every number of the range (which may be wide).
    std::vector<HWND> children;
    if (auto w = FindWindowRecord(hDlg)) {
        std::lock_guard lock(DesktopLock());
        children = w->children;
    }
    for (HWND item : children) {
        int id = int(GetWindowLongPtrA(item, GWLP_ID));
        if (id >= nIDFirstButton && id <= nIDLastButton)
            SendMessageA(item, BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}

PELMORA_END_EXTERN_C
