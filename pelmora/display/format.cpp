#include "display/format.h"

#include "shell/fixed_point.h"

#include <cstdio>

namespace {

// Appends to the compiled format of one item; refuses a piece that would not fit whole, so a
// conversion is never cut in two.
class CompiledFormat {
public:
    CompiledFormat(COnePlugin* plugin, DWORD j)
        : text_(plugin->GetPassedFormatBuffer(int(j))), codes_(plugin->lFormatParamOrder[j]),
          count_(plugin->dwRealFormatParams[j]) {}

    bool AppendText(LPCSTR piece) {
        int length = lstrlenA(piece);
        if (used_ + length > PLUGIN_FORMAT_SIZE - 1)
            return false;
        for (int i = 0; i < length; ++i)
            text_[used_++] = piece[i];
        text_[used_] = '\0';
        return true;
    }

    bool AppendChar(CHAR c) {
        CHAR piece[2] = {c, '\0'};
        return AppendText(piece);
    }

    bool AppendCode(LONG code, LPCSTR conversion) {
        if (count_ >= DWORD(PLUGIN_FORMAT_ORDER_MAX))
            return false;
        if (!AppendText(conversion))
            return false;
        codes_[count_++] = code;
        return true;
    }

private:
    LPSTR text_;
    LONG* codes_;
    DWORD& count_;
    int used_ = 0;
};

// A digit as the ANSI character tests see it: alphanumeric but not alphabetic.
bool IsFormatDigit(CHAR c) {
    return c != '\0' && IsCharAlphaNumericA(c) && !IsCharAlphaA(c);
}

} // namespace

void CompileFormat(COnePlugin* plugin, DWORD j) {
    CompiledFormat out(plugin, j);
    LPCSTR format = plugin->GetFormat(int(j));
    DWORD offered = plugin->GetInfo()->dwFormatParams;

    int p = 0;
    for (;;) {
        CHAR c = format[p];
        if (c == '\0')
            return;
        CHAR n = format[p + 1];
        bool fits = true;
        if (c == '$') {
            if (n == '$') {
                fits = out.AppendChar('$');
                p += 2;
            } else if (n == '1' || n == '2') {
                fits = out.AppendCode(n == '1' ? FORMAT_CODE_PERCENT1 : FORMAT_CODE_PERCENT2, "%u");
                p += 2;
            } else if (n == '3' || n == '4') {
                fits = out.AppendCode(n == '3' ? FORMAT_CODE_FRACTION1 : FORMAT_CODE_FRACTION2,
                                      "%.2f");
                p += 2;
            } else {
                p += 1; // the "$" is dropped; n is read as an ordinary position next
            }
        } else if (c == '%') {
            if (n == '%') {
                fits = out.AppendText("%%");
                p += 2;
            } else if (IsFormatDigit(n)) {
                LONG d = (n >= '0' && n <= '9') ? LONG(n - '0') : 0;
                LONG k = d == 0 ? 9 : d - 1;
                if (offered > 0 && DWORD(k) <= offered - 1) {
                    fits = out.AppendCode(k, "%s");
                    p += 2;
                } else {
                    p += 1; // not offered: the digit is copied as plain text next
                }
            } else {
                p += 1;
            }
        } else if (IsDBCSLeadByte(BYTE(c)) && n != '\0' && n != '$' && n != '%') {
            // A double-byte character goes in whole or not at all. "$" and "%" are never trail
            // bytes: after a stray lead byte they still start a token, so that no lone "%"
            // reaches the compiled format.
            CHAR piece[3] = {c, n, '\0'};
            fits = out.AppendText(piece);
            p += 2;
        } else {
            fits = out.AppendChar(c);
            p += 1;
        }
        if (!fits)
            return;
    }
}

double GraphRatioPercent(DWORD value, DWORD maximum) {
    if (maximum == 0)
        return 0.0;
    return double(value) / double(maximum) * 100.0;
}

namespace {

// One slot of the argument block: one value per code, in code order.
union FormatSlot {
    UINT u;
    double d;
    LPCSTR s;
};

// Writes into a fixed buffer, cutting the text at its end without splitting a double-byte
// character.
class TextWriter {
public:
    TextWriter(LPSTR buffer, int size) : buffer_(buffer), size_(size) { buffer_[0] = '\0'; }

    void Append(LPCSTR text) { Append(text, lstrlenA(text)); }

    void Append(LPCSTR text, int length) {
        for (int i = 0; i < length && !full_;) {
            int width = (IsDBCSLeadByte(BYTE(text[i])) && i + 1 < length) ? 2 : 1;
            if (used_ + width > size_ - 1) {
                full_ = true;
                break;
            }
            for (int b = 0; b < width; ++b)
                buffer_[used_++] = text[i++];
        }
        buffer_[used_] = '\0';
    }

    bool Full() const { return full_; }

private:
    LPSTR buffer_;
    int size_;
    int used_ = 0;
    bool full_ = false;
};

UINT WholePercent(double percent) {
    // A value far above a small maximum gives more than fits in 32 bits; it stays at the top.
    if (percent >= 4294967295.0)
        return 0xFFFFFFFFu;
    return UINT(percent);
}

} // namespace

void CopyGraphText(LPSTR buffer, int size, LPCSTR text) {
    TextWriter out(buffer, size);
    out.Append(text);
}

void FormatGraphText(LPSTR buffer, int size, COnePlugin* plugin, DWORD j, const PMPDATA* data) {
    FormatSlot slots[PLUGIN_FORMAT_ORDER_MAX] = {};
    DWORD count = plugin->dwRealFormatParams[j];
    if (count > DWORD(PLUGIN_FORMAT_ORDER_MAX))
        count = PLUGIN_FORMAT_ORDER_MAX;
    for (DWORD n = 0; n < count; ++n) {
        LONG code = plugin->lFormatParamOrder[j][n];
        switch (code) {
        case FORMAT_CODE_PERCENT1:
            slots[n].u = WholePercent(GraphRatioPercent(data->dwCurrentValue1, data->dwMaxValue));
            break;
        case FORMAT_CODE_PERCENT2:
            slots[n].u = WholePercent(GraphRatioPercent(data->dwCurrentValue2, data->dwMaxValue));
            break;
        case FORMAT_CODE_FRACTION1:
            slots[n].d = GraphRatioPercent(data->dwCurrentValue1, data->dwMaxValue);
            break;
        case FORMAT_CODE_FRACTION2:
            slots[n].d = GraphRatioPercent(data->dwCurrentValue2, data->dwMaxValue);
            break;
        default:
            if (code >= 0 && code < PMP_MAX_FORMAT_PARAMS)
                slots[n].s = data->pszFormatParams[code];
            break;
        }
    }

    // The compiled format holds only "%u", "%.2f", "%s" and "%%"; each conversion meets the next
    // slot, as a va_list built from the block would.
    TextWriter out(buffer, size);
    LPCSTR format = plugin->GetPassedFormat(int(j));
    DWORD next = 0;
    CHAR piece[64];
    for (int p = 0; format[p] != '\0' && !out.Full();) {
        if (format[p] != '%') {
            int start = p;
            while (format[p] != '\0' && format[p] != '%')
                ++p;
            out.Append(format + start, p - start);
            continue;
        }
        FormatSlot slot = next < DWORD(PLUGIN_FORMAT_ORDER_MAX) ? slots[next] : FormatSlot{};
        if (format[p + 1] == '%') {
            out.Append("%");
            p += 2;
        } else if (format[p + 1] == 'u') {
            std::snprintf(piece, sizeof piece, "%u", slot.u);
            out.Append(piece);
            ++next;
            p += 2;
        } else if (format[p + 1] == 's') {
            // The platform runtime prints a null text pointer as "(null)".
            out.Append(slot.s != nullptr ? slot.s : "(null)");
            ++next;
            p += 2;
        } else if (format[p + 1] == '.' && format[p + 2] == '2' && format[p + 3] == 'f') {
            FormatFixedPoint(piece, sizeof piece, slot.d);
            out.Append(piece);
            ++next;
            p += 4;
        } else {
            out.Append("%");
            p += 1;
        }
    }
}
