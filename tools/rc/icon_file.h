// Reading .ico files: every image of the file as 32-bit pixels.
#pragma once

#include "script.h"

#include <cstdint>
#include "expected.h"

#include <span>
#include <string>
#include <vector>

namespace rc {

// The images of an icon file (device-independent bitmaps of 1, 4, 8, 24 or 32 bits with their
// mask); the error text says what is wrong with the file.
Expected<std::vector<IconImage>, std::string> DecodeIconFile(std::span<const uint8_t> file);

} // namespace rc
