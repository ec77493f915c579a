// user32: window hooks, waits that also watch the message queue, sending with a timeout.
#pragma once

#include "../windef.h"

#define WH_CALLWNDPROCRET 12
#define HC_ACTION 0

typedef LRESULT(CALLBACK* HOOKPROC)(int code, WPARAM wParam, LPARAM lParam);

// What a WH_CALLWNDPROCRET hook receives in lParam: a message that a window procedure has just
// handled and its result. wParam is non-zero when the message was sent by this process.
typedef struct tagCWPRETSTRUCT {
    LRESULT lResult;
    LPARAM lParam;
    WPARAM wParam;
    UINT message;
    HWND hwnd;
} CWPRETSTRUCT, *PCWPRETSTRUCT, *LPCWPRETSTRUCT;

static_assert(sizeof(CWPRETSTRUCT) == 40, "CWPRETSTRUCT is 40 bytes");

// Kinds of queue input that MsgWaitForMultipleObjects watches.
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_HOTKEY 0x0080
#define QS_ALLPOSTMESSAGE 0x0100
#define QS_RAWINPUT 0x0400
#define QS_MOUSE (QS_MOUSEMOVE | QS_MOUSEBUTTON)
#define QS_INPUT (QS_MOUSE | QS_KEY | QS_RAWINPUT)
#define QS_ALLEVENTS (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY)
#define QS_ALLINPUT (QS_ALLEVENTS | QS_SENDMESSAGE)

#define SMTO_NORMAL 0x0000
#define SMTO_BLOCK 0x0001
#define SMTO_ABORTIFHUNG 0x0002
#define SMTO_NOTIMEOUTIFNOTHUNG 0x0008
#define SMTO_ERRORONEXIT 0x0020

PELMORA_BEGIN_EXTERN_C

// WH_CALLWNDPROCRET for one thread of this process, or for all of them (dwThreadId 0, which
// needs the module that holds the procedure). Hooks run newest first on the thread whose window
// procedure has just returned from a sent message; a procedure passes the call on with
// CallNextHookEx. Once UnhookWindowsHookEx has returned, the procedure is not called again.
HHOOK WINAPI SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId);
BOOL WINAPI UnhookWindowsHookEx(HHOOK hhk);
LRESULT WINAPI CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam);

// Returns WAIT_OBJECT_0 + nCount when input of a kind in dwWakeMask arrives in the calling
// thread's queue (messages sent from other threads count as QS_SENDMESSAGE).
DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                       DWORD dwMilliseconds, DWORD dwWakeMask);

// SendMessageA that gives up after uTimeout milliseconds of real time when the window belongs
// to another thread (0 with ERROR_TIMEOUT; a message not yet taken is withdrawn).
LRESULT WINAPI SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                                   UINT uTimeout, PDWORD_PTR lpdwResult);

PELMORA_END_EXTERN_C
