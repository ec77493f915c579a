// A program folder of its own for one test, laid out as the build's program folder is: the
// program's file, the layer and its back-end modules, the resource library and the plug-in folder
// side by side, and the settings file the program reads and writes there. It lives in a
// TemporaryFolder, so suites running side by side on one machine never share one.
#pragma once

#include "testing/temporary_folder.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform::testing {

// The plug-in folder's name within a program folder.
inline constexpr std::string_view kPluginFolderName = "Plug-ins (x64)";
// The settings file's name within a program folder.
inline constexpr std::string_view kSettingsFileName = "Pelmora.pmu";

// What of the build's program folder a program folder holds.
struct ProgramParts {
    enum class Plugins {
        None,  // no plug-in folder at all
        Empty, // an empty plug-in folder
        Build, // copies of the build's plug-ins
    };
    // Copies of the program, the layer and its back-end modules (and the read-me when the build has
    // one), so that the program can be started from the folder. Without them "pelmora" is only a
    // name, which the tests that run the program in their own process give the layer (see
    // `in_process`).
    bool executable = false;
    // The build's resource library: a copy beside a copied program, a link otherwise.
    bool resources = true;
    Plugins plugins = Plugins::Empty;
    // The program folder is this many characters longer than the temporary folder holding it,
    // through a nested folder: 0 (the temporary folder itself), or 2 and more (a separator and
    // a name).
    size_t extra_length = 0;
    // While the folder lives, this process is the program in it: GetModuleFileNameA(NULL) names
    // "<folder>/pelmora" and bare library names are looked for there. Afterwards the process is
    // itself again.
    bool in_process = false;
};

// Lays out `folder` (made when missing) with the parts of the build's program folder named in
// `parts` (all but `extra_length` and `in_process`).
void LayOutProgramFolder(const std::filesystem::path& folder, const ProgramParts& parts);

class ProgramFolder {
public:
    // The temporary folder's name starts with prefix ("pelmora-program").
    explicit ProgramFolder(std::string_view prefix, ProgramParts parts = {});
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    // The program folder.
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }
    std::filesystem::path program() const { return path_ / "pelmora"; }
    std::filesystem::path plugin_folder() const { return path_ / kPluginFolderName; }
    std::filesystem::path settings() const { return path_ / kSettingsFileName; }
    // A path in the program folder as the program names it; without a name, the folder itself
    // with a trailing backslash (GetApplicationDirectory).
    std::string WindowsPath(const std::filesystem::path& name = {}) const;

    // A file of the program folder (a name relative to it), read or written whole.
    std::string ReadFile(const std::filesystem::path& name) const {
        return ReadWholeFile(path_ / name);
    }
    void WriteFile(const std::filesystem::path& name, std::string_view contents) const {
        WriteWholeFile(path_ / name, contents);
    }
    std::string ReadSettings() const { return ReadFile(kSettingsFileName); }
    void WriteSettings(std::string_view text) const { WriteFile(kSettingsFileName, text); }
    bool SettingsExist() const;
    // A copy of `library` in the plug-in folder (made when missing) under `name`, replacing what
    // was there: each copy is a file of its own, and so a library of its own to the loader.
    void AddPlugin(const std::filesystem::path& library, std::string_view name) const;

private:
    TemporaryFolder root_;
    std::filesystem::path path_;
    bool in_process_;
};

} // namespace platform::testing
