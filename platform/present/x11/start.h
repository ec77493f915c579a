// The X11 back end's one entry, the OpenBackend of its module (libpelmora-x11.so), which the
// layer loads only when a display is to be used (present/backend_modules.h), so that the layer
// links no X library and a headless run maps none. No Xlib type appears here.
#pragma once

#include "present/backend.h"

#include <string>

extern "C" platform::present::Backend* PelmoraX11Open(const char* display, std::string* error);
