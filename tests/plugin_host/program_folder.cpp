#include "program_folder.h"

#include "host/paths.h"
#include "kernel32/modules.h"
#include "kernel32/process.h"
#include "plugin_host/plugin_list.h"
#include "settings/catalogue.h"
#include "shell/environment.h"
#include "shell/program.h"
#include "user32/message_box.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

std::vector<std::string>& PluginEvents() {
    static std::vector<std::string> events;
    return events;
}

extern "C" void TestPluginRecord(LPCSTR event) {
    PluginEvents().push_back(event);
}

namespace {

platform::testing::ProgramParts PartsFor(const std::vector<PluginFile>* plugins,
                                         size_t extraLength) {
    using Plugins = platform::testing::ProgramParts::Plugins;
    // The resource library is the build's, loaded from there (PluginHostState).
    return {.resources = false,
            .plugins = plugins ? Plugins::Empty : Plugins::None,
            .extra_length = extraLength,
            .in_process = true};
}

} // namespace

TestProgramFolder::TestProgramFolder(const std::vector<PluginFile>* plugins, size_t extraLength)
    : folder_("pelmora-plugin-host", PartsFor(plugins, extraLength)) {
    if (plugins) {
        for (const PluginFile& file : *plugins) {
            if (file.variant.empty())
                folder_.WriteFile(fs::path(platform::testing::kPluginFolderName) / file.name,
                                  "MZ this is not a library\n");
            else
                folder_.AddPlugin(fs::path(PLUGIN_LIBRARY_DIR) / (file.variant + ".pmp"),
                                  file.name);
        }
    }
    Environment::Program::Initialize();
}

TestProgramFolder::~TestProgramFolder() {
    // The process is itself again, and its directory is read again from that (the folder's own
    // end, which does the first, comes after this).
    platform::SetProgramPath({});
    Environment::Program::Initialize();
}

namespace {

// The resource library of the build, as start-up loads it; loaded again after a fatal stop,
// whose last shutdown step frees it.
void UseBuildResources() {
    SetResourceLibrary(LoadLibraryA(
        platform::host::LinuxToWindowsPath(PELMORA_PROGRAM_DIR "/PelmoraResources.dll").c_str()));
}

// The strings are there from the start, as after the program's first start-up step, so that
// expected texts can be built before a case sets up its host.
class BuildResources : public ::testing::Environment {
public:
    void SetUp() override { UseBuildResources(); }
};
const auto* const build_resources = ::testing::AddGlobalTestEnvironment(new BuildResources);

} // namespace

PluginHostState::PluginHostState()
    : fatal_exit_(UseBuildResources), profile_(std::make_unique<CDriveProfile>()) {
    ResetProgramState();
    UseBuildResources();
    platform::user32::SetMessageBoxObserver([](const platform::user32::MessageBoxRecord& box) {
        PluginEvents().push_back("FatalExit " + box.text);
    });
    SetDriveProfile(profile_.get());
    PluginEvents().clear();
}

PluginHostState::~PluginHostState() {
    // Whatever a case left loaded goes now; after a fatal stop this finds nothing more to do.
    UnloadPlugins();
    SetDriveProfile(nullptr);
    pPluginsCategory = nullptr;
    platform::user32::SetMessageBoxObserver({});
}

bool PluginHostState::Load() {
    try {
        LoadPlugins();
    } catch (const FatalExitCalled& fatal) {
        fatalText = fatal.text;
        return true;
    }
    return false;
}

DWORD FirstLibrarySlot() {
    DWORD p = 0;
    while (p < GetPluginCount() && GetPluginSlot(p)->IsInternal)
        ++p;
    return p;
}

DWORD FirstLibraryDataItem() {
    DWORD items = 0;
    for (DWORD p = 0; p < FirstLibrarySlot(); ++p)
        items += GetPluginSlot(p)->Info.dwDataItems;
    return items;
}

DWORD LibraryDataItems() {
    return GetDataItemCount() - FirstLibraryDataItem();
}

std::vector<std::string> LibraryIdentifiers() {
    std::vector<std::string> identifiers;
    for (DWORD p = FirstLibrarySlot(); p < GetPluginCount(); ++p)
        identifiers.push_back(GetPluginSlot(p)->Identifier);
    return identifiers;
}
