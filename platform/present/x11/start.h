// The X11 back end's one entry. The back end is a module of its own (libpelmora-x11.so), which
// the layer loads only when a display is to be used (present/x11_module.h), so that the layer
// links no X library and a headless run maps none. No Xlib type appears here.
#pragma once

#include "present/backend.h"

#include <string>

namespace platform::present::x11 {

// The name the module exports its entry under.
inline constexpr char kOpenEntryName[] = "PelmoraX11Open";

// The entry: the back end on the named display (the caller owns it), or null with `*error`
// saying why the display could not be opened.
using OpenEntry = Backend* (*)(const char* display, std::string* error);

} // namespace platform::present::x11

extern "C" platform::present::Backend* PelmoraX11Open(const char* display, std::string* error);
