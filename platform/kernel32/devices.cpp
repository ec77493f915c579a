// Device paths: "\\.\PhysicalDriveN" is the Nth whole disk of /sys/block, or a simulated drive.
#include "kernel32/devices.h"

#include "kernel32/drive_device.h"
#include "kernel32/errors.h"
#include "kernel32/simulated_drives.h"

#include <cctype>
#include <cerrno>
#include <mutex>

namespace platform {

namespace {

std::mutex simulated_mutex;
std::optional<std::map<unsigned, SimulatedDrive>> simulated;
std::vector<SimulatedDriveOpen> simulated_opens;
std::vector<SimulatedDriveRequest> simulated_requests;

// Errors of a drive command as the system reports them.
DWORD CommandError(int error) {
    switch (error) {
    case ENOTTY:
    case EOPNOTSUPP:
    case ENOSYS:
    case EINVAL:
        return ERROR_NOT_SUPPORTED;
    case EIO:
        return ERROR_GEN_FAILURE;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    default:
        return ErrorFromErrno(error);
    }
}

DWORD OpenError(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
        return ERROR_FILE_NOT_FOUND;
    case EBUSY:
        return ERROR_SHARING_VIOLATION;
    default:
        return ErrorFromErrno(error);
    }
}

bool IsSmartRead(const SENDCMDINPARAMS& request) {
    return request.irDriveRegs.bCommandReg == SMART_CMD &&
           request.irDriveRegs.bFeaturesReg == READ_ATTRIBUTES;
}

class RealDrive final : public DriveDevice {
public:
    explicit RealDrive(std::unique_ptr<host::PhysicalDrive> drive) : drive_(std::move(drive)) {}

    DWORD Command(const SENDCMDINPARAMS& request, host::Sector& answer) override {
        int error = 0;
        if (request.irDriveRegs.bCommandReg == ID_CMD)
            error = drive_->Identify(answer);
        else if (IsSmartRead(request))
            error = drive_->SmartData(answer);
        else
            return ERROR_INVALID_PARAMETER;
        return error ? CommandError(error) : 0;
    }

private:
    std::unique_ptr<host::PhysicalDrive> drive_;
};

class SimulatedDevice final : public DriveDevice {
public:
    explicit SimulatedDevice(unsigned number) : number_(number) {}

    DWORD Command(const SENDCMDINPARAMS& request, host::Sector& answer) override {
        std::lock_guard lock(simulated_mutex);
        simulated_requests.push_back(
            {number_, request.cBufferSize, request.irDriveRegs, request.bDriveNumber});
        if (!simulated || !simulated->contains(number_))
            return ERROR_GEN_FAILURE;
        const SimulatedDrive& drive = simulated->at(number_);
        if (drive.command_error)
            return drive.command_error;
        if (request.irDriveRegs.bCommandReg == ID_CMD) {
            answer = drive.identify;
            return 0;
        }
        if (IsSmartRead(request)) {
            answer = drive.smart;
            return 0;
        }
        return ERROR_INVALID_PARAMETER;
    }

private:
    unsigned number_;
};

// "PhysicalDrive12" -> 12 (the word in any case, the number in decimal).
std::optional<unsigned> PhysicalDriveNumber(std::string_view name) {
    constexpr std::string_view kWord = "physicaldrive";
    if (name.size() <= kWord.size() || name.size() > kWord.size() + 6)
        return std::nullopt;
    for (size_t i = 0; i < kWord.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(name[i])) != kWord[i])
            return std::nullopt;
    }
    unsigned number = 0;
    for (char c : name.substr(kWord.size())) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + unsigned(c - '0');
    }
    return number;
}

} // namespace

void SetSimulatedDrives(std::optional<std::map<unsigned, SimulatedDrive>> drives) {
    std::lock_guard lock(simulated_mutex);
    simulated = std::move(drives);
    simulated_opens.clear();
    simulated_requests.clear();
}

std::vector<SimulatedDriveOpen> SimulatedDriveOpens() {
    std::lock_guard lock(simulated_mutex);
    return simulated_opens;
}

std::vector<SimulatedDriveRequest> SimulatedDriveRequests() {
    std::lock_guard lock(simulated_mutex);
    return simulated_requests;
}

HANDLE OpenDevice(std::string_view device_name, DWORD desired_access, DWORD share_mode) {
    std::optional<unsigned> number = PhysicalDriveNumber(device_name);
    if (!number) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    {
        std::lock_guard lock(simulated_mutex);
        if (simulated) {
            simulated_opens.push_back({*number, desired_access, share_mode});
            auto it = simulated->find(*number);
            DWORD error =
                it == simulated->end() ? DWORD(ERROR_FILE_NOT_FOUND) : it->second.open_error;
            if (error) {
                SetLastError(error);
                return INVALID_HANDLE_VALUE;
            }
            return AddKernelObject(std::make_shared<SimulatedDevice>(*number));
        }
    }
    std::vector<std::string> disks = host::ListWholeDisks();
    if (*number >= disks.size()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // The drive commands need a drive opened for writing, as they do on the system.
    bool write = (desired_access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
    int error = 0;
    std::unique_ptr<host::PhysicalDrive> drive = host::OpenWholeDisk(disks[*number], write, error);
    if (!drive) {
        SetLastError(OpenError(error));
        return INVALID_HANDLE_VALUE;
    }
    return AddKernelObject(std::make_shared<RealDrive>(std::move(drive)));
}

} // namespace platform
