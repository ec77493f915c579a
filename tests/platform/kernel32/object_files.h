// The files of named objects as a test finds them on disk: in the runtime folder when the
// environment names one that only this user can enter, else in the user's folder in /dev/shm.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace object_files {

inline std::filesystem::path Folder() {
    struct stat st {};
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime && runtime[0] == '/' && lstat(runtime, &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == geteuid() && (st.st_mode & 077) == 0)
        return runtime;
    return "/dev/shm/pelmora-" + std::to_string(geteuid());
}

// The names in the folder that begin with `prefix`; all of them for an empty one.
inline std::set<std::string> Named(const std::string& prefix = {}) {
    std::set<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(), ignored)) {
        std::string name = entry.path().filename().string();
        if (name.starts_with(prefix))
            names.insert(name);
    }
    return names;
}

// The objects of a namespace (PELMORA_PLATFORM_SECTIONS) that are on disk.
inline std::set<std::string> OfNamespace(const std::string& space) {
    return Named("pelmora-" + space + "--");
}

} // namespace object_files
