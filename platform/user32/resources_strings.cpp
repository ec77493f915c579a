// LoadStringA: a string of a module's string table.
#include <windows.h>

#include "user32/resources.h"

#include <cstring>

using namespace platform;

PELMORA_BEGIN_EXTERN_C

int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    // The read-only pointer form (cchBufferMax 0) exists only for the wide function.
    if (!lpBuffer || cchBufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    lpBuffer[0] = '\0';
    const PelmoraRcTable* table = user32::FindResourceTable(hInstance);
    if (!table)
        return 0;
    const auto text = user32::FindTableString(*table, uID);
    if (!text) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    // Cut to the buffer, never between the two bytes of one character.
    const size_t n = user32::AnsiCutLength(*text, size_t(cchBufferMax) - 1);
    std::memcpy(lpBuffer, text->data(), n);
    lpBuffer[n] = '\0';
    return int(n);
}

PELMORA_END_EXTERN_C
