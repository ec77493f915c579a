#include "shell/fixed_point.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
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
    // A buffer holds what of the rounded text fits, terminated; the length is the whole text's.
    struct Small {
        double value;
        size_t size;
        const char* text;
        int length;
    } small[] = {
        {0.125, 5, "0.13", 4},  // the rounded text fits exactly, the unrounded one would not
        {31.125, 4, "31.", 5},  // cut
        {-0.125, 5, "-0.1", 5}, // cut
        {0.125, 1, "", 4},
    };
    for (const Small& c : small) {
        CHAR buffer[8];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        EXPECT_EQ(FormatFixedPoint(buffer, c.size, c.value), c.length) << c.value;
        EXPECT_STREQ(buffer, c.text) << c.value;
        EXPECT_EQ(buffer[c.size], '#') << c.value;
    }
}

} // namespace
