#include "testing/temporary_folder.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace platform::testing {

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

} // namespace platform::testing
