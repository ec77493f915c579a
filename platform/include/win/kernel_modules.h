// kernel32: libraries and modules.
#pragma once

#include "../windef.h"

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

PELMORA_BEGIN_EXTERN_C

// A bare name is looked for in the program's folder and nowhere else; a name without an
// extension gets ".dll". An exported DllMain is called with attach on the first load and with
// detach on the last FreeLibrary, as the system does.
HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName);
BOOL WINAPI FreeLibrary(HMODULE hLibModule);
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule);

// A library's own entry point, which the loader finds by name: declared here with C linkage and
// exported, so that a library's definition needs no further words.
__attribute__((visibility("default"))) BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason,
                                                           LPVOID lpvReserved);

PELMORA_END_EXTERN_C
