// Reading the display settings of every data item.
#include "display_fixture.h"

namespace {

using GraphSettingsTest = DisplayFixture;

TEST_F(GraphSettingsTest, AnEmptyFileGetsEveryKeyWithItsDefaultAndTheColoursCycle) {
    sources::Add({.identifier = "A", .name = "a", .items = 3, .defaultFormat = "$1 %1"});
    sources::Add({.identifier = "B", .name = "b", .graphs = PMP_GRAPHS_NONE, .items = 2});
    LoadGraphSettings();

    const COLORREF table[13] = {0x80FF80, 0x8080FF, 0xC0C040, 0xFFC040, 0xC080C0,
                                0xC08040, 0x80FFC0, 0xFF40C0, 0x00C0FF, 0xFFFF00,
                                0xC080FF, 0x8000FF, 0xC0C080};
    struct Expected {
        const char* identifier;
        int j;
        int firstColour;
        int drawn;
    } items[] = {{"A", 0, 0, 1}, {"A", 1, 4, 1}, {"A", 2, 8, 1}, {"B", 0, 12, 0}, {"B", 1, 3, 0}};
    for (const Expected& e : items) {
        SCOPED_TRACE(std::string(e.identifier) + "|" + std::to_string(e.j));
        std::string name = std::string(e.identifier) + "|" + std::to_string(e.j);
        CDriveProfileCategory* category = pPluginsCategory->FindCategory(name.c_str(), false);
        ASSERT_NE(category, nullptr);
        EXPECT_EQ(category->Count(), 12);
        EXPECT_STREQ(category->GetString(Literals::DrawnGraphs), std::to_string(e.drawn).c_str());
        EXPECT_STREQ(category->GetString(Literals::Graph1Type), "0");
        EXPECT_STREQ(category->GetString(Literals::Graph1Position), "0");
        EXPECT_STREQ(category->GetString(Literals::TextHorizontalPosition), "3");
        EXPECT_STREQ(category->GetString(Literals::TextColor), "0");
        const char* keys[4] = {Literals::Graph1Color1, Literals::Graph1Color2,
                               Literals::Graph2Color1, Literals::Graph2Color2};
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(category->GetDWord(keys[c]), table[(e.firstColour + c) % 13]) << keys[c];
    }
    COnePlugin* a = sources::Plugin(0);
    EXPECT_STREQ(a->GetFormat(2), "$1 %1");
    EXPECT_STREQ(a->GetPassedFormat(2), "%u %s");
    EXPECT_EQ(a->dwRealFormatParams[2], 2u);
    EXPECT_EQ(a->lTextHorizontalPosition[1], 3);
    EXPECT_EQ(a->rgbGraph2Color2[1], table[7]);
    // Item 3 of A does not exist: nothing was read for it.
    EXPECT_EQ(pPluginsCategory->FindCategory("A|3", false), nullptr);
}

TEST_F(GraphSettingsTest, TheOldOneCategoryPerSourceBecomesTheCategoryOfItemZero) {
    sources::Add({.identifier = "Internal:CPUUsage", .name = "CPU", .items = 2});
    CDriveProfileCategory* old = pPluginsCategory->GetCategory("Internal:CPUUsage");
    old->SetInteger(Literals::Graph1Type, 2);
    old->SetString(Literals::Format, "old");
    LoadGraphSettings();

    EXPECT_FALSE(pPluginsCategory->HasCategory("Internal:CPUUsage"));
    CDriveProfileCategory* item0 = pPluginsCategory->FindCategory("Internal:CPUUsage|0", false);
    ASSERT_EQ(item0, old);
    EXPECT_EQ(sources::Plugin(0)->lGraph1Type[0], 2);
    EXPECT_STREQ(sources::Plugin(0)->GetFormat(0), "old");
    // Item 1 gets a fresh category with the defaults.
    EXPECT_STREQ(sources::Plugin(0)->GetFormat(1), "$1%");
}

TEST_F(GraphSettingsTest, RangedKeysFallBackToTheirDefaultsAndOthersKeepTheirValue) {
    sources::Add({.identifier = "T", .name = "t", .graphs = PMP_GRAPHS_NONE});
    sources::Add({.identifier = "U", .name = "u"});
    CDriveProfileCategory* t = Item("T", 0);
    t->SetInteger(Literals::DrawnGraphs, 3);
    t->SetInteger(Literals::Graph1Position, 5);
    t->SetInteger(Literals::Graph2Position, -1);
    t->SetInteger(Literals::TextHorizontalPosition, 0);
    t->SetInteger(Literals::Graph1Type, 7);
    Item("U", 0)->SetInteger(Literals::DrawnGraphs, 3);
    LoadGraphSettings();

    COnePlugin* plugin = sources::Plugin(0);
    EXPECT_EQ(plugin->lDrawnGraphs[0], 0);
    EXPECT_STREQ(t->GetString(Literals::DrawnGraphs), "0");
    EXPECT_EQ(plugin->lPosition1[0], 0);
    EXPECT_EQ(plugin->lPosition2[0], 0);
    EXPECT_EQ(plugin->lTextHorizontalPosition[0], 0);
    EXPECT_EQ(plugin->lGraph1Type[0], 7);
    EXPECT_EQ(sources::Plugin(1)->lDrawnGraphs[0], 3);
}

TEST_F(GraphSettingsTest, ASecondLoadKeepsStoredColoursWhileTheDefaultsMoveOn) {
    sources::Add({.identifier = "A", .name = "a", .items = 2});
    LoadGraphSettings();
    COLORREF first = sources::Plugin(0)->rgbGraph1Color1[1];
    EXPECT_EQ(lDefaultColorIndex, 8);
    LoadGraphSettings();
    EXPECT_EQ(sources::Plugin(0)->rgbGraph1Color1[1], first);
    EXPECT_EQ(lDefaultColorIndex, 3);
}

TEST_F(GraphSettingsTest, AFormatOfTheLongestStoredLengthIsCutTo511Characters) {
    sources::Add({.identifier = "A", .name = "a"});
    Item("A", 0)->SetString(Literals::Format, std::string(600, 'f').c_str());
    LoadGraphSettings();
    EXPECT_EQ(std::string(sources::Plugin(0)->GetFormat(0)), std::string(511, 'f'));
    EXPECT_EQ(std::string(sources::Plugin(0)->GetPassedFormat(0)), std::string(511, 'f'));
}

} // namespace
