#include "host/root.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <mutex>
#include <unordered_map>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace platform::host {

namespace {

std::mutex root_mutex;
std::string& RootPath() {
    static std::string root = "/";
    return root;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

void SetRoot(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    std::string root(path.empty() ? std::string_view("/") : path);
    std::lock_guard lock(root_mutex);
    RootPath().swap(root);
}

std::string Root() {
    std::lock_guard lock(root_mutex);
    return RootPath();
}

std::string HostPath(std::string_view absolute_path) {
    std::string root = Root();
    if (root == "/")
        return std::string(absolute_path);
    std::string path = root;
    if (!absolute_path.starts_with('/'))
        path.push_back('/');
    path.append(absolute_path);
    return path;
}

namespace {

// Files of /proc and /sys are made afresh by the kernel at every read from their start, and
// opening one (a walk down its path) costs more than reading it: a descriptor is kept for each
// and read again from offset 0. A file of any other kind (a captured tree) is opened at every
// reading, as it may have been replaced in between. Only pseudo-files are kept, a bounded number
// of them, and all go when the root changes.
constexpr size_t kKeptFiles = 256;

struct KeptFiles {
    std::mutex mutex;
    std::string root;
    std::unordered_map<std::string, int> descriptors;

    void Clear() {
        for (auto& [path, fd] : descriptors)
            ::close(fd);
        descriptors.clear();
    }
};

KeptFiles& TheKeptFiles() {
    static KeptFiles* kept = new KeptFiles; // outlives every static reader
    return *kept;
}

} // namespace

bool ReadWholeFile(int fd, std::string& content) {
    size_t size = 0;
    for (;;) {
        if (content.size() - size < 4096)
            content.resize(std::max<size_t>(content.size() * 2, size + 4096));
        size_t room = content.size() - size;
        ssize_t n = ::pread(fd, content.data() + size, room, off_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            content.clear();
            return false;
        }
        if (n == 0)
            break;
        size += size_t(n);
    }
    content.resize(size);
    return true;
}

bool IsKernelPseudoFile(int fd) {
    struct statfs fs {};
    return ::fstatfs(fd, &fs) == 0 && (fs.f_type == PROC_SUPER_MAGIC || fs.f_type == SYSFS_MAGIC);
}

namespace {

// The kept files, their lock held, emptied first when the root has changed since they were
// opened.
KeptFiles& CurrentKeptFiles() {
    KeptFiles& kept = TheKeptFiles();
    if (std::string root = Root(); root != kept.root) {
        kept.Clear();
        kept.root = std::move(root);
    }
    return kept;
}

// The kept descriptor of a kernel directory, opened now if need be; -1 for a directory that
// cannot be opened or is not the kernel's. Directories are kept under their path and a slash.
int KeptDirectory(KeptFiles& kept, const std::string& path) {
    std::string key = path + "/";
    if (auto it = kept.descriptors.find(key); it != kept.descriptors.end())
        return it->second;
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (kept.descriptors.size() >= kKeptFiles || !IsKernelPseudoFile(fd)) {
        ::close(fd);
        return -1;
    }
    kept.descriptors.emplace(std::move(key), fd);
    return fd;
}

} // namespace

bool ReadHostFileInto(std::string_view absolute_path, std::string& content, bool* from_kernel) {
    content.clear();
    if (from_kernel)
        *from_kernel = false;
    std::string path = HostPath(absolute_path);
    std::lock_guard lock(TheKeptFiles().mutex);
    KeptFiles& kept = CurrentKeptFiles();
    if (auto it = kept.descriptors.find(path); it != kept.descriptors.end()) {
        if (ReadWholeFile(it->second, content)) {
            if (from_kernel)
                *from_kernel = true;
            return true;
        }
        // The file's object went away (a device, an ended process): open the path afresh.
        ::close(it->second);
        kept.descriptors.erase(it);
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool read = ReadWholeFile(fd, content);
    bool pseudo = read && IsKernelPseudoFile(fd);
    if (from_kernel)
        *from_kernel = pseudo;
    if (pseudo && kept.descriptors.size() < kKeptFiles)
        kept.descriptors.emplace(std::move(path), fd);
    else
        ::close(fd);
    return read;
}

bool HostDirectoryExists(std::string_view directory, std::string_view relative_path) {
    struct stat st {};
    {
        std::lock_guard lock(TheKeptFiles().mutex);
        KeptFiles& kept = CurrentKeptFiles();
        // In a kernel directory the look-up starts there, one step instead of the whole path.
        if (int fd = KeptDirectory(kept, HostPath(directory)); fd >= 0) {
            std::string relative(relative_path);
            return ::fstatat(fd, relative.c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
    }
    std::string path = HostPath(directory);
    path.push_back('/');
    path.append(relative_path);
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::string> ReadHostFile(std::string_view absolute_path) {
    std::string content;
    if (!ReadHostFileInto(absolute_path, content))
        return std::nullopt;
    return content;
}

std::optional<std::string> ReadHostLine(std::string_view absolute_path) {
    // Most such files hold a few bytes: the page-sized buffer is kept, the line copied out.
    thread_local std::string buffer;
    if (!ReadHostFileInto(absolute_path, buffer))
        return std::nullopt;
    return buffer.substr(0, buffer.find('\n'));
}

std::optional<long long> ReadHostNumber(std::string_view absolute_path) {
    std::optional<std::string> line = ReadHostLine(absolute_path);
    if (!line)
        return std::nullopt;
    std::string_view text = *line;
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return ParseSigned(text);
}

std::vector<std::string> ListHostDirectory(std::string_view absolute_path) {
    std::vector<std::string> names;
    std::string path = HostPath(absolute_path);
    auto add = [&](std::string_view name) {
        if (name != "." && name != "..")
            names.emplace_back(name);
    };
    std::unique_lock lock(TheKeptFiles().mutex);
    // A kernel directory stays open and is listed again from its start.
    if (int fd = KeptDirectory(CurrentKeptFiles(), path); fd >= 0) {
        alignas(8) char buffer[8192];
        bool listed = ::lseek(fd, 0, SEEK_SET) == 0;
        while (listed) {
            ssize_t n = ::getdents64(fd, buffer, sizeof buffer);
            if (n <= 0) {
                listed = n == 0;
                break;
            }
            for (ssize_t at = 0; at < n;) {
                auto* entry = reinterpret_cast<dirent64*>(buffer + at);
                add(entry->d_name);
                at += entry->d_reclen;
            }
        }
        if (listed) {
            std::sort(names.begin(), names.end());
            return names;
        }
        names.clear();
    }
    lock.unlock();
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return names;
    while (dirent* entry = ::readdir(dir))
        add(entry->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            lines.push_back(text);
            break;
        }
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        size_t start = i;
        while (i < line.size() && !IsBlank(line[i]))
            ++i;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

std::optional<unsigned long long> ParseUnsigned(std::string_view field) {
    unsigned long long value = 0;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || field.empty())
        return std::nullopt;
    return value;
}

std::optional<long long> ParseSigned(std::string_view field) {
    long long value = 0;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || field.empty())
        return std::nullopt;
    return value;
}

} // namespace platform::host
