// The layer's side of file handles.
#pragma once

#include "kernel32/handles.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// An open file: CreateFileA's handle. Closing the handle closes the descriptor.
class FileObject : public KernelObject {
public:
    FileObject(int fd, std::string path, DWORD access, DWORD share, uint64_t device,
               uint64_t inode);
    ~FileObject() override;
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    DWORD access() const { return access_; }
    DWORD share() const { return share_; }
    uint64_t device() const { return device_; }
    uint64_t inode() const { return inode_; }

private:
    int fd_;
    std::string path_;
    DWORD access_;
    DWORD share_;
    uint64_t device_;
    uint64_t inode_;
};

// Makes every WriteFile fail with ERROR_DISK_FULL once `bytes` more bytes have been written
// (the write that crosses the limit writes what fits and then fails); nothing lifts the limit.
void SetWriteLimit(std::optional<uint64_t> bytes);
// Runs `action` once, at the start of the next WriteFile of any handle, before anything is
// written: what another process may do while this one is in the middle of writing a file. An
// empty function takes back an action that has not run.
void SetBeforeNextWrite(std::function<void()> action);

// Windows FILETIME (100 ns since 1601) from Linux seconds and nanoseconds since 1970.
FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);

} // namespace platform
