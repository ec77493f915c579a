#include "program_folder.h"

#include "display/rows.h"
#include "plugin_host/data_items.h"
#include "settings/drive_profile.h"
#include "shell/environment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Alpha_1 and Alpha_2 share the display name Alpha (two items each); Beta pushes (one item, no
// detail settings); Long has a display name of 290 bytes with a double-byte character across
// the 261-byte mark (two items).
const std::vector<PluginFile> kFiles = {
    {"Good", "Alpha_1.pmp"},
    {"Good", "Alpha_2.pmp"},
    {"Pushing", "Beta.pmp"},
    {"LongName", "Long.pmp"},
};

// The long display name as a key carries it: the 260 single-byte characters before the
// double-byte character that does not fit whole.
const std::string kCutLongName(260, 'a');

std::string Text(LPCSTR text) {
    return text ? std::string(text) : std::string("null");
}

std::string Identifier(const COnePlugin* plugin) {
    return plugin ? std::string(plugin->Identifier) : std::string("null");
}

class DataItems : public ::testing::Test {
protected:
    DataItems() : folder_(&kFiles) {}
    void SetUp() override {
        ASSERT_FALSE(host_.Load());
        ASSERT_EQ(LibraryIdentifiers(),
                  (std::vector<std::string>{"Alpha_1.pmp", "Alpha_2.pmp", "Beta.pmp", "Long.pmp"}));
        base_ = FirstLibraryDataItem();
    }
    COnePlugin* Library(const char* identifier) {
        for (DWORD p = FirstLibrarySlot(); p < GetPluginCount(); ++p)
            if (std::string(GetPluginSlot(p)->Identifier) == identifier)
                return GetPluginSlot(p);
        return nullptr;
    }
    int Slot(const char* identifier) {
        for (DWORD p = 0; p < GetPluginCount(); ++p)
            if (std::string(GetPluginSlot(p)->Identifier) == identifier)
                return int(p);
        return -1;
    }

    TestProgramFolder folder_;
    PluginHostState host_;
    DWORD base_ = 0;
};

TEST_F(DataItems, KeysAndLookups) {
    const DWORD b = base_;
    const DWORD end = GetDataItemCount();
    ASSERT_EQ(end, b + 7);
    // Three rows: item 1 of Long, item 0 of Beta, and one never bound.
    CreateGraphList();
    for (int i = 0; i < 3; ++i)
        pGraphList->push_back(std::make_unique<COneGraph>());
    GetGraph(0)->Plugin = Library("Long.pmp");
    GetGraph(0)->dwPluralNumber = 1;
    GetGraph(1)->Plugin = Library("Beta.pmp");
    struct Check {
        const char* call;
        std::function<std::string()> actual;
        std::string expected;
    } checks[] = {
        // Numbering: slot by slot, items by number.
        {"DataIndexToKey(first)", [&] { return Text(DataIndexToKey(b)); }, "Alpha_1.pmp|0"},
        {"DataIndexToKey(first + 1)", [&] { return Text(DataIndexToKey(b + 1)); }, "Alpha_1.pmp|1"},
        {"DataIndexToKey(first + 2)", [&] { return Text(DataIndexToKey(b + 2)); }, "Alpha_2.pmp|0"},
        {"DataIndexToKey(first + 4)", [&] { return Text(DataIndexToKey(b + 4)); }, "Beta.pmp|0"},
        {"DataIndexToKey(count)", [&] { return Text(DataIndexToKey(end)); }, "null"},
        {"DataIndexToKey(-1)", [&] { return Text(DataIndexToKey(DWORD(-1))); }, "null"},
        {"DataIndexToDisplayKey(first + 3)", [&] { return Text(DataIndexToDisplayKey(b + 3)); },
         "Alpha|1"},
        {"DataIndexToDisplayKey(count)", [&] { return Text(DataIndexToDisplayKey(end)); }, "null"},
        {"DataIndexToItemNumber(first + 3)",
         [&] { return std::to_string(DataIndexToItemNumber(b + 3)); }, "1"},
        {"DataIndexToItemNumber(count)", [&] { return std::to_string(DataIndexToItemNumber(end)); },
         "-1"},
        {"DataIndexToPluginNumber(first + 4)",
         [&] { return std::to_string(DataIndexToPluginNumber(b + 4)); },
         std::to_string(Slot("Beta.pmp"))},
        {"DataIndexToPluginNumber(count)",
         [&] { return std::to_string(DataIndexToPluginNumber(end)); }, "-1"},
        {"DataIndexToPlugin(first + 2)", [&] { return Identifier(DataIndexToPlugin(b + 2)); },
         "Alpha_2.pmp"},
        {"DataIndexToPlugin(count)", [&] { return Identifier(DataIndexToPlugin(end)); }, "null"},
        // Display keys find the first source of a name, in list order.
        {"DataKeyToIndex(Alpha|1)", [&] { return std::to_string(DataKeyToIndex("Alpha|1")); },
         std::to_string(b + 1)},
        {"DataKeyToIndex(Beta|0)", [&] { return std::to_string(DataKeyToIndex("Beta|0")); },
         std::to_string(b + 4)},
        {"DataKeyToIndex(Beta|1), beyond its items",
         [&] { return std::to_string(DataKeyToIndex("Beta|1")); }, "-1"},
        {"DataKeyToIndex(alpha|0), case differs",
         [&] { return std::to_string(DataKeyToIndex("alpha|0")); }, "-1"},
        {"DataKeyToIndex(A), too short", [&] { return std::to_string(DataKeyToIndex("A")); }, "-1"},
        {"DataKeyToIndex(empty)", [&] { return std::to_string(DataKeyToIndex("")); }, "-1"},
        {"DataKeyToIndex(too long to take in)",
         [&] { return std::to_string(DataKeyToIndex((std::string(600, 'a') + "|0").c_str())); },
         "-1"},
        {"DataKeyToText(Alpha|1)", [&] { return Text(DataKeyToText("Alpha|1")); }, "Alpha_1.pmp|1"},
        // The item number is not checked, and a non-digit reads as 0.
        {"DataKeyToText(Alpha|7)", [&] { return Text(DataKeyToText("Alpha|7")); }, "Alpha_1.pmp|7"},
        {"DataKeyToText(Beta|x)", [&] { return Text(DataKeyToText("Beta|x")); }, "Beta.pmp|0"},
        {"DataKeyToText(Gamma|0)", [&] { return Text(DataKeyToText("Gamma|0")); }, "null"},
        {"FindPluginByName(Alpha)", [&] { return Identifier(FindPluginByName("Alpha")); },
         "Alpha_1.pmp"},
        {"FindPluginByName(beta)", [&] { return Identifier(FindPluginByName("beta")); }, "null"},
        // A display name too long for the key buffers is cut before the character that does not
        // fit, and the cut key finds its item again.
        {"DataIndexToDisplayKey(first + 6)", [&] { return Text(DataIndexToDisplayKey(b + 6)); },
         kCutLongName + "|1"},
        {"DataKeyToIndex(cut long name|1)",
         [&] { return std::to_string(DataKeyToIndex((kCutLongName + "|1").c_str())); },
         std::to_string(b + 6)},
        {"DataKeyToText(cut long name|0)",
         [&] { return Text(DataKeyToText((kCutLongName + "|0").c_str())); }, "Long.pmp|0"},
        // Display keys of the rows' bindings.
        {"DataIndexToText(0)", [&] { return Text(DataIndexToText(0)); }, kCutLongName + "|1"},
        {"DataIndexToText(1)", [&] { return Text(DataIndexToText(1)); }, "Beta|0"},
        {"DataIndexToText(2), never bound", [&] { return Text(DataIndexToText(2)); }, "null"},
        {"DataIndexToText(3), no such row", [&] { return Text(DataIndexToText(3)); }, "null"},
        {"DataIndexToText(-1)", [&] { return Text(DataIndexToText(-1)); }, "null"},
        // Plug-in names and descriptions.
        {"GetDataItemPluginName(first + 5)", [&] { return Text(GetDataItemPluginName(b + 5)); },
         "Long.pmp"},
        {"GetDataItemPluginName(count)", [&] { return Text(GetDataItemPluginName(end)); }, "null"},
        {"GetDataItemDescription(first + 2)", [&] { return Text(GetDataItemDescription(b + 2)); },
         "Description of Alpha_2.pmp"},
        {"GetDataItemDescription(count)", [&] { return Text(GetDataItemDescription(end)); },
         "null"},
        // Detail settings: the source's result, or 0 without an entry or an item.
        {"ShowDataItemDetailSettings(first + 3)",
         [&] { return std::to_string(ShowDataItemDetailSettings(HWND(0x1234), b + 3)); }, "11"},
        {"ShowDataItemDetailSettings(Beta)",
         [&] { return std::to_string(ShowDataItemDetailSettings(HWND(0x1234), b + 4)); }, "0"},
        {"ShowDataItemDetailSettings(count)",
         [&] { return std::to_string(ShowDataItemDetailSettings(HWND(0x1234), end)); }, "0"},
    };
    for (const Check& check : checks)
        EXPECT_EQ(check.actual(), check.expected) << check.call;
    // Only the item asked for reached its source, with the owner.
    std::vector<std::string> details;
    for (const std::string& event : PluginEvents())
        if (event.find(" detail ") != std::string::npos)
            details.push_back(event);
    EXPECT_EQ(details, std::vector<std::string>{"Alpha_2.pmp detail 1 owned"});
    CreateGraphList();
}

TEST_F(DataItems, TheNameOfABuiltInSourceIsResourceString47) {
    COnePlugin* beta = Library("Beta.pmp");
    beta->IsInternal = true;
    EXPECT_EQ(Text(GetDataItemPluginName(base_ + 4)), std::string(LoadResourceString(47)));
    beta->IsInternal = false;
}

TEST_F(DataItems, AnItemIsBoundOncePerPass) {
    COnePlugin* alpha = Library("Alpha_1.pmp");
    COnePlugin before;
    std::memcpy(&before, alpha, sizeof before);
    struct Bind {
        const char* identifier;
        DWORD item;
        const char* bound; // identifier of the result; "*" for the placeholder
    } binds[] = {
        {"Alpha_1.pmp", 0, "Alpha_1.pmp"}, {"Alpha_1.pmp", 0, "*"}, // already on an earlier row
        {"Alpha_1.pmp", 1, "Alpha_1.pmp"}, {"alpha_1.pmp", 2, "*"}, // case differs
        {"Alpha_1.pmp", 7, "*"}, // beyond the four items: no flag is touched
        {"Beta.pmp", 0, "Beta.pmp"},       {"Gamma.pmp", 0, "*"},
    };
    for (const Bind& bind : binds) {
        COnePlugin* plugin = BindPluginItem(bind.identifier, bind.item);
        EXPECT_EQ(Identifier(plugin), bind.bound) << bind.identifier << " " << bind.item;
        if (std::string(bind.bound) == "*") {
            EXPECT_EQ(plugin, pPlaceholderPlugin);
        }
    }
    EXPECT_TRUE(alpha->IsAlreadyUsed[0] && alpha->IsAlreadyUsed[1]);
    EXPECT_FALSE(alpha->IsAlreadyUsed[2] || alpha->IsAlreadyUsed[3]);
    // Nothing else of the slot changed.
    std::memcpy(before.IsAlreadyUsed, alpha->IsAlreadyUsed, sizeof before.IsAlreadyUsed);
    EXPECT_EQ(std::memcmp(&before, alpha, sizeof before), 0);

    ClearPluginUsage();
    for (DWORD p = 0; p < GetPluginCount(); ++p)
        for (bool used : GetPluginSlot(p)->IsAlreadyUsed)
            EXPECT_FALSE(used);
    EXPECT_EQ(BindPluginItem("Alpha_1.pmp", 0), alpha);
    ClearPluginUsage();
}

struct RowCase {
    const char* what;
    std::vector<const char*> rows; // null: the row has no key
    // The rows bound before the program ends (or all of them), as "<identifier> <item>".
    std::vector<std::string> bound;
    bool fatal;
    // The text of row 0's key afterwards.
    std::string row0After;
};

TEST(RowBinding, BindsRowsOrEndsTheProgram) {
    const std::string tooLong(512, 'x');
    const RowCase cases[] = {
        {"a key with its item", {"Alpha_1.pmp|1"}, {"Alpha_1.pmp 1"}, false, "Alpha_1.pmp|1"},
        {"a key without separator gets item 0", {"Beta.pmp"}, {"Beta.pmp 0"}, false, "Beta.pmp|0"},
        {"a non-digit item reads as 0",
         {"Alpha_1.pmp|x"},
         {"Alpha_1.pmp 0"},
         false,
         "Alpha_1.pmp|x"},
        {"two digits: the separator is added, and nothing matches",
         {"Alpha_1.pmp|12"},
         {},
         true,
         "Alpha_1.pmp|12|0"},
        {"an unbound row", {"*"}, {}, true, "*"},
        {"a missing key is added as unbound", {nullptr}, {}, true, "*"},
        {"the same item on two rows",
         {"Alpha_1.pmp|0", "Alpha_1.pmp|0"},
         {"Alpha_1.pmp 0"},
         true,
         "Alpha_1.pmp|0"},
        {"an item above 3", {"Alpha_1.pmp|7"}, {}, true, "Alpha_1.pmp|7"},
        {"an item beyond the source's items", {"Beta.pmp|1"}, {}, true, "Beta.pmp|1"},
        {"an identifier in another case", {"alpha_1.pmp|0"}, {}, true, "alpha_1.pmp|0"},
        {"one character", {"A"}, {}, true, "A|0"},
        // The store keeps 512 characters, so the added separator is cut off again.
        {"the longest value the settings hold", {tooLong.c_str()}, {}, true, tooLong},
        {"several rows",
         {"Alpha_2.pmp|1", "Alpha_1.pmp|0", "Beta.pmp|0", "Alpha_2.pmp|0"},
         {"Alpha_2.pmp 1", "Alpha_1.pmp 0", "Beta.pmp 0", "Alpha_2.pmp 0"},
         false,
         "Alpha_2.pmp|1"},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.what);
        TestProgramFolder folder(&kFiles);
        PluginHostState host;
        ASSERT_FALSE(host.Load());
        CDriveProfileCategory* graphDetail = GetDriveProfile()->GetCategory("GraphDetail");
        for (size_t r = 0; r < c.rows.size(); ++r) {
            if (c.rows[r])
                graphDetail->SetString(("Graph" + std::to_string(r)).c_str(), c.rows[r]);
        }
        std::vector<std::string> bound;
        bool fatal = false;
        try {
            for (DWORD r = 0; r < c.rows.size(); ++r) {
                DWORD item = 99;
                COnePlugin* plugin = BindGraphRow(graphDetail, r, &item);
                bound.push_back(std::string(plugin->Identifier) + " " + std::to_string(item));
            }
            ClearPluginUsage();
        } catch (const FatalExitCalled& exit) {
            fatal = true;
            EXPECT_EQ(exit.text, std::string(LoadResourceString(19)));
        }
        EXPECT_EQ(fatal, c.fatal);
        EXPECT_EQ(bound, c.bound);
        EXPECT_EQ(std::string(graphDetail->GetString("Graph0")), c.row0After);
    }
}

} // namespace
