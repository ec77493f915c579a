// comdlg32: the font dialog and the dialog that opens a file, and their error codes.
#pragma once

#include "../windef.h"
#include "gdi.h"

// CommDlgExtendedError after a common dialog returned FALSE (0: the user cancelled).
#define CDERR_DIALOGFAILURE 0xFFFF
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define CDERR_NOTEMPLATE 0x0003
#define CDERR_NOHINSTANCE 0x0004
#define CDERR_LOADSTRFAILURE 0x0005
#define CDERR_FINDRESFAILURE 0x0006
#define CDERR_LOADRESFAILURE 0x0007
#define CDERR_LOCKRESFAILURE 0x0008
#define CDERR_MEMALLOCFAILURE 0x0009
#define CDERR_MEMLOCKFAILURE 0x000A
#define CDERR_NOHOOK 0x000B
#define CFERR_NOFONTS 0x2001
#define CFERR_MAXLESSTHANMIN 0x2002
#define FNERR_SUBCLASSFAILURE 0x3001
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

typedef UINT_PTR(CALLBACK* LPCFHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

// ChooseFontA.
#define CF_SCREENFONTS 0x00000001
#define CF_PRINTERFONTS 0x00000002
#define CF_BOTH (CF_SCREENFONTS | CF_PRINTERFONTS)
#define CF_SHOWHELP 0x00000004
#define CF_ENABLEHOOK 0x00000008
#define CF_ENABLETEMPLATE 0x00000010
#define CF_ENABLETEMPLATEHANDLE 0x00000020
#define CF_INITTOLOGFONTSTRUCT 0x00000040
#define CF_USESTYLE 0x00000080
#define CF_EFFECTS 0x00000100
#define CF_APPLY 0x00000200
#define CF_LIMITSIZE 0x00002000
#define CF_FIXEDPITCHONLY 0x00004000
#define CF_FORCEFONTEXIST 0x00010000
#define CF_SCALABLEONLY 0x00020000
#define CF_NOVERTFONTS 0x01000000

#define BOLD_FONTTYPE 0x0100
#define ITALIC_FONTTYPE 0x0200
#define REGULAR_FONTTYPE 0x0400
#define SCREEN_FONTTYPE 0x2000

typedef struct tagCHOOSEFONTA {
    DWORD lStructSize;
    HWND hwndOwner;
    HDC hDC;
    LPLOGFONTA lpLogFont;
    INT iPointSize; // tenths of a point
    DWORD Flags;
    COLORREF rgbColors;
    LPARAM lCustData;
    LPCFHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    HINSTANCE hInstance;
    LPSTR lpszStyle;
    WORD nFontType;
    WORD ___MISSING_ALIGNMENT__;
    INT nSizeMin;
    INT nSizeMax;
} CHOOSEFONTA, *LPCHOOSEFONTA;
typedef CHOOSEFONTA CHOOSEFONT;

static_assert(sizeof(CHOOSEFONTA) == 104, "CHOOSEFONTA is 104 bytes");
static_assert(offsetof(CHOOSEFONTA, lpLogFont) == 24 && offsetof(CHOOSEFONTA, nFontType) == 88,
              "CHOOSEFONTA keeps its 64-bit layout");

// GetOpenFileNameA.
#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_EXPLORER 0x00080000
#define OFN_NODEREFERENCELINKS 0x00100000
#define OFN_LONGNAMES 0x00200000

typedef struct tagOFNA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter; // pairs of description and pattern, each ending in NUL; a NUL ends them
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex; // from 1
    LPSTR lpstrFile;
    DWORD nMaxFile; // bytes of lpstrFile, the terminator included
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
} OPENFILENAMEA, *LPOPENFILENAMEA;
typedef OPENFILENAMEA OPENFILENAME;

// The structure without the fields that Windows 2000 added.
#define OPENFILENAME_SIZE_VERSION_400A 136
#define OPENFILENAME_SIZE_VERSION_400 OPENFILENAME_SIZE_VERSION_400A

static_assert(sizeof(OPENFILENAMEA) == 152, "OPENFILENAMEA is 152 bytes");
static_assert(offsetof(OPENFILENAMEA, lpstrFile) == 48 && offsetof(OPENFILENAMEA, Flags) == 96 &&
                  offsetof(OPENFILENAMEA, pvReserved) == OPENFILENAME_SIZE_VERSION_400A,
              "OPENFILENAMEA keeps its 64-bit layout");

PELMORA_BEGIN_EXTERN_C
// Both run a modal dialog of the layer; TRUE when the user confirmed (the structure then holds
// the choice), FALSE on cancel or failure (CommDlgExtendedError says which).
BOOL WINAPI ChooseFontA(LPCHOOSEFONTA lpcf);
BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn);
DWORD WINAPI CommDlgExtendedError(void);
PELMORA_END_EXTERN_C

#define ChooseFont ChooseFontA
#define GetOpenFileName GetOpenFileNameA
