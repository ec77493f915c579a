// A folder of its own for one test: a new name under the system's temporary folder, made with
// mkdtemp, so that suites running side by side on one machine never meet in it. It is removed
// with everything in it when the object goes.
#pragma once

#include <filesystem>
#include <string_view>

namespace platform::testing {

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

private:
    std::filesystem::path path_;
};

} // namespace platform::testing
