// kernel32: threads, events, mutexes, critical sections and waits; named memory sections.
#pragma once

#include "../windef.h"
#include "kernel_files.h"

#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_ABANDONED_0 0x00000080L
#define WAIT_TIMEOUT 258L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define MAXIMUM_WAIT_OBJECTS 64
#define STILL_ACTIVE 259L

typedef DWORD(WINAPI* PTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;

// The system's record is 40 bytes on x64; the layer keeps its own lock behind DebugInfo, which
// InitializeCriticalSection allocates and DeleteCriticalSection frees.
typedef struct _RTL_CRITICAL_SECTION {
    void* DebugInfo;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
} RTL_CRITICAL_SECTION, CRITICAL_SECTION, *PCRITICAL_SECTION, *LPCRITICAL_SECTION;

static_assert(sizeof(CRITICAL_SECTION) == 40, "CRITICAL_SECTION is 40 bytes");

// Access rights asked for when a mutex is opened (every handle has them all here).
#define SYNCHRONIZE 0x00100000L
#define MUTEX_MODIFY_STATE 0x0001
#define MUTEX_ALL_ACCESS 0x001F0001

// Page protections and view access of a section.
#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define FILE_MAP_WRITE 0x0002
#define FILE_MAP_READ 0x0004
#define FILE_MAP_ALL_ACCESS 0x000F001F

PELMORA_BEGIN_EXTERN_C

// A thread runs until its routine returns; its handle is signalled then, and its exit code is
// the routine's result. Only a flags value of 0 is taken (no suspended start).
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                           LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                           DWORD dwCreationFlags, LPDWORD lpThreadId);
BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);

// Events of this process; a named event is not offered (the name must be null).
HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                           BOOL bInitialState, LPCSTR lpName);
BOOL WINAPI SetEvent(HANDLE hEvent);
BOOL WINAPI ResetEvent(HANDLE hEvent);

// Timeouts are milliseconds of real time (INFINITE waits for ever): a wait is for another
// thread, which a test's manual clock does not drive.
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                    DWORD dwMilliseconds);

// Mutexes: a thread takes one by waiting for it, may take it again, and releases it as often
// as it took it. A named mutex is the same in every process that uses the layer, as the same
// user: CreateMutexA opens one that exists (GetLastError then says ERROR_ALREADY_EXISTS, and
// bInitialOwner is ignored), OpenMutexA only opens. A name held by a section is refused with
// ERROR_INVALID_HANDLE. When the owning thread or its process ends without releasing it, the
// next wait takes it with WAIT_ABANDONED_0 (+ its index). ReleaseMutex by a thread that does not
// own it fails with ERROR_NOT_OWNER.
HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner,
                           LPCSTR lpName);
HANDLE WINAPI OpenMutexA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
BOOL WINAPI ReleaseMutex(HANDLE hMutex);

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

// Named sections backed by shared memory (hFile must be INVALID_HANDLE_VALUE): every process
// that uses the layer, as the same user, opens the same section by the same name. A section
// that exists already is opened with its own size and contents, and GetLastError then says
// ERROR_ALREADY_EXISTS. A section lives while any process holds a handle or a view of it.
HANDLE WINAPI CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes,
                                 DWORD flProtect, DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow,
                                 LPCSTR lpName);
HANDLE WINAPI OpenFileMappingA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
LPVOID WINAPI MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess,
                            DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                            SIZE_T dwNumberOfBytesToMap);
BOOL WINAPI UnmapViewOfFile(LPCVOID lpBaseAddress);

PELMORA_END_EXTERN_C
