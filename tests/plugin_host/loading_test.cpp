#include "program_folder.h"

#include "display/default_colors.h"
#include "plugin_host/plugin_list.h"
#include "settings/catalogue.h"
#include "shell/environment.h"
#include "shell/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Events = std::vector<std::string>;

struct LoadCase {
    const char* what;
    bool hasFolder;
    std::vector<PluginFile> files;
    bool fatal;
    // The library sources in slot order, and their data items.
    std::vector<std::string> loaded;
    DWORD items;
    // Every call of the test plug-ins while loading and unloading (a fatal stop unloads).
    Events events;
};

// A good library in front of a faulty one and a good one behind it: the first is loaded and,
// when the faulty one ends the program, finalised and freed; the faulty one is neither; the one
// behind is never opened. initializeCalled: the fault shows only after PMPInitialize.
LoadCase FaultyCase(const char* what, const char* variant, bool initializeCalled) {
    Events events = {"A.pmp attach", "A.pmp initialize", "B.pmp attach"};
    if (initializeCalled)
        events.push_back("B.pmp initialize");
    events.insert(events.end(), {"FatalExit " + std::string(LoadResourceString(18)),
                                 "A.pmp finalize", "A.pmp detach"});
    return {what,  true,      {{"Good", "A.pmp"}, {variant, "B.pmp"}, {"Good", "C.pmp"}},
            true,  {"A.pmp"}, 2,
            events};
}

// One library that loads: its calls from attach to detach.
Events LoadedAndFreed(const std::string& file) {
    return {file + " attach", file + " initialize", file + " finalize", file + " detach"};
}

std::vector<LoadCase> LoadCases() {
    std::vector<LoadCase> cases = {
        {"no plug-in folder", false, {}, false, {}, 0, {}},
        {"empty plug-in folder", true, {}, false, {}, 0, {}},
        {"good polled source",
         true,
         {{"Good", "A.pmp"}},
         false,
         {"A.pmp"},
         2,
         LoadedAndFreed("A.pmp")},
        {"pushing source without PMPGetData",
         true,
         {{"Pushing", "A.pmp"}},
         false,
         {"A.pmp"},
         1,
         LoadedAndFreed("A.pmp")},
        {"source without detail settings",
         true,
         {{"NoDetailSettings", "A.pmp"}},
         false,
         {"A.pmp"},
         2,
         LoadedAndFreed("A.pmp")},
        {"text-only source",
         true,
         {{"TextOnly", "A.pmp"}},
         false,
         {"A.pmp"},
         2,
         LoadedAndFreed("A.pmp")},
        {"dwDataItems 0 counts as one item",
         true,
         {{"Items0", "A.pmp"}},
         false,
         {"A.pmp"},
         1,
         LoadedAndFreed("A.pmp")},
        {"dwDataItems 4 stays 4",
         true,
         {{"Items4", "A.pmp"}},
         false,
         {"A.pmp"},
         4,
         LoadedAndFreed("A.pmp")},
        {"dwDataItems 5 counts as one item",
         true,
         {{"Items5", "A.pmp"}},
         false,
         {"A.pmp"},
         1,
         LoadedAndFreed("A.pmp")},
        {"dwDataItems 7 counts as one item",
         true,
         {{"Items7", "A.pmp"}},
         false,
         {"A.pmp"},
         1,
         LoadedAndFreed("A.pmp")},
        {"a file that is not a library is skipped",
         true,
         {{"", "A.pmp"}, {"Good", "B.pmp"}},
         false,
         {"B.pmp"},
         2,
         LoadedAndFreed("B.pmp")},
        {"identifiers are the file names as the scan returns them, in its order",
         true,
         {{"Pushing", "Zeta Source_x64.pmp"}, {"Good", "Orlith_x64.pmp"}, {"Good", "Other.dll"}},
         false,
         {"Orlith_x64.pmp", "Zeta Source_x64.pmp"},
         3,
         {"Orlith_x64.pmp attach", "Orlith_x64.pmp initialize", "Zeta Source_x64.pmp attach",
          "Zeta Source_x64.pmp initialize", "Orlith_x64.pmp finalize", "Orlith_x64.pmp detach",
          "Zeta Source_x64.pmp finalize", "Zeta Source_x64.pmp detach"}},
        FaultyCase("no PMPInitialize", "NoInitialize", false),
        FaultyCase("no PMPFinalize", "NoFinalize", false),
        FaultyCase("no PMPBeforeOperation", "NoBeforeOperation", false),
        FaultyCase("no PMPAfterOperation", "NoAfterOperation", false),
        FaultyCase("polled source without PMPGetData", "PolledNoGetData", true),
        FaultyCase("PMPInitialize returns 0", "Initialize0", true),
        FaultyCase("PMPInitialize returns 2", "Initialize2", true),
        FaultyCase("no pszName", "NoName", true),
        FaultyCase("no pszDescription", "NoDescription", true),
        FaultyCase("no pszDefaultFormat", "NoDefaultFormat", true),
        FaultyCase("dwType 2", "Type2", true),
        FaultyCase("dwAvailableGraphs 2", "Graphs2", true),
    };
    return cases;
}

TEST(PluginLoading, LoadsSkipsOrEndsTheProgram) {
    for (const LoadCase& c : LoadCases()) {
        SCOPED_TRACE(c.what);
        TestProgramFolder folder(c.hasFolder ? &c.files : nullptr);
        PluginHostState host;

        bool fatal = host.Load();
        EXPECT_EQ(fatal, c.fatal);
        if (fatal) {
            EXPECT_FALSE(host.fatalText.empty());
            EXPECT_EQ(host.fatalText, std::string(LoadResourceString(18)));
        }
        EXPECT_EQ(LibraryIdentifiers(), c.loaded);
        EXPECT_EQ(LibraryDataItems(), c.items);
        for (DWORD p = FirstLibrarySlot(); p < GetPluginCount(); ++p) {
            EXPECT_FALSE(GetPluginSlot(p)->IsInternal);
            EXPECT_GE(GetPluginSlot(p)->Info.dwDataItems, 1u);
            EXPECT_LE(GetPluginSlot(p)->Info.dwDataItems, MAX_PLUGIN_ITEMS);
        }
        // The list always has all its slots, and the placeholder and category exist.
        EXPECT_EQ(pPluginList->size(), size_t(MAX_PLUGINS));
        EXPECT_NE(pPlaceholderPlugin, nullptr);
        EXPECT_EQ(pPluginsCategory, GetDriveProfile()->GetCategory("Plug-ins"));

        if (!fatal)
            UnloadPlugins();
        EXPECT_EQ(PluginEvents(), c.events);
    }
}

TEST(PluginLoading, TheScanStopsWhenEverySlotIsTaken) {
    std::vector<PluginFile> files;
    for (int i = 0; i < 33; ++i) {
        char name[16];
        wsprintfA(name, "P%02i.pmp", i);
        files.push_back({"Good", name});
    }
    TestProgramFolder folder(&files);
    PluginHostState host;
    ASSERT_FALSE(host.Load());

    EXPECT_EQ(GetPluginCount(), MAX_PLUGINS);
    DWORD libraries = MAX_PLUGINS - FirstLibrarySlot();
    std::vector<std::string> expected;
    for (DWORD i = 0; i < libraries; ++i)
        expected.push_back(files[i].name);
    EXPECT_EQ(LibraryIdentifiers(), expected);
    EXPECT_EQ(LibraryDataItems(), 2 * libraries);
    // The libraries after the last slot are never opened.
    for (size_t i = libraries; i < files.size(); ++i) {
        std::string attach = files[i].name + " attach";
        EXPECT_EQ(std::count(PluginEvents().begin(), PluginEvents().end(), attach), 0) << attach;
    }
}

TEST(PluginLoading, NamesTooLongForThePathBufferAreSkipped) {
    // The path "<program folder>Plug-ins (x64)\<file>" holds 263 characters.
    TestProgramFolder probe(nullptr);
    size_t fits = 263 - probe.WindowsDirectory().size() - std::string("Plug-ins (x64)\\").size();
    std::string longest = std::string(fits - 4, 'L') + ".pmp";
    std::string tooLong = std::string(fits - 3, 'M') + ".pmp";
    std::vector<PluginFile> files = {{"Good", longest}, {"Good", tooLong}, {"Good", "N.pmp"}};
    TestProgramFolder folder(&files);
    ASSERT_EQ(folder.WindowsDirectory().size(), probe.WindowsDirectory().size());
    PluginHostState host;
    ASSERT_FALSE(host.Load());

    EXPECT_EQ(LibraryIdentifiers(), (std::vector<std::string>{longest, "N.pmp"}));
    EXPECT_EQ(std::count(PluginEvents().begin(), PluginEvents().end(), tooLong + " attach"), 0);
}

TEST(PluginLoading, AProgramFolderTooLongForThePatternHasNoPlugins) {
    std::vector<PluginFile> files = {{"Good", "A.pmp"}};
    TestProgramFolder probe(nullptr);
    // With this much more, "<folder>Plug-ins (x64)\*.pmp" needs 264 characters, one more than
    // the buffer holds; one less, and both the pattern and the path of A.pmp just fit.
    size_t tooLong =
        264 - std::string("Plug-ins (x64)\\*.pmp").size() - probe.WindowsDirectory().size();
    for (size_t extra : {tooLong - 1, tooLong}) {
        SCOPED_TRACE(extra);
        TestProgramFolder folder(&files, extra);
        ASSERT_EQ(std::string(GetApplicationDirectory()), folder.WindowsDirectory());
        PluginHostState host;
        ASSERT_FALSE(host.Load());
        if (extra == tooLong) {
            EXPECT_TRUE(LibraryIdentifiers().empty());
            EXPECT_TRUE(PluginEvents().empty());
        } else {
            EXPECT_EQ(LibraryIdentifiers(), std::vector<std::string>{"A.pmp"});
        }
    }
}

TEST(PluginLoading, UnloadingTwiceReleasesNothingTwice) {
    std::vector<PluginFile> files = {{"Good", "A.pmp"}};
    TestProgramFolder folder(&files);
    PluginHostState host;
    // A fatal stop before the plug-ins were loaded unloads nothing.
    UnloadPlugins();
    ASSERT_FALSE(host.Load());
    UnloadPlugins();
    ASSERT_EQ(PluginEvents(), LoadedAndFreed("A.pmp"));

    // Someone else loads the library again; a second unload must not free that reference.
    std::string path = folder.WindowsDirectory() + "Plug-ins (x64)\\A.pmp";
    HMODULE again = LoadLibraryA(path.c_str());
    ASSERT_NE(again, nullptr);
    PluginEvents().clear();
    UnloadPlugins();
    EXPECT_TRUE(PluginEvents().empty());
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_EQ(PluginEvents(), Events{"A.pmp detach"});
}

// A reset gives a new process's plug-in host: no slots, and no library handle left over from
// the libraries loaded before.
TEST(PluginLoading, AResetForgetsTheLoadedLibraries) {
    std::vector<PluginFile> files = {{"Good", "A.pmp"}};
    TestProgramFolder folder(&files);
    PluginHostState host;
    ASSERT_FALSE(host.Load());
    const DWORD slot = FirstLibrarySlot();
    ASSERT_LT(slot, GetPluginCount());
    const HMODULE library = hPluginModules[slot];
    ASSERT_NE(library, nullptr);

    ResetProgramState();
    EXPECT_EQ(GetPluginCount(), 0u);
    EXPECT_EQ(GetDataItemCount(), 0u);
    for (HMODULE module : hPluginModules)
        EXPECT_EQ(module, nullptr);
    EXPECT_EQ(pPlaceholderPlugin, nullptr);
    EXPECT_EQ(pPluginsCategory, nullptr);
    // The library forgotten is freed here, as the end of the old process would have.
    EXPECT_TRUE(FreeLibrary(library));
}

TEST(DefaultGraphColors, TheLoaderFillsTheTableAndItCycles) {
    TestProgramFolder folder(nullptr);
    PluginHostState host;
    // As in a new process, the table is empty until the loader fills it.
    for (COLORREF colour : rgbDefaultGraphColors)
        ASSERT_EQ(colour, 0u);
    ASSERT_EQ(lDefaultColorIndex, 0);
    ASSERT_FALSE(host.Load());
    const COLORREF expected[13] = {0x80FF80, 0x8080FF, 0xC0C040, 0xFFC040, 0xC080C0,
                                   0xC08040, 0x80FFC0, 0xFF40C0, 0x00C0FF, 0xFFFF00,
                                   0xC080FF, 0x8000FF, 0xC0C080};
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(rgbDefaultGraphColors[i], expected[i]) << i;
    // Wherever the index stands, 13 calls come back round to the same colour.
    int start = lDefaultColorIndex;
    COLORREF first = NextDefaultGraphColor();
    EXPECT_EQ(first, expected[start]);
    for (int i = 1; i < 13; ++i)
        EXPECT_EQ(NextDefaultGraphColor(), expected[(start + i) % 13]);
    EXPECT_EQ(lDefaultColorIndex, start);
}

} // namespace
