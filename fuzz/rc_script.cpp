// The resource compiler's reader on arbitrary scripts and icon files: an error is a value, never
// a crash or a read outside the input.
#include "icon_file.h"
#include "script.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the reader; the rest is its input.
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        (void)rc::DecodeIconFile(
            std::span(reinterpret_cast<const uint8_t*>(input.data()), input.size()));
    } else {
        // Includes and icon files are looked for in a folder that does not exist.
        (void)rc::ParseScriptText(input, "/nonexistent/fuzz.rc");
    }
    return 0;
}
