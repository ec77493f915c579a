#include "settings/drive_profile.h"
#include "settings/literals.h"

#include "host/codepage.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>

namespace {

// The value of the first key of the name, or null.
const char* StoredValue(CDriveProfileCategory& category, const char* name) {
    for (int i = 0; i < category.Count(); ++i) {
        bool isCategory = true;
        CDriveProfileItemBase* child = category.GetChild(i, &isCategory);
        if (!isCategory && std::strcmp(child->Name, name) == 0)
            return static_cast<CDriveProfileItem*>(child)->Value;
    }
    return nullptr;
}

class DriveProfileTest : public ::testing::Test {
protected:
    void SetUp() override { platform::host::SetAnsiCodePage(932); }
    void TearDown() override { platform::host::SetAnsiCodePage(0); }
    CDriveProfileCategory category{"MainWindow"};
};

TEST_F(DriveProfileTest, FirstReadAddsTheDefaultAndTheSecondReadsTheStoredValue) {
    EXPECT_EQ(category.GetIntegerInRange("Opacity", 200, 1, 255), 200);
    ASSERT_STREQ(StoredValue(category, "Opacity"), "200");
    category.SetString("Opacity", "17");
    EXPECT_EQ(category.GetIntegerInRange("Opacity", 200, 1, 255), 17);
    EXPECT_EQ(category.Count(), 1);
}

struct MissingKeyCase {
    const char* what;
    std::function<void(CDriveProfileCategory&)> read;
    const char* added;
};

TEST_F(DriveProfileTest, EveryGetterAddsItsDefaultInTextForm) {
    const MissingKeyCase cases[] = {
        {"GetString", [](auto& c) { EXPECT_STREQ(c.GetString("k"), ""); }, ""},
        {"GetStringOrDefault",
         [](auto& c) { EXPECT_STREQ(c.GetStringOrDefault("k", "C:\\"), "C:\\"); }, "C:\\"},
        {"GetInteger", [](auto& c) { EXPECT_EQ(c.GetInteger("k"), 0); }, "0"},
        {"GetIntegerOrDefault", [](auto& c) { EXPECT_EQ(c.GetIntegerOrDefault("k", -5), -5); },
         "-5"},
        // The default is added as it is, even outside the range.
        {"GetIntegerInRange", [](auto& c) { EXPECT_EQ(c.GetIntegerInRange("k", -1, 1, 32), -1); },
         "-1"},
        {"GetDWord", [](auto& c) { EXPECT_EQ(c.GetDWord("k"), 0u); }, "0"},
        {"GetDWordOrDefault",
         [](auto& c) { EXPECT_EQ(c.GetDWordOrDefault("k", 0xFFFFFFFFu), 0xFFFFFFFFu); },
         "4294967295"},
        {"GetBoolean", [](auto& c) { EXPECT_FALSE(c.GetBoolean("k")); }, "0"},
        {"GetBooleanOrDefault", [](auto& c) { EXPECT_TRUE(c.GetBooleanOrDefault("k", true)); },
         "1"},
        {"GetFlag", [](auto& c) { EXPECT_EQ(c.GetFlag("k", 4), 0u); }, "0"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        CDriveProfileCategory fresh("c");
        test.read(fresh);
        EXPECT_EQ(fresh.Count(), 1);
        EXPECT_STREQ(StoredValue(fresh, "k"), test.added);
    }
}

struct RangeCase {
    const char* stored;
    int defaultValue, minimum, maximum;
    int expected;
    const char* storedAfter;
};

TEST_F(DriveProfileTest, OutOfRangeIsReplacedByTheDefaultAndWrittenBack) {
    const RangeCase cases[] = {
        {"256", 255, 1, 255, 255, "255"}, // maximum + 1
        {"0", 255, 1, 255, 255, "255"},   // minimum - 1
        {"255", 100, 1, 255, 255, "255"}, // bounds are inclusive
        {"1", 100, 1, 255, 1, "1"},
        {"50", 500, 100, 1000, 500, "500"},
        {"-11", 0, -10, 10, 0, "0"},
        {"-10", 0, -10, 10, -10, "-10"},
        {"abc", 7, 1, 10, 7, "7"},   // reads as 0, below the minimum
        {"abc", 7, 0, 10, 0, "abc"}, // 0 lies in the range: not corrected
        {"12px", 0, 0, 50, 12, "12px"},
        {"33", -1, 1, 32, -1, "-1"},
        // A number is an optional minus sign and digits: "Width= 300" keeps the default.
        {" 300", 200, 1, 1920, 200, "200"},
        {"+300", 200, 1, 1920, 200, "200"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.stored);
        CDriveProfileCategory fresh("c");
        fresh.SetString("k", test.stored);
        EXPECT_EQ(fresh.GetIntegerInRange("k", test.defaultValue, test.minimum, test.maximum),
                  test.expected);
        EXPECT_STREQ(StoredValue(fresh, "k"), test.storedAfter);
    }
}

TEST_F(DriveProfileTest, TextsThatAreNotNumbers) {
    category.SetString("k", "abc");
    EXPECT_EQ(category.GetInteger("k"), 0);
    EXPECT_EQ(category.GetDWord("k"), 0u);
    EXPECT_FALSE(category.GetBoolean("k"));
    EXPECT_EQ(category.GetFlag("k", 8), 0u);
    EXPECT_STREQ(StoredValue(category, "k"), "abc");
    for (const char* trueText : {"1", "2", "-1"}) {
        category.SetString("k", trueText);
        EXPECT_TRUE(category.GetBoolean("k")) << trueText;
        EXPECT_EQ(category.GetFlag("k", 8), 8u) << trueText;
    }
    category.SetString("k", "4294967295");
    EXPECT_EQ(category.GetDWord("k"), 0xFFFFFFFFu);
    category.SetDWord("k", 16744576);
    EXPECT_STREQ(StoredValue(category, "k"), "16744576");
    category.SetInteger("k", -2147483647 - 1);
    EXPECT_EQ(category.GetInteger("k"), -2147483647 - 1);
}

TEST_F(DriveProfileTest, StringOrDefaultHandsBackTheCallersTextForAMissingKey) {
    const char defaultText[] = "Times New Roman";
    const char* got = category.GetStringOrDefault("Face", defaultText);
    EXPECT_EQ(got, defaultText);
    category.SetString("Face", "Arial");
    EXPECT_STREQ(defaultText, "Times New Roman");
    // An existing key gives its live text.
    const char* live = category.GetStringOrDefault("Face", defaultText);
    EXPECT_STREQ(live, "Arial");
    category.SetString("Face", "Courier");
    EXPECT_STREQ(live, "Courier");
}

TEST_F(DriveProfileTest, ByteBlocks) {
    const BYTE bytes[] = {0x00, 0xAB, 0x7F};
    EXPECT_EQ(category.SetBinary("b", bytes, 3), 1);
    EXPECT_STREQ(StoredValue(category, "b"), "00AB7F");

    std::array<BYTE, 4> out;
    out.fill(0xEE);
    EXPECT_EQ(category.GetBinary("b", out.data(), DWORD(out.size())), 1);
    EXPECT_EQ(out, (std::array<BYTE, 4>{0x00, 0xAB, 0x7F, 0xEE}));

    // Five characters fill two bytes; the odd one is ignored.
    category.SetString("b", "0102F");
    out.fill(0xEE);
    category.GetBinary("b", out.data(), DWORD(out.size()));
    EXPECT_EQ(out, (std::array<BYTE, 4>{0x01, 0x02, 0xEE, 0xEE}));

    // Lower case reads; a pair that is not hexadecimal gives 0, whichever digit is bad.
    category.SetString("b", "abG11Gzz");
    out.fill(0xEE);
    category.GetBinary("b", out.data(), DWORD(out.size()));
    EXPECT_EQ(out, (std::array<BYTE, 4>{0xAB, 0x00, 0x00, 0x00}));
}

TEST_F(DriveProfileTest, ByteBlockOfAMissingKeyAddsNothing) {
    std::array<BYTE, 4> out;
    out.fill(0xEE);
    EXPECT_EQ(category.GetBinary("LOGFONTStructure", out.data(), DWORD(out.size())), 0);
    EXPECT_EQ(category.Count(), 0);
    EXPECT_EQ(out, (std::array<BYTE, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST_F(DriveProfileTest, ByteBlockNeverWritesPastTheDestination) {
    // A stored block of 256 bytes read into a 60-byte record inside a guarded buffer.
    category.SetString("LOGFONTStructure", std::string(512, 'A').c_str());
    std::array<BYTE, 80> out;
    out.fill(0xEE);
    category.GetBinary("LOGFONTStructure", out.data() + 10, 60);
    for (size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(out[i], i >= 10 && i < 70 ? 0xAA : 0xEE) << i;
    // A block longer than a value can hold is cut at whole bytes.
    std::array<BYTE, 300> big;
    big.fill(0x5A);
    category.SetBinary("big", big.data(), DWORD(big.size()));
    EXPECT_EQ(std::strlen(StoredValue(category, "big")), 512u);
}

TEST_F(DriveProfileTest, KeyAndCategoryOfOneNameStayApart) {
    category.SetString("Drive", "C:\\");
    CDriveProfileCategory* sub = category.GetCategory("Drive");
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->IsCategory);
    sub->SetString("Scale", "1");
    EXPECT_STREQ(category.GetString("Drive"), "C:\\");
    EXPECT_EQ(category.GetCategory("Drive"), sub);
    EXPECT_TRUE(category.HasCategory("Drive"));
    EXPECT_EQ(category.Count(), 2);
}

TEST_F(DriveProfileTest, RenameFindsOnlyCategories) {
    category.SetString("Old", "1");
    EXPECT_EQ(category.RenameCategory("Old", "New"), nullptr);
    EXPECT_STREQ(StoredValue(category, "Old"), "1");
    EXPECT_FALSE(category.HasCategory("New"));

    CDriveProfileCategory* sub = category.GetCategory("Old");
    EXPECT_EQ(category.RenameCategory("Old", "New"), sub);
    EXPECT_STREQ(sub->Name, "New");
    EXPECT_FALSE(category.HasCategory("Old"));
    EXPECT_EQ(category.FindCategory("New", false), sub);
    EXPECT_STREQ(StoredValue(category, "Old"), "1");
}

TEST_F(DriveProfileTest, NamesAreCaseSensitive) {
    category.SetInteger("Width", 100);
    EXPECT_EQ(category.GetIntegerOrDefault("width", 7), 7);
    EXPECT_EQ(category.GetInteger("Width"), 100);
    EXPECT_EQ(category.Count(), 2);
    EXPECT_FALSE(category.HasCategory("mainwindow"));
}

TEST_F(DriveProfileTest, DuplicateKeysReadTheFirst) {
    category.AddString("Width", "1");
    category.AddString("Width", "2");
    EXPECT_EQ(category.GetInteger("Width"), 1);
    category.SetInteger("Width", 3);
    EXPECT_STREQ(StoredValue(category, "Width"), "3");
    bool isCategory = true;
    EXPECT_STREQ(static_cast<CDriveProfileItem*>(category.GetChild(1, &isCategory))->Value, "2");
    EXPECT_FALSE(isCategory);
}

TEST_F(DriveProfileTest, ACategoryGrowsPastThirtyTwoChildrenInAddOrder) {
    char name[64];
    for (int i = 0; i < 40; ++i) {
        wsprintfA(name, "%s%i", "Graph", i);
        category.SetInteger(name, i * 10);
        wsprintfA(name, "%s|%i", "Internal:CPUUsage", i);
        category.GetCategory(name)->SetInteger("DrawnGraphs", i % 4);
    }
    ASSERT_EQ(category.Count(), 80);
    for (int i = 0; i < 40; ++i) {
        wsprintfA(name, "%s%i", "Graph", i);
        EXPECT_EQ(category.GetInteger(name), i * 10);
        wsprintfA(name, "%s|%i", "Internal:CPUUsage", i);
        ASSERT_TRUE(category.HasCategory(name));
        EXPECT_EQ(category.GetCategory(name)->GetInteger("DrawnGraphs"), i % 4);
        bool isCategory = false;
        EXPECT_STREQ(category.GetChild(2 * i + 1, &isCategory)->Name, name);
        EXPECT_TRUE(isCategory);
    }
    EXPECT_EQ(category.Count(), 80);
    bool isCategory = true;
    EXPECT_EQ(category.GetChild(80, &isCategory), nullptr);
    EXPECT_FALSE(isCategory);
    EXPECT_EQ(category.GetChild(-1, &isCategory), nullptr);
}

TEST_F(DriveProfileTest, OverLongTextsAreCutAtACharacterBoundary) {
    const std::string longName(600, 'n');
    category.SetString(longName.c_str(), std::string(600, 'v').c_str());
    // The cut name still finds its key: no second key is added.
    EXPECT_EQ(std::strlen(category.GetString(longName.c_str())), 512u);
    ASSERT_EQ(category.Count(), 1);
    EXPECT_EQ(std::strlen(category.GetChild(0, nullptr)->Name), 512u);
    EXPECT_EQ(category.GetCategory(longName.c_str()), category.GetCategory(longName.c_str()));

    // "\x82\xA0" is one character of code page 932.
    const std::string dbcs = "\x82\xA0";
    struct Case {
        std::string text;
        size_t kept;
    } cases[] = {
        {std::string(512, 'a'), 512},
        {std::string(513, 'a'), 512},
        {std::string(510, 'a') + dbcs, 512},
        {std::string(511, 'a') + dbcs, 511}, // the lead byte would be the 512th
        {std::string(511, 'a') + dbcs + "b", 511},
        {std::string(1, 'a') + dbcs + std::string(600, 'c'), 512},
        {std::string(2, 'a') + dbcs + std::string(600, 'c'), 512},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.text.size());
        CDriveProfileCategory fresh("c");
        fresh.SetString("k", test.text.c_str());
        EXPECT_EQ(std::string(fresh.GetString("k")), test.text.substr(0, test.kept));
        CDriveProfileItem item(test.text.c_str(), "");
        EXPECT_EQ(std::string(item.Name), test.text.substr(0, test.kept));
        fresh.GetCategory("x")->SetString("k", "1");
        fresh.RenameCategory("x", test.text.c_str());
        EXPECT_TRUE(fresh.HasCategory(test.text.c_str()));
    }
}

TEST_F(DriveProfileTest, TheStoreReachesTopLevelCategories) {
    CDriveProfile profile;
    CDriveProfileCategory* main = profile.GetCategory(Literals::MainWindow);
    EXPECT_EQ(profile.GetCategory(Literals::MainWindow), main);
    EXPECT_STREQ(profile.GetRoot()->Name, "Root");
    bool isCategory = false;
    EXPECT_EQ(profile.GetChild(0, &isCategory), main);
    EXPECT_TRUE(isCategory);
    SetDriveProfile(&profile);
    EXPECT_EQ(GetDriveProfile(), &profile);
    SetDriveProfile(nullptr);
}

} // namespace
