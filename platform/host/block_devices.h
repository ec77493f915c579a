// Whole disks and the commands that read their identity and health: ATA and SATA drives through
// the SCSI layer's ATA pass-through (SG_IO), NVMe drives through admin commands, whose answers
// are laid out as an ATA drive gives them (IDENTIFY DEVICE sector, SMART attribute table).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::host {

using Sector = std::array<uint8_t, 512>;

// The whole disks of /sys/block (sd*, hd*, vd*, nvme*n*; no partitions, loop, RAM or zram
// devices), in the order the kernel names them: sda .. sdz, sdaa; nvme0n1, nvme1n1, nvme10n1.
std::vector<std::string> ListWholeDisks();

class PhysicalDrive {
public:
    virtual ~PhysicalDrive() = default;
    // The 512-byte IDENTIFY DEVICE answer into out; 0, or an errno value on failure.
    virtual int Identify(Sector& out) = 0;
    // The 512-byte SMART READ DATA answer (attribute table from byte 2, 12 bytes an entry).
    virtual int SmartData(Sector& out) = 0;
};

// Opens /dev/<name> under the root, read-write or read-only; null with an errno value in error
// on failure.
std::unique_ptr<PhysicalDrive> OpenWholeDisk(const std::string& name, bool write, int& error);

// Writes a text into IDENTIFY words the way ATA keeps them: two characters a word, the first in
// the high byte, padded with blanks ("AB" -> bytes 'B', 'A').
void PutAtaString(Sector& sector, size_t first_word, size_t words, std::string_view text);
// Byte 511 of a SMART data sector or an IDENTIFY sector: the bytes then sum to 0 modulo 256.
void SetSectorChecksum(Sector& sector);

// The ATA PASS-THROUGH (16) command block that asks for one sector by PIO data-in.
std::array<uint8_t, 16> AtaPassThroughPioIn(uint8_t command, uint8_t features, uint8_t lba_mid,
                                            uint8_t lba_high);
// Command dword 10 of an NVMe Get Log Page for a whole log of this many bytes.
uint32_t NvmeGetLogPageDword10(uint8_t log_id, uint32_t bytes);

// The sectors an NVMe drive's answers turn into (exposed for tests): the identify-controller
// data (4096 bytes) and the SMART / health information log (512 bytes).
Sector AtaIdentifyFromNvme(const std::array<uint8_t, 4096>& controller);
Sector AtaSmartFromNvme(const Sector& health_log);

} // namespace platform::host
