#include "shell/fixed_point.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FixedPoint, ExactHalvesRoundAwayFromZeroOthersAsPrinted) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0.125, "0.13"},      {0.375, "0.38"},   {-0.125, "-0.13"}, {2.625, "2.63"},
        {0.25, "0.25"},       {1.0 / 3, "0.33"}, {0.0, "0.00"},     {100.0, "100.00"},
        {12.5 / 100, "0.13"}, {31.125, "31.13"},
    };
    for (const Case& c : cases) {
        CHAR buffer[64];
        int length = FormatFixedPoint(buffer, sizeof buffer, c.value);
        EXPECT_STREQ(buffer, c.text) << c.value;
        EXPECT_EQ(length, int(std::string(c.text).size())) << c.value;
    }
    // A buffer too small for the text holds what fits, terminated.
    CHAR small[4];
    FormatFixedPoint(small, sizeof small, 31.125);
    EXPECT_STREQ(small, "31.");
}

} // namespace
