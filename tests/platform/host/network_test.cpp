// GetIfTable against the workstation's interfaces.
#include <windows.h>
#include <iphlpapi.h>

#include "host_trees.h"
#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using host_trees::Fixture;
using platform::testing::HostRootScope;

// The table, read as a caller does: size request, then the real call.
std::vector<unsigned char> ReadTable() {
    ULONG size = 0;
    EXPECT_EQ(GetIfTable(nullptr, &size, FALSE), DWORD(ERROR_INSUFFICIENT_BUFFER));
    std::vector<unsigned char> buffer(size);
    EXPECT_EQ(GetIfTable(reinterpret_cast<PMIB_IFTABLE>(buffer.data()), &size, FALSE),
              DWORD(NO_ERROR));
    return buffer;
}

TEST(GetIfTable, RowsOfTheWorkstationInFileOrder) {
    HostRootScope root(Fixture("workstation"));
    std::vector<unsigned char> buffer = ReadTable();
    ASSERT_EQ(buffer.size(), 4u + 6 * 860);
    auto* table = reinterpret_cast<PMIB_IFTABLE>(buffer.data());
    ASSERT_EQ(table->dwNumEntries, 6u);

    struct Row {
        const char* name;
        DWORD index, type, mtu, speed, admin, oper, in, out;
    };
    const Row rows[] = {
        {"lo", 1, IF_TYPE_SOFTWARE_LOOPBACK, 65536, 0, MIB_IF_ADMIN_STATUS_UP,
         IF_OPER_STATUS_OPERATIONAL, 834520, 834520},
        // 6000000000 and 4294967297 octets: the 32-bit counters hold them modulo 2^32.
        {"enp3s0", 2, IF_TYPE_ETHERNET_CSMACD, 1500, 1000000000, MIB_IF_ADMIN_STATUS_UP,
         IF_OPER_STATUS_OPERATIONAL, 1705032704, 1},
        {"wlp2s0", 3, IF_TYPE_IEEE80211, 1500, 0, MIB_IF_ADMIN_STATUS_UP,
         IF_OPER_STATUS_OPERATIONAL, 73829123, 8123456},
        // speed -1: unknown.
        {"docker0", 4, IF_TYPE_ETHERNET_CSMACD, 1500, 0, MIB_IF_ADMIN_STATUS_UP,
         IF_OPER_STATUS_DISCONNECTED, 0, 0},
        {"tun0", 5, IF_TYPE_TUNNEL, 1500, 0, MIB_IF_ADMIN_STATUS_UP, IF_OPER_STATUS_OPERATIONAL,
         12000, 8000},
        // 10 Gbit/s does not fit 32 bits: the field saturates.
        {"enp4s0", 6, IF_TYPE_ETHERNET_CSMACD, 9000, 0xFFFFFFFF, MIB_IF_ADMIN_STATUS_DOWN,
         IF_OPER_STATUS_NON_OPERATIONAL, 1000, 2000},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& want = rows[i];
        const MIB_IFROW& row = table->table[i];
        SCOPED_TRACE(want.name);
        EXPECT_STREQ(reinterpret_cast<const char*>(row.bDescr), want.name);
        EXPECT_EQ(row.dwDescrLen, std::strlen(want.name) + 1);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(row.wszName)),
                  std::u16string(want.name, want.name + std::strlen(want.name)));
        EXPECT_EQ(row.dwIndex, want.index);
        EXPECT_EQ(row.dwType, want.type);
        EXPECT_EQ(row.dwMtu, want.mtu);
        EXPECT_EQ(row.dwSpeed, want.speed);
        EXPECT_EQ(row.dwAdminStatus, want.admin);
        EXPECT_EQ(row.dwOperStatus, want.oper);
        EXPECT_EQ(row.dwInOctets, want.in);
        EXPECT_EQ(row.dwOutOctets, want.out);
    }
    const MIB_IFROW& wired = table->table[1];
    EXPECT_EQ(wired.dwPhysAddrLen, 6u);
    const BYTE mac[6] = {0x3c, 0x7c, 0x3f, 0x1e, 0xa2, 0xb4};
    EXPECT_EQ(std::memcmp(wired.bPhysAddr, mac, 6), 0);
    EXPECT_EQ(wired.dwInUcastPkts, 5123456u - 10234u);
    EXPECT_EQ(wired.dwInNUcastPkts, 10234u);
    EXPECT_EQ(wired.dwInErrors, 2u);
    EXPECT_EQ(wired.dwInDiscards, 7u);
    EXPECT_EQ(wired.dwOutUcastPkts, 3012345u);
    EXPECT_EQ(wired.dwOutErrors, 1u);
    EXPECT_EQ(wired.dwOutDiscards, 3u);
    EXPECT_EQ(table->table[4].dwPhysAddrLen, 0u);
}

TEST(GetIfTable, SizeRequestAndTooSmallTables) {
    HostRootScope root(Fixture("workstation"));
    const ULONG needed = 4 + 6 * 860;
    struct Case {
        bool with_table;
        ULONG offered;
    };
    // Null table, an empty size, one row short, one byte short.
    const Case cases[] = {
        {false, 0}, {false, 100000}, {true, 0}, {true, 4 + 5 * 860}, {true, needed - 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offered);
        std::vector<unsigned char> buffer(needed + 64, 0xCC);
        ULONG size = c.offered;
        DWORD result = GetIfTable(
            c.with_table ? reinterpret_cast<PMIB_IFTABLE>(buffer.data()) : nullptr, &size, TRUE);
        EXPECT_EQ(result, DWORD(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(size, needed);
        // A refresh that does not fit leaves the previous rows alone.
        for (unsigned char byte : buffer)
            ASSERT_EQ(byte, 0xCC);
    }
    std::vector<unsigned char> buffer(needed + 64, 0xCC);
    ULONG size = needed + 64;
    EXPECT_EQ(GetIfTable(reinterpret_cast<PMIB_IFTABLE>(buffer.data()), &size, TRUE),
              DWORD(NO_ERROR));
    for (size_t i = needed; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0xCC) << i;
    EXPECT_EQ(GetIfTable(nullptr, nullptr, FALSE), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(GetIfTable, ParsesWhatTheKernelWritesAndSkipsWhatItDoesNot) {
    platform::testing::MachineTree tree;
    tree.Write("/proc/net/dev",
               "Inter-|   Receive                                                |  Transmit\n"
               " face |bytes    packets errs drop fifo frame compressed multicast|bytes    "
               "packets errs drop fifo colls carrier compressed\n"
               "eth0:4294967295 1 0 0 0 0 0 0 4294967296 2 0 0 0 0 0 0\n"
               "  bad: 1 2 3\n"
               "  eth1: 18446744073709551615 0 0 0 0 0 0 0 5 0 0 0 0 0 0 0\n");
    HostRootScope root(tree.root());
    std::vector<unsigned char> buffer = ReadTable();
    auto* table = reinterpret_cast<PMIB_IFTABLE>(buffer.data());
    ASSERT_EQ(table->dwNumEntries, 2u);
    EXPECT_EQ(table->table[0].dwInOctets, 0xFFFFFFFFu);
    EXPECT_EQ(table->table[0].dwOutOctets, 0u);
    EXPECT_STREQ(reinterpret_cast<const char*>(table->table[1].bDescr), "eth1");
    EXPECT_EQ(table->table[1].dwInOctets, 0xFFFFFFFFu);
    // Without sysfs nothing is known of the link.
    EXPECT_EQ(table->table[1].dwSpeed, 0u);
    EXPECT_EQ(table->table[1].dwType, DWORD(IF_TYPE_OTHER));
}

TEST(GetIfTable, CountersEveryCallLinkPropertiesEveryFewSeconds) {
    platform::testing::ManualClockScope clock;
    platform::testing::MachineTree tree;
    auto write = [&](const char* name, int rx, const char* speed) {
        tree.Write("/proc/net/dev",
                   std::string("Inter-| Receive | Transmit\n face |bytes|bytes\n") + name + ": " +
                       std::to_string(rx) + " 1 0 0 0 0 0 0 7 1 0 0 0 0 0 0\n");
        tree.Write(std::string("/sys/class/net/") + name + "/speed", speed);
    };
    struct Step {
        const char* name;
        int rx;
        const char* speed;
        uint64_t advance_ms;
        DWORD in_octets, speed_bps;
    };
    const Step steps[] = {
        {"eth0", 100, "1000\n", 0, 100, 1000000000},
        // The link renegotiates: the counters move at once, the speed a little later.
        {"eth0", 200, "100\n", 1000, 200, 1000000000},
        {"eth0", 300, "100\n", 2000, 300, 100000000},
        // An interface not seen before is read whole at once.
        {"wlan0", 5, "54\n", 0, 5, 54000000},
    };
    HostRootScope root(tree.root());
    for (const Step& step : steps) {
        SCOPED_TRACE(step.rx);
        clock->Advance(step.advance_ms);
        write(step.name, step.rx, step.speed);
        std::vector<unsigned char> buffer = ReadTable();
        auto* table = reinterpret_cast<PMIB_IFTABLE>(buffer.data());
        ASSERT_EQ(table->dwNumEntries, 1u);
        EXPECT_EQ(table->table[0].dwInOctets, step.in_octets);
        EXPECT_EQ(table->table[0].dwSpeed, step.speed_bps);
    }
}

TEST(GetIfTable, NoInterfacesGiveAnEmptyTable) {
    platform::testing::MachineTree tree;
    tree.Write("/proc/net/dev", "Inter-| Receive | Transmit\n face |bytes packets|bytes\n");
    HostRootScope root(tree.root());
    ULONG size = 0;
    EXPECT_EQ(GetIfTable(nullptr, &size, FALSE), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, 4u);
    MIB_IFTABLE table{};
    table.dwNumEntries = 77;
    EXPECT_EQ(GetIfTable(&table, &size, FALSE), DWORD(NO_ERROR));
    EXPECT_EQ(table.dwNumEntries, 0u);
}

} // namespace
