// user32: global hot keys.
#pragma once

#include "../windef.h"

#define MOD_ALT 0x0001
#define MOD_CONTROL 0x0002
#define MOD_SHIFT 0x0004
#define MOD_WIN 0x0008
#define MOD_NOREPEAT 0x4000


PELMORA_BEGIN_EXTERN_C
BOOL WINAPI RegisterHotKey(HWND hWnd, int id, UINT fsModifiers, UINT vk);
BOOL WINAPI UnregisterHotKey(HWND hWnd, int id);
PELMORA_END_EXTERN_C
