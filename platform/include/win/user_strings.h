// user32's character tests on ANSI characters of the layer's code page.
#pragma once

#include "../windef.h"

PELMORA_BEGIN_EXTERN_C

// A letter: Latin letters and, in code page 932, the half-width katakana.
BOOL WINAPI IsCharAlphaA(CHAR ch);
// A letter or a decimal digit.
BOOL WINAPI IsCharAlphaNumericA(CHAR ch);

PELMORA_END_EXTERN_C
