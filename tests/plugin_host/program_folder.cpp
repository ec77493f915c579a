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

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

std::vector<std::string>& PluginEvents() {
    static std::vector<std::string> events;
    return events;
}

extern "C" void TestPluginRecord(LPCSTR event) {
    PluginEvents().push_back(event);
}

TestProgramFolder::TestProgramFolder(const std::vector<PluginFile>* plugins, size_t extraDepth) {
    std::string pattern = (fs::temp_directory_path() / "pelmora-plugin-host-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    root_ = pattern;
    program_ = root_;
    if (extraDepth > 0) {
        program_ += "/" + std::string(extraDepth - 1, 'd');
        fs::create_directories(program_);
    }
    if (plugins) {
        fs::create_directories(PluginFolder());
        for (const PluginFile& file : *plugins) {
            fs::path target = fs::path(PluginFolder()) / file.name;
            if (file.variant.empty()) {
                std::ofstream(target) << "MZ this is not a library\n";
            } else {
                fs::copy_file(fs::path(PLUGIN_LIBRARY_DIR) / (file.variant + ".pmp"), target);
            }
        }
    }
    platform::SetProgramPath(program_ + "/pelmora");
    Environment::Program::Initialize();
}

TestProgramFolder::~TestProgramFolder() {
    platform::SetProgramPath({});
    Environment::Program::Initialize();
    std::error_code error;
    fs::remove_all(root_, error);
}

std::string TestProgramFolder::WindowsDirectory() const {
    std::string path = "C:" + program_ + "/";
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
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
    UseBuildResources();
    platform::user32::SetMessageBoxObserver([](const platform::user32::MessageBoxRecord& box) {
        PluginEvents().push_back("FatalExit " + box.text);
    });
    CreatePluginList();
    SetPluginCount(0);
    SetDataItemCount(0);
    for (HMODULE& module : hPluginModules)
        module = nullptr;
    pPlaceholderPlugin = nullptr;
    pPluginsCategory = nullptr;
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
