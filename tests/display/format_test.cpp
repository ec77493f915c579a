// Compilation of row formats and the formatting of row texts from a sample.
#include "display/format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

template <typename Case> std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

struct CompileCase {
    const char* name;
    const char* format;
    DWORD params;
    const char* passed;
    std::vector<LONG> codes;
};

class FormatCompileTest : public ::testing::TestWithParam<CompileCase> {};

void Compile(COnePlugin& plugin, const std::string& format, DWORD params) {
    plugin.GetInfo()->dwFormatParams = params;
    lstrcpynA(plugin.GetFormat(0), format.c_str(), PLUGIN_FORMAT_SIZE);
    std::memset(plugin.GetPassedFormatBuffer(0), 0, PLUGIN_FORMAT_SIZE);
    plugin.dwRealFormatParams[0] = 0;
    CompileFormat(&plugin, 0);
}

std::vector<LONG> Codes(const COnePlugin& plugin) {
    return {plugin.lFormatParamOrder[0],
            plugin.lFormatParamOrder[0] + plugin.dwRealFormatParams[0]};
}

TEST_P(FormatCompileTest, CompilesToPlainFormatAndCodes) {
    const CompileCase& c = GetParam();
    auto plugin = std::make_unique<COnePlugin>();
    Compile(*plugin, c.format, c.params);
    EXPECT_STREQ(plugin->GetPassedFormat(0), c.passed);
    EXPECT_EQ(Codes(*plugin), c.codes);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, FormatCompileTest,
    ::testing::Values(
        // The worked examples, with a source of four parameters unless told otherwise.
        CompileCase{"TextAndPercentSign", "%1 %%", 4, "%s %%", {0}},
        CompileCase{"CpuPercentage", "CPU $1%", 4, "CPU %u", {-1}},
        CompileCase{"TwoDoublesAndAText", "$3 / $4 %2", 4, "%.2f / %.2f %s", {-3, -4, 1}},
        CompileCase{"TextBeyondTheParameters", "%7 left", 4, "7 left", {}},
        CompileCase{"TenthParameter", "%0", 10, "%s", {9}},
        CompileCase{"TenthOfNineParameters", "%0", 9, "0", {}},
        CompileCase{"DoubledDollar", "cost $$5", 4, "cost $5", {}},
        // Edges.
        CompileCase{"Empty", "", 4, "", {}},
        CompileCase{"EndsInDollar", "ends in $", 4, "ends in ", {}},
        CompileCase{"EndsInPercent", "ends in %", 4, "ends in ", {}},
        CompileCase{"NoParameters", "%1 and %% with none", 0, "1 and %% with none", {}},
        CompileCase{"FifthOfFive", "%5", 5, "%s", {4}},
        CompileCase{"FifthOfFour", "%5", 4, "5", {}}, CompileCase{"NoFifthValue", "$5", 4, "5", {}},
        CompileCase{"PercentBeforeALetter", "%a", 4, "a", {}},
        CompileCase{"DollarBeforeAText", "$%1", 4, "%s", {0}},
        CompileCase{"ValuesWithoutParameters", "$2 of $1", 0, "%u of %u", {-2, -1}},
        CompileCase{"NinthAndTenth", "%9%0", 10, "%s%s", {8, 9}},
        // A lead byte before a token is a byte of its own: no "$" or "%" is its trail byte.
        CompileCase{"LeadByteBeforeAText", "\x81%1", 4, "\x81%s", {0}},
        CompileCase{"LeadByteBeforeAValue", "\x81$1", 4, "\x81%u", {-1}},
        CompileCase{"LeadByteBeforeALonePercent", "\x81%", 4, "\x81", {}},
        CompileCase{"DoubleByteCharacterBeforeAText", "\x82\xa0%1", 4, "\x82\xa0%s", {0}}),
    CaseName<CompileCase>);

TEST(FormatCompileLimits, StopsAtTheSeventeenthCode) {
    auto plugin = std::make_unique<COnePlugin>();
    std::string format;
    for (int i = 0; i < 20; ++i)
        format += "$1,";
    Compile(*plugin, format, 4);
    EXPECT_EQ(plugin->dwRealFormatParams[0], 16u);
    std::string expected;
    for (int i = 0; i < 16; ++i)
        expected += "%u,";
    EXPECT_EQ(std::string(plugin->GetPassedFormat(0)), expected);
}

TEST(FormatCompileLimits, StopsBeforeTheTextPasses511Characters) {
    auto plugin = std::make_unique<COnePlugin>();
    // 508 plain characters and then "$3" (four bytes): it does not fit whole and is not cut.
    std::string format(508, 'a');
    Compile(*plugin, format + "$3" + "b", 4);
    EXPECT_EQ(std::string(plugin->GetPassedFormat(0)), format);
    EXPECT_EQ(plugin->dwRealFormatParams[0], 0u);

    // 507 characters leave room for the conversion: 511 in all, the terminator in byte 512.
    format.assign(507, 'a');
    Compile(*plugin, format + "$3" + "b", 4);
    EXPECT_EQ(std::string(plugin->GetPassedFormat(0)), format + "%.2f");
    EXPECT_EQ(plugin->dwRealFormatParams[0], 1u);
    EXPECT_EQ(plugin->GetPassedFormat(0)[511], '\0');
}

TEST(FormatCompileLimits, EveryCharacterOfA511CharacterFormatIsKept) {
    auto plugin = std::make_unique<COnePlugin>();
    std::string format(511, 'z');
    Compile(*plugin, format, 4);
    EXPECT_EQ(std::string(plugin->GetPassedFormat(0)), format);
    // "%%" would take the text to 512: it is left out whole, so no lone "%" remains.
    Compile(*plugin, std::string(510, 'z') + "%%", 4);
    EXPECT_EQ(std::string(plugin->GetPassedFormat(0)), std::string(510, 'z'));
}

TEST(FormatCompileLimits, ADoubleByteCharacterAtTheLimitIsLeftOutWhole) {
    auto plugin = std::make_unique<COnePlugin>();
    // Sixteen "$3" grow by two bytes each, so the compiled text reaches its limit while the
    // format is still short. With 510 bytes compiled, the two bytes of "\x82\xa0" do not fit,
    // and its lead byte alone does not stay behind.
    std::string grow, conversions;
    for (int i = 0; i < 16; ++i) {
        grow += "$3";
        conversions += "%.2f";
    }
    Compile(*plugin, grow + std::string(446, 'z') + "\x82\xa0", 4);
    EXPECT_EQ(std::string(plugin->GetPassedFormat(0)), conversions + std::string(446, 'z'));
    Compile(*plugin, grow + std::string(445, 'z') + "\x82\xa0", 4);
    EXPECT_EQ(std::string(plugin->GetPassedFormat(0)),
              conversions + std::string(445, 'z') + "\x82\xa0");
}

struct TextCase {
    const char* name;
    const char* format;
    DWORD maximum, value1, value2;
    std::vector<const char*> params;
    const char* text;
};

class FormatTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(FormatTextTest, FormatsEachConversionWithTheValueOfItsCode) {
    const TextCase& c = GetParam();
    auto plugin = std::make_unique<COnePlugin>();
    Compile(*plugin, c.format, 10);
    PMPDATA data = {};
    data.dwMaxValue = c.maximum;
    data.dwCurrentValue1 = c.value1;
    data.dwCurrentValue2 = c.value2;
    for (size_t k = 0; k < c.params.size(); ++k)
        data.pszFormatParams[k] = c.params[k];
    CHAR text[GRAPH_TEXT_SIZE];
    FormatGraphText(text, sizeof text, plugin.get(), 0, &data);
    EXPECT_STREQ(text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, FormatTextTest,
    ::testing::Values(
        // The text comes from the slot right after the double.
        TextCase{"DoubleAndText", "$3 %1", 3, 1, 0, {"x"}, "33.33 x"},
        TextCase{"PercentageOverTheMaximum", "$1%%", 200, 300, 0, {}, "150%"},
        TextCase{"SecondValue", "$2 $4", 8, 0, 1, {}, "12 12.50"},
        TextCase{"TextsInAnyOrder", "%2-%1", 1, 0, 0, {"a", "b"}, "b-a"},
        // A maximum of 0 gives 0 and no failure.
        TextCase{"MaximumZero", "$1 $3", 0, 5, 0, {}, "0 0.00"},
        // Far above a tiny maximum the whole percentage stays at the top of 32 bits.
        TextCase{"WholePercentageAtTheTop", "$1", 1, 0xFFFFFFFF, 0, {}, "4294967295"},
        TextCase{"DoublePercentageFarAbove", "$3", 1, 0xFFFFFFFF, 0, {}, "429496729500.00"},
        // A parameter the source left unset.
        TextCase{"UnsetText", "[%1]", 1, 0, 0, {}, "[(null)]"},
        TextCase{"Empty", "", 1, 1, 1, {}, ""}),
    CaseName<TextCase>);

TEST(FormatTextLimits, ALongTextIsCutToTheBuffer) {
    auto plugin = std::make_unique<COnePlugin>();
    Compile(*plugin, "%1%2", 10);
    std::string first(700, 'p'), second(700, 'q');
    PMPDATA data = {};
    data.pszFormatParams[0] = first.c_str();
    data.pszFormatParams[1] = second.c_str();
    std::vector<CHAR> text(GRAPH_TEXT_SIZE + 16, 'X');
    FormatGraphText(text.data(), GRAPH_TEXT_SIZE, plugin.get(), 0, &data);
    EXPECT_EQ(std::string(text.data()), first + std::string(GRAPH_TEXT_SIZE - 1 - 700, 'q'));
    EXPECT_EQ(text[GRAPH_TEXT_SIZE], 'X');
}

TEST(FormatTextLimits, ACutNeverSplitsADoubleByteCharacter) {
    // "\x82\xa0" is one character in code page 932.
    CHAR buffer[6];
    CopyGraphText(buffer, sizeof buffer, "ab\x82\xa0\x82\xa0");
    EXPECT_STREQ(buffer, "ab\x82\xa0");
    CopyGraphText(buffer, sizeof buffer, "abcd\x82\xa0");
    EXPECT_STREQ(buffer, "abcd");
}

} // namespace
