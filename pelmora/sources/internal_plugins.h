// The built-in data sources: their common base class, the registry that creates them in a fixed
// order, and the plain entry functions through which the host drives them exactly like plug-in
// libraries.
#pragma once

#include "plugin_sdk/pmp.h"
#include "resource.h"

#include <memory>

// Source index of each built-in source. The index is also the source's plug-in slot and its
// resource string group (strings 64 + 16 x index + 0..15).
enum InternalPluginIndex : int {
    INTERNAL_VIRTUAL_MEMORY = 0,
    INTERNAL_PHYSICAL_MEMORY = 1,
    INTERNAL_CPU_USAGE = 2,
    INTERNAL_DATE_AND_TIME = 3,
    INTERNAL_PROCESSES = 4,
    INTERNAL_NETWORK_SPEED = 5,
    INTERNAL_RUNNING_TIME = 6,
    INTERNAL_CPU_CLOCK = 7,
    INTERNAL_BATTERY = 8,
    INTERNAL_HDD_TEMPERATURE = 9,
    INTERNAL_HDD_USAGE = 10,
};

constexpr int INTERNAL_PLUGIN_COUNT = 11;
// Room in the registry's tables; entries 0 to INTERNAL_PLUGIN_COUNT - 1 are used.
constexpr int INTERNAL_PLUGIN_SLOTS = 16;
// "Internal:" and the source's name, with the terminator.
constexpr int INTERNAL_IDENTIFIER_SIZE = 64;
// The resource strings of one group.
constexpr int PLUGIN_STRINGS_PER_GROUP = IDS_SOURCE_STRINGS_PER_SOURCE;
constexpr int PLUGIN_RES_SIZE = 256;

// The base of the eleven source classes. Every text pointer a source hands out in its PMPINFO
// points into szRes, so the texts live as long as the source object.
class CInternalPluginBase {
public:
    CInternalPluginBase() = default;
    virtual ~CInternalPluginBase() = default;
    CInternalPluginBase(const CInternalPluginBase&) = delete;
    CInternalPluginBase& operator=(const CInternalPluginBase&) = delete;

    virtual DWORD Initialize(PMPINFO* pInfo) = 0;
    virtual void Finalize() = 0;
    virtual void BeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow, PMPDATA* pData) = 0;
    virtual void AfterOperation(DWORD dwPluralNumber) = 0;
    virtual void GetData(DWORD dwPluralNumber, PMPDATA* pData) = 0;
    virtual DWORD ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) = 0;

    // szRes[j] holds string j of the source's group once Initialize has loaded it.
    CHAR szRes[PLUGIN_STRINGS_PER_GROUP][PLUGIN_RES_SIZE] = {};

    // Copies string j of group into szRes[j] and returns that field.
    LPCSTR LoadRes(int group, int j);
};

class CInternalPlugins {
public:
    // Creates the eleven sources in the order of InternalPluginIndex with their entry tables
    // and identifiers.
    CInternalPlugins();
    ~CInternalPlugins();
    CInternalPlugins(const CInternalPlugins&) = delete;
    CInternalPlugins& operator=(const CInternalPlugins&) = delete;

    LONG GetCount() const { return _Count; }
    void SetCount(LONG count) { _Count = count; }
    // Frees the identifier texts; called once the sources are finalised. A second call frees
    // nothing.
    void FreeIdentifiers();

    LONG _Count = 0;
    std::unique_ptr<CInternalPluginBase> Plugins[INTERNAL_PLUGIN_SLOTS];
    PMPPROCEDURES pmpAddresses[INTERNAL_PLUGIN_SLOTS] = {};
    LPSTR Identifier[INTERNAL_PLUGIN_SLOTS] = {};
};

// String index (0..15) of source group (0..10): resource string 64 + 16 x group + index, in the
// shared buffer of LoadResourceString that the next resource-string call overwrites.
LPSTR LoadPluginString(int group, int index);

// The source object of a source index; the registry must exist.
CInternalPluginBase* GetInternalPlugin(int index);

// The entry functions <Name>PMP<Entry>, one per source and entry. Each forwards to the virtual
// operation of the same position of the source object in pInternalPlugins. The sources without
// a detail dialog have no PMPShowDetailSettings.
#define PELMORA_DECLARE_INTERNAL_ENTRIES(Name)                                                     \
    DWORD WINAPI Name##PMPInitialize(PMPINFO* pInfo);                                              \
    void WINAPI Name##PMPFinalize(void);                                                           \
    void WINAPI Name##PMPBeforeOperation(DWORD dwPluralNumber, HWND hWnd, DWORD dwRow,             \
                                         PMPDATA* pData);                                          \
    void WINAPI Name##PMPAfterOperation(DWORD dwPluralNumber);                                     \
    void WINAPI Name##PMPGetData(DWORD dwPluralNumber, PMPDATA* pData);
#define PELMORA_DECLARE_INTERNAL_DIALOG_ENTRY(Name)                                                \
    DWORD WINAPI Name##PMPShowDetailSettings(DWORD dwPluralNumber, HWND hOwner);

PELMORA_DECLARE_INTERNAL_ENTRIES(VirtualMemory)
PELMORA_DECLARE_INTERNAL_DIALOG_ENTRY(VirtualMemory)
PELMORA_DECLARE_INTERNAL_ENTRIES(PhysicalMemory)
PELMORA_DECLARE_INTERNAL_DIALOG_ENTRY(PhysicalMemory)
PELMORA_DECLARE_INTERNAL_ENTRIES(CPUUsage)
PELMORA_DECLARE_INTERNAL_ENTRIES(DateAndTime)
PELMORA_DECLARE_INTERNAL_DIALOG_ENTRY(DateAndTime)
PELMORA_DECLARE_INTERNAL_ENTRIES(Processes)
PELMORA_DECLARE_INTERNAL_DIALOG_ENTRY(Processes)
PELMORA_DECLARE_INTERNAL_ENTRIES(NetworkSpeed)
PELMORA_DECLARE_INTERNAL_DIALOG_ENTRY(NetworkSpeed)
PELMORA_DECLARE_INTERNAL_ENTRIES(RunningTime)
PELMORA_DECLARE_INTERNAL_DIALOG_ENTRY(RunningTime)
PELMORA_DECLARE_INTERNAL_ENTRIES(CPUClock)
PELMORA_DECLARE_INTERNAL_ENTRIES(Battery)
PELMORA_DECLARE_INTERNAL_ENTRIES(HDDTemperature)
PELMORA_DECLARE_INTERNAL_DIALOG_ENTRY(HDDTemperature)
PELMORA_DECLARE_INTERNAL_ENTRIES(HDDUsage)
PELMORA_DECLARE_INTERNAL_DIALOG_ENTRY(HDDUsage)
