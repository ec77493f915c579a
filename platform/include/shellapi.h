// shell32: the tray area.
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

PELMORA_BEGIN_EXTERN_C
// Reads only the part of the record that cbSize covers.
BOOL WINAPI Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData);
PELMORA_END_EXTERN_C
