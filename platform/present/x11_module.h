// The X11 back end is a module of its own in the program folder, beside the layer's library:
// the layer loads it only when a window is to be shown on a display, so that the layer links no
// X library and a headless run maps none.
#pragma once

#include "present/x11/start.h"

#include <string>

namespace platform::present {

// The module's file name.
inline constexpr char kX11ModuleFile[] = "libpelmora-x11.so";

// Where the module is looked for: the folder the layer's own library was loaded from.
std::string X11ModulePath();

// The module's entry, the module loaded on the first call and kept for the life of the process;
// null with `error` saying what the loader said (the file missing, not a library, no entry).
x11::OpenEntry LoadX11Module(std::string& error);

} // namespace platform::present
