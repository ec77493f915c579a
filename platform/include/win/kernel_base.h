// kernel32: strings, errors, messages, process, clock.
#pragma once

#include "../windef.h"
#include <stdarg.h>

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))

#define INFINITE 0xFFFFFFFF

typedef struct _SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *PSYSTEMTIME, *LPSYSTEMTIME;

typedef struct _OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
} OSVERSIONINFOA, *POSVERSIONINFOA, *LPOSVERSIONINFOA;
typedef OSVERSIONINFOA OSVERSIONINFO;

#define VER_PLATFORM_WIN32_NT 2

static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes");
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is 16 bytes");

PELMORA_BEGIN_EXTERN_C

// Strings. The A functions work in the ANSI code page (932 unless the layer is told otherwise).
LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2);
LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength);
LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2);
int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2);
int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2);
int WINAPI lstrlenA(LPCSTR lpString);
int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...);
int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arglist);
LPSTR WINAPI CharPrevA(LPCSTR lpszStart, LPCSTR lpszCurrent);
LPSTR WINAPI CharNextA(LPCSTR lpsz);
BOOL WINAPI IsDBCSLeadByte(BYTE TestChar);
UINT WINAPI GetACP(void);
BOOL WINAPI IsBadWritePtr(LPVOID lp, UINT_PTR ucb);

// Errors.
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD dwErrCode);
DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPSTR lpBuffer, DWORD nSize, va_list* Arguments);

// Process and time.
__attribute__((noreturn)) void WINAPI ExitProcess(UINT uExitCode);
void WINAPI Sleep(DWORD dwMilliseconds);
DWORD WINAPI GetTickCount(void);
ULONGLONG WINAPI GetTickCount64(void);
void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime);
void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime);
BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);
DWORD WINAPI GetCurrentProcessId(void);
DWORD WINAPI GetCurrentThreadId(void);

PELMORA_END_EXTERN_C

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

PELMORA_BEGIN_EXTERN_C
BOOL WINAPI CloseHandle(HANDLE hObject);
PELMORA_END_EXTERN_C
