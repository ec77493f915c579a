// LoadStringA: a string of a module's string table.
#include <windows.h>

#include "host/codepage.h"
#include "user32/resources.h"

#include <algorithm>
#include <cstring>

using namespace platform;

namespace {

// Bytes of the character that starts with `byte` in the layer's ANSI code page.
size_t CharacterLength(uint8_t byte) {
    if (host::AnsiCodePage() == 65001)
        return byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return host::IsLeadByte(byte) ? 2 : 1;
}

} // namespace

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
    size_t n = 0;
    const size_t limit = size_t(cchBufferMax) - 1;
    while (n < text->size()) {
        const size_t step = std::min(CharacterLength(uint8_t((*text)[n])), text->size() - n);
        if (n + step > limit)
            break;
        n += step;
    }
    std::memcpy(lpBuffer, text->data(), n);
    lpBuffer[n] = '\0';
    return int(n);
}

PELMORA_END_EXTERN_C
