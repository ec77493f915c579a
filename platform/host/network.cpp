#include "host/network.h"

#include "host/clock.h"
#include "host/root.h"

#include <charconv>
#include <map>
#include <mutex>

namespace platform::host {

namespace {

// ARPHRD_* values of /sys/class/net/<name>/type.
constexpr long long kArpEther = 1;
constexpr long long kArpPpp = 512;
constexpr long long kArpTunnel = 768;
constexpr long long kArpTunnel6 = 769;
constexpr long long kArpLoopback = 772;
constexpr long long kArpSit = 776;
constexpr long long kArpIpGre = 778;
constexpr long long kArpNone = 65534;

constexpr unsigned kIffUp = 0x1;

std::vector<uint8_t> ParseHardwareAddress(std::string_view text) {
    // "52:54:00:12:34:56"
    std::vector<uint8_t> bytes;
    while (!text.empty()) {
        size_t colon = text.find(':');
        std::string_view part = text.substr(0, colon);
        unsigned value = 0;
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value, 16);
        if (error != std::errc() || end != part.data() + part.size() || value > 0xFF)
            return {};
        bytes.push_back(uint8_t(value));
        if (colon == std::string_view::npos)
            break;
        text.remove_prefix(colon + 1);
    }
    return bytes;
}

void ReadProperties(NetworkInterface& nic) {
    std::string base = "/sys/class/net/" + nic.name + "/";
    nic.index = uint32_t(ReadHostNumber(base + "ifindex").value_or(0));
    nic.mtu = uint32_t(ReadHostNumber(base + "mtu").value_or(0));
    nic.tx_queue_length = uint32_t(ReadHostNumber(base + "tx_queue_len").value_or(0));
    if (std::optional<long long> speed = ReadHostNumber(base + "speed"); speed && *speed > 0)
        nic.speed_mbps = uint64_t(*speed);

    long long type = ReadHostNumber(base + "type").value_or(0);
    if (type == kArpLoopback)
        nic.kind = LinkKind::Loopback;
    else if (type == kArpPpp)
        nic.kind = LinkKind::Ppp;
    else if (type == kArpTunnel || type == kArpTunnel6 || type == kArpSit || type == kArpIpGre ||
             type == kArpNone)
        nic.kind = LinkKind::Tunnel;
    else if (type == kArpEther)
        nic.kind = HostDirectoryExists("/sys/class/net", nic.name + "/wireless") ||
                           HostDirectoryExists("/sys/class/net", nic.name + "/phy80211")
                       ? LinkKind::Wireless
                       : LinkKind::Ethernet;

    if (std::optional<std::string> flags = ReadHostLine(base + "flags")) {
        std::string_view text = *flags;
        if (text.starts_with("0x"))
            text.remove_prefix(2);
        unsigned value = 0;
        if (std::from_chars(text.data(), text.data() + text.size(), value, 16).ec == std::errc()) {
            nic.admin_up = (value & kIffUp) != 0;
        }
    }
    std::string state = ReadHostLine(base + "operstate").value_or("unknown");
    if (state == "up")
        nic.state = LinkState::Up;
    else if (state == "dormant")
        nic.state = LinkState::Dormant;
    else if (state == "down" || state == "lowerlayerdown" || state == "notpresent")
        nic.state = LinkState::Down;
    else
        nic.state = LinkState::Unknown;

    if (std::optional<std::string> address = ReadHostLine(base + "address"))
        nic.address = ParseHardwareAddress(*address);
}

// The properties of /sys/class/net (some ten files an interface) change rarely, the counters
// every second: the properties of an interface are read again at most every few seconds, and at
// once for an interface not seen before. The cache belongs to one machine tree.
constexpr uint64_t kPropertiesMs = 3000;

struct CachedProperties {
    NetworkInterface properties; // the counters unused
    uint64_t read_at = 0;
    bool seen = false; // in the latest listing
};

std::mutex properties_mutex;
std::string properties_root;
std::map<std::string, CachedProperties> properties_cache;

void ReadCachedProperties(NetworkInterface& nic, uint64_t now) {
    CachedProperties& cached = properties_cache[nic.name];
    if (!cached.properties.name.empty() && now - cached.read_at < kPropertiesMs) {
        cached.seen = true;
    } else {
        cached.properties = NetworkInterface{};
        cached.properties.name = nic.name;
        ReadProperties(cached.properties);
        cached.read_at = now;
        cached.seen = true;
    }
    const NetworkInterface& p = cached.properties;
    nic.index = p.index;
    nic.mtu = p.mtu;
    nic.speed_mbps = p.speed_mbps;
    nic.kind = p.kind;
    nic.state = p.state;
    nic.admin_up = p.admin_up;
    nic.address = p.address;
    nic.tx_queue_length = p.tx_queue_length;
}

} // namespace

std::vector<NetworkInterface> ListNetworkInterfaces() {
    std::vector<NetworkInterface> interfaces;
    thread_local std::string dev;
    if (!ReadHostFileInto("/proc/net/dev", dev))
        return interfaces;
    uint64_t now = CurrentClock().Now();
    std::lock_guard lock(properties_mutex);
    if (std::string root = Root(); root != properties_root) {
        properties_root = std::move(root);
        properties_cache.clear();
    }
    for (auto& [name, cached] : properties_cache)
        cached.seen = false;
    for (std::string_view line : SplitLines(dev)) {
        // "  eth0: 19577518 470 ..." - with large counters there is no blank after the colon,
        // so the name ends at the colon, not at a blank. The two heading lines have none.
        size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::vector<std::string_view> name_fields = SplitFields(line.substr(0, colon));
        std::vector<std::string_view> fields = SplitFields(line.substr(colon + 1));
        if (name_fields.size() != 1 || fields.size() < 16)
            continue;
        uint64_t values[16] = {};
        bool valid = true;
        for (size_t i = 0; i < 16 && valid; ++i) {
            auto value = ParseUnsigned(fields[i]);
            valid = value.has_value();
            values[i] = value.value_or(0);
        }
        if (!valid)
            continue;
        NetworkInterface nic;
        nic.name = name_fields[0];
        nic.rx_bytes = values[0];
        nic.rx_packets = values[1];
        nic.rx_errors = values[2];
        nic.rx_drops = values[3];
        nic.rx_multicast = values[7];
        nic.tx_bytes = values[8];
        nic.tx_packets = values[9];
        nic.tx_errors = values[10];
        nic.tx_drops = values[11];
        ReadCachedProperties(nic, now);
        interfaces.push_back(std::move(nic));
    }
    // An interface that went away is read afresh should it come back.
    std::erase_if(properties_cache, [](const auto& entry) { return !entry.second.seen; });
    return interfaces;
}

} // namespace platform::host
