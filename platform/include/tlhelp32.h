// Process snapshots (ANSI form).
#pragma once

#include "windows.h"

#define TH32CS_SNAPHEAPLIST 0x00000001
#define TH32CS_SNAPPROCESS 0x00000002
#define TH32CS_SNAPTHREAD 0x00000004
#define TH32CS_SNAPMODULE 0x00000008

typedef struct tagPROCESSENTRY32 {
    DWORD dwSize; // at least sizeof(PROCESSENTRY32) on the way in
    DWORD cntUsage;
    DWORD th32ProcessID;
    ULONG_PTR th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG pcPriClassBase;
    DWORD dwFlags;
    CHAR szExeFile[MAX_PATH];
} PROCESSENTRY32, *PPROCESSENTRY32, *LPPROCESSENTRY32;

static_assert(sizeof(PROCESSENTRY32) == 304, "PROCESSENTRY32 is 304 bytes");
static_assert(offsetof(PROCESSENTRY32, szExeFile) == 44, "PROCESSENTRY32 layout");

PELMORA_BEGIN_EXTERN_C

// A snapshot of the processes (TH32CS_SNAPPROCESS); close it with CloseHandle.
HANDLE WINAPI CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID);
BOOL WINAPI Process32First(HANDLE hSnapshot, LPPROCESSENTRY32 lppe);
BOOL WINAPI Process32Next(HANDLE hSnapshot, LPPROCESSENTRY32 lppe);

PELMORA_END_EXTERN_C
