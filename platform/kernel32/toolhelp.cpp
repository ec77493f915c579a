// Process snapshots: CreateToolhelp32Snapshot takes the process list once; the walk reads it.
#include <windows.h>
#include <tlhelp32.h>

#include "host/processes.h"
#include "kernel32/handles.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

namespace {

class ProcessSnapshot final : public KernelObject {
public:
    explicit ProcessSnapshot(std::vector<host::ProcessInfo> processes)
        : processes_(std::move(processes)) {}

    BOOL Fill(size_t index, LPPROCESSENTRY32 entry) {
        if (!entry || entry->dwSize < sizeof(PROCESSENTRY32)) {
            SetLastError(ERROR_BAD_LENGTH);
            return FALSE;
        }
        if (index >= processes_.size()) {
            SetLastError(ERROR_NO_MORE_FILES);
            return FALSE;
        }
        const host::ProcessInfo& process = processes_[index];
        // Only the record's own size is written, however large the caller says its buffer is.
        DWORD size = entry->dwSize;
        std::memset(entry, 0, sizeof(PROCESSENTRY32));
        entry->dwSize = size;
        entry->th32ProcessID = process.pid;
        entry->cntThreads = process.threads;
        entry->th32ParentProcessID = process.parent_pid;
        entry->pcPriClassBase = 8; // normal priority
        size_t length = std::min(process.name.size(), sizeof entry->szExeFile - 1);
        std::memcpy(entry->szExeFile, process.name.data(), length);
        next_ = index + 1;
        return TRUE;
    }
    size_t next() const { return next_; }

private:
    std::vector<host::ProcessInfo> processes_;
    size_t next_ = 0;
};

} // namespace

} // namespace platform

PELMORA_BEGIN_EXTERN_C

HANDLE WINAPI CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID) {
    (void)th32ProcessID; // names the process for module and heap snapshots only
    if (!(dwFlags & TH32CS_SNAPPROCESS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return platform::AddKernelObject(
        std::make_shared<platform::ProcessSnapshot>(platform::host::ListProcesses()));
}

BOOL WINAPI Process32First(HANDLE hSnapshot, LPPROCESSENTRY32 lppe) {
    auto snapshot = platform::FindKernelObjectAs<platform::ProcessSnapshot>(hSnapshot);
    if (!snapshot) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return snapshot->Fill(0, lppe);
}

BOOL WINAPI Process32Next(HANDLE hSnapshot, LPPROCESSENTRY32 lppe) {
    auto snapshot = platform::FindKernelObjectAs<platform::ProcessSnapshot>(hSnapshot);
    if (!snapshot) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return snapshot->Fill(snapshot->next(), lppe);
}

PELMORA_END_EXTERN_C
