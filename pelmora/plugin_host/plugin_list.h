// The data sources in use: one COnePlugin slot each, built-in sources first, then the plug-in
// libraries of the folder "Plug-ins (x64)" beside the program, 32 in all.
#pragma once

#include "plugin_sdk/pmp.h"

#include <memory>
#include <vector>

constexpr DWORD MAX_PLUGINS = 32;
constexpr DWORD MAX_PLUGIN_ITEMS = PMP_MAX_DATA_ITEMS;
// Characters of an identifier, without the terminator.
constexpr int PLUGIN_IDENTIFIER_MAX = 256;
// A row format and its compiled form: 511 characters and the terminator.
constexpr int PLUGIN_FORMAT_SIZE = 512;
constexpr int PLUGIN_FORMAT_ORDER_MAX = 16;
// The path buffers of the loader: 263 characters and the terminator.
constexpr int PLUGIN_PATH_SIZE = 264;

// One data source in use. A new one is all zero. Item indexes (0 to 3) are the caller's to
// respect.
class COnePlugin {
public:
    PMPPROCEDURES* GetProcedures() { return &Procedures; }
    PMPINFO* GetInfo() { return &Info; }
    LPSTR GetFormat(int i) { return Format[i]; }
    LPCSTR GetPassedFormat(int i) const { return PassedFormat[i]; }
    LPSTR GetPassedFormatBuffer(int i) { return PassedFormat[i]; }

    // The library's file name ("Orlith_x64.pmp"), "Internal:" and the name of a built-in
    // source, or "*" in the placeholder after a failed binding.
    CHAR Identifier[PLUGIN_IDENTIFIER_MAX + 1] = {};
    bool IsInternal = false;
    // Per data item: bound to a display row in the binding pass under way.
    bool IsAlreadyUsed[MAX_PLUGIN_ITEMS] = {};
    PMPPROCEDURES Procedures = {};
    // Filled by PMPInitialize; its address is handed to the source and stays fixed.
    PMPINFO Info = {};

    // Per data item display settings, read by the graph display.
    LONG lDrawnGraphs[MAX_PLUGIN_ITEMS] = {};
    LONG lGraph1Type[MAX_PLUGIN_ITEMS] = {};
    COLORREF rgbGraph1Color1[MAX_PLUGIN_ITEMS] = {};
    COLORREF rgbGraph1Color2[MAX_PLUGIN_ITEMS] = {};
    LONG lGraph2Type[MAX_PLUGIN_ITEMS] = {};
    COLORREF rgbGraph2Color1[MAX_PLUGIN_ITEMS] = {};
    COLORREF rgbGraph2Color2[MAX_PLUGIN_ITEMS] = {};
    LONG lPosition1[MAX_PLUGIN_ITEMS] = {};
    LONG lPosition2[MAX_PLUGIN_ITEMS] = {};
    LONG lTextHorizontalPosition[MAX_PLUGIN_ITEMS] = {};
    COLORREF rgbTextColor[MAX_PLUGIN_ITEMS] = {};
    CHAR Format[MAX_PLUGIN_ITEMS][PLUGIN_FORMAT_SIZE] = {};
    CHAR PassedFormat[MAX_PLUGIN_ITEMS][PLUGIN_FORMAT_SIZE] = {};
    LONG lFormatParamOrder[MAX_PLUGIN_ITEMS][PLUGIN_FORMAT_ORDER_MAX] = {};
    DWORD dwRealFormatParams[MAX_PLUGIN_ITEMS] = {};
};

typedef std::vector<std::unique_ptr<COnePlugin>> CPluginList;

class CInternalPlugins;

// The list of MAX_PLUGINS slots once LoadPlugins has run; slots 0 to GetPluginCount() - 1 are
// in use. Created empty by CreatePluginList at the program's start.
extern CPluginList* pPluginList;
// Returned by the row binding when no source matches; outside the list.
extern COnePlugin* pPlaceholderPlugin;
// The built-in registry.
extern CInternalPlugins* pInternalPlugins;
// Indexed like the list; null for built-in sources.
extern HMODULE hPluginModules[MAX_PLUGINS];

// Makes pPluginList a new empty list (the one before it, if any, is released).
void CreatePluginList();
// Slot i of the list, or null when the list has no such slot.
COnePlugin* GetPluginSlot(DWORD i);

DWORD GetPluginCount();
void SetPluginCount(DWORD count);
DWORD GetDataItemCount();
void SetDataItemCount(DWORD count);

// Builds the list: the built-in sources, then every library of the plug-in folder in the order
// the folder scan returns them, up to MAX_PLUGINS sources. A library that cannot be loaded is
// skipped; a loaded one that is faulty ends the program.
void LoadPlugins();
// Finalises and frees every source in use, in list order. Running it again releases nothing
// twice.
void UnloadPlugins();
// Ends the program with the plug-in error message.
[[noreturn]] void FatalPluginError();

// For a slot whose entries and identifier are set: PMPInitialize with the slot's Info, the
// check of the record, dwDataItems 0 or above 4 taken as 1, then the slot is counted. A fault
// ends the program before the slot is counted.
void InitializePluginSlot(COnePlugin* plugin);
// The record check made after PMPInitialize returned 1.
BOOL IsPluginInfoValid(const PMPINFO* info);

// The built-in sources: creates the registry and fills slots 0 to 10 with them, each through
// InitializePluginSlot. Defined with the registry.
void RegisterInternalPlugins();
// Lets the registry free its identifier texts, when it exists. Defined with the registry.
void FreeInternalPluginIdentifiers();
