// The ANSI code page of the layer and conversions at every boundary with Linux.
// The code page is 932 (Shift JIS as Windows has it); PELMORA_PLATFORM_CODEPAGE=65001 makes it
// UTF-8 for a user whose folders hold names that code page 932 cannot spell.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::host {

// 932 or 65001.
unsigned AnsiCodePage();
// Overrides the code page (tests); 0 goes back to the environment's choice.
void SetAnsiCodePage(unsigned code_page);

// A byte that starts a two-byte character in the ANSI code page.
bool IsLeadByte(uint8_t byte);

// Conversions; a sequence that cannot be converted becomes '?' (U+FFFD never reaches ANSI).
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);
std::u32string AnsiToUtf32(std::string_view ansi);
// The same into a string of the caller's, whose room is used again.
void AnsiToUtf32(std::string_view ansi, std::u32string& out);

} // namespace platform::host
