// imm32: input contexts and their open status.
#pragma once

#include "windows.h"

#define WM_IME_NOTIFY 0x0282

// wParam of WM_IME_NOTIFY.
#define IMN_CLOSESTATUSWINDOW 0x0001
#define IMN_OPENSTATUSWINDOW 0x0002
#define IMN_SETOPENSTATUS 0x0008

PELMORA_BEGIN_EXTERN_C

// A window has the input context of its thread unless ImmAssociateContext gave it another one or
// none. A context's open status starts closed; a change sends WM_IME_NOTIFY with
// IMN_SETOPENSTATUS to every window that has the context. WM_IME_NOTIFY is declared here rather
// than in winuser.h, so that a file that uses it includes this header, as it must for the rest.
HIMC WINAPI ImmGetContext(HWND hWnd);
BOOL WINAPI ImmReleaseContext(HWND hWnd, HIMC hIMC);
BOOL WINAPI ImmGetOpenStatus(HIMC hIMC);
BOOL WINAPI ImmSetOpenStatus(HIMC hIMC, BOOL fOpen);
// Gives the window the context, or none for null; returns the context the window had.
HIMC WINAPI ImmAssociateContext(HWND hWnd, HIMC hIMC);

PELMORA_END_EXTERN_C
