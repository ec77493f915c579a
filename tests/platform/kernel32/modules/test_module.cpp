// A small library for the module tests: counts its attach and detach calls in a file-level
// counter that the test reads back through an exported function. Its attach turns off the
// thread notifications, as a plug-in's DllMain does.
#include <windows.h>

static int attach_count = 0;
static int detach_count = 0;
static int thread_calls_disabled = 0;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        ++attach_count;
        thread_calls_disabled = DisableThreadLibraryCalls(instance) ? 1 : 0;
    }
    if (reason == DLL_PROCESS_DETACH)
        ++detach_count;
#ifdef TEST_MODULE_REFUSES_ATTACH
    return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
#else
    return TRUE;
#endif
}

extern "C" int TestModuleAttachCount() {
    return attach_count;
}
extern "C" int TestModuleDetachCount() {
    return detach_count;
}
extern "C" int TestModuleThreadCallsDisabled() {
    return thread_calls_disabled;
}
// Calls into the layer, so the library depends on it (its symbols must not leak into lookups).
extern "C" DWORD TestModuleTick() {
    return GetTickCount();
}
