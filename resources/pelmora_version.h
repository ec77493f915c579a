// The program's version, defined here alone: the program's version object, the About line and
// the version resources of the Windows files all take it from this header, and the build reads
// its four numbers for the project's own version and the manifest.
#pragma once

#define PELMORA_VERSION_MAJOR 2
#define PELMORA_VERSION_MINOR 6
#define PELMORA_VERSION_BUILD 0
#define PELMORA_VERSION_REVISION 0

// The same four numbers as a text ("2.6.0.0"), for the version resources: made from the numbers
// by the preprocessor, so the two cannot disagree. The second macro expands a number's name
// before the first turns it into a text.
#define PELMORA_VERSION_QUOTE(n) #n
#define PELMORA_VERSION_STRING(n) PELMORA_VERSION_QUOTE(n)
// clang-format off
#define PELMORA_VERSION_TEXT                                                                       \
    PELMORA_VERSION_STRING(PELMORA_VERSION_MAJOR) "." PELMORA_VERSION_STRING(PELMORA_VERSION_MINOR) \
    "." PELMORA_VERSION_STRING(PELMORA_VERSION_BUILD) "." PELMORA_VERSION_STRING(PELMORA_VERSION_REVISION)
// clang-format on
