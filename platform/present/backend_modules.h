// The back ends that put windows on a real screen are modules of their own in the program folder,
// beside the layer's library: the layer loads one only when its screen is to be used, so that the
// layer links no library of that screen and a headless run maps none.
#pragma once

#include "present/backend.h"

#include <string>

namespace platform::present {

struct BackendModule {
    const char* screen_variable; // the environment variable that names the screen to open
    const char* file;            // the module's file name
    const char* entry;           // the name it exports its OpenBackend under
    const char* kind;            // in messages: "the <kind> module"
    const char* screen;          // in messages: "the <screen> \"<name>\""
};

// Looked at in order: the first whose variable is set (and PELMORA_PLATFORM_HEADLESS is not 1)
// shows the windows.
inline constexpr BackendModule kBackendModules[] = {
    {"DISPLAY", "libpelmora-x11.so", "PelmoraX11Open", "X11", "X display"},
};

// Where the module is looked for: the folder the layer's own library was loaded from.
std::string BackendModulePath(const BackendModule& module);

// The module's entry, the module loaded on the first call and kept for the life of the process;
// null with `error` saying what the loader said (the file missing, not a library, no entry).
OpenBackend LoadBackendModule(const BackendModule& module, std::string& error);

} // namespace platform::present
