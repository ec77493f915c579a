// The settings file reader and writer on arbitrary bytes: the reader must end with success or one
// of its error codes, and whatever it reads must be written back in a form that reads back into
// a tree that writes the very same bytes.
#include "settings/drive_profile.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20)
        return 0;
    CDriveProfile profile;
    if (!profile.LoadText(reinterpret_cast<LPCSTR>(data), DWORD(size))) {
        const DWORD code = profile.ErrorEnum;
        if (code < PROFILE_ERROR_NAMELESS_KEY || code > PROFILE_ERROR_TOO_DEEP)
            __builtin_trap();
        if (std::strlen(profile.ErrorIdentifier) > size_t(PROFILE_TOKEN_MAX))
            __builtin_trap();
        if (code != PROFILE_ERROR_STRAY_TEXT && profile.ErrorIdentifier[0])
            __builtin_trap();
        return 0;
    }
    const std::string first = profile.Render();
    CDriveProfile again;
    if (!again.LoadText(first.data(), DWORD(first.size())))
        __builtin_trap();
    if (again.Render() != first)
        __builtin_trap();
    return 0;
}
