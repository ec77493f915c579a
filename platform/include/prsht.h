#pragma once

#include "windows.h"

#include <cstddef>

// Property sheets: a modal frame with a tab per page, OK, Cancel and Apply.

struct _PSP;
typedef struct _PSP* HPROPSHEETPAGE;

typedef struct _PROPSHEETPAGEA PROPSHEETPAGEA;
typedef UINT(CALLBACK* LPFNPSPCALLBACKA)(HWND hwnd, UINT uMsg, PROPSHEETPAGEA* ppsp);

#define PSP_DEFAULT 0x00000000
#define PSP_DLGINDIRECT 0x00000001
#define PSP_USEHICON 0x00000002
#define PSP_USEICONID 0x00000004
#define PSP_USETITLE 0x00000008
#define PSP_RTLREADING 0x00000010
#define PSP_HASHELP 0x00000020
#define PSP_USEREFPARENT 0x00000040
#define PSP_USECALLBACK 0x00000080
#define PSP_PREMATURE 0x00000400

struct _PROPSHEETPAGEA {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    union {
        LPCSTR pszTemplate;
        const void* pResource;
    };
    union {
        HICON hIcon;
        LPCSTR pszIcon;
    };
    LPCSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKA pfnCallback;
    UINT* pcRefParent;
    LPCSTR pszHeaderTitle;
    LPCSTR pszHeaderSubTitle;
    HANDLE hActCtx;
    union {
        HBITMAP hbmHeader;
        LPCSTR pszbmHeader;
    };
};
typedef PROPSHEETPAGEA* LPPROPSHEETPAGEA;
typedef const PROPSHEETPAGEA* LPCPROPSHEETPAGEA;

// The record up to the header subtitle: what a caller that sets dwSize 88 fills.
#define PROPSHEETPAGEA_V2_SIZE 88
static_assert(offsetof(PROPSHEETPAGEA, pszHeaderSubTitle) + 8 == PROPSHEETPAGEA_V2_SIZE,
              "PROPSHEETPAGEA holds 88 bytes up to pszHeaderSubTitle");
static_assert(sizeof(PROPSHEETPAGEA) == 104, "PROPSHEETPAGEA is 104 bytes");

#define PSH_DEFAULT 0x00000000
#define PSH_PROPTITLE 0x00000001
#define PSH_USEHICON 0x00000002
#define PSH_USEICONID 0x00000004
#define PSH_PROPSHEETPAGE 0x00000008
#define PSH_NOAPPLYNOW 0x00000080
#define PSH_USEPSTARTPAGE 0x00000800
#define PSH_MODELESS 0x00000400
#define PSH_NOCONTEXTHELP 0x02000000

typedef int(CALLBACK* PFNPROPSHEETCALLBACK)(HWND, UINT, LPARAM);

typedef struct _PROPSHEETHEADERA {
    DWORD dwSize;
    DWORD dwFlags;
    HWND hwndParent;
    HINSTANCE hInstance;
    union {
        HICON hIcon;
        LPCSTR pszIcon;
    };
    LPCSTR pszCaption;
    UINT nPages;
    union {
        UINT nStartPage;
        LPCSTR pStartPage;
    };
    union {
        LPCPROPSHEETPAGEA ppsp;
        HPROPSHEETPAGE* phpage;
    };
    PFNPROPSHEETCALLBACK pfnCallback;
    union {
        HBITMAP hbmWatermark;
        LPCSTR pszbmWatermark;
    };
    HPALETTE hplWatermark;
    union {
        HBITMAP hbmHeader;
        LPCSTR pszbmHeader;
    };
} PROPSHEETHEADERA, *LPPROPSHEETHEADERA;
typedef const PROPSHEETHEADERA* LPCPROPSHEETHEADERA;

static_assert(sizeof(PROPSHEETHEADERA) == 96, "PROPSHEETHEADERA is 96 bytes");
static_assert(offsetof(PROPSHEETHEADERA, phpage) == 56, "phpage at 56");

// Notifications to the pages (WM_NOTIFY from the sheet, idFrom 0).
#define PSN_FIRST (0U - 200U)
#define PSN_SETACTIVE (PSN_FIRST - 0)
#define PSN_KILLACTIVE (PSN_FIRST - 1)
#define PSN_APPLY (PSN_FIRST - 2)
#define PSN_RESET (PSN_FIRST - 3)
#define PSN_QUERYCANCEL (PSN_FIRST - 9)

#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2

// PSN_APPLY and PSN_RESET: lParam is TRUE when OK (or the close) ends the sheet.
typedef struct _PSHNOTIFY {
    NMHDR hdr;
    LPARAM lParam;
} PSHNOTIFY, *LPPSHNOTIFY;

// Messages a page sends to its sheet (the page's parent).
#define PSM_SETCURSEL (WM_USER + 101)
#define PSM_CHANGED (WM_USER + 104)
#define PSM_UNCHANGED (WM_USER + 109)
#define PSM_PRESSBUTTON (WM_USER + 113)
#define PSM_GETCURRENTPAGEHWND (WM_USER + 118)

#define PSBTN_OK 1
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5

// The sheet's Apply button.
#define ID_APPLY_NOW 0x3021

PELMORA_BEGIN_EXTERN_C
HPROPSHEETPAGE WINAPI CreatePropertySheetPageA(LPCPROPSHEETPAGEA constPropSheetPagePointer);
BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage);
INT_PTR WINAPI PropertySheetA(LPCPROPSHEETHEADERA lppsph);
PELMORA_END_EXTERN_C

#define CreatePropertySheetPage CreatePropertySheetPageA
#define PropertySheet PropertySheetA
