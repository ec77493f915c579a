// "Internal:PhysicalMemory": use of the physical memory.
#include "sources/sources.h"

#include "settings/literals.h"

CPhysicalMemoryPlugin::CPhysicalMemoryPlugin()
    : CMemoryPluginBase(INTERNAL_PHYSICAL_MEMORY, Literals::PhysicalMemory) {}

void CPhysicalMemoryPlugin::ReadAmounts(const MEMORYSTATUSEX& status, DWORDLONG* total,
                                        DWORDLONG* available) {
    *total = status.ullTotalPhys;
    *available = status.ullAvailPhys;
}

PELMORA_DEFINE_DETAIL_DIALOG(PhysicalMemory, CPhysicalMemoryPlugin, INTERNAL_PHYSICAL_MEMORY,
                             DetailDialogInit(hDlg, lParam))

DWORD CPhysicalMemoryPlugin::ShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) {
    return ShowSourceDialog(Literals::OptionPhysicalMemoryTemplate, hOwner,
                            PhysicalMemoryDetailDialogProc, dwPluralNumber);
}
