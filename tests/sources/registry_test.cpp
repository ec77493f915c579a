// The registry of built-in sources: order, identifiers, entry tables, the information records
// and the resource-string numbering.
#include "source_support.h"

#include "plugin_host/plugin_list.h"
#include "shell/program.h"

#include <cstring>

namespace {

struct SourceRecord {
    int index;
    const char* identifier;
    bool hasDialog;
    DWORD graphs;
    DWORD formatParams;
    const char* defaultFormat;
    DWORD dataItems;
    // String index within the group of each parameter name %1 .. %8, then of %9 and %0
    // (-1: not set), and of the description.
    std::vector<int> paramStrings;
    int param9, param0, description;
};

const SourceRecord kSources[] = {
    {0, "Internal:VirtualMemory", true, 1, 7, "%1 / %3 %7", 0, {1, 2, 3, 4, 5, 6, 8}, -1, -1, 7},
    {1, "Internal:PhysicalMemory", true, 1, 7, "%1 / %3 %7", 0, {1, 2, 3, 4, 5, 6, 8}, -1, -1, 7},
    {2, "Internal:CPUUsage", false, 3, 4, "%1 %%", 0, {1, 2, 3, 4}, -1, -1, 5},
    {3,
     "Internal:DateAndTime",
     true,
     1,
     7,
     "%1/%2/%3 %4 %5:%6:%7",
     0,
     {1, 2, 3, 4, 5, 6, 7},
     -1,
     -1,
     8},
    {4, "Internal:Processes", true, 1, 1, "%1 Processes", 0, {1}, -1, -1, 2},
    {5,
     "Internal:NetworkSpeed",
     true,
     3,
     10,
     "%1 %9 / %2 %9",
     2,
     {1, 2, 3, 4, 5, 6, 7, 8},
     10,
     11,
     9},
    {6, "Internal:RunningTime", true, 1, 4, "Running %2:%3:%4", 0, {1, 2, 3, 4}, -1, -1, 5},
    {7, "Internal:CPUClock", false, 1, 6, "%1 MHz", 0, {1, 2, 3, 4, 5, 6}, -1, -1, 7},
    {8,
     "Internal:Battery",
     false,
     1,
     8,
     "%1 - %2 Wh / %3 Wh",
     0,
     {1, 2, 3, 4, 5, 6, 7, 8},
     -1,
     -1,
     9},
    {9, "Internal:HDDTemperature", true, 1, 1, "%1 C", 2, {1}, -1, -1, 2},
    {10, "Internal:HDDUsage", true, 1, 7, "%1 / %3 %7", 4, {1, 2, 3, 4, 5, 6, 10}, -1, -1, 7},
};

UINT StringNumber(int group, int index) {
    return UINT(64 + 16 * group + index);
}

class RegistryTest : public SourceTest {};

TEST_F(RegistryTest, EveryInformationRecordPointsIntoItsSourcesOwnTexts) {
    // A machine without drives, so that the drive count does not touch the real disks.
    platform::testing::SimulatedDrivesScope drives;
    for (const SourceRecord& s : kSources) {
        SCOPED_TRACE(s.identifier);
        EXPECT_STREQ(pInternalPlugins->Identifier[s.index], s.identifier);
        EXPECT_EQ(pInternalPlugins->pmpAddresses[s.index].pfnShowDetailSettings != nullptr,
                  s.hasDialog);
        Initialize(s.index);
        const PMPINFO& info = info_[s.index];
        CInternalPluginBase* source = pInternalPlugins->Plugins[s.index].get();
        EXPECT_EQ(info.dwType, 0u);
        EXPECT_EQ(info.dwAvailableGraphs, s.graphs);
        EXPECT_EQ(info.dwFormatParams, s.formatParams);
        EXPECT_STREQ(info.pszDefaultFormat, s.defaultFormat);
        EXPECT_EQ(info.dwDataItems, s.dataItems);

        auto expectText = [&](LPCSTR text, int j) {
            ASSERT_NE(text, nullptr) << "string " << j;
            EXPECT_EQ(text, source->szRes[j]) << "string " << j;
            EXPECT_EQ(std::string(text), ResourceString(StringNumber(s.index, j))) << j;
            EXPECT_NE(std::string(text), "") << "string " << j;
        };
        expectText(info.pszName, 0);
        for (size_t p = 0; p < 8; ++p) {
            if (p < s.paramStrings.size())
                expectText(info.pszParamNames[p], s.paramStrings[p]);
            else
                EXPECT_EQ(info.pszParamNames[p], nullptr) << "%" << p + 1;
        }
        if (s.param9 >= 0)
            expectText(info.pszParamName9, s.param9);
        else
            EXPECT_EQ(info.pszParamName9, nullptr);
        if (s.param0 >= 0)
            expectText(info.pszParamName0, s.param0);
        else
            EXPECT_EQ(info.pszParamName0, nullptr);
        expectText(info.pszDescription, s.description);
    }
}

TEST_F(RegistryTest, PluginStringsAreNumberedByGroupAndIndex) {
    EXPECT_EQ(std::string(LoadPluginString(5, 3)), ResourceString(147));
    EXPECT_EQ(std::string(LoadPluginString(0, 0)), ResourceString(64));
    EXPECT_EQ(std::string(LoadPluginString(10, 15)), ResourceString(239));
}

TEST_F(RegistryTest, SourcesWithoutADialogAnswerZero) {
    for (int index : {INTERNAL_CPU_USAGE, INTERNAL_CPU_CLOCK, INTERNAL_BATTERY})
        EXPECT_EQ(pInternalPlugins->Plugins[index]->ShowDetailSettings(0, nullptr), 0u);
}

TEST(RegistryLoading, TheBuiltInSourcesTakeTheFirstElevenSlotsInOrder) {
    platform::testing::SimulatedDrivesScope drives;
    // A new process's plug-in host, with whatever resource library the run has loaded.
    const HMODULE resources = GetResourceLibrary();
    ResetProgramState();
    SetResourceLibrary(resources);
    CDriveProfile profile;
    SetDriveProfile(&profile);
    LoadPlugins();
    ASSERT_GE(GetPluginCount(), DWORD(INTERNAL_PLUGIN_COUNT));
    DWORD items = 0;
    for (const SourceRecord& s : kSources) {
        COnePlugin* slot = GetPluginSlot(DWORD(s.index));
        EXPECT_TRUE(slot->IsInternal);
        EXPECT_STREQ(slot->Identifier, s.identifier);
        EXPECT_EQ(slot->Procedures.pfnShowDetailSettings != nullptr, s.hasDialog);
        // The host counts a source that leaves the item count at 0 as one item.
        EXPECT_EQ(slot->Info.dwDataItems, s.dataItems ? s.dataItems : 1u);
        items += slot->Info.dwDataItems;
    }
    EXPECT_GE(GetDataItemCount(), items);
    UnloadPlugins();
    // The identifiers are freed once, by the unloading.
    for (int i = 0; i < INTERNAL_PLUGIN_COUNT; ++i)
        EXPECT_EQ(pInternalPlugins->Identifier[i], nullptr);
    delete pInternalPlugins;
    pInternalPlugins = nullptr;
    SetDriveProfile(nullptr);
}

} // namespace
