#include "source_support.h"

#include "host/paths.h"
#include "kernel32/modules.h"
#include "plugin_host/plugin_list.h"
#include "shell/environment.h"
#include "shell/program.h"

namespace {

// The program folder is the build's, so the sources find the resource library and their
// strings there as in the program.
void UseBuildProgramFolder() {
    platform::SetProgramPath(PELMORA_PROGRAM_DIR "/pelmora");
    Environment::Program::Initialize();
    if (!GetResourceLibrary())
        SetResourceLibrary(LoadLibraryA("PelmoraResources.dll"));
}

} // namespace

void WriteInterfaces(const MachineTree& tree, const std::vector<Interface>& interfaces) {
    std::string dev = "Inter-|   Receive                            |  Transmit\n"
                      " face |bytes    packets errs drop fifo frame compressed multicast|bytes "
                      "   packets errs drop fifo colls carrier compressed\n";
    for (const Interface& i : interfaces) {
        dev += "  " + i.name + ": " + std::to_string(i.rx) + " 1 0 0 0 0 0 0 " +
               std::to_string(i.tx) + " 1 0 0 0 0 0 0\n";
        std::string base = "sys/class/net/" + i.name + "/";
        tree.Write(base + "speed", std::to_string(i.speedMbps) + "\n");
        tree.Write(base + "type", "1\n");
        tree.Write(base + "operstate", "up\n");
        tree.Write(base + "flags", "0x1003\n");
        tree.Write(base + "mtu", "1500\n");
        tree.Write(base + "ifindex", "2\n");
    }
    tree.Write("proc/net/dev", dev);
}

SourceTest::SourceTest() : profile_(std::make_unique<CDriveProfile>()) {
    UseBuildProgramFolder();
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
