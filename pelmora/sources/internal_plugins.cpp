#include "sources/internal_plugins.h"

#include "plugin_host/plugin_list.h"
#include "shell/environment.h"
#include "sources/sources.h"

LPCSTR CInternalPluginBase::LoadRes(int group, int j) {
    // LoadResourceString gives at most 254 characters, which the field holds.
    lstrcpynA(szRes[j], LoadPluginString(group, j), PLUGIN_RES_SIZE);
    return szRes[j];
}

LPSTR LoadPluginString(int group, int index) {
    return LoadResourceString(UINT(IDS_SOURCE_STRINGS + PLUGIN_STRINGS_PER_GROUP * group + index));
}

CInternalPluginBase* GetInternalPlugin(int index) {
    return pInternalPlugins->Plugins[index].get();
}

// One definition for all entry functions: entry k of source i calls the operation at the same
// position of Plugins[i] with exactly the arguments it received.
#define PELMORA_DEFINE_INTERNAL_ENTRIES(Name, index)                                               \
    DWORD WINAPI Name##PMPInitialize(PMPINFO* pInfo) {                                             \
        return GetInternalPlugin(index)->Initialize(pInfo);                                        \
    }                                                                                              \
    void WINAPI Name##PMPFinalize(void) {                                                          \
        GetInternalPlugin(index)->Finalize();                                                      \
    }                                                                                              \
    void WINAPI Name##PMPBeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow,             \
                                         PMPDATA* pData) {                                         \
        GetInternalPlugin(index)->BeforeOperation(dwPluralNumber, hWnd, dwRow, pData);             \
    }                                                                                              \
    void WINAPI Name##PMPAfterOperation(DWORD dwPluralNumber) {                                    \
        GetInternalPlugin(index)->AfterOperation(dwPluralNumber);                                  \
    }                                                                                              \
    void WINAPI Name##PMPGetData(DWORD dwPluralNumber, PMPDATA* pData) {                           \
        GetInternalPlugin(index)->GetData(dwPluralNumber, pData);                                  \
    }
#define PELMORA_DEFINE_INTERNAL_DIALOG_ENTRY(Name, index)                                          \
    DWORD WINAPI Name##PMPShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) {                  \
        return GetInternalPlugin(index)->ShowDetailSettings(dwPluralNumber, hOwner);               \
    }

// The table of the sources: class, name part of identifier and entries, and whether the entry
// table carries the detail-settings entry.
#define PELMORA_INTERNAL_SOURCES(WITH_DIALOG, WITHOUT_DIALOG)                                      \
    WITH_DIALOG(CVirtualMemoryPlugin, VirtualMemory, INTERNAL_VIRTUAL_MEMORY)                      \
    WITH_DIALOG(CPhysicalMemoryPlugin, PhysicalMemory, INTERNAL_PHYSICAL_MEMORY)                   \
    WITHOUT_DIALOG(CCPUUsagePlugin, CPUUsage, INTERNAL_CPU_USAGE)                                  \
    WITH_DIALOG(CDateAndTimePlugin, DateAndTime, INTERNAL_DATE_AND_TIME)                           \
    WITH_DIALOG(CProcessesPlugin, Processes, INTERNAL_PROCESSES)                                   \
    WITH_DIALOG(CNetworkSpeedPlugin, NetworkSpeed, INTERNAL_NETWORK_SPEED)                         \
    WITH_DIALOG(CRunningTimePlugin, RunningTime, INTERNAL_RUNNING_TIME)                            \
    WITHOUT_DIALOG(CCPUClockPlugin, CPUClock, INTERNAL_CPU_CLOCK)                                  \
    WITHOUT_DIALOG(CBatteryPlugin, Battery, INTERNAL_BATTERY)                                      \
    WITH_DIALOG(CHDDTemperaturePlugin, HDDTemperature, INTERNAL_HDD_TEMPERATURE)                   \
    WITH_DIALOG(CHDDUsagePlugin, HDDUsage, INTERNAL_HDD_USAGE)

#define PELMORA_ENTRIES_WITH_DIALOG(Class, Name, index)                                            \
    PELMORA_DEFINE_INTERNAL_ENTRIES(Name, index)                                                   \
    PELMORA_DEFINE_INTERNAL_DIALOG_ENTRY(Name, index)
#define PELMORA_ENTRIES_WITHOUT_DIALOG(Class, Name, index)                                         \
    PELMORA_DEFINE_INTERNAL_ENTRIES(Name, index)

PELMORA_INTERNAL_SOURCES(PELMORA_ENTRIES_WITH_DIALOG, PELMORA_ENTRIES_WITHOUT_DIALOG)

namespace {

constexpr CHAR IdentifierPrefix[] = "Internal:";

void RegisterSource(CInternalPlugins* registry, int index,
                    std::unique_ptr<CInternalPluginBase> source, const PMPPROCEDURES& procedures,
                    LPCSTR name) {
    registry->Plugins[index] = std::move(source);
    registry->pmpAddresses[index] = procedures;
    wsprintfA(registry->Identifier[index], "%s%s", IdentifierPrefix, name);
}

} // namespace

#define PELMORA_REGISTER_WITH_DIALOG(Class, Name, index)                                           \
    RegisterSource(this, index, std::make_unique<Class>(),                                         \
                   {Name##PMPInitialize, Name##PMPFinalize, Name##PMPBeforeOperation,              \
                    Name##PMPAfterOperation, Name##PMPGetData, Name##PMPShowDetailSettings},       \
                   #Name);
#define PELMORA_REGISTER_WITHOUT_DIALOG(Class, Name, index)                                        \
    RegisterSource(this, index, std::make_unique<Class>(),                                         \
                   {Name##PMPInitialize, Name##PMPFinalize, Name##PMPBeforeOperation,              \
                    Name##PMPAfterOperation, Name##PMPGetData, nullptr},                           \
                   #Name);

CInternalPlugins::CInternalPlugins() {
    _Count = INTERNAL_PLUGIN_COUNT;
    for (int i = 0; i < _Count; ++i)
        Identifier[i] = new CHAR[INTERNAL_IDENTIFIER_SIZE]();
    PELMORA_INTERNAL_SOURCES(PELMORA_REGISTER_WITH_DIALOG, PELMORA_REGISTER_WITHOUT_DIALOG)
}

CInternalPlugins::~CInternalPlugins() {
    FreeIdentifiers();
}

void CInternalPlugins::FreeIdentifiers() {
    for (int i = 0; i < _Count && i < INTERNAL_PLUGIN_SLOTS; ++i) {
        delete[] Identifier[i];
        Identifier[i] = nullptr;
    }
}
