// "Internal:VirtualMemory": use of the commit limit (page file).
#include "sources/sources.h"

#include "settings/literals.h"

CVirtualMemoryPlugin::CVirtualMemoryPlugin()
    : CMemoryPluginBase(INTERNAL_VIRTUAL_MEMORY, Literals::VirtualMemory) {}

void CVirtualMemoryPlugin::ReadAmounts(const MEMORYSTATUSEX& status, DWORDLONG* total,
                                       DWORDLONG* available) {
    *total = status.ullTotalPageFile;
    *available = status.ullAvailPageFile;
}

PELMORA_DEFINE_DETAIL_DIALOG(VirtualMemory, CVirtualMemoryPlugin, INTERNAL_VIRTUAL_MEMORY,
                             DetailDialogInit(hDlg, lParam))

DWORD CVirtualMemoryPlugin::ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) {
    return ShowSourceDialog(Literals::OptionVirtualMemoryTemplate, hOwner,
                            VirtualMemoryDetailDialogProc, dwPluralNumber);
}
