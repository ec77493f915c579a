#include "user32/window_manager.h"

#include <algorithm>
#include <cstring>

namespace platform::user32 {

ATOM AtomOfLocked(std::string_view name) {
    Desktop& d = TheDesktop();
    std::string key = LowerName(name);
    auto it = d.atoms.find(key);
    if (it != d.atoms.end())
        return it->second;
    if (d.next_atom == 0) // the table of 0x4000 atoms is full
        return 0;
    ATOM atom = d.next_atom++;
    d.atoms.emplace(key, atom);
    return atom;
}

std::shared_ptr<WindowClass> FindClassLocked(LPCSTR name_or_atom) {
    if (!name_or_atom)
        return nullptr;
    Desktop& d = TheDesktop();
    if (IS_INTRESOURCE(name_or_atom)) {
        ATOM atom = ATOM(reinterpret_cast<uintptr_t>(name_or_atom));
        for (auto& [key, cls] : d.classes)
            if (cls->atom == atom)
                return cls;
        return nullptr;
    }
    auto it = d.classes.find(LowerName(name_or_atom));
    return it == d.classes.end() ? nullptr : it->second;
}

} // namespace platform::user32

using namespace platform::user32;

#ifndef ERROR_CLASS_HAS_WINDOWS
#define ERROR_CLASS_HAS_WINDOWS 1412L
#endif

PELMORA_BEGIN_EXTERN_C

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpwcx) {
    if (!lpwcx || lpwcx->cbSize != sizeof(WNDCLASSEXA) || !lpwcx->lpszClassName ||
        IS_INTRESOURCE(lpwcx->lpszClassName) || !lpwcx->lpszClassName[0] || !lpwcx->lpfnWndProc ||
        lpwcx->cbClsExtra < 0 || lpwcx->cbWndExtra < 0 || lpwcx->cbClsExtra > 40000 ||
        lpwcx->cbWndExtra > 40000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard lock(DesktopLock());
    Desktop& d = TheDesktop();
    std::string key = LowerName(lpwcx->lpszClassName);
    if (d.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto cls = std::make_shared<WindowClass>();
    cls->name = lpwcx->lpszClassName;
    cls->atom = AtomOfLocked(cls->name);
    if (!cls->atom) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    cls->style = lpwcx->style;
    cls->proc = lpwcx->lpfnWndProc;
    cls->class_extra = lpwcx->cbClsExtra;
    cls->window_extra = lpwcx->cbWndExtra;
    cls->instance = lpwcx->hInstance;
    cls->icon = lpwcx->hIcon;
    cls->icon_small = lpwcx->hIconSm;
    cls->cursor = lpwcx->hCursor;
    cls->background = lpwcx->hbrBackground;
    d.classes.emplace(key, cls);
    return cls->atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
    std::lock_guard lock(DesktopLock());
    auto cls = FindClassLocked(lpClassName);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    TheDesktop().classes.erase(LowerName(cls->name));
    return TRUE;
}

int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
    auto w = WindowOrError(hWnd);
    if (!w)
        return 0;
    if (!lpClassName || nMaxCount <= 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return CopyTextBounded(w->cls->name, lpClassName, size_t(nMaxCount));
}

PELMORA_END_EXTERN_C
