#include "kernel32/modules.h"

#include "host/codepage.h"
#include "host/paths.h"
#include "host/process_info.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <link.h>
#include <map>
#include <mutex>
#include <sys/stat.h>

namespace platform {

namespace {

typedef BOOL(WINAPI* DllMainProc)(HINSTANCE, DWORD, LPVOID);

struct Module {
    std::string path; // Linux path, as opened
    int references = 0;
};

std::recursive_mutex modules_mutex;
std::map<void*, Module>& Modules() {
    static std::map<void*, Module> modules;
    return modules;
}

std::string& ProgramPathOverride() {
    static std::string path;
    return path;
}

void* ProgramHandle() {
    static void* handle = dlopen(nullptr, RTLD_NOW);
    return handle;
}

std::string ProgramPath() {
    if (!ProgramPathOverride().empty())
        return ProgramPathOverride();
    return host::ExecutablePath();
}

// Where the executable is mapped: the first object dl_iterate_phdr reports is the program.
void* ProgramBase() {
    static void* base = [] {
        void* found = nullptr;
        dl_iterate_phdr(
            [](dl_phdr_info* info, size_t, void* data) -> int {
                uintptr_t lowest = UINTPTR_MAX;
                for (int i = 0; i < info->dlpi_phnum; ++i) {
                    if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_phdr[i].p_vaddr < lowest)
                        lowest = info->dlpi_phdr[i].p_vaddr;
                }
                *static_cast<void**>(data) = reinterpret_cast<void*>(info->dlpi_addr + lowest);
                return 1;
            },
            &found);
        return found;
    }();
    return base;
}

std::string FileNameOf(std::string_view path) {
    size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool IsElf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char magic[4] = {};
    file.read(magic, 4);
    return file.gcount() == 4 && std::memcmp(magic,
                                             "\x7F"
                                             "ELF",
                                             4) == 0;
}

DllMainProc FindDllMain(void* handle) {
    return reinterpret_cast<DllMainProc>(FindModuleSymbol(static_cast<HMODULE>(handle), "DllMain"));
}

// The Linux path that LoadLibraryA opens for a name.
std::optional<std::string> ResolveLibraryPath(LPCSTR name) {
    std::string_view text(name);
    bool has_path = text.find_first_of("\\/:") != std::string_view::npos;
    std::string path;
    if (has_path) {
        std::optional<std::string> mapped = host::WindowsToLinuxPath(text);
        if (!mapped)
            return std::nullopt;
        path = *mapped;
    } else {
        path = ProgramDirectory() + host::AnsiToUtf8(text);
    }
    std::string file = FileNameOf(path);
    if (!file.empty() && file.back() == '.')
        path.pop_back();
    else if (file.find('.') == std::string::npos)
        path += ".dll";
    return path;
}

} // namespace

void* FindModuleSymbol(HMODULE module, const char* name) {
    void* handle = module ? static_cast<void*>(module) : ProgramHandle();
    void* symbol = dlsym(handle, name);
    if (!symbol)
        return nullptr;
    // dlsym also searches the module's dependencies; keep only what the module itself defines.
    link_map* map = nullptr;
    Dl_info info{};
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || dladdr(symbol, &info) == 0)
        return nullptr;
    if (handle == ProgramHandle())
        return info.dli_fbase == ProgramBase() ? symbol : nullptr;
    if (info.dli_fbase == reinterpret_cast<void*>(map->l_addr) ||
        (info.dli_fname && map->l_name && std::strcmp(info.dli_fname, map->l_name) == 0))
        return symbol;
    return nullptr;
}

std::optional<std::string> ModulePath(HMODULE module) {
    if (!module || static_cast<void*>(module) == ProgramHandle())
        return ProgramPath();
    std::lock_guard lock(modules_mutex);
    auto it = Modules().find(static_cast<void*>(module));
    if (it == Modules().end())
        return std::nullopt;
    return it->second.path;
}

std::string ProgramDirectory() {
    std::string path = ProgramPath();
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

void SetProgramPath(std::string linux_path) {
    ProgramPathOverride() = std::move(linux_path);
}

// A folder whose name the ANSI code page cannot spell reaches the program with "?" in its
// place, and the program would look for its settings and plug-ins in a folder that does not
// exist, silently. The first time the program asks for its own path, before it has read or
// written any file of its folder, the user is told which folder and which setting would work,
// and the process ends.
void StopUnlessFolderFitsCodePage(const std::string& folder) {
    if (host::AnsiToUtf8(host::Utf8ToAnsi(folder)) == folder)
        return;
    std::fprintf(stderr,
                 "The program's folder \"%s\" has a name that code page %u cannot spell, so the "
                 "program cannot find its files there. Start it with "
                 "PELMORA_PLATFORM_CODEPAGE=65001, or move it to a folder whose name code page "
                 "%u can spell.\n",
                 folder.c_str(), host::AnsiCodePage(), host::AnsiCodePage());
    std::fflush(stderr);
    ExitProcess(1);
}

// The backslash separates folders in the Windows form, so a name holding one comes back from
// that form as other folders: run from "/x/a\b/", the program would read and overwrite the
// settings of "/x/a/b/" and load its plug-ins. As for a name the code page cannot spell, the
// user is told before any file of the folder is read or written, and the process ends.
void StopIfPathHoldsABackslash(const std::string& program_path) {
    const std::string folder = ProgramDirectory();
    // A backslash within the folder that a drive letter stands for is not in the Windows form
    // at all, and harms nothing.
    const bool folder_changes =
        folder.find('\\') != std::string::npos &&
        host::WindowsToLinuxPath(host::LinuxToWindowsPath(folder)) != folder;
    const bool file_changes =
        program_path.find('\\', std::min(folder.size(), program_path.size())) != std::string::npos;
    if (folder_changes)
        std::fprintf(stderr,
                     "The program's folder \"%s\" has a backslash in its name, which the "
                     "program would read as a separator of folders and so use the files of "
                     "another folder. Move it to a folder whose name holds no backslash.\n",
                     folder.c_str());
    else if (file_changes)
        std::fprintf(stderr,
                     "The program's file \"%s\" has a backslash in its name, which the program "
                     "would read as a separator of folders and so use the files of another "
                     "folder. Rename it to a name that holds no backslash.\n",
                     program_path.c_str());
    else
        return;
    std::fflush(stderr);
    ExitProcess(1);
}

} // namespace platform

PELMORA_BEGIN_EXTERN_C

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    using namespace platform;
    if (!lpLibFileName || !*lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::optional<std::string> path = ResolveLibraryPath(lpLibFileName);
    struct stat st {};
    if (!path || stat(path->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (!IsElf(*path)) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    std::lock_guard lock(modules_mutex);
    void* handle = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        // An ELF file that does not load: a missing dependency, or a library of another kind.
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    Module& module = Modules()[handle];
    if (module.references++ > 0) {
        dlclose(handle); // dlopen counted it once more; the first load's reference stays
        return static_cast<HMODULE>(handle);
    }
    module.path = *path;
    if (DllMainProc dll_main = FindDllMain(handle)) {
        if (!dll_main(static_cast<HINSTANCE>(handle), DLL_PROCESS_ATTACH, nullptr)) {
            dll_main(static_cast<HINSTANCE>(handle), DLL_PROCESS_DETACH, nullptr);
            Modules().erase(handle);
            dlclose(handle);
            SetLastError(ERROR_DLL_INIT_FAILED);
            return nullptr;
        }
    }
    return static_cast<HMODULE>(handle);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    using namespace platform;
    std::lock_guard lock(modules_mutex);
    void* handle = static_cast<void*>(hLibModule);
    auto it = Modules().find(handle);
    if (!handle || it == Modules().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--it->second.references > 0)
        return TRUE;
    if (DllMainProc dll_main = FindDllMain(handle))
        dll_main(static_cast<HINSTANCE>(handle), DLL_PROCESS_DETACH, nullptr);
    Modules().erase(it);
    dlclose(handle);
    return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    using namespace platform;
    if (!lpProcName || IS_INTRESOURCE(lpProcName)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    if (hModule && static_cast<void*>(hModule) != ProgramHandle()) {
        std::lock_guard lock(modules_mutex);
        if (!Modules().contains(static_cast<void*>(hModule))) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
    }
    void* symbol = FindModuleSymbol(hModule, lpProcName);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    using namespace platform;
    if (!lpModuleName)
        return static_cast<HMODULE>(ProgramHandle());
    std::string wanted = host::AnsiToUtf8(lpModuleName);
    size_t sep = wanted.find_last_of("\\/");
    if (sep != std::string::npos)
        wanted = wanted.substr(sep + 1);
    if (wanted.find('.') == std::string::npos)
        wanted += ".dll";
    std::lock_guard lock(modules_mutex);
    for (const auto& [handle, module] : Modules()) {
        if (strcasecmp(FileNameOf(module.path).c_str(), wanted.c_str()) == 0)
            return static_cast<HMODULE>(handle);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

// Too small a buffer gets the path cut to nSize - 1 characters, and the result is nSize with
// ERROR_INSUFFICIENT_BUFFER, as the system does.
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    using namespace platform;
    std::optional<std::string> path = ModulePath(hModule);
    if (!path) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (!hModule || static_cast<void*>(hModule) == ProgramHandle()) {
        StopUnlessFolderFitsCodePage(ProgramDirectory());
        StopIfPathHoldsABackslash(*path);
    }
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::string windows = host::LinuxToWindowsPath(*path);
    if (windows.size() >= nSize) {
        std::memcpy(lpFilename, windows.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, windows.c_str(), windows.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return DWORD(windows.size());
}

BOOL WINAPI DisableThreadLibraryCalls(HMODULE) {
    return TRUE;
}

PELMORA_END_EXTERN_C
