#include "present/x11_module.h"

#include "kernel32/modules.h"

#include <dlfcn.h>
#include <filesystem>
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

std::string X11ModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&X11ModulePath), &info) == 0 || !info.dli_fname ||
        !*info.dli_fname)
        return ProgramDirectory() + kX11ModuleFile;
    // Never a bare name, which the loader would look for on its search path.
    const std::filesystem::path layer = std::filesystem::absolute(info.dli_fname);
    return (layer.parent_path() / kX11ModuleFile).string();
}

x11::OpenEntry LoadX11Module(std::string& error) {
    static std::mutex mutex;
    static x11::OpenEntry entry = nullptr;
    std::lock_guard lock(mutex);
    if (entry)
        return entry;
    const std::string path = X11ModulePath();
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        error = LoaderError(path);
        return nullptr;
    }
    entry = reinterpret_cast<x11::OpenEntry>(dlsym(module, x11::kOpenEntryName));
    if (!entry) {
        error = LoaderError(path);
        dlclose(module);
    }
    return entry;
}

} // namespace platform::present
