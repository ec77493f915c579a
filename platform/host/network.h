// Network interfaces: counters from /proc/net/dev, properties from /sys/class/net/<name>/.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::host {

enum class LinkKind { Other, Ethernet, Loopback, Wireless, Ppp, Tunnel };
enum class LinkState { Up, Down, Dormant, Unknown };

struct NetworkInterface {
    std::string name;
    // 64-bit counters as the kernel keeps them.
    uint64_t rx_bytes = 0, rx_packets = 0, rx_errors = 0, rx_drops = 0, rx_multicast = 0;
    uint64_t tx_bytes = 0, tx_packets = 0, tx_errors = 0, tx_drops = 0;
    uint32_t index = 0;
    uint32_t mtu = 0;
    // Mbit/s; nothing when the file is missing, unreadable or holds -1 (link down, virtual).
    std::optional<uint64_t> speed_mbps;
    LinkKind kind = LinkKind::Other;
    LinkState state = LinkState::Unknown;
    bool admin_up = false; // IFF_UP (sysfs flags never carry IFF_RUNNING)
    std::vector<uint8_t> address;
    uint32_t tx_queue_length = 0;
};

// The interfaces in the order of /proc/net/dev.
std::vector<NetworkInterface> ListNetworkInterfaces();

} // namespace platform::host
