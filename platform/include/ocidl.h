// The picture interface (IPicture) that OleLoadPicture hands out.
#pragma once

#include "windows.h"
#include "objbase.h"

typedef LONG OLE_XPOS_HIMETRIC;
typedef LONG OLE_YPOS_HIMETRIC;
typedef LONG OLE_XSIZE_HIMETRIC;
typedef LONG OLE_YSIZE_HIMETRIC;
typedef UINT OLE_HANDLE;
typedef SHORT PICTURETYPE;

#define PICTYPE_UNINITIALIZED (-1)
#define PICTYPE_NONE 0
#define PICTYPE_BITMAP 1

// Sizes are in HIMETRIC (0.01 mm); the source rectangle of Render counts y upwards from the
// bottom edge, so a source height of minus the picture's height draws it upright.
struct IPicture : IUnknown {
    STDMETHOD(get_Handle)(OLE_HANDLE* pHandle) PURE;
    STDMETHOD(get_hPal)(OLE_HANDLE* phPal) PURE;
    STDMETHOD(get_Type)(SHORT* pType) PURE;
    STDMETHOD(get_Width)(OLE_XSIZE_HIMETRIC* pWidth) PURE;
    STDMETHOD(get_Height)(OLE_YSIZE_HIMETRIC* pHeight) PURE;
    STDMETHOD(Render)
    (HDC hDC, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc, OLE_YPOS_HIMETRIC ySrc,
     OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc, LPCRECT pRcWBounds) PURE;
    STDMETHOD(set_hPal)(OLE_HANDLE hPal) PURE;
    STDMETHOD(get_CurDC)(HDC* phDC) PURE;
    STDMETHOD(SelectPicture)(HDC hDCIn, HDC* phDCOut, OLE_HANDLE* phBmpOut) PURE;
    STDMETHOD(get_KeepOriginalFormat)(BOOL* pKeep) PURE;
    STDMETHOD(put_KeepOriginalFormat)(BOOL keep) PURE;
    STDMETHOD(PictureChanged)() PURE;
    STDMETHOD(SaveAsFile)(LPSTREAM pStream, BOOL fSaveMemCopy, LONG* pCbSize) PURE;
    STDMETHOD(get_Attributes)(DWORD* pDwAttr) PURE;
};
typedef IPicture* LPPICTURE;

PELMORA_BEGIN_EXTERN_C
extern const IID IID_IPicture;
PELMORA_END_EXTERN_C
