// The folders the suites make for themselves: each its own, laid out as asked, gone afterwards,
// and, for a program folder run in the process, the program's folder to the layer meanwhile.
#include <windows.h>

#include "host/paths.h"
#include "testing/program_folder.h"
#include "testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;
using platform::testing::MachineTree;
using platform::testing::ProgramFolder;
using platform::testing::ProgramParts;
using platform::testing::TemporaryFolder;

std::string ProgramFile() {
    CHAR path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(TestFolders, FoldersOfOnePrefixAreApartAndGoWithWhatTheyHold) {
    fs::path first_path, second_path;
    {
        const TemporaryFolder first("pelmora-folders");
        const TemporaryFolder second("pelmora-folders");
        first_path = first.path();
        second_path = second.path();
        EXPECT_NE(first_path, second_path);
        EXPECT_TRUE(fs::is_directory(first_path));
        EXPECT_EQ(first_path.parent_path(), fs::temp_directory_path());
        EXPECT_TRUE(first_path.filename().string().starts_with("pelmora-folders-"));
        first.WriteFile("a.txt", "one");
        second.WriteFile("a.txt", "two");
        first.WriteFile("a.txt", "1");
        EXPECT_EQ(first.ReadFile("a.txt"), "1");
        EXPECT_EQ(second.ReadFile("a.txt"), "two");
        EXPECT_EQ(first.ReadFile("missing"), "");
        EXPECT_EQ(first.WindowsPath("a.txt"),
                  platform::host::LinuxToWindowsPath((first_path / "a.txt").string()));
        fs::create_directories(first / "below" / "deeper");
    }
    EXPECT_FALSE(fs::exists(first_path));
    EXPECT_FALSE(fs::exists(second_path));
}

TEST(TestFolders, AMachineTreeTakesMachinePathsWithOrWithoutTheirSlash) {
    const MachineTree tree;
    tree.Write("/proc/stat", "cpu 1\n");
    tree.Write("sys/class/net/eth0/speed", "100\n");
    tree.Write("proc/stat", "cpu 2\n");
    tree.MakeDirectory("/dev/empty");
    EXPECT_EQ(platform::testing::ReadWholeFile(fs::path(tree.root()) / "proc" / "stat"), "cpu 2\n");
    EXPECT_EQ(platform::testing::ReadWholeFile(fs::path(tree.root()) / "sys/class/net/eth0/speed"),
              "100\n");
    EXPECT_TRUE(fs::is_directory(fs::path(tree.root()) / "dev" / "empty"));
    EXPECT_EQ(Names(tree.root()), (std::set<std::string>{"dev", "proc", "sys"}));
}

TEST(TestFolders, AProgramFolderHoldsThePartsAsked) {
    using Plugins = ProgramParts::Plugins;
    const fs::path build(PELMORA_PROGRAM_DIR);
    std::set<std::string> build_plugins;
    if (fs::exists(build / "Plug-ins (x64)"))
        build_plugins = Names(build / "Plug-ins (x64)");
    struct Case {
        const char* what;
        ProgramParts parts;
        std::set<std::string> names;
        bool linked_resources;
        std::set<std::string> plugins;
    };
    const Case cases[] = {
        {"the default: resources linked, an empty plug-in folder",
         {},
         {"PelmoraResources.dll", "Plug-ins (x64)"},
         true,
         {}},
        {"nothing", {.resources = false, .plugins = Plugins::None}, {}, false, {}},
        {"a program that can run, with the build's plug-ins",
         {.executable = true, .plugins = Plugins::Build},
         {"pelmora", "libpelmora-platform.so", "libpelmora-x11.so", "PelmoraResources.dll",
          "Plug-ins (x64)"},
         false,
         build_plugins},
        {"a program that can run, without its resources",
         {.executable = true, .resources = false},
         {"pelmora", "libpelmora-platform.so", "libpelmora-x11.so", "Plug-ins (x64)"},
         false,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ProgramFolder folder("pelmora-layout", c.parts);
        std::set<std::string> names = Names(folder.path());
        names.erase("Readme.txt"); // copied with the program when the build has one
        EXPECT_EQ(names, c.names);
        if (c.names.contains("PelmoraResources.dll")) {
            EXPECT_EQ(fs::is_symlink(folder / "PelmoraResources.dll"), c.linked_resources);
        }
        if (c.names.contains("Plug-ins (x64)")) {
            EXPECT_EQ(Names(folder.plugin_folder()), c.plugins);
        }
        EXPECT_EQ(folder.settings(), folder / "Pelmora.pmu");
        EXPECT_FALSE(folder.SettingsExist());
        folder.WriteSettings("MainWindow[\r\n]\r\n");
        EXPECT_TRUE(folder.SettingsExist());
        EXPECT_EQ(folder.ReadSettings(), "MainWindow[\r\n]\r\n");
    }
}

TEST(TestFolders, APluginAddedIsACopyOfItsOwnReplacingOneOfTheSameName) {
    const TemporaryFolder libraries("pelmora-libraries");
    libraries.WriteFile("first.pmp", "first");
    libraries.WriteFile("second.pmp", "second");
    const ProgramFolder folder("pelmora-plugins", {.plugins = ProgramParts::Plugins::None});
    folder.AddPlugin(libraries / "first.pmp", "A.pmp");
    folder.AddPlugin(libraries / "first.pmp", "B.pmp");
    folder.AddPlugin(libraries / "second.pmp", "B.pmp");
    EXPECT_EQ(Names(folder.plugin_folder()), (std::set<std::string>{"A.pmp", "B.pmp"}));
    EXPECT_EQ(folder.ReadFile(fs::path("Plug-ins (x64)") / "A.pmp"), "first");
    EXPECT_EQ(folder.ReadFile(fs::path("Plug-ins (x64)") / "B.pmp"), "second");
    EXPECT_FALSE(fs::is_symlink(folder.plugin_folder() / "A.pmp"));
}

TEST(TestFolders, AProgramFolderInTheProcessIsTheProgramsWhileItLives) {
    const std::string own = ProgramFile();
    fs::path path;
    {
        const ProgramFolder folder("pelmora-in-process", {.in_process = true});
        path = folder.path();
        EXPECT_EQ(ProgramFile(), folder.WindowsPath("pelmora"));
        EXPECT_EQ(folder.WindowsPath(), platform::host::LinuxToWindowsPath(path.string()) + "\\");
    }
    EXPECT_EQ(ProgramFile(), own);
    EXPECT_FALSE(fs::exists(path));
}

TEST(TestFolders, AProgramFolderCanBeMadeLongerByANestedFolder) {
    const ProgramFolder plain("pelmora-length", {.plugins = ProgramParts::Plugins::None});
    for (size_t extra : {size_t(2), size_t(3), size_t(100)}) {
        SCOPED_TRACE(extra);
        const ProgramFolder longer("pelmora-length", {.extra_length = extra});
        EXPECT_EQ(longer.WindowsPath().size(), plain.WindowsPath().size() + extra);
        EXPECT_TRUE(fs::is_directory(longer.plugin_folder()));
        EXPECT_TRUE(fs::is_symlink(longer / "PelmoraResources.dll"));
    }
    // A separator alone cannot make it one character longer.
    EXPECT_THROW(ProgramFolder("pelmora-length", {.extra_length = 1}), std::invalid_argument);
}

} // namespace
