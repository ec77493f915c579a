// oleaut32: loading a picture (BMP, JPEG, GIF, PNG) from a stream.
#pragma once

#include "windows.h"
#include "objbase.h"
#include "ocidl.h"

PELMORA_BEGIN_EXTERN_C

// Reads lSize bytes of the stream (to its end when lSize is 0 or less) and makes a picture of
// them; a stream that holds no loadable picture gives CTL_E_INVALIDPICTURE.
HRESULT WINAPI OleLoadPicture(LPSTREAM lpstream, LONG lSize, BOOL fRunmode, REFIID riid,
                              LPVOID* lplpvObj);

PELMORA_END_EXTERN_C
