#include "testing/temporary_folder.h"

#include "host/paths.h"
#include "present/headless.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace platform::testing {

std::string ReadWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteWholeFile(const std::filesystem::path& file, std::string_view contents) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << contents;
}

TemporaryFolder::TemporaryFolder(std::string_view prefix) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("no temporary folder could be made for " + pattern);
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TemporaryFolder::WindowsPath(const std::filesystem::path& name) const {
    return host::LinuxToWindowsPath((path_ / name).string());
}

PictureFile::PictureFile(std::string_view name) {
    std::filesystem::path folder;
    if (std::optional<std::string> snapshots = present::SnapshotFolder()) {
        folder = *snapshots;
        std::filesystem::create_directories(folder);
    } else {
        folder = temporary_.emplace("pelmora-picture").path();
    }
    path_ = (folder / name).string();
}

MachineTree::MachineTree() : folder_("pelmora-machine"), root_(folder_.path().string()) {}

std::filesystem::path MachineTree::Below(std::string_view path) const {
    while (path.starts_with('/'))
        path.remove_prefix(1);
    return folder_ / std::filesystem::path(path);
}

void MachineTree::Write(std::string_view path, std::string_view text) const {
    const std::filesystem::path file = Below(path);
    std::filesystem::create_directories(file.parent_path());
    WriteWholeFile(file, text);
}

void MachineTree::MakeDirectory(std::string_view path) const {
    std::filesystem::create_directories(Below(path));
}

} // namespace platform::testing
