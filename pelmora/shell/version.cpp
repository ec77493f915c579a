#include "shell/version.h"

#include "shell/program.h"

void VersionEx::Initialize(VersionNumber version, LPCSTR suffix) {
    _v = version;
    // "major.minor[.build[.revision]]": at most 4 x 11 characters and three dots, well inside
    // the 72 bytes of _s together with a suffix the program keeps short.
    CHAR number[64];
    int n = wsprintfA(number, "%i.%i", version.major, version.minor);
    if (version.build >= 0) {
        n += wsprintfA(number + n, ".%i", version.build);
        if (version.revision >= 0)
            wsprintfA(number + n, ".%i", version.revision);
    }
    CHAR text[1024];
    wsprintfA(text, "%s %s", number, suffix ? suffix : "");
    lstrcpynA(_s, text, sizeof _s);
}

void SetVersionInfo(VersionEx* version) {
    pVersion = version;
}

LPCSTR GetVersionInfo() {
    return pVersion ? pVersion->GetText() : nullptr;
}
