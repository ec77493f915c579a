// Machine trees for the host readings: the checked-in fixtures, and small trees made on the
// spot for the cases a fixture would only hide.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace host_trees {

inline std::string Fixture(std::string_view name) {
    return std::string(PELMORA_TEST_FIXTURES) + "/host/" + std::string(name);
}

// A temporary tree, removed with the object.
class TempTree {
public:
    TempTree() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "pelmora-host-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        EXPECT_NE(made, nullptr);
        root_ = pattern;
    }
    ~TempTree() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // Writes a file at an absolute machine path ("/proc/stat") below the tree.
    void Write(std::string_view path, std::string_view content) {
        std::filesystem::path file = std::filesystem::path(root_) / std::string(path.substr(1));
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

} // namespace host_trees
