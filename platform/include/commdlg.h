#pragma once

#include "windows.h"
#include "win/comdlg_font_file.h"

#include <cstddef>

// ChooseColorA: the colour dialog.
typedef UINT_PTR(CALLBACK* LPCCHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagCHOOSECOLORA {
    DWORD lStructSize;
    HWND hwndOwner;
    HWND hInstance;
    COLORREF rgbResult;
    COLORREF* lpCustColors; // 16 colours, read at the start and written back on OK
    DWORD Flags;
    LPARAM lCustData;
    LPCCHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
} CHOOSECOLORA, *LPCHOOSECOLORA;

static_assert(sizeof(CHOOSECOLORA) == 72, "CHOOSECOLORA is 72 bytes");
static_assert(offsetof(CHOOSECOLORA, rgbResult) == 24 && offsetof(CHOOSECOLORA, Flags) == 40,
              "CHOOSECOLORA keeps its 64-bit layout");

#define CC_RGBINIT 0x00000001
#define CC_FULLOPEN 0x00000002
#define CC_PREVENTFULLOPEN 0x00000004
#define CC_SHOWHELP 0x00000008
#define CC_ENABLEHOOK 0x00000010
#define CC_ENABLETEMPLATE 0x00000020
#define CC_ENABLETEMPLATEHANDLE 0x00000040
#define CC_SOLIDCOLOR 0x00000080
#define CC_ANYCOLOR 0x00000100

PELMORA_BEGIN_EXTERN_C
// TRUE with rgbResult (and the custom colours) set when the user confirms; FALSE on cancel or
// for a bad record, which then changes nothing.
BOOL WINAPI ChooseColorA(LPCHOOSECOLORA lpcc);
PELMORA_END_EXTERN_C

#define ChooseColor ChooseColorA
