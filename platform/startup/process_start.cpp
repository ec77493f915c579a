// What the system does for a program before its entry runs: the end of a session comes to it
// as messages, and its windows have a screen to go to. This object runs before main, once the
// layer's library is initialised, and only in the program: loading the layer does none of it.
#include "present/present.h"
#include "user32/window_manager.h"

namespace {

const bool started = [] {
    // Taken from the start of the process: a stop signal that comes while the program is still
    // starting waits for its message loop, which ends the session then, instead of killing the
    // program before it could save anything.
    platform::user32::InstallSessionSignals();
    // The screen is opened before the program reads or writes a file, as the system's programs
    // find their desktop already there: one that cannot be opened ends the start before
    // anything is touched.
    platform::present::ChooseBackend();
    return true;
}();

} // namespace
