// shlwapi: the string-to-number helpers.
#pragma once

#include "windows.h"

#define STIF_DEFAULT 0x00000000L
#define STIF_SUPPORT_HEX 0x00000001L

PELMORA_BEGIN_EXTERN_C
int WINAPI StrToIntA(LPCSTR pszSrc);
BOOL WINAPI StrToIntExA(LPCSTR pszString, DWORD dwFlags, int* piRet);
PELMORA_END_EXTERN_C
