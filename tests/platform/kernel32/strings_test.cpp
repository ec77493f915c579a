#include <windows.h>
#include <shlwapi.h>

#include "host/codepage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct FormatCase {
    const char* expected;
    std::string (*run)();
};

template <typename... Args> std::string Fmt(const char* format, Args... args) {
    char buffer[1100];
    int n = wsprintfA(buffer, format, args...);
    EXPECT_EQ(n, lstrlenA(buffer));
    return buffer;
}

TEST(Wsprintf, ConversionsTheProgramUses) {
    EXPECT_EQ(Fmt("%s|%i", "Internal:CPUUsage", 3), "Internal:CPUUsage|3");
    EXPECT_EQ(Fmt("%i", -2147483647 - 1), "-2147483648");
    EXPECT_EQ(Fmt("%u", 4294967295u), "4294967295");
    EXPECT_EQ(Fmt("%02u:%02u", 7u, 45u), "07:45");
    EXPECT_EQ(Fmt("%02i", -3), "-3");
    EXPECT_EQ(Fmt("%02X%02X%02X", 0x00, 0xAB, 0x7F), "00AB7F");
    EXPECT_EQ(Fmt("%s %s", "2.6.0.0", ""), "2.6.0.0 ");
    EXPECT_EQ(Fmt("100%%"), "100%");
    EXPECT_EQ(Fmt("%-4i|%4i", 5, 6), "5   |   6");
    EXPECT_EQ(Fmt("%s", static_cast<const char*>(nullptr)), "(null)");
}

TEST(Wsprintf, OutputStopsAt1024BytesWithTheTerminator) {
    std::string long_text(3000, 'x');
    char buffer[1024 + 16];
    std::memset(buffer, '#', sizeof buffer);
    int n = wsprintfA(buffer, "%s", long_text.c_str());
    EXPECT_EQ(n, 1023);
    EXPECT_EQ(buffer[1023], '\0');
    EXPECT_EQ(buffer[1024], '#');
}

TEST(StrToInt, DecimalAndHexadecimalForms) {
    struct Case {
        const char* text;
        DWORD flags;
        int value;
        BOOL ok;
    } cases[] = {
        {"42", 0, 42, TRUE},
        {"-17", 0, -17, TRUE},
        {"12abc", 0, 12, TRUE},
        {"abc", 0, 0, FALSE},
        {"", 0, 0, FALSE},
        {"0xAB", STIF_SUPPORT_HEX, 171, TRUE},
        {"0x7f", STIF_SUPPORT_HEX, 127, TRUE},
        {"0xZZ", STIF_SUPPORT_HEX, 0, FALSE},
        {"0xAB", 0, 0, TRUE},
        {"4294967295", 0, -1, TRUE},
        // An optional minus sign and digits, nothing before them.
        {"  9", 0, 0, FALSE},
        {"\t9", 0, 0, FALSE},
        {"+300", 0, 0, FALSE},
        {"-", 0, 0, FALSE},
        {"--5", 0, 0, FALSE},
        {"-0x1F", STIF_SUPPORT_HEX, -31, TRUE},
        {"-0x1F", 0, 0, TRUE},
        {" 0x1F", STIF_SUPPORT_HEX, 0, FALSE},
    };
    for (const Case& c : cases) {
        int value = 12345;
        EXPECT_EQ(StrToIntExA(c.text, c.flags, &value), c.ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        if (!(c.flags & STIF_SUPPORT_HEX)) {
            EXPECT_EQ(StrToIntA(c.text), c.value) << c.text;
        }
    }
}

TEST(CharPrev, StepsOverDoubleByteCharactersWhole) {
    platform::host::SetAnsiCodePage(932);
    // "C:\" then the two-byte character 0x95 0x5C (its trail byte is a backslash), then "\x".
    const char path[] = "C:\\\x95\x5C\\x";
    const char* end = path + sizeof(path) - 1;
    const char* p = CharPrevA(path, end);
    EXPECT_EQ(p, path + 6); // 'x'
    p = CharPrevA(path, p);
    EXPECT_EQ(p, path + 5); // the real backslash
    p = CharPrevA(path, p);
    EXPECT_EQ(p, path + 3); // the two-byte character, not its trail byte
    EXPECT_EQ(CharPrevA(path, path), path);
    platform::host::SetAnsiCodePage(0);
}

TEST(Lstr, CompareIsCaseSensitive) {
    EXPECT_EQ(lstrcmpA("Width", "Width"), 0);
    EXPECT_NE(lstrcmpA("Width", "width"), 0);
    EXPECT_EQ(lstrcmpiA("Width", "width"), 0);
    char buffer[8];
    EXPECT_EQ(lstrcpyA(buffer, "abc"), buffer);
    EXPECT_EQ(lstrlenA(buffer), 3);
    EXPECT_EQ(lstrlenA(nullptr), 0);
}

TEST(Lstr, CatAppendsAfterTheTerminator) {
    char buffer[16] = "Pel";
    EXPECT_EQ(lstrcatA(buffer, "mora"), buffer);
    EXPECT_STREQ(buffer, "Pelmora");
    EXPECT_EQ(lstrcatA(buffer, ""), buffer);
    EXPECT_STREQ(buffer, "Pelmora");
    EXPECT_EQ(lstrcatA(nullptr, "x"), nullptr);
    EXPECT_EQ(lstrcatA(buffer, nullptr), nullptr);
    EXPECT_STREQ(buffer, "Pelmora");
}

// A plug-in that converts text itself asks which code page the host's texts are in.
TEST(CodePage, GetACPNamesTheCodePageOfTheTexts) {
    platform::host::SetAnsiCodePage(932);
    EXPECT_EQ(GetACP(), 932u);
    platform::host::SetAnsiCodePage(65001);
    EXPECT_EQ(GetACP(), 65001u);
    platform::host::SetAnsiCodePage(0);
    EXPECT_EQ(GetACP(), platform::host::AnsiCodePage());
}

TEST(Errors, LastErrorAndSystemText) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_MOD_NOT_FOUND, 0x400, text,
                             255, nullptr);
    EXPECT_GT(n, 0u);
    EXPECT_EQ(std::string(text).substr(n - 2), "\r\n");
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0xDEAD, 0, text, 255, nullptr),
              0u);
}

TEST(Memory, IsBadWritePtr) {
    char local[64];
    EXPECT_FALSE(IsBadWritePtr(local, sizeof local));
    EXPECT_TRUE(IsBadWritePtr(nullptr, 260));
    static const char kReadOnly[8192] = {1};
    EXPECT_TRUE(IsBadWritePtr(const_cast<char*>(kReadOnly), sizeof kReadOnly));
}

} // namespace
