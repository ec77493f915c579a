// GetIfTable from /proc/net/dev and /sys/class/net.
#include <windows.h>
#include <iphlpapi.h>

#include "host/network.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// The counters of the row are 32 bits wide: the kernel's 64-bit ones are cut and wrap.
DWORD Low32(uint64_t value) {
    return DWORD(value);
}

DWORD TypeOf(platform::host::LinkKind kind) {
    switch (kind) {
    case platform::host::LinkKind::Ethernet:
        return IF_TYPE_ETHERNET_CSMACD;
    case platform::host::LinkKind::Loopback:
        return IF_TYPE_SOFTWARE_LOOPBACK;
    case platform::host::LinkKind::Wireless:
        return IF_TYPE_IEEE80211;
    case platform::host::LinkKind::Ppp:
        return IF_TYPE_PPP;
    case platform::host::LinkKind::Tunnel:
        return IF_TYPE_TUNNEL;
    case platform::host::LinkKind::Other:
        break;
    }
    return IF_TYPE_OTHER;
}

DWORD OperStatusOf(const platform::host::NetworkInterface& nic) {
    using platform::host::LinkState;
    if (!nic.admin_up)
        return IF_OPER_STATUS_NON_OPERATIONAL;
    switch (nic.state) {
    case LinkState::Up:
        return IF_OPER_STATUS_OPERATIONAL;
    case LinkState::Dormant:
        return IF_OPER_STATUS_CONNECTING;
    case LinkState::Down:
        return IF_OPER_STATUS_DISCONNECTED;
    case LinkState::Unknown:
        // The loopback and many virtual links never say "up": switched on, they work.
        return IF_OPER_STATUS_OPERATIONAL;
    }
    return IF_OPER_STATUS_NON_OPERATIONAL;
}

void FillRow(const platform::host::NetworkInterface& nic, MIB_IFROW& row) {
    std::memset(&row, 0, sizeof row);
    // The interface name serves as both name and description (ANSI; names are ASCII).
    for (size_t i = 0; i < nic.name.size() && i + 1 < MAX_INTERFACE_NAME_LEN; ++i)
        row.wszName[i] = WCHAR(static_cast<unsigned char>(nic.name[i]));
    size_t descr = std::min(nic.name.size(), size_t(MAXLEN_IFDESCR - 1));
    std::memcpy(row.bDescr, nic.name.data(), descr);
    // The length counts the terminating NUL, as the system's rows do.
    row.dwDescrLen = DWORD(descr + 1);
    row.dwIndex = nic.index;
    row.dwType = TypeOf(nic.kind);
    row.dwMtu = nic.mtu;
    if (nic.speed_mbps) {
        // Mbit/s -> bit/s; a link faster than 4.29 Gbit/s saturates the 32-bit field.
        uint64_t bits = *nic.speed_mbps * 1'000'000ull;
        row.dwSpeed = DWORD(std::min<uint64_t>(bits, std::numeric_limits<DWORD>::max()));
    }
    size_t address = std::min(nic.address.size(), size_t(MAXLEN_PHYSADDR));
    row.dwPhysAddrLen = DWORD(address);
    if (address > 0)
        std::memcpy(row.bPhysAddr, nic.address.data(), address);
    row.dwAdminStatus = nic.admin_up ? MIB_IF_ADMIN_STATUS_UP : MIB_IF_ADMIN_STATUS_DOWN;
    row.dwOperStatus = OperStatusOf(nic);
    row.dwInOctets = Low32(nic.rx_bytes);
    row.dwInNUcastPkts = Low32(nic.rx_multicast);
    row.dwInUcastPkts = Low32(nic.rx_packets - std::min(nic.rx_packets, nic.rx_multicast));
    row.dwInDiscards = Low32(nic.rx_drops);
    row.dwInErrors = Low32(nic.rx_errors);
    row.dwOutOctets = Low32(nic.tx_bytes);
    row.dwOutUcastPkts = Low32(nic.tx_packets);
    row.dwOutDiscards = Low32(nic.tx_drops);
    row.dwOutErrors = Low32(nic.tx_errors);
}

} // namespace

PELMORA_BEGIN_EXTERN_C

// The rows come in the kernel's order; the sort flag is ignored. A table too small for every
// row is left untouched.
DWORD WINAPI GetIfTable(PMIB_IFTABLE pIfTable, PULONG pdwSize, BOOL bOrder) {
    (void)bOrder;
    if (!pdwSize)
        return ERROR_INVALID_PARAMETER;
    std::vector<platform::host::NetworkInterface> interfaces =
        platform::host::ListNetworkInterfaces();
    uint64_t needed = offsetof(MIB_IFTABLE, table) + interfaces.size() * sizeof(MIB_IFROW);
    if (needed > std::numeric_limits<ULONG>::max())
        return ERROR_NOT_ENOUGH_MEMORY;
    if (!pIfTable || *pdwSize < needed) {
        *pdwSize = ULONG(needed);
        return ERROR_INSUFFICIENT_BUFFER;
    }
    pIfTable->dwNumEntries = DWORD(interfaces.size());
    for (size_t i = 0; i < interfaces.size(); ++i)
        FillRow(interfaces[i], pIfTable->table[i]);
    *pdwSize = ULONG(needed);
    return NO_ERROR;
}

PELMORA_END_EXTERN_C
