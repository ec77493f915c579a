// Physical drives and their S.M.A.R.T. requests, through simulated drives; the layout of NVMe
// answers; the whole-disk list; a real open without the rights.
#include <windows.h>
#include <winioctl.h>

#include "host/block_devices.h"
#include "host_trees.h"
#include "kernel32/devices.h"
#include "testing/desktop.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using host_trees::Fixture;
using platform::testing::HostRootScope;
using platform::testing::MakeIdentifySector;
using platform::testing::MakeSmartSector;
using platform::testing::SimulatedDrivesScope;

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

// As the HDD temperature source opens a drive.
HANDLE OpenDrive(unsigned n) {
    std::string path = "\\\\.\\PhysicalDrive" + std::to_string(n);
    return CreateFileA(path.c_str(), kReadWrite, kShareReadWrite, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

// The request as a caller lays it out in a 36-byte record.
std::array<BYTE, 36> Request(BYTE command, unsigned drive) {
    std::array<BYTE, 36> request{};
    request[0] = 0x00; // cBufferSize 512
    request[1] = 0x02;
    request[4] = READ_ATTRIBUTES;
    request[7] = SMART_CYL_LOW;
    request[8] = SMART_CYL_HI;
    request[9] = BYTE(0xA0 | ((drive & 1) << 4));
    request[10] = command;
    request[12] = BYTE(drive);
    return request;
}

struct Answer {
    BOOL ok;
    DWORD error;
    DWORD returned;
    std::vector<BYTE> out; // 529 bytes and a guard behind them
};

Answer Send(HANDLE drive, BYTE command, unsigned number, DWORD out_size = 529) {
    std::array<BYTE, 36> request = Request(command, number);
    Answer answer;
    answer.out.assign(600, 0xCC);
    answer.returned = 0xDEAD;
    SetLastError(0);
    answer.ok = DeviceIoControl(drive, SMART_RCV_DRIVE_DATA, request.data(), 36, answer.out.data(),
                                out_size, &answer.returned, nullptr);
    answer.error = GetLastError();
    return answer;
}

// The temperature as the HDD temperature row finds it: attribute 194's raw low byte.
int Temperature(const std::vector<BYTE>& out) {
    for (int i = 0; i < 30; ++i) {
        const BYTE* entry = out.data() + 18 + 12 * i;
        if (entry[0] == 0xC2)
            return entry[5];
    }
    return -1;
}

std::string Model(const std::vector<BYTE>& out) {
    std::array<BYTE, 40> model;
    std::memcpy(model.data(), out.data() + 16 + 54, 40);
    for (size_t i = 0; i < 40; i += 2)
        std::swap(model[i], model[i + 1]);
    return std::string(model.begin(), model.end());
}

TEST(SmartDrives, AttributesAndIdentifyOfSimulatedDrives) {
    SimulatedDrivesScope drives;
    drives.Add(0, MakeIdentifySector("Samsung SSD 870 EVO 1TB", "S6PTNF0R123456", "SVT02B6Q"),
               MakeSmartSector({{9, 12345}, {0, 0}, {194, 0x00'3C'00'14'00'2Aull}}));
    drives.Add(1, MakeIdentifySector("WDC WD40EFRX-68N32N0"), MakeSmartSector({{194, 0xC8}}));

    HANDLE drive = OpenDrive(0);
    ASSERT_NE(drive, INVALID_HANDLE_VALUE);
    Answer smart = Send(drive, SMART_CMD, 0);
    ASSERT_TRUE(smart.ok);
    EXPECT_EQ(smart.returned, 528u);
    // cBufferSize 512, a clean driver status, then the sector; the spare byte stays as it was.
    EXPECT_EQ(smart.out[0], 0x00);
    EXPECT_EQ(smart.out[1], 0x02);
    for (int i = 4; i < 16; ++i)
        EXPECT_EQ(smart.out[i], 0) << i;
    EXPECT_EQ(Temperature(smart.out), 42);
    for (size_t i = 528; i < smart.out.size(); ++i)
        ASSERT_EQ(smart.out[i], 0xCC) << i;

    Answer identify = Send(drive, ID_CMD, 0);
    ASSERT_TRUE(identify.ok);
    EXPECT_EQ(Model(identify.out), "Samsung SSD 870 EVO 1TB                 ");
    EXPECT_TRUE(CloseHandle(drive));

    drive = OpenDrive(1);
    Answer hot = Send(drive, SMART_CMD, 1);
    ASSERT_TRUE(hot.ok);
    EXPECT_EQ(Temperature(hot.out), 200);
    EXPECT_EQ(Model(Send(drive, ID_CMD, 1).out), "WDC WD40EFRX-68N32N0                    ");
    CloseHandle(drive);

    // The requests reach the drive as sent: drive-head register 0xB0 for the odd drive.
    std::vector<platform::SimulatedDriveRequest> requests = drives.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].registers.bDriveHeadReg, 0xA0);
    EXPECT_EQ(requests[0].registers.bCommandReg, SMART_CMD);
    EXPECT_EQ(requests[2].registers.bDriveHeadReg, 0xB0);
    EXPECT_EQ(requests[2].drive_number, 1);
    EXPECT_EQ(requests[2].buffer_size, 512u);
    std::vector<platform::SimulatedDriveOpen> opens = drives.opens();
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[1].access, kReadWrite);
    EXPECT_EQ(opens[1].share, kShareReadWrite);
}

TEST(SmartDrives, CountingStopsAtTheFirstDriveThatDoesNotOpen) {
    SimulatedDrivesScope drives;
    drives.Add(0, MakeIdentifySector("A"), MakeSmartSector({{194, 30}}));
    drives.AddUnopenable(1, ERROR_ACCESS_DENIED);
    drives.Add(2, MakeIdentifySector("C"), MakeSmartSector({{194, 31}}));
    unsigned count = 0;
    for (HANDLE h; (h = OpenDrive(count)) != INVALID_HANDLE_VALUE; ++count)
        CloseHandle(h);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(OpenDrive(1), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenDrive(3), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(SmartDrives, RequestsThatFailTellWhyAndWriteNothingBeyondTheirRoom) {
    SimulatedDrivesScope drives;
    drives.Add(0, MakeIdentifySector("A"), MakeSmartSector({{194, 30}}));
    drives.AddFailing(1, ERROR_NOT_SUPPORTED);
    HANDLE good = OpenDrive(0);
    HANDLE failing = OpenDrive(1);
    ASSERT_NE(failing, INVALID_HANDLE_VALUE);

    Answer failed = Send(failing, SMART_CMD, 1);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.error, DWORD(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(failed.out[4], SMART_IDE_ERROR);
    EXPECT_EQ(Temperature(failed.out), -1);

    // An output without room for the whole sector: refused, untouched.
    Answer small = Send(good, SMART_CMD, 0, 527);
    EXPECT_FALSE(small.ok);
    EXPECT_EQ(small.error, DWORD(ERROR_INSUFFICIENT_BUFFER));
    for (BYTE b : small.out)
        ASSERT_EQ(b, 0xCC);
    EXPECT_TRUE(Send(good, SMART_CMD, 0, 528).ok);

    // An input shorter than the record's head.
    std::array<BYTE, 36> request = Request(SMART_CMD, 0);
    BYTE out[529];
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(good, SMART_RCV_DRIVE_DATA, request.data(), 31, out, 529,
                                 &returned, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    // Another command, another control code, a handle that is no drive, a closed handle.
    EXPECT_FALSE(Send(good, 0x20, 0).ok); // READ SECTORS
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(DeviceIoControl(good, SMART_GET_VERSION, nullptr, 0, out, 24, &returned, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_FUNCTION));
    EXPECT_TRUE(CloseHandle(good));
    EXPECT_FALSE(Send(good, SMART_CMD, 0).ok);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    CloseHandle(failing);
}

TEST(SmartDrives, DeviceNames) {
    SimulatedDrivesScope drives;
    drives.Add(0, MakeIdentifySector("A"), MakeSmartSector({}));
    drives.Add(12, MakeIdentifySector("B"), MakeSmartSector({}));
    for (const char* name : {"PhysicalDrive0", "physicaldrive0", "PHYSICALDRIVE12"}) {
        HANDLE h = platform::OpenDevice(name, kReadWrite, kShareReadWrite);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << name;
        CloseHandle(h);
    }
    for (const char* name : {"PhysicalDrive", "PhysicalDrive-1", "PhysicalDriveX", "PhysicalDrive1",
                             "CdRom0", "", "PhysicalDrive0\\", "PhysicalDrive99999999999"}) {
        EXPECT_EQ(platform::OpenDevice(name, kReadWrite, kShareReadWrite), INVALID_HANDLE_VALUE)
            << name;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND)) << name;
    }
}

TEST(WholeDisks, KernelOrderWithoutPartitionsOrVirtualDevices) {
    HostRootScope root(Fixture("workstation"));
    std::vector<std::string> expected = {"nvme0n1", "nvme1n1", "sda", "sdb"};
    EXPECT_EQ(platform::host::ListWholeDisks(), expected);

    platform::testing::MachineTree tree;
    for (const char* name : {"sdaa", "sdb", "sdz", "sda", "nvme10n1", "nvme2n1", "vda", "hdb",
                             "sda1", "nvme2n1p3", "loop7", "ram0", "sr0", "mmcblk0"})
        tree.Write(std::string("/sys/block/") + name + "/removable", "0\n");
    HostRootScope other(tree.root());
    expected = {"hdb", "nvme2n1", "nvme10n1", "sda", "sdb", "sdz", "sdaa", "vda"};
    EXPECT_EQ(platform::host::ListWholeDisks(), expected);
    // The device nodes live under the same root: here there are none.
    EXPECT_EQ(OpenDrive(0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OpenDrive(8), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(NvmeAnswers, LaidOutAsAnAtaDriveGivesThem) {
    std::array<uint8_t, 4096> controller{};
    auto put = [&](size_t at, std::string_view text, size_t width) {
        for (size_t i = 0; i < width; ++i)
            controller[at + i] = uint8_t(i < text.size() ? text[i] : ' ');
    };
    put(4, "S4EWNX0R123456", 20);
    put(24, "Samsung SSD 970 EVO Plus 1TB", 40);
    put(64, "2B2QEXM7", 8);
    platform::host::Sector identify = platform::host::AtaIdentifyFromNvme(controller);
    std::vector<BYTE> out(16, 0);
    out.insert(out.end(), identify.begin(), identify.end());
    EXPECT_EQ(Model(out), "Samsung SSD 970 EVO Plus 1TB            ");
    // Words 10 to 19 hold the serial the same way: "S4" -> '4', 'S'.
    EXPECT_EQ(identify[20], '4');
    EXPECT_EQ(identify[21], 'S');
    uint8_t sum = 0;
    for (uint8_t b : identify)
        sum = uint8_t(sum + b);
    EXPECT_EQ(sum, 0);

    platform::host::Sector log{};
    log[1] = 0x36; // 310 K: 37 °C
    log[2] = 0x01;
    platform::host::Sector smart = platform::host::AtaSmartFromNvme(log);
    out.assign(16, 0);
    out.insert(out.end(), smart.begin(), smart.end());
    EXPECT_EQ(Temperature(out), 37);
    // A drive without a sensor reports 0 K: no temperature attribute at all.
    log[1] = log[2] = 0;
    smart = platform::host::AtaSmartFromNvme(log);
    out.assign(16, 0);
    out.insert(out.end(), smart.begin(), smart.end());
    EXPECT_EQ(Temperature(out), -1);
}

TEST(DriveCommands, CommandBlocksAsTheStandardsLayThemOut) {
    // SAT: opcode 85h, protocol 4 (PIO data-in) in bits 1..4, then T_DIR = 1, BYT_BLOK = 1,
    // T_LENGTH = 2; features at 4, sector count at 6, LBA mid at 10, LBA high at 12, command 14.
    const std::array<uint8_t, 16> smart = {0x85, 0x08, 0x0E, 0, 0xD0, 0, 1,    0,
                                           0,    0,    0x4F, 0, 0xC2, 0, 0xB0, 0};
    EXPECT_EQ(platform::host::AtaPassThroughPioIn(0xB0, 0xD0, 0x4F, 0xC2), smart);
    const std::array<uint8_t, 16> identify = {0x85, 0x08, 0x0E, 0, 0, 0, 1,    0,
                                              0,    0,    0,    0, 0, 0, 0xEC, 0};
    EXPECT_EQ(platform::host::AtaPassThroughPioIn(0xEC, 0, 0, 0), identify);
    // NVMe: 512 bytes are 128 dwords, NUMDL 127; log 2 is SMART / health information.
    EXPECT_EQ(platform::host::NvmeGetLogPageDword10(2, 512), 0x007F0002u);
}

// Without the rights to open a disk for writing, the open fails as access denied and leaves
// nothing behind. Run in a child that gives the rights up, when the test runs as root.
TEST(RealDrives, OpenWithoutRightsIsAccessDenied) {
    if (platform::host::ListWholeDisks().empty())
        GTEST_SKIP() << "no whole disk on this machine";
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        HANDLE h = OpenDrive(0);
        if (h != INVALID_HANDLE_VALUE)
            ::_exit(4); // this user may write the disk: nothing to check
        ::_exit(GetLastError() == ERROR_ACCESS_DENIED ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 4)
        GTEST_SKIP() << "this user may open the disk for writing";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
