// IsCharAlphaA and IsCharAlphaNumericA on single ANSI characters of code page 932.
#include <windows.h>

#include "host/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(CharTests, LettersDigitsAndTheRest) {
    platform::host::SetAnsiCodePage(932);
    struct Case {
        unsigned char c;
        bool alpha, alphanumeric;
    } cases[] = {
        {'a', true, true},    {'Z', true, true},   {'0', false, true},
        {'9', false, true},   {'%', false, false}, {' ', false, false},
        {'\0', false, false}, {0xB1, true, true}, // half-width katakana A
        {0xA1, false, false},                     // half-width ideographic full stop
        {0x82, false, false},                     // a lead byte alone is no character
        {0x80, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.c));
        EXPECT_EQ(IsCharAlphaA(CHAR(c.c)) != FALSE, c.alpha);
        EXPECT_EQ(IsCharAlphaNumericA(CHAR(c.c)) != FALSE, c.alphanumeric);
    }
    platform::host::SetAnsiCodePage(0);
}

} // namespace
