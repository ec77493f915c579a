// The layer's side of modules. An HMODULE is the handle that dlopen returned for the library
// (dlopen(NULL) for the program itself), so every module handle can go straight to dlsym.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace platform {

// The address of an exported symbol that the module itself defines (not one of its
// dependencies), or null. Resource tables are found this way.
void* FindModuleSymbol(HMODULE module, const char* name);
// The Linux path of a loaded module (the program's for null), or nothing for an unknown handle.
std::optional<std::string> ModulePath(HMODULE module);
// The folder of the program's file, Linux form, with a trailing slash.
std::string ProgramDirectory();
// Makes the layer treat `linux_path` as the program's file (GetModuleFileNameA(NULL), the folder
// bare library names are looked for in). Tests point it into the build's program directory;
// an empty path restores /proc/self/exe.
void SetProgramPath(std::string linux_path);

} // namespace platform
