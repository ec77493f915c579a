// lstr*, CharPrevA and friends, and shlwapi's StrToInt. ANSI text in the layer's code page.
#include <windows.h>
#include <shlwapi.h>

#include "host/codepage.h"

#include <cctype>
#include <cstring>

PELMORA_BEGIN_EXTERN_C

LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2)
        return nullptr;
    std::memmove(lpString1, lpString2, std::strlen(lpString2) + 1);
    return lpString1;
}

LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
    if (!lpString1 || !lpString2 || iMaxLength <= 0)
        return lpString1;
    int i = 0;
    for (; i < iMaxLength - 1 && lpString2[i]; ++i)
        lpString1[i] = lpString2[i];
    lpString1[i] = '\0';
    return lpString1;
}

LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2)
        return nullptr;
    std::memmove(lpString1 + std::strlen(lpString1), lpString2, std::strlen(lpString2) + 1);
    return lpString1;
}

// Ordinal byte comparison; the program compares names case-sensitively and only asks for equality.
int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2)
        return lpString1 ? 1 : (lpString2 ? -1 : 0);
    int r = std::strcmp(lpString1, lpString2);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2)
        return lpString1 ? 1 : (lpString2 ? -1 : 0);
    const auto* a = reinterpret_cast<const unsigned char*>(lpString1);
    const auto* b = reinterpret_cast<const unsigned char*>(lpString2);
    for (;; ++a, ++b) {
        int ca = std::tolower(*a), cb = std::tolower(*b);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (!ca)
            return 0;
    }
}

int WINAPI lstrlenA(LPCSTR lpString) {
    return lpString ? int(std::strlen(lpString)) : 0;
}

BOOL WINAPI IsDBCSLeadByte(BYTE TestChar) {
    return platform::host::IsLeadByte(TestChar);
}

UINT WINAPI GetACP(void) {
    return platform::host::AnsiCodePage();
}

LPSTR WINAPI CharNextA(LPCSTR lpsz) {
    if (!lpsz || !*lpsz)
        return const_cast<LPSTR>(lpsz);
    if (platform::host::IsLeadByte(BYTE(*lpsz)) && lpsz[1])
        return const_cast<LPSTR>(lpsz + 2);
    return const_cast<LPSTR>(lpsz + 1);
}

// Steps back one character. Which bytes are trail bytes can only be known by walking forward
// from the start, so that is what it does.
LPSTR WINAPI CharPrevA(LPCSTR lpszStart, LPCSTR lpszCurrent) {
    if (!lpszStart || !lpszCurrent || lpszCurrent <= lpszStart)
        return const_cast<LPSTR>(lpszStart);
    LPCSTR p = lpszStart;
    for (;;) {
        LPCSTR next = p + ((platform::host::IsLeadByte(BYTE(*p)) && p + 1 < lpszCurrent) ? 2 : 1);
        if (next >= lpszCurrent)
            return const_cast<LPSTR>(p);
        p = next;
    }
}

// Parses (optional "-")(digits), or with STIF_SUPPORT_HEX also (optional "-")0x(hex digits), up
// to the first other character. Neither blanks nor "+" are taken: " 300" and "+300" read as 0, as
// the settings reader's integers do. The minus sign holds for a hexadecimal number too ("-0x1F"
// is -31). Arithmetic wraps at 32 bits as the system's does.
static bool ParseInt(LPCSTR s, bool hex_allowed, int* out) {
    *out = 0;
    if (!s)
        return false;
    bool negative = *s == '-';
    if (negative)
        ++s;
    uint32_t value = 0;
    bool any = false;
    if (hex_allowed && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s += 2;
        for (;; ++s) {
            int digit;
            if (*s >= '0' && *s <= '9')
                digit = *s - '0';
            else if (*s >= 'a' && *s <= 'f')
                digit = *s - 'a' + 10;
            else if (*s >= 'A' && *s <= 'F')
                digit = *s - 'A' + 10;
            else
                break;
            value = value * 16u + uint32_t(digit);
            any = true;
        }
    } else {
        for (; *s >= '0' && *s <= '9'; ++s) {
            value = value * 10u + uint32_t(*s - '0');
            any = true;
        }
    }
    if (negative)
        value = 0u - value;
    *out = int(value);
    return any;
}

int WINAPI StrToIntA(LPCSTR pszSrc) {
    int value;
    ParseInt(pszSrc, false, &value);
    return value;
}

BOOL WINAPI StrToIntExA(LPCSTR pszString, DWORD dwFlags, int* piRet) {
    int value;
    bool ok = ParseInt(pszString, (dwFlags & STIF_SUPPORT_HEX) != 0, &value);
    if (piRet)
        *piRet = value;
    return ok ? TRUE : FALSE;
}

PELMORA_END_EXTERN_C
