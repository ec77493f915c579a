// DeviceIoControl: the drive commands of SMART_RCV_DRIVE_DATA on physical drives.
#include <windows.h>
#include <winioctl.h>

#include "kernel32/drive_device.h"

#include <cstring>

namespace {

// The answer: the output record's head and one 512-byte sector in its buffer.
constexpr DWORD kAnswerSize = offsetof(SENDCMDOUTPARAMS, bBuffer) + 512;

void WriteStatus(LPVOID out, DWORD buffer_size, BYTE driver_error) {
    SENDCMDOUTPARAMS head{};
    head.cBufferSize = buffer_size;
    head.DriverStatus.bDriverError = driver_error;
    std::memcpy(out, &head, offsetof(SENDCMDOUTPARAMS, bBuffer));
}

} // namespace

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                            DWORD nInBufferSize, LPVOID lpOutBuffer, DWORD nOutBufferSize,
                            LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped) {
    (void)lpOverlapped; // drives are opened without FILE_FLAG_OVERLAPPED: always synchronous
    if (lpBytesReturned)
        *lpBytesReturned = 0;
    auto object = platform::FindKernelObject(hDevice);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto drive = std::dynamic_pointer_cast<platform::DriveDevice>(object);
    if (!drive || dwIoControlCode != SMART_RCV_DRIVE_DATA) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    // The request is read up to its buffer field only; the caller's record may be longer.
    if (!lpInBuffer || nInBufferSize < offsetof(SENDCMDINPARAMS, bBuffer)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!lpOutBuffer || nOutBufferSize < kAnswerSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    SENDCMDINPARAMS request{};
    std::memcpy(&request, lpInBuffer, offsetof(SENDCMDINPARAMS, bBuffer));
    platform::host::Sector answer{};
    if (DWORD error = drive->Command(request, answer)) {
        WriteStatus(lpOutBuffer, 0,
                    error == ERROR_INVALID_PARAMETER ? SMART_INVALID_COMMAND : SMART_IDE_ERROR);
        SetLastError(error);
        return FALSE;
    }
    // Nothing is written beyond the answer, whatever the output length offers.
    WriteStatus(lpOutBuffer, 512, SMART_NO_ERROR);
    std::memcpy(static_cast<BYTE*>(lpOutBuffer) + offsetof(SENDCMDOUTPARAMS, bBuffer),
                answer.data(), answer.size());
    if (lpBytesReturned)
        *lpBytesReturned = kAnswerSize;
    return TRUE;
}

PELMORA_END_EXTERN_C
