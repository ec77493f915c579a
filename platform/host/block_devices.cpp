#include "host/block_devices.h"

#include "host/root.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/nvme_ioctl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform::host {

namespace {

constexpr std::string_view kDiskPrefixes[] = {"hd", "nvme", "sd", "vd"};

bool AllLetters(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}
bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "nvme0n1" is a namespace (a whole disk); "nvme0n1p1" a partition of it, "nvme0c0n1" a path.
bool IsNvmeNamespace(std::string_view name) {
    if (!name.starts_with("nvme"))
        return false;
    std::string_view rest = name.substr(4);
    size_t n = rest.find('n');
    return n != std::string_view::npos && AllDigits(rest.substr(0, n)) &&
           AllDigits(rest.substr(n + 1));
}

bool IsWholeDisk(std::string_view name) {
    if (IsNvmeNamespace(name))
        return true;
    for (std::string_view prefix : {"sd", "hd", "vd"}) {
        if (name.starts_with(prefix) && AllLetters(name.substr(prefix.size())))
            return true;
    }
    return false;
}

// Splits into runs of letters and of digits: letters compare shorter first ("sdz" < "sdaa"),
// digits by value ("nvme2" < "nvme10").
bool KernelOrder(const std::string& a, const std::string& b) {
    auto prefix_of = [](const std::string& name) {
        for (size_t i = 0; i < std::size(kDiskPrefixes); ++i) {
            if (name.starts_with(kDiskPrefixes[i]))
                return i;
        }
        return std::size(kDiskPrefixes);
    };
    size_t pa = prefix_of(a), pb = prefix_of(b);
    if (pa != pb)
        return pa < pb;
    size_t skip = pa < std::size(kDiskPrefixes) ? kDiskPrefixes[pa].size() : 0;
    std::string_view x = std::string_view(a).substr(skip), y = std::string_view(b).substr(skip);
    while (!x.empty() && !y.empty()) {
        auto run = [](std::string_view s) {
            bool digit = std::isdigit(static_cast<unsigned char>(s[0]));
            size_t n = 1;
            while (n < s.size() && bool(std::isdigit(static_cast<unsigned char>(s[n]))) == digit)
                ++n;
            return s.substr(0, n);
        };
        std::string_view rx = run(x), ry = run(y);
        bool dx = std::isdigit(static_cast<unsigned char>(rx[0]));
        bool dy = std::isdigit(static_cast<unsigned char>(ry[0]));
        if (dx != dy)
            return dx;
        if (dx) {
            std::string_view tx = rx.substr(std::min(rx.find_first_not_of('0'), rx.size() - 1));
            std::string_view ty = ry.substr(std::min(ry.find_first_not_of('0'), ry.size() - 1));
            if (tx.size() != ty.size())
                return tx.size() < ty.size();
            if (tx != ty)
                return tx < ty;
        } else {
            if (rx.size() != ry.size())
                return rx.size() < ry.size();
            if (rx != ry)
                return rx < ry;
        }
        x.remove_prefix(rx.size());
        y.remove_prefix(ry.size());
    }
    return x.size() < y.size();
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// ATA commands of the two kinds the drive is asked.
constexpr uint8_t kAtaIdentifyDevice = 0xEC;
constexpr uint8_t kAtaSmart = 0xB0;
constexpr uint8_t kSmartReadData = 0xD0;
// SMART commands carry this signature in the LBA mid and high registers.
constexpr uint8_t kSmartLbaMid = 0x4F;
constexpr uint8_t kSmartLbaHigh = 0xC2;

class AtaDrive final : public PhysicalDrive {
public:
    explicit AtaDrive(int fd) : fd_(fd) {}

    int Identify(Sector& out) override { return PioIn(kAtaIdentifyDevice, 0, 0, 0, out); }
    int SmartData(Sector& out) override {
        return PioIn(kAtaSmart, kSmartReadData, kSmartLbaMid, kSmartLbaHigh, out);
    }

private:
    // ATA PASS-THROUGH (16): one sector in by PIO.
    int PioIn(uint8_t command, uint8_t features, uint8_t lba_mid, uint8_t lba_high, Sector& data) {
        data = {};
        std::array<uint8_t, 16> cdb = AtaPassThroughPioIn(command, features, lba_mid, lba_high);
        uint8_t sense[32] = {};
        sg_io_hdr_t io{};
        io.interface_id = 'S';
        io.dxfer_direction = SG_DXFER_FROM_DEV;
        io.cmd_len = cdb.size();
        io.mx_sb_len = sizeof sense;
        io.dxfer_len = data.size();
        io.dxferp = data.data();
        io.cmdp = cdb.data();
        io.sbp = sense;
        io.timeout = 5000; // ms
        if (::ioctl(fd_.get(), SG_IO, &io) != 0)
            return errno;
        if (io.host_status != 0 || (io.driver_status & 0x07) != 0)
            return EIO;
        if (io.status != 0) {
            // Some translators report "ATA pass-through information available" as a recovered
            // error even when the command worked.
            uint8_t key = 0;
            if (io.sb_len_wr >= 2 && (sense[0] & 0x7F) >= 0x72)
                key = sense[1] & 0x0F;
            else if (io.sb_len_wr >= 3)
                key = sense[2] & 0x0F;
            if (key != 0x01)
                return EIO;
        }
        return 0;
    }

    FileDescriptor fd_;
};

constexpr uint8_t kNvmeGetLogPage = 0x02;
constexpr uint8_t kNvmeIdentify = 0x06;
constexpr uint8_t kNvmeHealthLog = 0x02;
constexpr uint32_t kNvmeAllNamespaces = 0xFFFFFFFF;

class NvmeDrive final : public PhysicalDrive {
public:
    explicit NvmeDrive(int fd) : fd_(fd) {}

    int Identify(Sector& out) override {
        std::array<uint8_t, 4096> controller{};
        nvme_admin_cmd cmd{};
        cmd.opcode = kNvmeIdentify;
        cmd.addr = reinterpret_cast<uintptr_t>(controller.data());
        cmd.data_len = controller.size();
        cmd.cdw10 = 1; // CNS 1: the controller
        if (int error = Run(cmd))
            return error;
        out = AtaIdentifyFromNvme(controller);
        return 0;
    }

    int SmartData(Sector& out) override {
        Sector log{};
        nvme_admin_cmd cmd{};
        cmd.opcode = kNvmeGetLogPage;
        cmd.nsid = kNvmeAllNamespaces;
        cmd.addr = reinterpret_cast<uintptr_t>(log.data());
        cmd.data_len = log.size();
        cmd.cdw10 = NvmeGetLogPageDword10(kNvmeHealthLog, log.size());
        if (int error = Run(cmd))
            return error;
        out = AtaSmartFromNvme(log);
        return 0;
    }

private:
    int Run(nvme_admin_cmd& cmd) {
        cmd.timeout_ms = 5000;
        int status = ::ioctl(fd_.get(), NVME_IOCTL_ADMIN_CMD, &cmd);
        if (status < 0)
            return errno;
        // A positive status is the drive's own refusal.
        return status == 0 ? 0 : EIO;
    }

    FileDescriptor fd_;
};

} // namespace

std::vector<std::string> ListWholeDisks() {
    std::vector<std::string> disks;
    for (const std::string& name : ListHostDirectory("/sys/block")) {
        if (IsWholeDisk(name))
            disks.push_back(name);
    }
    std::sort(disks.begin(), disks.end(), KernelOrder);
    return disks;
}

std::unique_ptr<PhysicalDrive> OpenWholeDisk(const std::string& name, bool write, int& error) {
    error = 0;
    if (!IsWholeDisk(name)) {
        error = ENOENT;
        return nullptr;
    }
    std::string path = HostPath("/dev/" + name);
    int fd = ::open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    if (IsNvmeNamespace(name))
        return std::make_unique<NvmeDrive>(fd);
    return std::make_unique<AtaDrive>(fd);
}

std::array<uint8_t, 16> AtaPassThroughPioIn(uint8_t command, uint8_t features, uint8_t lba_mid,
                                            uint8_t lba_high) {
    std::array<uint8_t, 16> cdb{};
    cdb[0] = 0x85;   // ATA PASS-THROUGH (16)
    cdb[1] = 4 << 1; // protocol 4: PIO data-in; no 48-bit extension
    // T_DIR from the device, BYT_BLOK counting blocks, T_LENGTH in the sector count field.
    cdb[2] = 0x0E;
    cdb[4] = features;
    cdb[6] = 1; // one sector
    cdb[10] = lba_mid;
    cdb[12] = lba_high;
    cdb[14] = command;
    return cdb;
}

uint32_t NvmeGetLogPageDword10(uint8_t log_id, uint32_t bytes) {
    // The number of dwords less one in bits 16..27, the log identifier in bits 0..7.
    return ((bytes / 4 - 1) & 0xFFF) << 16 | log_id;
}

void PutAtaString(Sector& sector, size_t first_word, size_t words, std::string_view text) {
    for (size_t i = 0; i < words * 2; ++i) {
        char c = i < text.size() ? text[i] : ' ';
        size_t byte = (first_word * 2 + i) ^ 1; // first character in the high byte of a word
        if (byte < sector.size())
            sector[byte] = uint8_t(c);
    }
}

void SetSectorChecksum(Sector& sector) {
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < sector.size(); ++i)
        sum = uint8_t(sum + sector[i]);
    sector[511] = uint8_t(-sum);
}

Sector AtaIdentifyFromNvme(const std::array<uint8_t, 4096>& controller) {
    auto text = [&](size_t offset, size_t length) {
        return std::string_view(reinterpret_cast<const char*>(controller.data()) + offset, length);
    };
    Sector identify{};
    identify[0] = 0x40; // word 0: a fixed device
    // NVMe: serial at 4 (20 bytes), model at 24 (40 bytes), firmware at 64 (8 bytes).
    PutAtaString(identify, 10, 10, text(4, 20));
    PutAtaString(identify, 23, 4, text(64, 8));
    PutAtaString(identify, 27, 20, text(24, 40));
    // Word 255: signature 0xA5 and the checksum.
    identify[510] = 0xA5;
    SetSectorChecksum(identify);
    return identify;
}

Sector AtaSmartFromNvme(const Sector& health_log) {
    // Bytes 1..2: the composite temperature in kelvin; 0 when the drive has no sensor.
    unsigned kelvin = health_log[1] | unsigned(health_log[2]) << 8;
    Sector smart{};
    smart[0] = 0x10; // revision of the attribute table
    if (kelvin != 0) {
        int celsius = std::clamp(int(kelvin) - 273, 0, 255);
        uint8_t* entry = smart.data() + 2;
        entry[0] = 194;                                  // temperature
        entry[1] = 0x22;                                 // flags: informational, updated on line
        entry[3] = uint8_t(100 - std::min(celsius, 99)); // normalised: falls as it heats
        entry[4] = entry[3];
        entry[5] = uint8_t(celsius); // raw value, least significant byte first
    }
    SetSectorChecksum(smart);
    return smart;
}

} // namespace platform::host
