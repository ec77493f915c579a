// The one root under which the layer reads the machine: every /proc, /sys and /dev path of the
// host readings is resolved below it. It is "/" for the real machine; tests point it at a
// captured tree.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::host {

// Sets the root; an empty path puts back "/". The path is used as given, without a trailing
// slash.
void SetRoot(std::string_view path);
std::string Root();

// An absolute machine path ("/proc/stat") as it lies under the root.
std::string HostPath(std::string_view absolute_path);

// The whole content of a file under the root, or nothing when it cannot be read. Files of
// /proc and /sys report a size of 0 or 4096, so this reads until the end, whatever stat says.
std::optional<std::string> ReadHostFile(std::string_view absolute_path);
// The same into a buffer that a caller keeps from call to call (its capacity is reused); false,
// with the buffer empty, when the file cannot be read. from_kernel, when given, tells whether the
// content came from the running kernel (a file of /proc or /sys) rather than a captured tree.
bool ReadHostFileInto(std::string_view absolute_path, std::string& content,
                      bool* from_kernel = nullptr);
// The whole of an open file, read from offset 0. A short read is not the end: a /proc file of
// many records (cpuinfo, mounts) hands out a page of whole records at a time; only a read of
// nothing is.
bool ReadWholeFile(int fd, std::string& content);
// Whether an open file is one the kernel makes afresh at every read from its start (a file of
// /proc or /sys), which can be kept open and read again at offset 0.
bool IsKernelPseudoFile(int fd);
// The first line of a file under the root, without its line break ("1000\n" -> "1000").
std::optional<std::string> ReadHostLine(std::string_view absolute_path);
// A decimal number that makes up the first line of a file; nothing when the file is missing or
// holds anything else (a speed file of a down interface reads "-1" or fails).
std::optional<long long> ReadHostNumber(std::string_view absolute_path);
// Whether a directory holds a directory (or a link to one) at that relative path. On the kernel's
// tree the directory itself is kept open and the look-up starts there: give one that stays (a
// class folder such as /sys/class/net), not one that may go and come back.
bool HostDirectoryExists(std::string_view directory, std::string_view relative_path);
// The names in a directory under the root, sorted, without "." and "..". A kernel directory is
// kept open and read again from its start: give one that stays, as above.
std::vector<std::string> ListHostDirectory(std::string_view absolute_path);

// Splits a text into lines (the last one may lack its line break).
std::vector<std::string_view> SplitLines(std::string_view text);
// Splits a line at runs of blanks (spaces and tabs).
std::vector<std::string_view> SplitFields(std::string_view line);
// A whole field as an unsigned or signed decimal number.
std::optional<unsigned long long> ParseUnsigned(std::string_view field);
std::optional<long long> ParseSigned(std::string_view field);

} // namespace platform::host
