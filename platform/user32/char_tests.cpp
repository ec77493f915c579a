// IsCharAlphaA and IsCharAlphaNumericA. A single byte is judged as the character it is in the
// ANSI code page; a lead byte alone is no character and so neither letter nor digit.
#include <windows.h>

#include "host/codepage.h"

#include <string_view>

namespace {

bool IsAnsiLetter(CHAR ch) {
    auto byte = static_cast<unsigned char>(ch);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'))
        return true;
    if (byte < 0x80)
        return false;
    std::u32string text = platform::host::AnsiToUtf32(std::string_view(&ch, 1));
    if (text.size() != 1)
        return false;
    // Half-width katakana, the only single-byte letters above ASCII in code page 932.
    return text[0] >= 0xFF66 && text[0] <= 0xFF9F;
}

} // namespace

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI IsCharAlphaA(CHAR ch) {
    return IsAnsiLetter(ch) ? TRUE : FALSE;
}

BOOL WINAPI IsCharAlphaNumericA(CHAR ch) {
    return (IsAnsiLetter(ch) || (ch >= '0' && ch <= '9')) ? TRUE : FALSE;
}

PELMORA_END_EXTERN_C
