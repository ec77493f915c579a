#include "shell_doubles.h"

#include "shell/environment.h"
#include "shell/program.h"

namespace {

CHAR szAppDirectory[MAX_PATH] = "";
CHAR szResourceString[256];

} // namespace

namespace doubles {

void SetApplicationDirectory(const std::string& windowsFolder) {
    lstrcpynA(szAppDirectory, windowsFolder.c_str(), sizeof szAppDirectory);
}

} // namespace doubles

LPSTR GetApplicationDirectory() {
    return szAppDirectory;
}

LPSTR LoadResourceString(UINT id) {
    LPCSTR text = "";
    switch (id) {
    case 2:
        text = "\"=\" without a key name.";
        break;
    case 3:
        text = "\"[\" without a category name.";
        break;
    case 4:
        text = "\"]\" outside a category.";
        break;
    case 5:
        text = "\"%s\" is followed by neither \"=\" nor \"[\".";
        break;
    case 6:
        text = "A category is not closed.";
        break;
    case 7:
        text = "A line break is broken.";
        break;
    case 8:
        text = "A name or value is too long.";
        break;
    case 9:
        text = "The last line has no line break.";
        break;
    case 10:
        text = "Categories are nested too deeply.";
        break;
    case 17:
        text = "The settings file cannot be read.";
        break;
    }
    lstrcpynA(szResourceString, text, 255);
    return szResourceString;
}

void FatalExit(LPCSTR text) {
    throw doubles::FatalExitCalled{text};
}
