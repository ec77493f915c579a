#pragma once

#include "windows.h"

#include "prsht.h"

// InitCommonControlsEx.
typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

static_assert(sizeof(INITCOMMONCONTROLSEX) == 8, "INITCOMMONCONTROLSEX is 8 bytes");

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_HOTKEY_CLASS 0x00000040
#define ICC_ANIMATE_CLASS 0x00000080
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_DATE_CLASSES 0x00000100
#define ICC_USEREX_CLASSES 0x00000200
#define ICC_COOL_CLASSES 0x00000400
#define ICC_INTERNET_CLASSES 0x00000800
#define ICC_PAGESCROLLER_CLASS 0x00001000
#define ICC_NATIVEFNTCTL_CLASS 0x00002000
#define ICC_STANDARD_CLASSES 0x00004000
#define ICC_LINK_CLASS 0x00008000

// Notification codes of the common controls (WM_NOTIFY).
#define NM_FIRST (0U - 0U)
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)
#define NM_RETURN (NM_FIRST - 4)
#define NM_RCLICK (NM_FIRST - 5)
#define NM_SETFOCUS (NM_FIRST - 7)
#define NM_KILLFOCUS (NM_FIRST - 8)
#define UDN_FIRST (0U - 721U)
#define UDN_LAST (0U - 729U)

// The up-down control.
#define UPDOWN_CLASSA "msctls_updown32"
#define UPDOWN_CLASS UPDOWN_CLASSA

#define UD_MAXVAL 0x7fff
#define UD_MINVAL (-UD_MAXVAL)

#define UDS_WRAP 0x0001
#define UDS_SETBUDDYINT 0x0002
#define UDS_ALIGNRIGHT 0x0004
#define UDS_ALIGNLEFT 0x0008
#define UDS_AUTOBUDDY 0x0010
#define UDS_ARROWKEYS 0x0020
#define UDS_HORZ 0x0040
#define UDS_NOTHOUSANDS 0x0080
#define UDS_HOTTRACK 0x0100

#define UDM_SETRANGE (WM_USER + 101)
#define UDM_GETRANGE (WM_USER + 102)
#define UDM_SETPOS (WM_USER + 103)
#define UDM_GETPOS (WM_USER + 104)
#define UDM_SETBUDDY (WM_USER + 105)
#define UDM_GETBUDDY (WM_USER + 106)
#define UDM_SETACCEL (WM_USER + 107)
#define UDM_GETACCEL (WM_USER + 108)
#define UDM_SETBASE (WM_USER + 109)
#define UDM_GETBASE (WM_USER + 110)
#define UDM_SETRANGE32 (WM_USER + 111)
#define UDM_GETRANGE32 (WM_USER + 112)
#define UDM_SETPOS32 (WM_USER + 113)
#define UDM_GETPOS32 (WM_USER + 114)

#define UDN_DELTAPOS (UDN_FIRST - 1)

typedef struct _UDACCEL {
    UINT nSec;
    UINT nInc;
} UDACCEL, *LPUDACCEL;

// UDN_DELTAPOS: the position before the change and the change proposed; a non-zero result of
// the parent's WM_NOTIFY refuses the change.
typedef struct _NM_UPDOWN {
    NMHDR hdr;
    int iPos;
    int iDelta;
} NMUPDOWN, *LPNMUPDOWN;

static_assert(sizeof(NMUPDOWN) == 32, "NMUPDOWN is 32 bytes");

// The hot-key control: its value is a virtual key in the low byte and HOTKEYF_ flags in the
// high byte; a key pressed while it has the focus becomes its value and it tells its parent
// with EN_CHANGE.
#define HOTKEY_CLASSA "msctls_hotkey32"
#define HOTKEY_CLASS HOTKEY_CLASSA

#define HKM_SETHOTKEY (WM_USER + 1)
#define HKM_GETHOTKEY (WM_USER + 2)
// wParam: the HKCOMB_ combinations that are invalid; LOWORD(lParam): the HOTKEYF_ modifiers
// that replace an invalid combination.
#define HKM_SETRULES (WM_USER + 3)

#define HKCOMB_NONE 0x0001
#define HKCOMB_S 0x0002
#define HKCOMB_C 0x0004
#define HKCOMB_A 0x0008
#define HKCOMB_SC 0x0010
#define HKCOMB_SA 0x0020
#define HKCOMB_CA 0x0040
#define HKCOMB_SCA 0x0080

// WM_VSCROLL / WM_HSCROLL codes that the up-down control sends to its parent.
#ifndef SB_THUMBPOSITION
#define SB_THUMBPOSITION 4
#define SB_ENDSCROLL 8
#endif

PELMORA_BEGIN_EXTERN_C
// The layer's controls are always there; this checks the structure and returns TRUE.
BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);
PELMORA_END_EXTERN_C

// The hot-key control's modifier flags (the high byte of its HKM_GETHOTKEY answer).
#define HOTKEYF_SHIFT 0x01
#define HOTKEYF_CONTROL 0x02
#define HOTKEYF_ALT 0x04
#define HOTKEYF_EXT 0x08

// The list-view control.
#include "win/comctl_listview.h"
