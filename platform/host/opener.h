// The desktop's opener: the program that opens a file or an address with the application the
// user chose for it (xdg-open).
#pragma once

#include <string>

namespace platform::host {

// Starts the opener on one argument, a Linux path or an address (UTF-8), straight from an
// argument vector: no shell sees the text, so nothing in it is ever run as a command. Does not
// wait for the opener to finish. The opener is looked for in the absolute folders of PATH only,
// never in the current folder. Returns 0 when it started, else the errno of the failure
// (ENOENT when no opener is installed).
int StartOpener(const std::string& target);

} // namespace platform::host
