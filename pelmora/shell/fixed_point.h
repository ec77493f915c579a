// "%.2f" texts as the platform's runtime prints them: a value exactly halfway between two texts
// rounds away from zero (0.125 gives "0.13"), where the C library here rounds it to even.
#pragma once

#include <windows.h>

#include <cstddef>

// Writes value with two decimals into buffer (size bytes, terminator included) and returns the
// length of the whole text, as snprintf does.
int FormatFixedPoint(LPSTR buffer, size_t size, double value);
