// The built-in sources' steps of the loader: the registry, then one slot per built-in source.
#include "plugin_host/plugin_list.h"

#include "sources/internal_plugins.h"

CInternalPlugins* pInternalPlugins = nullptr;

void RegisterInternalPlugins() {
    // 5. The registry lives until the process ends; a second load makes a new one.
    delete pInternalPlugins;
    pInternalPlugins = new CInternalPlugins();

    // 6. Source i into slot i.
    for (LONG i = 0; i < pInternalPlugins->GetCount(); ++i) {
        COnePlugin* plugin = GetPluginSlot(DWORD(i));
        if (!plugin)
            break;
        *plugin->GetProcedures() = pInternalPlugins->pmpAddresses[i];
        plugin->IsInternal = true;
        lstrcpynA(plugin->Identifier, pInternalPlugins->Identifier[i], PLUGIN_IDENTIFIER_MAX + 1);
        InitializePluginSlot(plugin);
    }
}

void FreeInternalPluginIdentifiers() {
    if (pInternalPlugins)
        pInternalPlugins->FreeIdentifiers();
}
