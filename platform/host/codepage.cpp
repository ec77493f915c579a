#include "host/codepage.h"

#include <cerrno>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <iconv.h>

namespace platform::host {

namespace {

unsigned override_code_page = 0;

unsigned EnvironmentCodePage() {
    static const unsigned code_page = [] {
        const char* value = std::getenv("PELMORA_PLATFORM_CODEPAGE");
        return (value && std::strcmp(value, "65001") == 0) ? 65001u : 932u;
    }();
    return code_page;
}

const char* IconvName(unsigned code_page) {
    return code_page == 65001 ? "UTF-8" : "CP932";
}

// Converts with iconv, replacing what cannot be converted by `replacement` in the target
// encoding and going on after the offending input byte.
std::string Convert(const char* to, const char* from, std::string_view input,
                    std::string_view replacement, size_t input_unit) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return std::string(input);
    std::string out;
    out.resize(input.size() * 4 + 16);
    char* in_ptr = const_cast<char*>(input.data());
    size_t in_left = input.size();
    char* out_ptr = out.data();
    size_t out_left = out.size();
    while (in_left > 0) {
        size_t r = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            size_t used = out.size() - out_left;
            out.resize(out.size() * 2);
            out_ptr = out.data() + used;
            out_left = out.size() - used;
            continue;
        }
        // EILSEQ or EINVAL: skip one input unit and put the replacement in its place.
        size_t skip = std::min(in_left, input_unit);
        in_ptr += skip;
        in_left -= skip;
        if (out_left < replacement.size() + 8) {
            size_t used = out.size() - out_left;
            out.resize(out.size() * 2 + replacement.size());
            out_ptr = out.data() + used;
            out_left = out.size() - used;
        }
        std::memcpy(out_ptr, replacement.data(), replacement.size());
        out_ptr += replacement.size();
        out_left -= replacement.size();
    }
    out.resize(out.size() - out_left);
    iconv_close(cd);
    return out;
}

// Both ANSI code pages (932 and UTF-8) give the ASCII bytes their ASCII characters.
bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

unsigned AnsiCodePage() {
    return override_code_page ? override_code_page : EnvironmentCodePage();
}

void SetAnsiCodePage(unsigned code_page) {
    override_code_page = code_page;
}

bool IsLeadByte(uint8_t byte) {
    if (AnsiCodePage() != 932)
        return false;
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string AnsiToUtf8(std::string_view ansi) {
    if (AnsiCodePage() == 65001 || IsAscii(ansi))
        return std::string(ansi);
    return Convert("UTF-8", IconvName(932), ansi, "\xEF\xBF\xBD", 1);
}

std::string Utf8ToAnsi(std::string_view utf8) {
    if (AnsiCodePage() == 65001)
        return std::string(utf8);
    return Convert(IconvName(932), "UTF-8", utf8, "?", 1);
}

void AnsiToUtf32(std::string_view ansi, std::u32string& out) {
    // Row texts are mostly digits and units: they need no converter opened for them.
    if (IsAscii(ansi)) {
        // Character by character: assigning the range would build a string to copy from.
        out.resize(ansi.size());
        std::copy(ansi.begin(), ansi.end(), out.begin());
        return;
    }
    std::string bytes =
        Convert("UTF-32LE", IconvName(AnsiCodePage()), ansi, std::string("\xFD\xFF\x00\x00", 4), 1);
    out.resize(bytes.size() / 4);
    std::memcpy(out.data(), bytes.data(), out.size() * 4);
}

std::u32string AnsiToUtf32(std::string_view ansi) {
    std::u32string out;
    AnsiToUtf32(ansi, out);
    return out;
}

} // namespace platform::host
