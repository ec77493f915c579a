// comctl32: the list-view control in report view (columns of texts, one row per item).
#pragma once

#include "../windef.h"
#include "user_dialogs.h"

#define WC_LISTVIEWA "SysListView32"
#define WC_LISTVIEW WC_LISTVIEWA

// Styles.
#define LVS_ICON 0x0000
#define LVS_REPORT 0x0001
#define LVS_SMALLICON 0x0002
#define LVS_LIST 0x0003
#define LVS_TYPEMASK 0x0003
#define LVS_SINGLESEL 0x0004
#define LVS_SHOWSELALWAYS 0x0008
#define LVS_NOCOLUMNHEADER 0x4000
#define LVS_NOSORTHEADER 0x8000

// Extended styles (LVM_SETEXTENDEDLISTVIEWSTYLE).
#define LVS_EX_GRIDLINES 0x00000001
#define LVS_EX_FULLROWSELECT 0x00000020

// Messages.
#define LVM_FIRST 0x1000
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_INSERTITEMA (LVM_FIRST + 7)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_INSERTCOLUMNA (LVM_FIRST + 27)
#define LVM_GETCOLUMNWIDTH (LVM_FIRST + 29)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_GETITEMTEXTA (LVM_FIRST + 45)
#define LVM_SETITEMTEXTA (LVM_FIRST + 46)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54)
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)
#define LVM_INSERTITEM LVM_INSERTITEMA
#define LVM_INSERTCOLUMN LVM_INSERTCOLUMNA
#define LVM_GETITEMTEXT LVM_GETITEMTEXTA
#define LVM_SETITEMTEXT LVM_SETITEMTEXTA

// LVM_GETNEXTITEM flags.
#define LVNI_ALL 0x0000
#define LVNI_FOCUSED 0x0001
#define LVNI_SELECTED 0x0002

// Item fields and states.
#define LVIF_TEXT 0x0001
#define LVIF_IMAGE 0x0002
#define LVIF_PARAM 0x0004
#define LVIF_STATE 0x0008
#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002

typedef struct tagLVITEMA {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
    int iGroupId;
    UINT cColumns;
    UINT* puColumns;
    int* piColFmt;
    int iGroup;
} LVITEMA, *LPLVITEMA;
typedef LVITEMA LVITEM;

static_assert(sizeof(LVITEMA) == 88, "LVITEMA is 88 bytes");
static_assert(offsetof(LVITEMA, pszText) == 24 && offsetof(LVITEMA, lParam) == 40,
              "LVITEMA keeps its 64-bit layout");

// Column fields and formats.
#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVCFMT_JUSTIFYMASK 0x0003

typedef struct tagLVCOLUMNA {
    UINT mask;
    int fmt;
    int cx;
    LPSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
    int cxMin;
    int cxDefault;
    int cxIdeal;
} LVCOLUMNA, *LPLVCOLUMNA;
typedef LVCOLUMNA LVCOLUMN;

static_assert(sizeof(LVCOLUMNA) == 56, "LVCOLUMNA is 56 bytes");
static_assert(offsetof(LVCOLUMNA, pszText) == 16 && offsetof(LVCOLUMNA, iSubItem) == 28,
              "LVCOLUMNA keeps its 64-bit layout");

// NM_CLICK and NM_DBLCLK of a list view carry the item under the mouse (-1 for none).
typedef struct tagNMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
} NMITEMACTIVATE, *LPNMITEMACTIVATE;

static_assert(sizeof(NMITEMACTIVATE) == 72, "NMITEMACTIVATE is 72 bytes");
static_assert(offsetof(NMITEMACTIVATE, ptAction) == 44, "NMITEMACTIVATE keeps its 64-bit layout");
