#include "present/backend_modules.h"

#include "kernel32/modules.h"

#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <mutex>

namespace platform::present {

namespace {

// The loader's words, less the path it starts them with when it names the file.
std::string LoaderError(const std::string& path) {
    const char* said = dlerror();
    std::string error = said ? said : "the loader gave no reason";
    const std::string prefix = path + ": ";
    if (error.starts_with(prefix))
        error.erase(0, prefix.size());
    return error;
}

} // namespace

std::string BackendModulePath(const BackendModule& module) {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&BackendModulePath), &info) == 0 || !info.dli_fname ||
        !*info.dli_fname)
        return ProgramDirectory() + module.file;
    // Never a bare name, which the loader would look for on its search path.
    const std::filesystem::path layer = std::filesystem::absolute(info.dli_fname);
    return (layer.parent_path() / module.file).string();
}

OpenBackend LoadBackendModule(const BackendModule& module, std::string& error) {
    static std::mutex mutex;
    static std::map<std::string, OpenBackend> entries; // by file name
    std::lock_guard lock(mutex);
    if (auto it = entries.find(module.file); it != entries.end())
        return it->second;
    const std::string path = BackendModulePath(module);
    void* loaded = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!loaded) {
        error = LoaderError(path);
        return nullptr;
    }
    auto entry = reinterpret_cast<OpenBackend>(dlsym(loaded, module.entry));
    if (!entry) {
        error = LoaderError(path);
        dlclose(loaded);
        return nullptr;
    }
    entries.emplace(module.file, entry);
    return entry;
}

} // namespace platform::present
