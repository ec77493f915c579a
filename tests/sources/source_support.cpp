#include "source_support.h"

#include "host/paths.h"
#include "plugin_host/plugin_list.h"
#include "shell/environment.h"
#include "shell/program.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

// Stand-ins for the shell. The strings come from the resource library beside the program.
LPSTR LoadResourceString(UINT id) {
    static CHAR szResourceString[256];
    static HMODULE library = LoadLibraryA(
        platform::host::LinuxToWindowsPath(PELMORA_PROGRAM_DIR "/PelmoraResources.dll").c_str());
    szResourceString[0] = '\0';
    LoadStringA(library, id, szResourceString, 255);
    return szResourceString;
}

LPSTR GetApplicationDirectory() {
    static CHAR szAppDirectory[MAX_PATH];
    lstrcpynA(szAppDirectory, platform::host::LinuxToWindowsPath(PELMORA_PROGRAM_DIR "/").c_str(),
              MAX_PATH);
    return szAppDirectory;
}

void FatalExit(LPCSTR text) {
    throw FatalExitCalled{text};
}

MachineTree::MachineTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelmora-machine-XXXXXX");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    root_ = mkdtemp(name.data());
}

MachineTree::~MachineTree() {
    std::error_code error;
    std::filesystem::remove_all(root_, error);
}

void MachineTree::Write(const std::string& path, const std::string& text) {
    std::filesystem::path file = std::filesystem::path(root_) / path;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

void MachineTree::MakeDirectory(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(root_) / path);
}

SourceTest::SourceTest() : profile_(std::make_unique<CDriveProfile>()) {
    SetDriveProfile(profile_.get());
    delete pInternalPlugins;
    pInternalPlugins = new CInternalPlugins();
}

SourceTest::~SourceTest() {
    for (int i = 0; i < INTERNAL_PLUGIN_COUNT; ++i)
        pInternalPlugins->pmpAddresses[i].pfnFinalize();
    delete pInternalPlugins;
    pInternalPlugins = nullptr;
    SetDriveProfile(nullptr);
}

void SourceTest::Initialize(int index) {
    info_[index] = {};
    ASSERT_EQ(pInternalPlugins->pmpAddresses[index].pfnInitialize(&info_[index]), 1u);
}

void SourceTest::Start(int index, std::vector<DWORD> items) {
    Initialize(index);
    for (DWORD item : items)
        pInternalPlugins->pmpAddresses[index].pfnBeforeOperation(item, nullptr, 0, nullptr);
}

PMPDATA SourceTest::Sample(int index, DWORD item) {
    PMPDATA data = {};
    pInternalPlugins->pmpAddresses[index].pfnGetData(item, &data);
    return data;
}

std::string Param(const PMPDATA& data, int i) {
    return data.pszFormatParams[i] ? data.pszFormatParams[i] : "(null)";
}

std::vector<std::string> Params(const PMPDATA& data, int count) {
    std::vector<std::string> params;
    for (int i = 0; i < count; ++i)
        params.push_back(Param(data, i));
    return params;
}

std::string ResourceString(UINT id) {
    return LoadResourceString(id);
}
