// Opens the X display for the presentation. No Xlib type appears here: the rest of the layer
// never includes Xlib.
#pragma once

#include "present/backend.h"

#include <memory>
#include <string>

namespace platform::present::x11 {

// The back end on the named display, or null with `error` saying why it could not be opened.
std::unique_ptr<Backend> Open(const std::string& display, std::string& error);

} // namespace platform::present::x11
