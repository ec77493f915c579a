#include "plugin_host/plugin_list.h"

#include "display/default_colors.h"
#include "resource.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"
#include "shell/program.h"

CPluginList* pPluginList = nullptr;
COnePlugin* pPlaceholderPlugin = nullptr;
HMODULE hPluginModules[MAX_PLUGINS];

namespace {

// GetProcAddress gives every entry point one procedure type. Going through the procedure type
// without arguments or result says that the cast to the entry's own type is meant, which the
// compiler accepts without a warning.
template <typename Entry> Entry EntryPoint(FARPROC procedure) {
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(procedure));
}

// The search pattern and the path of one library, both under the program directory.
constexpr CHAR PLUGIN_FOLDER_PATTERN[] = "%sPlug-ins (x64)\\*.pmp";
constexpr CHAR PLUGIN_PATH_FORMAT[] = "%sPlug-ins (x64)\\%s";
constexpr CHAR PLUGIN_FOLDER[] = "Plug-ins (x64)\\";
constexpr CHAR PLUGIN_FILE_PATTERN[] = "*.pmp";

// Resource string of the plug-in load error.

DWORD dwPluginCount = 0;
DWORD dwDataItemCount = 0;

// The objects behind pPluginList and pPlaceholderPlugin; they live until the process ends.
std::unique_ptr<CPluginList> pluginListStore;
std::unique_ptr<COnePlugin> placeholderStore;

// A directory and file name that would not fit the path buffer are refused rather than cut:
// a shortened path would name another file.
BOOL FitsPluginPath(LPCSTR directory, LPCSTR file) {
    return lstrlenA(directory) + lstrlenA(PLUGIN_FOLDER) + lstrlenA(file) < PLUGIN_PATH_SIZE;
}

} // namespace

void CreatePluginList() {
    pluginListStore = std::make_unique<CPluginList>();
    pPluginList = pluginListStore.get();
}

COnePlugin* GetPluginSlot(DWORD i) {
    if (!pPluginList || i >= pPluginList->size())
        return nullptr;
    return (*pPluginList)[i].get();
}

DWORD GetPluginCount() {
    return dwPluginCount;
}

void SetPluginCount(DWORD count) {
    dwPluginCount = count;
}

DWORD GetDataItemCount() {
    return dwDataItemCount;
}

void SetDataItemCount(DWORD count) {
    dwDataItemCount = count;
}

void FatalPluginError() {
    FatalExit(LoadResourceString(IDS_PLUGIN_ERROR));
}

BOOL IsPluginInfoValid(const PMPINFO* info) {
    if (!info->pszName || !info->pszDescription || !info->pszDefaultFormat)
        return FALSE;
    if (info->dwType != PMP_TYPE_REGULAR && info->dwType != PMP_TYPE_IRREGULAR)
        return FALSE;
    if (info->dwAvailableGraphs != PMP_GRAPHS_NONE && info->dwAvailableGraphs != PMP_GRAPHS_ONE &&
        info->dwAvailableGraphs != PMP_GRAPHS_TWO)
        return FALSE;
    return TRUE;
}

void InitializePluginSlot(COnePlugin* plugin) {
    if (plugin->Procedures.pfnInitialize(&plugin->Info) != 1)
        FatalPluginError();
    if (!IsPluginInfoValid(&plugin->Info))
        FatalPluginError();
    // A regular source is polled at every repaint, so it cannot do without PMPGetData.
    if (plugin->Info.dwType == PMP_TYPE_REGULAR && !plugin->Procedures.pfnGetData)
        FatalPluginError();
    if (plugin->Info.dwDataItems == 0 || plugin->Info.dwDataItems > MAX_PLUGIN_ITEMS)
        plugin->Info.dwDataItems = 1;
    SetPluginCount(GetPluginCount() + 1);
    SetDataItemCount(GetDataItemCount() + plugin->Info.dwDataItems);
}

void LoadPlugins() {
    // 1. The category of the per-item settings.
    pPluginsCategory = GetDriveProfile()->GetCategory(Literals::Plugins);

    // 2. The placeholder of failed bindings.
    placeholderStore = std::make_unique<COnePlugin>();
    pPlaceholderPlugin = placeholderStore.get();

    // 3. All slots, zeroed.
    if (!pPluginList)
        CreatePluginList();
    for (DWORD i = 0; i < MAX_PLUGINS; ++i)
        pPluginList->push_back(std::make_unique<COnePlugin>());

    // 4. The default bar colours.
    FillDefaultGraphColors();

    // 5, 6. The built-in registry and its sources, into the first slots.
    RegisterInternalPlugins();

    // 7. The plug-in folder. A program directory too long for the pattern buffer has no
    //    reachable plug-in folder, as if it were missing.
    LPCSTR directory = GetApplicationDirectory();
    if (!FitsPluginPath(directory, PLUGIN_FILE_PATTERN))
        return;
    CHAR szPattern[PLUGIN_PATH_SIZE];
    wsprintfA(szPattern, PLUGIN_FOLDER_PATTERN, directory);
    WIN32_FIND_DATAA findData;
    HANDLE hFind = FindFirstFileA(szPattern, &findData);
    if (hFind == INVALID_HANDLE_VALUE)
        return;

    // 8. Each library, in the order of the scan.
    static constexpr LPCSTR entryNames[6] = {
        Literals::PMPInitializeName,      Literals::PMPFinalizeName,
        Literals::PMPBeforeOperationName, Literals::PMPAfterOperationName,
        Literals::PMPGetDataName,         Literals::PMPShowDetailSettingsName,
    };
    do {
        DWORD slot = GetPluginCount();
        if (slot >= MAX_PLUGINS)
            break;
        // A name too long for the path buffer is skipped like a file that does not load.
        if (!FitsPluginPath(directory, findData.cFileName))
            continue;
        CHAR szPath[PLUGIN_PATH_SIZE];
        wsprintfA(szPath, PLUGIN_PATH_FORMAT, directory, findData.cFileName);
        hPluginModules[slot] = LoadLibraryA(szPath);
        if (!hPluginModules[slot])
            continue;

        COnePlugin* plugin = GetPluginSlot(slot);
        FARPROC entries[6];
        for (int k = 0; k < 6; ++k)
            entries[k] = GetProcAddress(hPluginModules[slot], entryNames[k]);
        PMPPROCEDURES* procedures = plugin->GetProcedures();
        procedures->pfnInitialize = EntryPoint<PFNPMPINITIALIZE>(entries[0]);
        procedures->pfnFinalize = EntryPoint<PFNPMPFINALIZE>(entries[1]);
        procedures->pfnBeforeOperation = EntryPoint<PFNPMPBEFOREOPERATION>(entries[2]);
        procedures->pfnAfterOperation = EntryPoint<PFNPMPAFTEROPERATION>(entries[3]);
        procedures->pfnGetData = EntryPoint<PFNPMPGETDATA>(entries[4]);
        procedures->pfnShowDetailSettings = EntryPoint<PFNPMPSHOWDETAILSETTINGS>(entries[5]);
        if (!procedures->pfnInitialize || !procedures->pfnFinalize ||
            !procedures->pfnBeforeOperation || !procedures->pfnAfterOperation)
            FatalPluginError();

        // The file name fits, since the whole path did.
        lstrcpynA(plugin->Identifier, findData.cFileName, PLUGIN_IDENTIFIER_MAX + 1);
        InitializePluginSlot(plugin);

        // The remaining files are not opened once every slot is taken.
        if (GetPluginCount() >= MAX_PLUGINS)
            break;
    } while (FindNextFileA(hFind, &findData));

    // 9.
    FindClose(hFind);
}

void UnloadPlugins() {
    // Each entry and handle is cleared once released, so a second run finds nothing to do.
    for (DWORD i = 0; i < GetPluginCount(); ++i) {
        COnePlugin* plugin = GetPluginSlot(i);
        if (!plugin)
            break;
        if (PFNPMPFINALIZE finalize = plugin->Procedures.pfnFinalize) {
            plugin->Procedures.pfnFinalize = nullptr;
            finalize();
        }
        if (HMODULE module = hPluginModules[i]) {
            hPluginModules[i] = nullptr;
            FreeLibrary(module);
        }
    }
    FreeInternalPluginIdentifiers();
}
