// A plug-in for the host's tests, built once per variant; compile definitions choose what it
// gets wrong. Every entry call is reported to the test program through its exported
// TestPluginRecord, as "<file name> <event>", so a test sees which library did what, in order.
//
// Unless TEST_PLUGIN_NAME or TEST_PLUGIN_LONG_NAME says otherwise, the display name is the file
// name up to its first "_" or ".": copies named Alpha_1.pmp and Alpha_2.pmp share the name Alpha.
#include "pmp.h"

#ifndef TEST_PLUGIN_TYPE
#define TEST_PLUGIN_TYPE PMP_TYPE_REGULAR
#endif
#ifndef TEST_PLUGIN_GRAPHS
#define TEST_PLUGIN_GRAPHS PMP_GRAPHS_TWO
#endif
#ifndef TEST_PLUGIN_ITEMS
#define TEST_PLUGIN_ITEMS 2
#endif
#ifndef TEST_PLUGIN_INIT_RESULT
#define TEST_PLUGIN_INIT_RESULT 1
#endif

namespace {

typedef void (*RecordProc)(LPCSTR event);

RecordProc record = nullptr;
CHAR fileName[MAX_PATH];
CHAR name[MAX_PATH];
CHAR description[MAX_PATH + 32];

#ifdef TEST_PLUGIN_LONG_NAME
// 260 single-byte characters, then a double-byte character (code page 932) across the
// 261-byte mark, then more.
const char* LongName() {
    static CHAR text[300];
    int n = 0;
    for (; n < 260; ++n)
        text[n] = 'a';
    text[n++] = '\x82';
    text[n++] = '\xA0';
    for (; n < 290; ++n)
        text[n] = 'z';
    text[n] = '\0';
    return text;
}
#endif

void Record(LPCSTR event) {
    if (!record)
        return;
    CHAR line[MAX_PATH + 64];
    wsprintfA(line, "%s %s", fileName, event);
    record(line);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        record = reinterpret_cast<RecordProc>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleA(nullptr), "TestPluginRecord")));
        CHAR path[MAX_PATH];
        DWORD n = GetModuleFileNameA(instance, path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH)
            path[0] = '\0';
        LPCSTR base = path;
        for (LPCSTR p = path; *p; p = CharNextA(p))
            if (*p == '\\')
                base = p + 1;
        lstrcpyA(fileName, base);
        int i = 0;
        for (; fileName[i] && fileName[i] != '_' && fileName[i] != '.'; ++i)
            name[i] = fileName[i];
        name[i] = '\0';
        wsprintfA(description, "Description of %s", fileName);
        Record("attach");
    }
    if (reason == DLL_PROCESS_DETACH)
        Record("detach");
    return TRUE;
}

#ifndef TEST_PLUGIN_WITHOUT_INITIALIZE
DWORD WINAPI PMPInitialize(PMPINFO* info) {
    Record("initialize");
    info->dwType = TEST_PLUGIN_TYPE;
#ifdef TEST_PLUGIN_NAME
    info->pszName = TEST_PLUGIN_NAME;
#elif defined(TEST_PLUGIN_LONG_NAME)
    info->pszName = LongName();
#else
    info->pszName = name;
#endif
    info->dwAvailableGraphs = TEST_PLUGIN_GRAPHS;
    info->dwFormatParams = 1;
    info->pszParamNames[0] = "value";
    info->pszDefaultFormat = "%1";
    info->pszDescription = description;
    info->dwDataItems = TEST_PLUGIN_ITEMS;
#ifdef TEST_PLUGIN_NO_NAME
    info->pszName = nullptr;
#endif
#ifdef TEST_PLUGIN_NO_DESCRIPTION
    info->pszDescription = nullptr;
#endif
#ifdef TEST_PLUGIN_NO_DEFAULT_FORMAT
    info->pszDefaultFormat = nullptr;
#endif
    return TEST_PLUGIN_INIT_RESULT;
}
#endif

#ifndef TEST_PLUGIN_WITHOUT_FINALIZE
void WINAPI PMPFinalize(void) {
    Record("finalize");
}
#endif

#ifndef TEST_PLUGIN_WITHOUT_BEFORE_OPERATION
void WINAPI PMPBeforeOperation(DWORD, HWND, DWORD, PMPDATA*) {
    Record("before");
}
#endif

#ifndef TEST_PLUGIN_WITHOUT_AFTER_OPERATION
void WINAPI PMPAfterOperation(DWORD) {
    Record("after");
}
#endif

#ifndef TEST_PLUGIN_WITHOUT_GET_DATA
void WINAPI PMPGetData(DWORD, PMPDATA* data) {
    data->dwMaxValue = 100;
    data->dwCurrentValue1 = 50;
    data->pszFormatParams[0] = "50";
}
#endif

#ifndef TEST_PLUGIN_WITHOUT_DETAIL_SETTINGS
// 10 plus the item number, so a test sees which item was asked for.
DWORD WINAPI PMPShowDetailSettings(DWORD dwPluralNumber, HWND hOwner) {
    CHAR event[64];
    wsprintfA(event, "detail %u %s", dwPluralNumber, hOwner ? "owned" : "unowned");
    Record(event);
    return 10 + dwPluralNumber;
}
#endif
