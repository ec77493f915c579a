// The built-in sources' step of the loader, until the registry of built-in sources exists:
// no registry, no built-in slots, nothing to free.
#include "plugin_host/plugin_list.h"

CInternalPlugins* pInternalPlugins = nullptr;

void RegisterInternalPlugins() {}

void FreeInternalPluginIdentifiers() {}
