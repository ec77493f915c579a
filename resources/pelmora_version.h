// The program's version, defined here alone: the program's version object, the About line and
// the version resources of the Windows files all take it from this header, and the build reads
// it for the project's own version.
#pragma once

#define PELMORA_VERSION_MAJOR 2
#define PELMORA_VERSION_MINOR 6
#define PELMORA_VERSION_BUILD 0
#define PELMORA_VERSION_REVISION 0
// The same four numbers as a text, for the version resources (the build checks that they agree).
#define PELMORA_VERSION_TEXT "2.6.0.0"
