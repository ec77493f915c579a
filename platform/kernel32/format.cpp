// wsprintfA: the system's own small formatter. No floating point; the output stops at 1,024
// bytes with the terminator, as the system's does, so no buffer of that size overflows.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr size_t kMaxOutput = 1024;

void Pad(std::string& out, size_t count, char fill) {
    out.append(count, fill);
}

void Emit(std::string& out, std::string_view body, std::string_view prefix, int width, bool left,
          bool zero) {
    size_t len = prefix.size() + body.size();
    size_t pad = width > 0 && size_t(width) > len ? size_t(width) - len : 0;
    if (left) {
        out.append(prefix);
        out.append(body);
        Pad(out, pad, ' ');
    } else if (zero) {
        out.append(prefix);
        Pad(out, pad, '0');
        out.append(body);
    } else {
        Pad(out, pad, ' ');
        out.append(prefix);
        out.append(body);
    }
}

std::string Digits(uint64_t value, unsigned base, bool upper, int precision) {
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char buf[32];
    int n = 0;
    do {
        buf[n++] = set[value % base];
        value /= base;
    } while (value);
    std::string s;
    if (precision > n)
        s.append(size_t(precision - n), '0');
    while (n)
        s.push_back(buf[--n]);
    return s;
}

std::string Format(const char* format, va_list args) {
    std::string out;
    for (const char* p = format; *p && out.size() < kMaxOutput; ++p) {
        if (*p != '%') {
            out.push_back(*p);
            continue;
        }
        const char* start = p++;
        bool left = false, alternate = false, zero = false;
        for (;; ++p) {
            if (*p == '-')
                left = true;
            else if (*p == '#')
                alternate = true;
            else if (*p == '0')
                zero = true;
            else
                break;
        }
        int width = 0;
        while (*p >= '0' && *p <= '9')
            width = width * 10 + (*p++ - '0');
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            while (*p >= '0' && *p <= '9')
                precision = precision * 10 + (*p++ - '0');
        }
        bool wide64 = false;
        if (*p == 'h' || *p == 'l') {
            ++p;
            if (p[-1] == 'l' && *p == 'l') {
                wide64 = true;
                ++p;
            }
        } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
            wide64 = true;
            p += 3;
        } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
            p += 3;
        }
        switch (*p) {
        case 'd':
        case 'i': {
            int64_t v = wide64 ? va_arg(args, int64_t) : int64_t(va_arg(args, int));
            uint64_t magnitude = v < 0 ? 0 - uint64_t(v) : uint64_t(v);
            Emit(out, Digits(magnitude, 10, false, precision), v < 0 ? "-" : "", width, left, zero);
            break;
        }
        case 'u': {
            uint64_t v = wide64 ? va_arg(args, uint64_t) : uint64_t(va_arg(args, unsigned));
            Emit(out, Digits(v, 10, false, precision), "", width, left, zero);
            break;
        }
        case 'x':
        case 'X': {
            uint64_t v = wide64 ? va_arg(args, uint64_t) : uint64_t(va_arg(args, unsigned));
            bool upper = *p == 'X';
            Emit(out, Digits(v, 16, upper, precision), alternate && v ? (upper ? "0X" : "0x") : "",
                 width, left, zero);
            break;
        }
        case 'p': {
            uint64_t v = uint64_t(reinterpret_cast<uintptr_t>(va_arg(args, void*)));
            Emit(out, Digits(v, 16, true, 16), "", width, left, false);
            break;
        }
        case 'c':
        case 'C': {
            char c = char(va_arg(args, int));
            Emit(out, std::string_view(&c, 1), "", width, left, false);
            break;
        }
        case 's':
        case 'S': {
            const char* s = va_arg(args, const char*);
            std::string_view text = s ? std::string_view(s) : std::string_view("(null)");
            if (precision >= 0 && size_t(precision) < text.size())
                text = text.substr(0, size_t(precision));
            Emit(out, text, "", width, left, false);
            break;
        }
        case '%':
            out.push_back('%');
            break;
        case '\0':
            // A lone '%' at the end: written as it stands.
            out.append(start, p);
            --p;
            break;
        default:
            out.push_back(*p);
            break;
        }
    }
    if (out.size() > kMaxOutput - 1)
        out.resize(kMaxOutput - 1);
    return out;
}

} // namespace

PELMORA_BEGIN_EXTERN_C

int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arglist) {
    if (!buffer || !format)
        return 0;
    std::string out = Format(format, arglist);
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return int(out.size());
}

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    int n = wvsprintfA(buffer, format, args);
    va_end(args);
    return n;
}

PELMORA_END_EXTERN_C
