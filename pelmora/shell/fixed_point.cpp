#include "shell/fixed_point.h"

#include <cmath>
#include <cstdio>

namespace {

// A value exactly halfway between two texts of two decimals: the halves lie at odd eighths.
bool IsExactHalf(double value) {
    double eighths = value * 8;
    return std::isfinite(eighths) && eighths == std::trunc(eighths) && std::fmod(eighths, 2) != 0;
}

// The half written with three decimals ("0.125") rounded away from zero to two ("0.13"). The
// digit before the 5 of an odd eighth is 2 or 7, so the one never carries.
void RoundHalfAway(LPSTR number) {
    int length = lstrlenA(number);
    number[length - 1] = '\0';
    number[length - 2] += 1;
}

} // namespace

int FormatFixedPoint(LPSTR buffer, size_t size, double value) {
    if (!IsExactHalf(value))
        return std::snprintf(buffer, size, "%.2f", value);
    // Three decimals give the half exactly ("0.125"), one more character than the rounded text:
    // they are written and rounded here, and the caller's buffer gets what of the rounded text
    // fits. An exact half is below 2^53 / 8, so its text is far shorter than this buffer.
    CHAR text[400];
    int length = std::snprintf(text, sizeof text, "%.3f", value);
    if (length <= 0 || size_t(length) >= sizeof text)
        return std::snprintf(buffer, size, "%.2f", value);
    RoundHalfAway(text);
    return std::snprintf(buffer, size, "%s", text);
}
