// A folder of its own for one test: a new name under the system's temporary folder, made with
// mkdtemp, so that suites running side by side on one machine never meet in it. It is removed
// with everything in it when the object goes.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform::testing {

// A file read whole; empty when there is none.
std::string ReadWholeFile(const std::filesystem::path& file);
// A file written whole, replacing what was there.
void WriteWholeFile(const std::filesystem::path& file, std::string_view contents);

class TemporaryFolder {
public:
    // The name starts with prefix ("pelmora-snapshot"), followed by a unique part.
    explicit TemporaryFolder(std::string_view prefix);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }
    // A path in the folder (a name relative to it) in the form the layer gives Windows programs;
    // without a name, the folder itself with a trailing backslash.
    std::string WindowsPath(const std::filesystem::path& name = {}) const;
    // A file of the folder, read or written whole.
    std::string ReadFile(const std::filesystem::path& name) const {
        return ReadWholeFile(path_ / name);
    }
    void WriteFile(const std::filesystem::path& name, std::string_view contents) const {
        WriteWholeFile(path_ / name, contents);
    }

private:
    std::filesystem::path path_;
};

// Where a picture written for looking at goes ("gdi-scene.png"): into the folder that
// PELMORA_PLATFORM_SNAPSHOT names, beside the layer's window pictures, when it names one (the
// picture stays there); otherwise into a temporary folder of its own, removed with this
// object, so that the writing is still tried and nothing is left behind.
class PictureFile {
public:
    explicit PictureFile(std::string_view name);
    const std::string& path() const { return path_; }

private:
    std::optional<TemporaryFolder> temporary_;
    std::string path_;
};

// A machine tree of its own for the host readings to be pointed at (HostRootScope): a
// temporary folder whose files are written at their machine paths, "/proc/stat" or
// "proc/stat" alike, their folders made as needed.
class MachineTree {
public:
    MachineTree();
    MachineTree(const MachineTree&) = delete;
    MachineTree& operator=(const MachineTree&) = delete;

    // Writes (or replaces) the file at a machine path.
    void Write(std::string_view path, std::string_view text) const;
    void MakeDirectory(std::string_view path) const;
    const std::string& root() const { return root_; }

private:
    std::filesystem::path Below(std::string_view path) const;
    TemporaryFolder folder_;
    std::string root_;
};

} // namespace platform::testing
