#include "testing/program_folder.h"

#include "host/paths.h"
#include "kernel32/modules.h"
#include "present/backend_modules.h"

#include <stdexcept>
#include <string>

namespace platform::testing {

namespace fs = std::filesystem;

namespace {

// The build's program folder, which every program folder copies or links from.
const fs::path& BuildFolder() {
    static const fs::path folder(PELMORA_PROGRAM_DIR);
    return folder;
}

fs::path Nested(const fs::path& root, size_t extra_length) {
    if (extra_length == 0)
        return root;
    if (extra_length == 1)
        throw std::invalid_argument("a nested folder makes a path at least 2 characters longer");
    return root / std::string(extra_length - 1, 'd');
}

} // namespace

void LayOutProgramFolder(const fs::path& folder, const ProgramParts& parts) {
    fs::create_directories(folder);
    const fs::path& build = BuildFolder();
    if (parts.executable) {
        fs::copy_file(build / "pelmora", folder / "pelmora");
        fs::copy_file(build / "libpelmora-platform.so", folder / "libpelmora-platform.so");
        for (const present::BackendModule& module : present::kBackendModules)
            fs::copy_file(build / module.file, folder / module.file);
        if (fs::exists(build / "Readme.txt"))
            fs::copy_file(build / "Readme.txt", folder / "Readme.txt");
    }
    if (parts.resources) {
        if (parts.executable)
            fs::copy_file(build / "PelmoraResources.dll", folder / "PelmoraResources.dll");
        else
            fs::create_symlink(build / "PelmoraResources.dll", folder / "PelmoraResources.dll");
    }
    if (parts.plugins == ProgramParts::Plugins::None)
        return;
    const fs::path plugins = folder / kPluginFolderName;
    fs::create_directories(plugins);
    if (parts.plugins == ProgramParts::Plugins::Build && fs::exists(build / kPluginFolderName)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(build / kPluginFolderName))
            fs::copy_file(entry.path(), plugins / entry.path().filename());
    }
}

ProgramFolder::ProgramFolder(std::string_view prefix, ProgramParts parts)
    : root_(prefix), path_(Nested(root_.path(), parts.extra_length)),
      in_process_(parts.in_process) {
    LayOutProgramFolder(path_, parts);
    if (in_process_)
        SetProgramPath(program().string());
}

ProgramFolder::~ProgramFolder() {
    if (in_process_)
        SetProgramPath({});
}

std::string ProgramFolder::WindowsPath(const fs::path& name) const {
    return host::LinuxToWindowsPath((path_ / name).string());
}

bool ProgramFolder::SettingsExist() const {
    return fs::exists(settings());
}

void ProgramFolder::AddPlugin(const fs::path& library, std::string_view name) const {
    fs::create_directories(plugin_folder());
    fs::copy_file(library, plugin_folder() / name, fs::copy_options::overwrite_existing);
}

} // namespace platform::testing
