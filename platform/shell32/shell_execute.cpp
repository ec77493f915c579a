// ShellExecuteA opens a document or an address with the application the user chose for it:
// here the desktop's opener does, given the Linux path of a file or the address as it stands.
// Only opening is known; parameters are ignored as they are for a document, and the show
// command has nothing to act on.
#include "shell32/shell_execute.h"

#include "host/codepage.h"
#include "host/opener.h"
#include "host/paths.h"

#include <shellapi.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string_view>
#include <sys/stat.h>

namespace platform::shell32 {

namespace {

std::mutex recorder_mutex;
ShellRequestRecorder& Recorder() {
    static ShellRequestRecorder recorder;
    return recorder;
}

// What ShellExecuteA returns on success: any value above 32.
constexpr INT_PTR kStarted = 42;

bool IsDefaultVerb(LPCSTR verb) {
    if (!verb || !*verb)
        return true;
    std::string_view v(verb);
    constexpr std::string_view open = "open";
    if (v.size() != open.size())
        return false;
    for (size_t i = 0; i < v.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(v[i])) != open[i])
            return false;
    return true;
}

// "https://...", "mailto:...": a scheme of two or more characters before the colon (one letter
// is a drive).
bool IsAddress(std::string_view text) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < 2 ||
        !std::isalpha(static_cast<unsigned char>(text[0])))
        return false;
    for (char c : text.substr(0, colon)) {
        unsigned char u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

// The result and the last error of a refused request.
INT_PTR Refuse(INT_PTR result, DWORD error) {
    SetLastError(error);
    return result;
}

// The file's Linux path, always absolute (so the opener can never read it as an option), or
// the error value when the file is not there to open.
INT_PTR ResolveFile(std::string_view file, LPCSTR directory, std::string& target) {
    std::optional<std::string> path = host::WindowsToLinuxPath(file);
    if (!path)
        return Refuse(SE_ERR_PNF, ERROR_PATH_NOT_FOUND);
    std::filesystem::path linux_path(*path);
    if (linux_path.is_relative()) {
        std::optional<std::string> base;
        if (directory && *directory) {
            base = host::WindowsToLinuxPath(directory);
            if (!base)
                return Refuse(SE_ERR_PNF, ERROR_PATH_NOT_FOUND);
        }
        std::error_code ignored;
        linux_path = base ? std::filesystem::path(*base) / linux_path
                          : std::filesystem::absolute(linux_path, ignored);
        if (!linux_path.is_absolute())
            return Refuse(SE_ERR_PNF, ERROR_PATH_NOT_FOUND);
    }
    struct stat st {};
    if (stat(linux_path.c_str(), &st) != 0) {
        if (errno == EACCES)
            return Refuse(SE_ERR_ACCESSDENIED, ERROR_ACCESS_DENIED);
        struct stat parent {};
        bool folder_there = stat(linux_path.parent_path().c_str(), &parent) == 0;
        return folder_there ? Refuse(SE_ERR_FNF, ERROR_FILE_NOT_FOUND)
                            : Refuse(SE_ERR_PNF, ERROR_PATH_NOT_FOUND);
    }
    target = linux_path.string();
    return kStarted;
}

INT_PTR Start(const std::string& target) {
    int error = host::StartOpener(target);
    if (error == 0)
        return kStarted;
    if (error == ENOENT)
        return Refuse(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
    if (error == EACCES || error == EPERM)
        return Refuse(SE_ERR_ACCESSDENIED, ERROR_ACCESS_DENIED);
    if (error == ENOMEM || error == EAGAIN)
        return Refuse(SE_ERR_OOM, ERROR_NOT_ENOUGH_MEMORY);
    return Refuse(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
}

INT_PTR Execute(LPCSTR verb, LPCSTR file, LPCSTR directory, std::string& target) {
    if (!IsDefaultVerb(verb))
        return Refuse(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
    if (!file || !*file)
        return Refuse(SE_ERR_FNF, ERROR_FILE_NOT_FOUND);
    std::string_view text(file);
    if (IsAddress(text)) {
        target = host::AnsiToUtf8(text);
        return kStarted;
    }
    return ResolveFile(text, directory, target);
}

} // namespace

void SetShellRequestRecorder(ShellRequestRecorder recorder) {
    std::lock_guard lock(recorder_mutex);
    Recorder() = std::move(recorder);
}

} // namespace platform::shell32

using namespace platform::shell32;

PELMORA_BEGIN_EXTERN_C

HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                               LPCSTR lpDirectory, INT nShowCmd) {
    std::string target;
    INT_PTR result = Execute(lpOperation, lpFile, lpDirectory, target);
    ShellRequestRecorder recorder;
    {
        std::lock_guard lock(recorder_mutex);
        recorder = Recorder();
    }
    if (recorder) {
        ShellRequest request;
        request.owner = hwnd;
        request.verb = lpOperation ? lpOperation : "";
        request.file = lpFile ? lpFile : "";
        request.parameters = lpParameters ? lpParameters : "";
        request.directory = lpDirectory ? lpDirectory : "";
        request.show = nShowCmd;
        request.target = result > 32 ? target : std::string();
        request.result = result;
        recorder(request);
    } else if (result > 32) {
        result = Start(target);
    }
    return reinterpret_cast<HINSTANCE>(result);
}

PELMORA_END_EXTERN_C
