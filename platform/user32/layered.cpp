// The attributes of a layered window: its constant alpha and its colour key, which the
// presentation applies when it shows the window's surface.
#include "user32/window_manager.h"

#include "present/present.h"

namespace platform::user32 {

namespace {
LayeredObserver& Observer() {
    static LayeredObserver observer;
    return observer;
}
} // namespace

void SetLayeredObserver(LayeredObserver observer) {
    Observer() = std::move(observer);
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI SetLayeredWindowAttributes(HWND hwnd, COLORREF crKey, BYTE bAlpha, DWORD dwFlags) {
    auto w = WindowOrError(hwnd);
    if (!w)
        return FALSE;
    std::lock_guard lock(DesktopLock());
    if (!(w->ex_style & WS_EX_LAYERED) || (dwFlags & ~DWORD(LWA_COLORKEY | LWA_ALPHA))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    w->layered_set = true;
    w->layered_key = crKey;
    w->layered_alpha = bAlpha;
    w->layered_flags = dwFlags;
    platform::present::TheBackend().LayeredChanged(hwnd);
    if (Observer())
        Observer()(LayeredChange{hwnd, crKey, bAlpha, dwFlags});
    return TRUE;
}

BOOL WINAPI GetLayeredWindowAttributes(HWND hwnd, COLORREF* pcrKey, BYTE* pbAlpha,
                                       DWORD* pdwFlags) {
    auto w = WindowOrError(hwnd);
    if (!w)
        return FALSE;
    std::lock_guard lock(DesktopLock());
    if (!(w->ex_style & WS_EX_LAYERED) || !w->layered_set) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (pcrKey)
        *pcrKey = w->layered_key;
    if (pbAlpha)
        *pbAlpha = w->layered_alpha;
    if (pdwFlags)
        *pdwFlags = w->layered_flags;
    return TRUE;
}

PELMORA_END_EXTERN_C
