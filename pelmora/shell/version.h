// The program's version object: the version and its text (the numbers, a blank, the suffix).
#pragma once

#include <windows.h>

struct VersionNumber {
    int major;
    int minor;
    int build;    // negative: absent
    int revision; // negative: absent
};

class VersionEx {
public:
    void Initialize(VersionNumber version, LPCSTR suffix);
    LPCSTR GetText() const { return _s; }

private:
    VersionNumber _v{};
    CHAR _s[72]{};
};

void SetVersionInfo(VersionEx* version);
// The text of the program's version object, or null before it exists.
LPCSTR GetVersionInfo();
