// InitCommonControlsEx: the layer's common controls need no registration.
#include <windows.h>
#include <commctrl.h>

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

PELMORA_END_EXTERN_C
