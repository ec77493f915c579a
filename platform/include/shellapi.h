// shell32: the tray area and opening files and addresses.
#pragma once

#include "windows.h"

#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002

#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004
#define NIF_STATE 0x00000008
#define NIF_INFO 0x00000010

typedef struct _NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    union {
        UINT uTimeout;
        UINT uVersion;
    };
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    struct {
        DWORD Data1;
        WORD Data2;
        WORD Data3;
        BYTE Data4[8];
    } guidItem;
    HICON hBalloonIcon;
} NOTIFYICONDATAA, *PNOTIFYICONDATAA;

// The first form of the record: up to a tip of 64 characters.
#define NOTIFYICONDATAA_V1_SIZE 104

static_assert(sizeof(NOTIFYICONDATAA) == 528, "NOTIFYICONDATAA is 528 bytes");

// The failures that ShellExecuteA reports instead of a value above 32.
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

PELMORA_BEGIN_EXTERN_C
// Reads only the part of the record that cbSize covers.
BOOL WINAPI Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData);
// Opens a file (a Windows path, relative to lpDirectory when given) or an address ("https:",
// "mailto:") with the desktop's opener; the default verb (null or "open") is the only one.
// Returns a value above 32 when the opener started, else one of the SE_ERR_ values.
HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                               LPCSTR lpDirectory, INT nShowCmd);
PELMORA_END_EXTERN_C

#define ShellExecute ShellExecuteA
