// Stand-ins for the shell's services that the plug-in host calls. FatalExit records its text,
// runs the plug-in host's shutdown step as the program's does, and throws instead of ending the
// process; resource strings are "String <id>".
#include "program_folder.h"

#include "plugin_host/plugin_list.h"
#include "shell/environment.h"
#include "shell/program.h"

void FatalExit(LPCSTR text) {
    PluginEvents().push_back(std::string("FatalExit ") + text);
    UnloadPlugins();
    throw FatalExitCalled{text};
}

LPSTR LoadResourceString(UINT id) {
    static CHAR szResourceString[256];
    wsprintfA(szResourceString, "String %u", id);
    return szResourceString;
}

// The program file's path cut after its last backslash, read each time so that every case's
// program folder counts.
LPSTR GetApplicationDirectory() {
    static CHAR szAppDirectory[MAX_PATH];
    GetModuleFileNameA(nullptr, szAppDirectory, MAX_PATH);
    LPSTR end = szAppDirectory + lstrlenA(szAppDirectory);
    while (end > szAppDirectory && *end != '\\')
        end = CharPrevA(szAppDirectory, end);
    if (*end == '\\')
        end[1] = '\0';
    return szAppDirectory;
}
